// The maintenance runs: the two update steps that put a downloaded program in
// the place of the running one, and the uninstall, with their message boxes
// answered as a user would, and step 1 as real programs run it.
#include "EventLoop.h"
#include "FileBytes.h"
#include "ModalDialogWatcher.h"
#include "RunProgram.h"
#include "SettingsValues.h"
#include "StartupFixture.h"
#include "app/CPlayerApp.h"
#include "app/Maintenance.h"
#include "platform/DesktopProjection.h"
#include "platform/FileErrorText.h"
#include "platform/Paths.h"
#include "settings/CSettings.h"
#include "settings/FileAssociations.h"
#include "ui/CPlayerDlg.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMessageBox>
#include <QPushButton>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace velvaro::test;
using velvaro::platform::FileErrorKind;
using velvaro::platform::GetFileErrorText;

void WriteBytes(const fs::path& path, const std::string& bytes, fs::perms mode) {
    velvaro::test::WriteBytes(path, bytes);
    fs::permissions(path, mode);
}

// The permission bits, in octal.
std::string Mode(const fs::path& path) {
    std::ostringstream octal;
    octal << std::oct << static_cast<unsigned>(fs::status(path).permissions());
    return octal.str();
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

// One showing of a modal window: a message box with its caption, text and
// icon, or "player" for the player window.
struct Shown {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& shown, std::ostream* out) {
    *out << '{' << shown.caption.toStdString() << " | " << shown.text.toStdString() << " | "
         << shown.icon << '}';
}

const Shown kPlayer = {QStringLiteral("player"), {}, QMessageBox::NoIcon};

// Presses OK on every box and closes the player window, noting each.
class User {
public:
    User()
        : watcher_([this](QDialog& modal) {
              if (auto* box = dynamic_cast<QMessageBox*>(&modal)) {
                  seen.push_back({box->windowTitle(), box->text(), box->icon()});
                  EXPECT_EQ(box->parentWidget(), nullptr) << "a box without owner";
                  return box->button(QMessageBox::Ok)->click();
              }
              seen.push_back(dynamic_cast<CPlayerDlg*>(&modal)
                                 ? kPlayer
                                 : Shown{modal.windowTitle(), {}, QMessageBox::NoIcon});
              modal.close();
          }) {}
    std::vector<Shown> seen;

private:
    ModalDialogWatcher<QDialog> watcher_;
};

// Runs the start-up sequence of a fresh application object started with
// `arguments`; what it returned. The object is gone afterwards, so that what
// it writes back at its end is written.
bool RunInitInstance(std::vector<std::string> arguments) {
    ProgramArguments commandLine(std::move(arguments));
    CPlayerApp app(commandLine.Count(), commandLine.Values());
    return app.InitInstance();
}

CLanguageFile English() {
    CLanguageFile language;
    language.LoadResource(language.GetSymbols().GetId(QStringLiteral("IDR_LNG_ENGLISH")));
    return language;
}

Shown UpdateBox(const std::string& text, QMessageBox::Icon icon) {
    return {QStringLiteral("Vel-Varo Update"), QString::fromStdString(text), icon};
}

const Shown kUpdated = UpdateBox("Update successful!", QMessageBox::Information);
const Shown kTemporaryFileLeft =
    UpdateBox("Error occured while deleting temporary file! Anyway, update was successful!",
              QMessageBox::Critical);

Shown FileErrorBox(FileErrorKind kind) {
    return UpdateBox("File error occured: " + GetFileErrorText(kind), QMessageBox::Critical);
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
// its mode, and the new program is started as step 2.
TEST_F(UpdateStepTest, StepOneWaitsForTheRunningProgramThenPutsTheNewOneInItsPlaceAndStartsIt) {
    ChooseEnglish();
    const std::string oldProgram = ReadBytes(VELVARO_EXECUTABLE);
    const fs::perms oldMode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_exec;
    WriteBytes(player_, oldProgram, oldMode);
    WriteBytes(tmp1_, oldProgram, fs::perms::owner_all);
    WriteBytes(tmp2_, newProgram_, fs::perms::owner_read | fs::perms::owner_write);

    Child running;
    ASSERT_TRUE(running.Start(player_));
    ASSERT_TRUE(RunEventsUntil([&] { return LockedByAnother(player_); }, 20000));
    Child step1;
    ASSERT_TRUE(step1.Start(tmp1_, {"/update_step_1"}));
    RunEventsFor(1500);
    EXPECT_EQ(step1.state(), QProcess::Running);
    EXPECT_TRUE(ReadBytes(player_) == oldProgram) << "replaced too early";
    EXPECT_TRUE(fs::exists(tmp2_));

    running.terminate();
    ASSERT_TRUE(running.WaitForExit(20000));
    ASSERT_TRUE(step1.WaitForExit(20000));
    EXPECT_EQ(std::pair(step1.exitStatus(), step1.exitCode()), std::pair(QProcess::NormalExit, 0));
    EXPECT_TRUE(ReadBytes(player_) == newProgram_) << "not the new program";
    EXPECT_EQ(Mode(player_), "751");
    EXPECT_FALSE(fs::exists(tmp2_));
    EXPECT_TRUE(fs::exists(tmp1_));  // step 2's to delete
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

// Whatever the own name ends in, nine characters (not bytes) go; a missing
// new program or a bad path is a file error, told in a box.
TEST_F(UpdateStepTest, StepOneStripsNineCharactersAndTellsFileErrors) {
    const CLanguageFile language = English();
    {
        WriteBytes(player_, "old", fs::perms::owner_all | fs::perms::group_exec);
        WriteBytes(tmp2_, newProgram_, fs::perms::owner_read | fs::perms::owner_write);
        User user;
        RunUpdateStep1((install_ / "player.neu\u00c4bild").string(), language);
        EXPECT_EQ(user.seen, std::vector<Shown>());
        EXPECT_TRUE(ReadBytes(player_) == newProgram_) << "not the new program";
        EXPECT_EQ(Mode(player_), "710");
        EXPECT_TRUE(RunEventsUntil(
            [&] { return ReadBytes(install_ / "player.ran") == "/update_step_2\n"; }, 10000));
    }
    {
        // Without a new program the old one stays: it is replaced, never deleted first.
        fs::remove(install_ / "player.ran");
        User user;
        RunUpdateStep1(tmp1_.string(), language);
        EXPECT_EQ(user.seen, std::vector{FileErrorBox(FileErrorKind::FileNotFound)});
        EXPECT_TRUE(ReadBytes(player_) == newProgram_) << "the program file was lost";
        RunEventsFor(300);
        EXPECT_FALSE(fs::exists(install_ / "player.ran"));
    }
    {
        WriteBytes(install_ / "file", "", fs::perms::owner_all);
        User user;
        RunUpdateStep1((install_ / "file/player.tmp1.exe").string(), language);
        EXPECT_EQ(user.seen, std::vector{FileErrorBox(FileErrorKind::BadPath)});
    }
}

// A file that cannot be deleted, even by root: a folder of that name. A
// missing file is a file error too (it "could not be located").
TEST_F(UpdateStepTest, StepTwoDeletesTheFirstTemporaryFileOrSaysItCouldNot) {
    const CLanguageFile language = English();
    WriteBytes(tmp1_, "downloaded", fs::perms::owner_all);
    {
        User user;
        RunUpdateStep2(player_.string(), language);
        EXPECT_EQ(user.seen, std::vector{kUpdated});
        EXPECT_FALSE(fs::exists(tmp1_));
    }
    {
        User user;
        RunUpdateStep2(player_.string(), language);
        EXPECT_EQ(user.seen, std::vector{kTemporaryFileLeft});
    }
    fs::create_directories(tmp1_ / "inside");
    {
        User user;
        RunUpdateStep2(player_.string(), language);
        EXPECT_EQ(user.seen, std::vector{kTemporaryFileLeft});
        EXPECT_TRUE(fs::is_directory(tmp1_ / "inside"));
    }
}

// The start-up sequence runs the steps after the language: step 2 goes on
// to the player window, step 1 ends the run. Nothing named after this
// program is there, so both report file errors.
TEST_F(UpdateStepTest, StartUpRunsStepTwoBeforeThePlayerAndStepOneInsteadOfIt) {
    const std::string self = velvaro::platform::ProgramFile();
    ASSERT_FALSE(fs::exists(self + ".tmp1.exe"));
    ASSERT_FALSE(fs::exists(self.substr(0, self.size() - 9)));
    ChooseEnglish();
    {
        User user;
        EXPECT_FALSE(RunInitInstance({"/update_step_2"}));
        EXPECT_EQ(user.seen, (std::vector{kTemporaryFileLeft, kPlayer}));
    }
    {
        User user;
        EXPECT_FALSE(RunInitInstance({"/update_step_1", "/update_step_2"}));
        EXPECT_EQ(user.seen, std::vector{FileErrorBox(FileErrorKind::FileNotFound)});
    }
}

TEST(FileErrorTextTest, EveryKindHasItsTextAndErrorsMapToKinds) {
    EXPECT_EQ(GetFileErrorText(FileErrorKind::None), "No error occurred.");
    EXPECT_EQ(GetFileErrorText(FileErrorKind::SharingViolation),
              "SHARE.EXE was not loaded, or a shared region was locked.");
    EXPECT_EQ(GetFileErrorText(FileErrorKind::EndOfFile), "The end of file was reached.");
    EXPECT_EQ(GetFileErrorText(static_cast<FileErrorKind>(99)), "Unknown error occured.");
    std::set<std::string> texts;
    for (int kind = 0; kind <= static_cast<int>(FileErrorKind::EndOfFile); ++kind) {
        texts.insert(GetFileErrorText(static_cast<FileErrorKind>(kind)));
    }
    EXPECT_EQ(texts.size(), 15u);
    using velvaro::platform::FileErrorKindFromErrno;
    EXPECT_EQ(FileErrorKindFromErrno(0), FileErrorKind::None);
    EXPECT_EQ(FileErrorKindFromErrno(ENOENT), FileErrorKind::FileNotFound);
    EXPECT_EQ(FileErrorKindFromErrno(ENOTDIR), FileErrorKind::BadPath);
    EXPECT_EQ(FileErrorKindFromErrno(EISDIR), FileErrorKind::AccessDenied);
    EXPECT_EQ(FileErrorKindFromErrno(ENOSPC), FileErrorKind::DiskFull);
    EXPECT_EQ(FileErrorKindFromErrno(EPROTO), FileErrorKind::Generic);
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
    bool DesktopKnowsUs() const {
        return fs::exists(Data() / "applications/velvaro.desktop") ||
               fs::exists(Data() / "icons/hicolor/48x48/apps/velvaro.png") ||
               fs::exists(Data() / "mime/packages/velvaro.xml") ||
               ReadBytes(MimeApps()).find("velvaro") != std::string::npos;
    }
};

TEST_F(UninstallTest, GivesTheAssociationsBackAndRemovesEveryKeyTheDesktopEntryAndTheSettings) {
    for (const bool otherProduct : {false, true}) {
        SCOPED_TRACE(otherProduct ? "another product of the maker" : "alone");
        Install();
        if (otherProduct) {
            Write("Installed", 1, {HKEY_CURRENT_USER, "Software\\Quellware\\Other"});
        }
        ASSERT_EQ(ReadString("", {HKEY_CLASSES_ROOT, ".avi"}), "velvarofile");
        ASSERT_TRUE(KeyExists({HKEY_CLASSES_ROOT, velvaro::kFileTypeKey}));
        ASSERT_TRUE(KeyExists({HKEY_LOCAL_MACHINE, velvaro::kUninstallKey}));
        ASSERT_TRUE(KeyExists({HKEY_CURRENT_USER, velvaro::kAssociationsKey}));
        ASSERT_TRUE(fs::exists(Data() / "applications/velvaro.desktop"));
        ASSERT_TRUE(fs::exists(Data() / "icons/hicolor/48x48/apps/velvaro.png"));
        ASSERT_NE(ReadBytes(MimeApps()).find("velvaro.desktop"), std::string::npos);

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
        EXPECT_FALSE(KeyExists({HKEY_CLASSES_ROOT, velvaro::kFileTypeKey}));
        EXPECT_FALSE(KeyExists({HKEY_LOCAL_MACHINE, velvaro::kUninstallKey}));
        EXPECT_TRUE(KeyExists(
            {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"}));
        // Not written back when the application object went.
        EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, velvaro::kProductKey}));
        EXPECT_EQ(KeyExists({HKEY_CURRENT_USER, velvaro::kCompanyKey}), otherProduct);
        EXPECT_EQ(ReadDword("Installed", {HKEY_CURRENT_USER, "Software\\Quellware\\Other"}),
                  otherProduct ? std::optional<DWORD>(1) : std::nullopt);
        EXPECT_TRUE(KeyExists({HKEY_CURRENT_USER, "Software"}));
        EXPECT_FALSE(DesktopKnowsUs());
        EXPECT_NE(ReadBytes(MimeApps()).find("text/plain=editor.desktop"), std::string::npos);
    }
}

}  // namespace
