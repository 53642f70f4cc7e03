// A text renderer draws a picture without text when the picture comes
// before its text, and a still picture would then stay without it. While a
// still picture is shown again for new text, the renderer holds it until
// its text has come: until a picture has passed, or a time limit, since
// text may never come for that moment.
#pragma once

#include "GstHandles.h"

#include <gst/gst.h>

#include <memory>

namespace velvaro::engine {

class TextWait {
public:
    TextWait();
    ~TextWait();
    TextWait(const TextWait&) = delete;
    TextWait& operator=(const TextWait&) = delete;

    // `renderer` holds its next picture for text, `limit` at most. Ends
    // any earlier wait.
    void Begin(GstElement* renderer, GstClockTime limit);
    // Any thread: a picture has passed, or the picture to wait for is
    // flushed away. A picture still held waits for text as before.
    void End();

private:
    struct State;
    struct LimitCall;
    static gboolean OnLimit(GstClock*, GstClockTime, GstClockID, gpointer data);
    std::shared_ptr<State> state_;
};

}  // namespace velvaro::engine
