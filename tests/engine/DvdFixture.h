// What the DVD engine tests share: the player with a view of what its
// navigator shows, and a fixture that opens the generated test discs.
#pragma once

#include "PlayerFixture.h"
#include "engine/CDvdPlayer.h"

namespace velvaro::test {

// The player, and what its navigator says is shown: title and chapter.
class ShownDvdPlayer : public CDvdPlayer {
public:
    using CDvdPlayer::CDvdPlayer;
    DVD_PLAYBACK_LOCATION2 Location() {
        DVD_PLAYBACK_LOCATION2 location;
        QueryInterface<IDvdInfo2>(graph)->GetCurrentLocation(&location);
        return location;
    }
    std::pair<ULONG, ULONG> Shown() {
        const DVD_PLAYBACK_LOCATION2 location = Location();
        return {location.TitleNum, location.ChapterNum};
    }
    // How much of the band of rows [top, bottom) of the picture shown is
    // white text, in per mille.
    int WhiteIn(int top, int bottom) {
        long size = 0;
        if (FAILED(basicVideo->GetCurrentImage(&size, nullptr)) || size <= 40) {
            return -1;
        }
        std::vector<std::uint8_t> image(static_cast<size_t>(size));
        if (FAILED(basicVideo->GetCurrentImage(&size, reinterpret_cast<long*>(image.data())))) {
            return -1;
        }
        const int width = 720, height = 576, stride = (width * 3 + 3) & ~3;
        int white = 0;
        for (int row = top; row < bottom; ++row) {
            const std::uint8_t* pixel = image.data() + 40 + (height - 1 - row) * stride;
            for (int x = 0; x < width; ++x, pixel += 3) {
                white += pixel[0] > 230 && pixel[1] > 230 && pixel[2] > 230;
            }
        }
        return white * 1000 / (width * (bottom - top));
    }
    const std::shared_ptr<IGraphBuilder>& Graph() const { return graph; }
    bool SubpicturesHidden() {
        ULONG available = 0, current = 0;
        BOOL disabled = 0;
        QueryInterface<IDvdInfo2>(graph)->GetCurrentSubpicture(&available, &current, &disabled);
        return disabled != 0;
    }
};

class DvdPlayerTest : public PlayerTest {
protected:
    std::unique_ptr<ShownDvdPlayer> OpenDvd(const std::string& name) {
        return std::make_unique<ShownDvdPlayer>(QRect(10, 20, 380, 308), nullptr, &language, &owner,
                                                WideMedia(name), Media(name), 0, 0, 0);
    }

    // Drains the graph events until the domain becomes `domain`.
    static bool WaitForDomain(CMediaPlayer& player, LONG_PTR domain) {
        return RunEventsUntil(
            [&] {
                long code = 0;
                LONG_PTR param1 = 0, param2 = 0;
                while (player.GetEvent(&code, &param1, &param2) == S_OK) {
                    if (code == EC_DVD_DOMAIN_CHANGE && param1 == domain) {
                        return true;
                    }
                }
                return false;
            },
            10000);
    }
};

}  // namespace velvaro::test
