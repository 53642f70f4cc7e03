// The process-wide atom table: short names shared under 16-bit numbers with
// reference counts, in the shape of the global atom calls. The hand-over
// receiver puts each text it receives here, so the window reads it back as
// the atom's name and deletes the atom.
#pragma once

#include <QString>

#include <cstdint>

using ATOM = std::uint16_t;

// Atoms are numbered from here to 0xFFFF.
inline constexpr ATOM kFirstStringAtom = 0xC000;
// Longest name, in characters.
inline constexpr int kMaxAtomNameLength = 255;

// Adds the name, or counts one more reference when a name equal to it without
// regard to case is already there (its first spelling stays). Returns 0 for an
// empty name, a name longer than 255 characters or a full table. Any thread.
ATOM GlobalAddAtom(const QString& name);
// The atom's name cut to bufferSize - 1 characters, as read into a buffer of
// that many; empty when there is no such atom.
QString GlobalGetAtomName(ATOM atom, int bufferSize = 256);
// Drops one reference; the atom goes with its last. Returns 0 on success, the
// atom itself when there is no such atom.
ATOM GlobalDeleteAtom(ATOM atom);
// The atom of that name, 0 when there is none.
ATOM GlobalFindAtom(const QString& name);
