// GStreamer starts on a thread of its own, so that the window can show while
// the plugin registry loads or is rebuilt.
#pragma once

#include <chrono>

namespace velvaro::engine {

// Begins loading GStreamer in the background; later calls do nothing.
void StartMediaFramework();
// Returns once GStreamer is ready, loading it here if nothing started it.
// Every way into GStreamer goes through it first. Any thread.
void EnsureMediaFramework();
// The same, waiting at most `timeout`; true once GStreamer is ready.
bool WaitForMediaFramework(std::chrono::milliseconds timeout);
// Loads, in the background, the decoders of every kind of film the
// player's own do not cover, which an open otherwise loads when it needs
// them. Worth it only when another open is likely soon: they cost a tenth
// of a second of CPU and 20 MB. Later calls do nothing. Any thread.
void LoadOtherDecoders();

}  // namespace velvaro::engine
