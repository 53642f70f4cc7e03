// The DVD engine on the generated test discs. Titles are 6 s long and the
// reader runs ahead of the picture, so each step acts early in a title.
#include "DvdFixture.h"
#include "engine/DvdOpening.h"
#include "engine/FileOpening.h"
#include "engine/GstGraphParts.h"
#include "video/VideoWidget.h"

#include <gst/gst.h>

#include <QProcess>
#include <QScopeGuard>

#include <climits>
#include <fstream>

#include <malloc.h>
#include <unistd.h>

namespace {

using namespace velvaro::engine;
using namespace velvaro::test;

// The title the disc's reader has got to, 0 in a menu: the reader inside the
// navigator, found from the pipeline of any of the graph's parts.
int ReaderTitle(ShownDvdPlayer& player) {
    for (const auto& filter : player.Graph()->EnumFilters()) {
        const auto* part = dynamic_cast<GstFilter*>(filter.get());
        GstObject* top = part ? GST_OBJECT(part->element()) : nullptr;
        while (top && GST_OBJECT_PARENT(top)) {
            top = GST_OBJECT_PARENT(top);
        }
        if (!top || !GST_IS_BIN(top)) {
            continue;
        }
        const GstElementHandle reader(gst_bin_get_by_name(GST_BIN(top), "dvdsrc"));
        gint64 title = -1;
        return reader && gst_element_query_position(reader.get(), gst_format_get_by_nick("title"),
                                                    &title)
                   ? static_cast<int>(title)
                   : -1;
    }
    return -1;
}

// Each form of a disc opens off the caller's thread, which goes on
// meanwhile; damaged ones fail in the check process without taking the
// player down. A dropped opening ends at once and never answers.
TEST_F(DvdPlayerTest, OpensEachFormOfADiscOffTheCallersThreadAndRefusesDamagedOnes) {
    int turns = 0;
    const auto open = [&](const std::string& name) {
        bool done = false;
        DvdOpening opening(Media(name), &owner, [&done] { done = true; });
        // Each look counts as a turn of the caller's.
        EXPECT_TRUE(RunEventsUntil([&] { return ++turns && done; }, 20000)) << name;
        return std::make_unique<ShownDvdPlayer>(QRect(10, 20, 380, 308), nullptr, &owner,
                                                opening.TakeRendered(), 0, 0, 0);
    };
    const std::pair<const char*, const char*> cases[] = {
        {"dvd/menu/VIDEO_TS", "dvd/menu/VIDEO_TS"},
        {"dvd/menu", "dvd/menu/VIDEO_TS"},
        {"dvd/menu.iso", "dvd/menu.iso"},
    };
    for (const auto& [path, opened] : cases) {
        auto player = open(path);
        EXPECT_EQ(std::tuple(player->GetRenderStatus(), player->GetFileName(), player->HasVideo()),
                  std::tuple(S_OK, Media(opened), S_OK))
            << path;
        // A 4:3 PAL disc.
        int width = 0, height = 0;
        long x = 0, y = 0, sourceX = 0, sourceY = 0;
        player->GetVideoSize(&width, &height);
        EXPECT_EQ(player->GetPreferredAspectRatio(&x, &y), S_OK);
        EXPECT_EQ(player->GetNativeVideoSize(&sourceX, &sourceY), S_OK);
        EXPECT_EQ(std::tuple(width, height, x, y, sourceX, sourceY),
                  std::tuple(720, 540, 4L, 3L, 720L, 576L))
            << path;
    }
    EXPECT_GT(turns, 10) << "the caller was held while the disc opened";
    // Its pictures and sound need none of the libav plugin's libraries.
    GstPlugin* libav = gst_registry_find_plugin(gst_registry_get(), "libav");
    EXPECT_FALSE(libav && gst_plugin_is_loaded(libav));
    if (libav) {
        gst_object_unref(libav);
    }
    for (const char* disc : {"dvd/damaged", "dvd/no-title-set", "dvd/cut-title-table"}) {
        const auto log = EngineWarnings();
        auto player = open(disc);
        EXPECT_NE(player->GetRenderStatus(), S_OK) << disc;
        EXPECT_EQ(log.Count(), 1) << disc;
        EXPECT_FALSE(player->GetRenderErrorText().empty()) << disc;
    }
    {
        // Dropped under way: a disc checked before opens in a few tens of ms.
        const DvdOpening dropped(Media("dvd/menu"), &owner,
                                 [] { ADD_FAILURE() << "a dropped open answered"; });
        RunEventsUntil([] { return false; }, 5);
    }
    EXPECT_TRUE(WaitForOpeningThreads(std::chrono::milliseconds(1000)));
    RunEventsUntil([] { return false; }, 50);
}

// The menu disc's image as a drive's block device.
TEST_F(DvdPlayerTest, OpensADiscInADrive) {
    QProcess attach;
    attach.start(QStringLiteral("losetup"),
                 {QStringLiteral("--find"), QStringLiteral("--show"), QStringLiteral("--read-only"),
                  QString::fromStdString(Media("dvd/menu.iso"))});
    attach.waitForFinished();
    const QString device = QString::fromLocal8Bit(attach.readAllStandardOutput()).trimmed();
    if (attach.exitCode() != 0 || device.isEmpty()) {
        GTEST_SKIP() << "no loop device to stand in for a drive here: "
                     << attach.readAllStandardError().trimmed().toStdString();
    }
    const auto detach = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("losetup"), {QStringLiteral("--detach"), device});
    });
    ShownDvdPlayer player(QRect(10, 20, 380, 308), nullptr, &owner, device.toStdString(), 0, 0, 0);
    EXPECT_EQ(std::pair(player.GetRenderStatus(), player.GetFileName()),
              std::pair(S_OK, device.toStdString()));
    EXPECT_TRUE(WaitForDomain(player, DVD_DOMAIN_VideoTitleSetMenu));
}

TEST_F(DvdPlayerTest, WalksTheMenuDiscByButtonsMenusChaptersAndTime) {
    auto player = OpenDvdIn("dvd/menu", DVD_DOMAIN_VideoTitleSetMenu);
    ASSERT_TRUE(player);
    // The picture (720x576) drawn at half size from (10, 10) in the window.
    player->SetDestinationPosition(10, 10, 360, 288);
    const auto window = [](int x, int y) { return QPoint(10 + x / 2, 10 + y / 2); };

    // On button 3 once the buttons are there, outside them, and no way up
    // from the root menu.
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetButtonAtPosition(window(360, 400)) == 3; }));
    EXPECT_TRUE(player->NoButtonAtPosition(window(20, 20)));
    EXPECT_EQ(player->ReturnFromSubmenu(), VFW_E_DVD_OPERATION_INHIBITED);
    // A menu has no length, no seeks, no steps and no chapters.
    EXPECT_EQ(
        std::tuple(player->GetDuration(), player->SetPosition(100), player->StepFrame(true),
                   player->SelectStream(2, STREAM_CHAPTERS)),
        std::tuple(0, VFW_E_DVD_INVALIDDOMAIN, VFW_E_DVD_INVALIDDOMAIN, VFW_E_DVD_INVALIDDOMAIN));

    // Button 3 down to 1 (wrapping) and down to 2: title 2.
    EXPECT_EQ(player->SelectRelativeButton(DVD_Relative_Lower), S_OK);
    EXPECT_EQ(player->SelectRelativeButton(DVD_Relative_Lower), S_OK);
    EXPECT_EQ(player->ActivateButton(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    EXPECT_TRUE(RunEventsUntil([&] { return player->Shown() == std::pair(2u, 1u); }));

    // To the root menu and back into the title.
    EXPECT_EQ(player->ShowMenu(DVD_MENU_Root), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_VideoTitleSetMenu));
    EXPECT_EQ(player->Resume(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));

    // A click on button 1: title 1, chapters at 0, 2 and 4 s, 6 s in all.
    EXPECT_EQ(player->ShowMenu(DVD_MENU_Root), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_VideoTitleSetMenu));
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetButtonAtPosition(window(360, 180)) == 1; }));
    EXPECT_EQ(player->ActivateAtPosition(window(360, 180)), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    EXPECT_TRUE(RunEventsUntil([&] { return player->Shown() == std::pair(1u, 1u); }));
    EXPECT_EQ(player->GetDuration(), 600);
    // Chapter 3 by number; back a chapter to 2 s, and a second later that
    // chapter again.
    EXPECT_EQ(player->SelectStream(3, STREAM_CHAPTERS), E_INVALIDARG);
    EXPECT_EQ(player->SelectStream(2, STREAM_CHAPTERS), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return player->Shown() == std::pair(1u, 3u); }))
        << player->Shown().second;
    EXPECT_EQ(player->PlayPrevChapter(), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return player->Shown() == std::pair(1u, 2u); }))
        << player->Shown().second;
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetPosition() >= 300; }));
    EXPECT_EQ(player->ReplayChapter(), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] {
        return player->Shown() == std::pair(1u, 2u) && player->GetPosition() == 200;
    })) << player->GetPosition();
    // The next chapter after the one shown, then back to 1 s by time.
    const ULONG shown = player->Shown().second;
    EXPECT_EQ(player->PlayNextChapter(), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] {
        return player->Shown().second == shown + 1 &&
               player->GetPosition() >= 200 * static_cast<int>(shown);
    })) << player->Shown().second;
    EXPECT_EQ(player->SetPosition(100), S_OK);
    const auto position = [&] { return player->GetPosition(); };
    EXPECT_TRUE(RunEventsUntil([&] { return position() >= 100 && position() < 200; }));
    EXPECT_NEAR(static_cast<double>(player->GetCurrentFrame()), position() / 4.0, 25.0);
    // A title steps forwards while paused, never backwards.
    EXPECT_EQ(player->StepFrame(true), VFW_E_WRONG_STATE);
    ASSERT_EQ(player->Pause(), S_OK);
    player->WaitForState();
    EXPECT_EQ(player->StepFrame(true), S_OK);
    EXPECT_EQ(player->StepFrame(false), E_NOTIMPL);
    ASSERT_EQ(player->Play(), S_OK);
    // Twice as fast: 2 s of the title in 1.5 s.
    const int before = position();
    EXPECT_EQ(player->SetRate(2.0), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return position() >= before + 200; }, 1500));
}

// A 4 s title: its reader is in the menu after it while the title's last
// seconds are still to be shown. Until they are, the title is what the
// player tells, with its chapters and length; the menu's stream has no
// language to be named by.
TEST_F(DvdPlayerTest, TellsTheShortTitleShownWhileItsReaderIsInTheMenuAfterIt) {
    auto player = OpenDvdIn("dvd/short", DVD_DOMAIN_VideoTitleSetMenu);
    ASSERT_TRUE(player);
    const auto subtitleName = [&] {
        std::string name;
        int kind = STREAM_SUBTITLES;
        return std::pair(player->GetStreamName(0, nullptr, nullptr, &kind, &name, nullptr), name);
    };
    EXPECT_EQ(subtitleName(), std::pair(E_FAIL, std::string()));
    ASSERT_NO_FATAL_FAILURE(EnterFirstTitle(*player));
    const auto title = [&] {
        return std::pair(player->GetStreamCount(STREAM_CHAPTERS), player->GetDuration());
    };
    EXPECT_EQ(title(), std::pair(2, 400));
    // Until the menu is announced: the title, at the picture's position.
    std::pair<int, int> told = title();
    int readerInMenuAt = -1, lastPosition = 0;
    ASSERT_TRUE(RunEventsUntil([&] {
        // Asked before the events are looked at: what was told then came
        // before the announcement, unless the announcement is found now.
        const auto now = title();
        const int position = player->GetPosition();
        const bool readerInMenu = ReaderTitle(*player) == 0;
        if (TakeEventsUpTo(*player, EC_DVD_DOMAIN_CHANGE)) {
            return true;
        }
        lastPosition = position;
        if (readerInMenuAt < 0 && readerInMenu) {
            readerInMenuAt = position;
        }
        if (now != std::pair(2, 400)) {
            told = now;
        }
        return false;
    }));
    EXPECT_GE(readerInMenuAt, 0) << "the reader was not seen in the menu during the title";
    EXPECT_EQ(told, std::pair(2, 400));
    // Whole seconds: the title's last.
    EXPECT_EQ(lastPosition, 300) << "the menu was announced before the title's end";
    EXPECT_EQ(player->GetDuration(), 0);
    EXPECT_EQ(subtitleName(), std::pair(E_FAIL, std::string()));

    // Again, and the root menu asked for while the reader is in it already:
    // the navigator would stall the title's last pictures. The title plays
    // to its end, and the menu comes.
    ASSERT_NO_FATAL_FAILURE(EnterFirstTitle(*player));
    ASSERT_TRUE(RunEventsUntil([&] { return ReaderTitle(*player) == 0; }));
    ASSERT_EQ(player->GetDuration(), 400);
    EXPECT_EQ(player->ShowMenu(DVD_MENU_Root), VFW_E_DVD_INVALIDDOMAIN);
    EXPECT_EQ(player->SetPosition(100), VFW_E_DVD_INVALIDDOMAIN);
    EXPECT_TRUE(WaitForDomain(*player, DVD_DOMAIN_VideoTitleSetMenu));
}

TEST_F(DvdPlayerTest, OpeningAndClosingTheMenuDiscLeavesNoThreadsFilesOrMemoryBehind) {
    // Resident memory in KiB, without what the allocator keeps for later.
    const auto resident = [] {
        malloc_trim(0);
        long pages = 0, residentPages = 0;
        std::ifstream("/proc/self/statm") >> pages >> residentPages;
        return residentPages * (sysconf(_SC_PAGESIZE) / 1024);
    };
    long threads = 0, files = 0, early = LONG_MAX, late = LONG_MAX;
    for (int i = 0; i < 30; ++i) {
        {
            auto player = OpenDvd("dvd/menu");
            ASSERT_EQ(player->GetRenderStatus(), S_OK);
            ASSERT_EQ(player->Play(), S_OK);
            ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_VideoTitleSetMenu));
        }
        if (i == 0) {
            threads = CountEntries("/proc/self/task");
            files = CountEntries("/proc/self/fd");
        }
        // Thread stacks and the allocator's arenas make the resident size
        // wander by some MiB; the least of five openings, early and late,
        // shows what stays. A picture kept per opening would add 32 MiB.
        if (i >= 5 && i < 10) {
            early = std::min(early, resident());
        } else if (i >= 25) {
            late = std::min(late, resident());
        }
    }
    EXPECT_LT(late - early, 16 * 1024) << "KiB grown over 20 openings";
    EXPECT_EQ(CountEntries("/proc/self/fd"), files);
    // GStreamer's thread pool may keep a thread or two for later.
    EXPECT_LE(CountEntries("/proc/self/task"), threads + 2);
}

TEST_F(DvdPlayerTest, ReportsAndObeysWhatTheDiscProhibits) {
    auto player = OpenDvdIn("dvd/prohibited", DVD_DOMAIN_VideoTitleSetMenu);
    ASSERT_TRUE(player);
    player->SetDestinationPosition(0, 0, 720, 576);
    ASSERT_TRUE(RunEventsUntil([&] { return player->GetButtonAtPosition({360, 180}) == 1; }));
    // The root menu prohibits the title menu (the root menu itself is
    // permitted, the bit above); no menu seeks, no way up.
    const ULONG inMenu = UOP_FLAG_ShowMenu_Title | UOP_FLAG_ReturnFromSubMenu |
                         UOP_FLAG_Play_Chapter_Or_AtTime | UOP_FLAG_PlayNext_Chapter;
    EXPECT_EQ(player->GetCurrentUOPs() & (inMenu | UOP_FLAG_ShowMenu_Title << 1), inMenu);
    EXPECT_EQ(player->ShowMenu(DVD_MENU_Title), VFW_E_DVD_OPERATION_INHIBITED);
    // The news of a change carries what is forbidden.
    EXPECT_TRUE(WaitForEvent(*player, EC_DVD_VALID_UOPS_CHANGE, [](LONG_PTR forbidden) {
        return forbidden & UOP_FLAG_ShowMenu_Title;
    }));

    // Title 1 prohibits the next chapter and fast forwards, not time seeks.
    ASSERT_NO_FATAL_FAILURE(EnterFirstTitle(*player));
    EXPECT_TRUE(RunEventsUntil([&] { return player->Shown() == std::pair(1u, 1u); }));
    const ULONG inTitle = UOP_FLAG_PlayNext_Chapter | UOP_FLAG_Play_Forwards | UOP_FLAG_Resume;
    EXPECT_EQ(player->GetCurrentUOPs() &
                  (inTitle | UOP_FLAG_Play_Chapter_Or_AtTime | UOP_FLAG_ShowMenu_Title),
              inTitle);
    EXPECT_EQ(player->PlayNextChapter(), VFW_E_DVD_OPERATION_INHIBITED);
    // The title has no subpictures.
    EXPECT_EQ(std::pair(player->GetSubpictureFlags(), player->GetStreamCount(STREAM_SUBTITLES)),
              std::pair(0x1u, 0));
    EXPECT_EQ(player->SetPosition(100), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return player->Shown() == std::pair(1u, 1u); }));
}

TEST_F(DvdPlayerTest, DrawsAndTakesTheButtonsWhereTheyAreOnAZoomedPicture) {
    auto player = OpenDvdIn("dvd/menu", DVD_DOMAIN_VideoTitleSetMenu);
    ASSERT_TRUE(player);
    // The zoom is the view's part: one shows the output.
    QWidget view;
    VideoWidget* video = VideoWidget::Attach(player->GetVideoOutput(), &view);
    player->SetWindowPosition(0, 0, 720, 576);
    ASSERT_EQ(video->geometry(), QRect(0, 0, 720, 576));
    // Twice the size, the middle of the picture in the window.
    player->SetDestinationPosition(-360, -288, 1440, 1152);
    const auto window = [](int x, int y) { return QPoint(2 * x - 360, 2 * y - 288); };
    // A button's yellow frame in the rows [top, bottom) of the window.
    const auto yellowIn = [&](int top, int bottom) {
        return CountPixels(
            video->grab().toImage(), QRect(100, top, 520, bottom - top),
            [](const QColor& c) { return c.red() > 180 && c.green() > 180 && c.blue() < 90; });
    };
    const auto buttonAt = [&](int y, ULONG button) {
        return RunEventsUntil(
            [&] { return player->GetButtonAtPosition(window(360, y)) == button; });
    };
    // Button 1's frame (picture rows 148-152) first, then button 2's
    // (258-262), each where the zoomed picture puts it. The menu's first
    // picture has been seen to come late on a busy machine.
    EXPECT_TRUE(RunEventsUntil([&] { return yellowIn(6, 18) > 2000; }, 15000)) << yellowIn(6, 18);
    EXPECT_TRUE(buttonAt(290, 2));
    EXPECT_TRUE(RunEventsUntil([&] { return yellowIn(226, 238) > 2000 && yellowIn(6, 18) == 0; }))
        << yellowIn(226, 238) << " " << yellowIn(6, 18);
    // Just inside the edges of button 1 (rows 146-214) and button 3 (366-434).
    for (const auto& [y, button] : {std::pair{150, 1u}, {430, 3u}, {290, 2u}}) {
        EXPECT_TRUE(buttonAt(y, button)) << y;
    }
    EXPECT_EQ(player->ActivateAtPosition(window(360, 290)), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    EXPECT_TRUE(RunEventsUntil([&] { return player->Shown() == std::pair(2u, 1u); }));
}

}  // namespace
