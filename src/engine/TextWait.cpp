#include "TextWait.h"

#include <cstdint>
#include <mutex>

namespace velvaro::engine {

// Shared with the clock's thread, which may fire after the wait is gone.
struct TextWait::State {
    mutable std::mutex mutex;
    GstElementHandle renderer;
    GstClockID limit = nullptr;
    std::uint64_t round = 0;  // which wait the limit belongs to
};

// What the clock's thread is handed: the state kept alive, and whose limit it is.
struct TextWait::LimitCall {
    std::shared_ptr<State> state;
    std::uint64_t round;
};

TextWait::TextWait() : state_(std::make_shared<State>()) {}

TextWait::~TextWait() {
    End();
}

void TextWait::Begin(GstElement* renderer, GstClockTime limit) {
    End();
    g_object_set(renderer, "wait-text", TRUE, nullptr);
    GstClock* clock = gst_system_clock_obtain();
    GstClockID id = gst_clock_new_single_shot_id(clock, gst_clock_get_time(clock) + limit);
    gst_object_unref(clock);
    // Scheduled under the lock: an End from the picture's thread in between
    // would free the id before the clock is given it. The clock calls back
    // on its own thread, never from here.
    std::lock_guard lock(state_->mutex);
    state_->renderer.reset(GST_ELEMENT(gst_object_ref(renderer)));
    state_->limit = id;
    auto* call = new LimitCall{state_, ++state_->round};
    gst_clock_id_wait_async(id, &OnLimit, call,
                            [](gpointer data) { delete static_cast<LimitCall*>(data); });
}

// The system clock's thread: the limit has come.
gboolean TextWait::OnLimit(GstClock*, GstClockTime, GstClockID, gpointer data) {
    const auto* call = static_cast<LimitCall*>(data);
    State* state = call->state.get();
    GstElementHandle renderer;
    {
        std::lock_guard lock(state->mutex);
        if (state->round != call->round || !state->renderer) {
            return TRUE;
        }
        renderer = std::move(state->renderer);
        gst_clock_id_unref(state->limit);
        state->limit = nullptr;
    }
    g_object_set(renderer.get(), "wait-text", FALSE, nullptr);
    // The held picture is woken by a gap in the text. Sent only while the
    // renderer's text input is free: while the text's thread holds it, the
    // renderer has text, and no picture waits.
    GstPadHandle input(gst_element_get_static_pad(renderer.get(), "text_sink"));
    if (input && GST_PAD_STREAM_TRYLOCK(input.get())) {
        gst_pad_send_event(input.get(), gst_event_new_gap(0, GST_CLOCK_TIME_NONE));
        GST_PAD_STREAM_UNLOCK(input.get());
    }
    return TRUE;
}

void TextWait::End() {
    GstElementHandle renderer;
    GstClockID limit = nullptr;
    {
        std::lock_guard lock(state_->mutex);
        renderer = std::move(state_->renderer);
        limit = state_->limit;
        state_->limit = nullptr;
        ++state_->round;
    }
    if (limit) {
        gst_clock_id_unschedule(limit);
        gst_clock_id_unref(limit);
    }
    if (!renderer) {
        return;
    }
    g_object_set(renderer.get(), "wait-text", FALSE, nullptr);
}

}  // namespace velvaro::engine
