// Playlists without a gap. The next item's graph, prerolled while this one
// plays, is started by the streaming thread that brings this graph's end,
// on the clock at the moment its last sound or picture ends: no round trip
// through the window's events comes between them.
#pragma once

#include "engine/Framework.h"

#include <memory>

namespace velvaro::engine {

class GraphSuccession {
public:
    // Once every sink of `current` has had its last buffer, `next` (paused,
    // prerolled) plays from the moment that buffer ends, as loud as
    // `current` was. `current` outlives this.
    GraphSuccession(IFilterGraph& current, std::shared_ptr<IFilterGraph> next);
    // Forgets `next`, which then never starts on its own.
    ~GraphSuccession();
    GraphSuccession(const GraphSuccession&) = delete;
    GraphSuccession& operator=(const GraphSuccession&) = delete;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace velvaro::engine
