// Before a disc is handed to the navigator: whether the path names a DVD
// volume, and whether it opens in a process of its own (velvaro-dvdcheck),
// since libdvdread crashes on some damaged discs.
#pragma once

#include <QString>

#include <atomic>
#include <string>

namespace velvaro::engine {

// A folder is a volume only as the VIDEO_TS folder itself; a disc image
// or an optical drive's device (/dev/sr0) is one as it is.
bool LooksLikeVolume(const QString& path);
// Whether the volume opens in a process of its own without crashing or
// failing there. A drive may take seconds to spin up; `cancelled` is heard
// meanwhile.
bool CheckVolumeOutOfProcess(const std::string& path, const std::atomic<bool>& cancelled);
// The same, but a folder or image that has passed before, unchanged since,
// passes at once (CheckedVolumes).
bool CheckVolume(const std::string& path, const std::atomic<bool>& cancelled);

}  // namespace velvaro::engine
