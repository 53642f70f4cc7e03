// The maintenance runs: the two update steps that put a downloaded program in
// the place of the running one, and the uninstall, with their message boxes
// answered as a user would, and step 1 as real programs run it.
#include "EventLoop.h"
#include "FileBytes.h"
#include "RunProgram.h"
#include "SettingsValues.h"
#include "StartupFixture.h"
#include "app/Maintenance.h"
#include "platform/DesktopProjection.h"
#include "settings/CSettings.h"
#include "settings/FileAssociations.h"

#include <gtest/gtest.h>

#include <QImage>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace velvaro::test;

void WriteBytes(const fs::path& path, const std::string& bytes, fs::perms mode) {
    velvaro::test::WriteBytes(path, bytes);
    fs::permissions(path, mode);
}

// Whether a running program holds its lock on the file.
bool LockedByAnother(const fs::path& path) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    const bool locked = ::flock(file, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(file);
    return locked;
}

CLanguageFile English() {
    CLanguageFile language;
    language.LoadResource(language.GetSymbols().GetId(QStringLiteral("IDR_LNG_ENGLISH")));
    return language;
}

class UpdateStepTest : public StartupTest {
protected:
    void SetUp() override {
        StartupTest::SetUp();
        fs::create_directories(install_);
    }
    const fs::path install_ = folder().path() / "install";
    const fs::path player_ = install_ / "player";
    const fs::path tmp1_ = install_ / "player.tmp1.exe";
    const fs::path tmp2_ = install_ / "player.tmp2.exe";
    // The new program: a real one that notes its start, told apart by a mark.
    const std::string newProgram_ = ReadBytes(STEP_PLAYER) + "new build";
};

// The old program runs until it is ended; only then is it replaced, keeping
// its mode, and the new program is started as step 2. Whatever step 1's own
// name ends in, nine characters (not bytes) go.
TEST_F(UpdateStepTest, StepOneWaitsForTheRunningProgramThenPutsTheNewOneInItsPlaceAndStartsIt) {
    ChooseEnglish();
    const fs::path step1Program = install_ / "player.neu\u00c4bild";
    const std::string oldProgram = ReadBytes(VELVARO_EXECUTABLE);
    const fs::perms oldMode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_exec;
    WriteBytes(player_, oldProgram, oldMode);
    WriteBytes(step1Program, oldProgram, fs::perms::owner_all);
    WriteBytes(tmp2_, newProgram_, fs::perms::owner_read | fs::perms::owner_write);

    Child running;
    ASSERT_TRUE(running.Start(player_));
    ASSERT_TRUE(RunEventsUntil([&] { return LockedByAnother(player_); }, 20000));
    Child step1;
    ASSERT_TRUE(step1.Start(step1Program, {"/update_step_1"}));
    RunEventsFor(1500);
    EXPECT_EQ(step1.state(), QProcess::Running);
    EXPECT_TRUE(ReadBytes(player_) == oldProgram) << "replaced too early";
    EXPECT_TRUE(fs::exists(tmp2_));

    running.terminate();
    ASSERT_TRUE(running.WaitForExit(20000));
    ASSERT_TRUE(step1.WaitForExit(20000));
    EXPECT_EQ(std::pair(step1.exitStatus(), step1.exitCode()), std::pair(QProcess::NormalExit, 0));
    EXPECT_TRUE(ReadBytes(player_) == newProgram_) << "not the new program";
    EXPECT_EQ(fs::status(player_).permissions(), oldMode);
    EXPECT_FALSE(fs::exists(tmp2_));
    EXPECT_TRUE(RunEventsUntil(
        [&] { return ReadBytes(install_ / "player.ran") == "/update_step_2\n"; }, 10000))
        << ReadBytes(install_ / "player.ran");
}

// The lock goes with the program that holds it, not with a program it
// started that lives on.
TEST_F(UpdateStepTest, TheLockEndsWithItsProgramNotWithWhatThatStarted) {
    WriteBytes(player_, ReadBytes(STEP_PLAYER), fs::perms::owner_all);
    Child holder;
    ASSERT_TRUE(holder.Start(player_, {"--hold"}));
    const std::optional<std::string> line = holder.NextLine();
    ASSERT_TRUE(line.has_value());
    const pid_t started = static_cast<pid_t>(std::stol(*line));
    ASSERT_GT(started, 0);
    EXPECT_TRUE(LockedByAnother(player_));
    holder.Stop();
    EXPECT_FALSE(LockedByAnother(player_));
    EXPECT_EQ(::kill(started, 0), 0) << "the started program ended too";
    ::kill(started, SIGKILL);
}

// Without a new program the old one stays: it is replaced, never deleted
// first; the box tells why.
TEST_F(UpdateStepTest, StepOneWithoutTheNewProgramKeepsTheOldOne) {
    WriteBytes(player_, "old", fs::perms::owner_all);
    User user;
    RunUpdateStep1(tmp1_.string(), English());
    EXPECT_EQ(user.seen, std::vector{kNotFound});
    EXPECT_EQ(ReadBytes(player_), "old") << "the program file was lost";
    RunEventsFor(300);
    EXPECT_FALSE(fs::exists(install_ / "player.ran"));
}

// The start-up tests show a file that is missing.
TEST_F(UpdateStepTest, StepTwoDeletesTheFirstTemporaryFile) {
    WriteBytes(tmp1_, "downloaded", fs::perms::owner_all);
    User user;
    RunUpdateStep2(player_.string(), English());
    EXPECT_EQ(user.seen, std::vector{UpdateBox("Update successful!", QMessageBox::Information)});
    EXPECT_FALSE(fs::exists(tmp1_));
}

class UninstallTest : public StartupTest {
protected:
    void TearDown() override {
        velvaro::platform::SetDesktopIdentity({});
        StartupTest::TearDown();
    }
    fs::path Data() const { return folder().path() / "data"; }
    fs::path MimeApps() const { return folder().path() / "config/mimeapps.list"; }

    // What a user has after some starts: avi taken from another program,
    // mkv and vpp from none, mp3 left to another program; the desktop
    // entry, an icon, a default application set next to someone else's.
    void Install() {
        ChooseEnglish();
        Write("", std::string("aviFile"), {HKEY_CLASSES_ROOT, ".avi"});
        Write("", std::string("Other.mp3"), {HKEY_CLASSES_ROOT, ".mp3"});
        std::ofstream(MimeApps()) << "[Default Applications]\ntext/plain=editor.desktop\n";
        QImage icon(48, 48, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        velvaro::platform::SetDesktopIdentity({QStringLiteral("/opt/velvaro/velvaro"), {icon}});
        CSettings settings(1);
        for (FileAssociationEntry& entry : settings.associations) {
            const bool on =
                entry.extension == "avi" || entry.extension == "mkv" || entry.extension == "vpp";
            entry.flags = on ? entry.flags | ASSOC_ASSOCIATED : entry.flags & ~ASSOC_ASSOCIATED;
        }
        settings.ApplyAssociations();
        RegisterFileType();
    }
    // Velvaro's keys, then what the desktop knows of it.
    std::vector<bool> Traces() const {
        return {KeyExists({HKEY_CLASSES_ROOT, velvaro::kFileTypeKey}),
                KeyExists({HKEY_LOCAL_MACHINE, velvaro::kUninstallKey}),
                KeyExists({HKEY_CURRENT_USER, velvaro::kProductKey}),
                fs::exists(Data() / "applications/velvaro.desktop"),
                fs::exists(Data() / "icons/hicolor/48x48/apps/velvaro.png"),
                fs::exists(Data() / "mime/packages/velvaro.xml"),
                ReadBytes(MimeApps()).find("velvaro") != std::string::npos};
    }
};

// Another product of the maker keeping the maker's key is the whole
// program's uninstall test.
TEST_F(UninstallTest, GivesTheAssociationsBackAndRemovesEveryKeyTheDesktopEntryAndTheSettings) {
    Install();
    ASSERT_EQ(ReadString("", {HKEY_CLASSES_ROOT, ".avi"}), "velvarofile");
    ASSERT_EQ(Traces(), std::vector<bool>(7, true));

    User user;
    EXPECT_FALSE(RunInitInstance({"/uninstall"}));
    EXPECT_EQ(user.seen, std::vector<Shown>({{QStringLiteral("Vel-Varo Uninstall"),
                                              QStringLiteral("Uninstall successful!"),
                                              QMessageBox::Information}}));

    EXPECT_EQ(ReadString("", {HKEY_CLASSES_ROOT, ".avi"}), "aviFile");
    for (const char* extension : {".mkv", ".vpp"}) {
        EXPECT_TRUE(KeyExists({HKEY_CLASSES_ROOT, extension})) << extension;
        EXPECT_EQ(ReadString("", {HKEY_CLASSES_ROOT, extension}), std::nullopt) << extension;
    }
    EXPECT_EQ(ReadString("", {HKEY_CLASSES_ROOT, ".mp3"}), "Other.mp3");
    // The settings are not written back when the application object goes.
    EXPECT_EQ(Traces(), std::vector<bool>(7, false));
    EXPECT_TRUE(
        KeyExists({HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"}));
    EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, velvaro::kCompanyKey}));
    EXPECT_TRUE(KeyExists({HKEY_CURRENT_USER, "Software"}));
    EXPECT_NE(ReadBytes(MimeApps()).find("text/plain=editor.desktop"), std::string::npos);
}

}  // namespace
