// The real program: started as a user starts it, and a second start while
// a window listens in this process, what it hands over record by record.
#include "EventLoop.h"
#include "QtPrinting.h"
#include "RecordingWindow.h"
#include "RunProgram.h"
#include "SqliteFile.h"
#include "StartupFixture.h"
#include "platform/Atoms.h"
#include "platform/InstanceChannel.h"
#include "settings/CPlayerCommandLineInfo.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

constexpr UINT kInstanceParam = 0xFA78;

using SecondStartTest = velvaro::test::StartupTest;

TEST_F(SecondStartTest, TheCommandLineArrivesInFiftyRecordsWithTextsCutIntoCharacterPieces) {
    ChooseEnglish();
    velvaro::test::RecordingWindow window;
    InstanceListener listener(QString::fromLatin1(kPlayerWindowClass),
                              [&window](WPARAM wParam, LPARAM lParam) {
                                  return SendMessage(&window, kInstanceParam, wParam, lParam);
                              });
    ASSERT_TRUE(listener.IsListening());
    // A character beyond the basic plane right where the first piece ends,
    // others beyond ASCII; 1300 characters, cut to 1275.
    QString file = QStringLiteral("/") + QString(252, u'x') + QStringLiteral(u"ä𝄞");
    for (int part = 0; file.toUcs4().size() < 1300; ++part) {
        file +=
            QStringLiteral(u"/Ordner-%1-").arg(part) + QString(40, QLatin1Char('a' + part % 26));
    }
    const QList<uint> characters = file.toUcs4();
    const auto cut = [&characters](qsizetype from, qsizetype count) {
        const QList<uint> part = characters.mid(from, count);
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(part.constData()), part.size());
    };
    file = cut(0, 1300);

    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(VELVARO_EXECUTABLE),
                  QStringList{file} + QStringLiteral("/fullscreen -loop /NOBORDER /mute /nocompact "
                                                     "/size:640x480 /wndpos:10,20,righttop "
                                                     "/jumptopos:00:01:02 /bookmark:/tmp/marks.vbm "
                                                     "/bordercol:255,0,0 /audio:/tmp/sound.mp3 "
                                                     "/close /language:deutsch")
                                          .split(u' '));
    ASSERT_TRUE(velvaro::test::RunEventsUntil(
        [&] { return program.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);

    // Each record as its text when it carries an atom, else as its number:
    // the file name in five pieces of 255 characters (not UTF-16 units), one
    // piece for each other text, 0 or 1 for each switch (/close and the
    // language are not handed over), and the end mark.
    std::vector<std::pair<WPARAM, QString>> got, want;
    for (const auto& record : window.received) {
        got.emplace_back(record.wParam,
                         record.text.isNull() ? QString::number(record.lParam) : record.text);
    }
    for (int piece = 0; piece < 5; ++piece) {
        want.emplace_back(1001 + piece, cut(piece * 255, 255));
    }
    WPARAM field = 1011;
    for (const char* text :
         {"640x480", "10,20,righttop", "00:01:02", "/tmp/marks.vbm", "255,0,0", "/tmp/sound.mp3"}) {
        want.emplace_back(field, QString::fromUtf8(text));
        for (WPARAM piece = 1; piece < 5; ++piece) {
            want.emplace_back(field + piece, QStringLiteral("0"));
        }
        field = field == 1051 ? 2001 : field + 10;
    }
    const std::pair<WPARAM, int> switches[] = {{3001, 1}, {3002, 0}, {3003, 0},       {3004, 1},
                                               {4001, 1}, {4002, 0}, {4003, 0},       {4004, 0},
                                               {4005, 0}, {4006, 0}, {4007, 0},       {4008, 1},
                                               {4009, 1}, {4010, 0}, {0xFFFFFFFFu, 0}};
    for (const auto& [record, on] : switches) {
        want.emplace_back(record, QString::number(on));
    }
    EXPECT_EQ(got, want);
    // Every atom was read and deleted: nothing is left behind.
    EXPECT_EQ(GlobalFindAtom(QStringLiteral("640x480")), 0);
}

// The executable started as a user starts it, with no display: the help box
// is skipped, the text still printed, as is the version; anything else says
// in one line that no window can be shown.
using ProgramTest = velvaro::test::StartupTest;
const std::map<std::string, std::string> kNoDisplayEnvironment = {
    {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};

// DISPLAY set but empty names no display at all, as an unset one. --version
// answers before anything else, without reading or writing any setting.
TEST_F(ProgramTest, HelpAndVersionPrintTheirTextsAndVersionTouchesNoSetting) {
    using Line = std::vector<std::string>;
    const std::string help = CPlayerCommandLineInfo::HelpText() + "\n",
                      version = "Velvaro 1.2.0.3\n";
    const struct {
        std::string program;
        Line args;
        std::string out;
    } cases[] = {
        {VELVARO_EXECUTABLE, {"--version"}, version},
        {VELVARO_EXECUTABLE, {"/nosplash", "--version", "film.mkv"}, version},
        {VELVARO_EXECUTABLE, {"-HELP", "/play"}, help},
        {"/usr/bin/env", {"DISPLAY=", VELVARO_EXECUTABLE, "-HELP", "/play"}, help},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program + " " + c.args.front());
        EXPECT_EQ(velvaro::test::RunProgram(c.program, c.args, kNoDisplayEnvironment),
                  (velvaro::test::ProgramResult{0, c.out, ""}));
        if (c.out == version) {
            EXPECT_FALSE(std::filesystem::exists(registryPath())) << "a setting was written";
        }
    }
    // A start without either keeps its settings: the file is a fair witness.
    velvaro::test::RunProgram(VELVARO_EXECUTABLE, {"/nosplash"}, kNoDisplayEnvironment);
    EXPECT_TRUE(std::filesystem::exists(registryPath()));
}

TEST_F(ProgramTest, DamagedRegistryIsSetAsideAndTheProgramCarriesOn) {
    const std::string registry = registryPath();
    std::ofstream(registry) << std::string(9000, '#');
    const auto result =
        velvaro::test::RunProgram(VELVARO_EXECUTABLE, {"/language:magyar"}, kNoDisplayEnvironment);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
    EXPECT_TRUE(
        result.err.ends_with("velvaro: no display to show a window on (DISPLAY, "
                             "WAYLAND_DISPLAY and QT_QPA_PLATFORM are all unset)\n"))
        << result.err;
    EXPECT_TRUE(std::filesystem::exists(registry + ".broken"));
    EXPECT_EQ(velvaro::test::SqliteFile(registry).Setting("LanguageResource"), "IDR_LNG_MAGYAR");
}

}  // namespace
