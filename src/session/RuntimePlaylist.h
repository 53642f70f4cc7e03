// The playlist the window runs: items of a video path and an audio path
// (maybe empty), kept as one list of strings in which every string is added
// at the front, so the list stands in reverse order and is read from its
// back. The current item counts from 1; 0 means no playlist is active.
#pragma once

#include <deque>
#include <string>
#include <utility>

class RuntimePlaylist {
public:
    struct Item {
        std::string video;
        std::string audio;
        bool operator==(const Item&) const = default;
    };

    bool Active() const { return current_ != 0; }
    int Current() const { return current_; }
    void SetCurrent(int item) { current_ = item; }
    int Items() const { return static_cast<int>(strings_.size() / 2); }
    // Empty for a playlist that was never saved.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string name) { fileName_ = std::move(name); }
    // The strings as they are kept, in reverse order.
    const std::deque<std::string>& Strings() const { return strings_; }

    // Adds an item after the ones already there.
    void Add(std::string video, std::string audio);
    // Ending the playlist empties it and forgets its file.
    void End();
    // Item `number` counted from 1 in playlist order; empty outside the list.
    Item At(int number) const;
    // Both directions wrap around: past the last is the first, before the
    // first the last.
    int Wrap(int number) const;
    int Next() const { return Wrap(current_ + 1); }
    int Previous() const { return Wrap(current_ - 1); }

private:
    std::deque<std::string> strings_;
    std::string fileName_;
    int current_ = 0;
};
