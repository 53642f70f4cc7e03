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
        std::dynamic_pointer_cast<IDvdInfo2>(graph)->GetCurrentLocation(&location);
        return location;
    }
    std::pair<ULONG, ULONG> Shown() {
        const DVD_PLAYBACK_LOCATION2 location = Location();
        return {location.TitleNum, location.ChapterNum};
    }
    // How much of the band of rows [top, bottom) of the picture shown is
    // white text, in per mille.
    int WhiteIn(int top, int bottom) {
        // A bitmap header of 40 bytes, then the rows from the bottom up.
        const int width = 720, height = 576;
        long size = 40 + width * 3 * height;
        std::vector<std::uint8_t> bitmap(static_cast<size_t>(size));
        if (FAILED(basicVideo->GetCurrentImage(&size, reinterpret_cast<long*>(bitmap.data())))) {
            return -1;
        }
        const QImage image =
            QImage(bitmap.data() + 40, width, height, width * 3, QImage::Format_RGB888).mirrored();
        const int white = CountPixels(image, QRect(0, top, width, bottom - top), [](auto& c) {
            return c.red() > 230 && c.green() > 230 && c.blue() > 230;
        });
        return white * 1000 / (width * (bottom - top));
    }
    const std::shared_ptr<IGraphBuilder>& Graph() const { return graph; }
    bool SubpicturesHidden() {
        ULONG available = 0, current = 0;
        BOOL disabled = 0;
        std::dynamic_pointer_cast<IDvdInfo2>(graph)->GetCurrentSubpicture(&available, &current,
                                                                          &disabled);
        return disabled != 0;
    }
};

class DvdPlayerTest : public PlayerTest {
protected:
    std::unique_ptr<ShownDvdPlayer> OpenDvd(const std::string& name) {
        return std::make_unique<ShownDvdPlayer>(QRect(10, 20, 380, 308), nullptr, &owner,
                                                Media(name), 0, 0, 0);
    }
    // The disc opened, in `domain` and playing unless `play` is false;
    // nothing when it does not get there.
    std::unique_ptr<ShownDvdPlayer> OpenDvdIn(const std::string& name, LONG_PTR domain,
                                              bool play = true) {
        auto player = OpenDvd(name);
        EXPECT_EQ(player->GetRenderStatus(), S_OK) << name;
        if (!WaitForDomain(*player, domain)) {
            return nullptr;
        }
        EXPECT_EQ(play ? player->Play() : S_OK, S_OK) << name;
        return player;
    }
    // Activates button 1 of the menu shown, drawn at full size, and waits for
    // its title.
    static void EnterFirstTitle(ShownDvdPlayer& player) {
        player.SetDestinationPosition(0, 0, 720, 576);
        ASSERT_TRUE(RunEventsUntil([&] {
            return player.GetButtonAtPosition({360, 180}) == 1;
        })) << "no button 1 in the menu";
        ASSERT_EQ(player.ActivateButton(), S_OK);
        ASSERT_TRUE(WaitForDomain(player, DVD_DOMAIN_Title));
    }
    // Takes the graph events there are, up to one of `code` whose first
    // parameter passes `wanted`; whether that came.
    static bool TakeEventsUpTo(CMediaPlayer& player, long code,
                               const std::function<bool(LONG_PTR)>& wanted = {}) {
        long got = 0;
        LONG_PTR param1 = 0, param2 = 0;
        while (player.GetEvent(&got, &param1, &param2) == S_OK) {
            if (got == code && (!wanted || wanted(param1))) {
                return true;
            }
        }
        return false;
    }
    static bool WaitForEvent(CMediaPlayer& player, long code,
                             const std::function<bool(LONG_PTR)>& wanted) {
        return RunEventsUntil([&] { return TakeEventsUpTo(player, code, wanted); }, 10000);
    }
    static bool WaitForDomain(CMediaPlayer& player, LONG_PTR domain) {
        return WaitForEvent(player, EC_DVD_DOMAIN_CHANGE, [=](LONG_PTR d) { return d == domain; });
    }
};

}  // namespace velvaro::test
