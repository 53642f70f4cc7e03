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
// Loads, in the background, the decoders of every other kind of film: once
// the first picture is shown, so that they do not hold that up. Later calls
// do nothing. Any thread.
void LoadOtherDecoders();

}  // namespace velvaro::engine
