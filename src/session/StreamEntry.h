// One entry of the stream menus as the session's state holds it: where it
// is listed, its command, its text and its marks, and what choosing it asks
// of the engine.
#pragma once

#include <QString>

struct StreamEntry {
    enum class Kind {
        Group,   // a stream selector's submenu in "Streams"; no command
        Stream,  // an entry of the last group before it
        Chapter,
        Audio,
        SubtitleOff,  // "Off", the subtitle popup's own item; no text here
        Subtitle,
        Angle,
    };
    Kind kind = Kind::Stream;
    int id = 0;
    QString text{};
    bool checked = false;
    bool enabled = true;
    // A group's entries of another sub-group (video, sound, subtitles) than
    // the one before.
    bool separatorBefore = false;
    // The engine's stream index and kind (a group's number for a group's
    // stream) it selects; a group carries its number as kind.
    int index = 0;
    int streamKind = 0;
    bool operator==(const StreamEntry&) const = default;
};
