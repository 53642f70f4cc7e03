#include "session/RuntimePlaylist.h"

#include <utility>

void RuntimePlaylist::Add(std::string video, std::string audio) {
    strings_.push_front(std::move(video));
    strings_.push_front(std::move(audio));
}

void RuntimePlaylist::End() {
    strings_.clear();
    fileName_.clear();
    current_ = 0;
}

RuntimePlaylist::Item RuntimePlaylist::At(int number) const {
    if (number < 1 || number > Items()) {
        return {};
    }
    // Item 1's video is the last string, its audio the one before it.
    const std::size_t video = strings_.size() - 1 - 2 * static_cast<std::size_t>(number - 1);
    return {strings_[video], strings_[video - 1]};
}

int RuntimePlaylist::Wrap(int number) const {
    if (number > Items()) {
        return 1;
    }
    if (number < 1) {
        return Items();
    }
    return number;
}
