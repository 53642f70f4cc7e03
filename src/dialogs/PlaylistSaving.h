// Writing the window's playlist to a .vpp file, under its name or a new one
// the user chooses; shared by the editor and the player window.
#pragma once

#include "docs/PlaylistFile.h"

#include <string>
#include <vector>

class QWidget;

// Saves under `fileName`; when it is empty or cannot be written, clears it and asks for a
// name as SavePlaylistAs does. True when written; fileName is then the file's path.
bool SavePlaylist(QWidget* parent, const std::vector<velvaro::docs::PlaylistEntry>& entries,
                  std::string& fileName);
// Asks for a name (default suffix "vpp", proposed name "playlist", overwrite confirmed)
// and saves; asks again while the chosen file cannot be written. False when cancelled.
bool SavePlaylistAs(QWidget* parent, const std::vector<velvaro::docs::PlaylistEntry>& entries,
                    std::string& fileName);
