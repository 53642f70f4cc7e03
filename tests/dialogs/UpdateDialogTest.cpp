// The online update against a real HTTP server on 127.0.0.1: the version
// check, the history, the question, the download into both temporary files,
// every failure's text, signed downloads and a program file the user may
// not replace. Nothing is started: the launcher records instead.
#include "DialogFixture.h"
#include "EventLoop.h"
#include "UpdateServer.h"
#include "dialogs/CUpdateDlg.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/UpdateSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>
#include <functional>
#include <mutex>

#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

using namespace velvaro::test;
using namespace velvaro::update;

const QString kOk = QStringLiteral("&OK");
const QString kUpToDate = QStringLiteral("Your Vel-Varo version is up to date!");
const QString kQuestion = QStringLiteral(
    "Your Vel-Varo version is outdated! (Build: 1.2.0.3)\nWould you like to download\nand "
    "install the new version (Build: 1.2.0.4)?");
constexpr int kFileSize = 5000;
constexpr int kSlowFileSize = 64 * 1024;

QByteArray Bytes(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('A' + i % 26);
    }
    return bytes;
}

QString SignUpdate(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral(VELVARO_SIGN_UPDATE_TOOL), arguments);
    tool.waitForFinished(10000);
    EXPECT_EQ(tool.exitCode(), 0) << arguments.join(u' ').toStdString();
    return QString::fromLatin1(tool.readAllStandardOutput()).trimmed();
}

class UpdateDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        // Even before a server runs, the update must stay on this machine.
        qputenv("VELVARO_UPDATE_SERVER", "127.0.0.1:1");
        program = folder.filePath(QStringLiteral("velvaro"));
        Write(program, "old program");
        SetProgramPath(program);
        SetPublicKey({});
        SetLauncher([this](const QString& file, const QStringList& arguments) {
            std::lock_guard lock(mutex);
            launches << (QStringList{file} + arguments).join(u' ');
            return true;
        });
        newProgram = folder.filePath(QStringLiteral("served"));
        Write(newProgram, Bytes(kFileSize));
        history = folder.filePath(QStringLiteral("history"));
        Write(history, "120\nFix\nFaster start\n119\n");
    }
    void TearDown() override {
        SetLauncher({});
        SetProgramPath({});
        SetPublicKey(BuiltInPublicKey());
        server.reset();
        DialogTest::TearDown();
    }

    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    void Serve(QStringList arguments) {
        arguments << QStringLiteral("--file") << newProgram << QStringLiteral("--history")
                  << history;
        server.reset();
        server = std::make_unique<UpdateServer>(arguments, folder.filePath(QStringLiteral("log")));
        ASSERT_TRUE(server->Started());
    }

    // Runs the dialog modally; `act` gets it once it shows. IDOK or IDCANCEL.
    int Run(const std::function<void(CUpdateDlg&)>& act) {
        ModalDialogWatcher<CUpdateDlg> watcher([&](CUpdateDlg& dialog) { act(dialog); });
        CUpdateDlg dialog(&english, &owner);
        const int result = dialog.DoModal();
        EXPECT_EQ(watcher.Count(), 1);
        return result;
    }

    // Waits for the worker to end and shows what it left; closes with OK.
    static void ExpectEnd(CUpdateDlg& dialog, const QString& status) {
        ASSERT_TRUE(RunEventsUntil([&] { return dialog.WorkerFinished(); }, 10000))
            << dialog.StatusText().toStdString();
        QCoreApplication::processEvents();
        EXPECT_EQ(dialog.StatusText(), status);
        EXPECT_EQ(dialog.ButtonText(), kOk);
        Press(dialog, "IDC_BUTTON_ABBRECHEN");
    }

    static void WaitForQuestion(CUpdateDlg& dialog) {
        ASSERT_TRUE(RunEventsUntil(
            [&] {
                return dialog.Answer() == CUpdateDlg::kWaiting && dialog.ButtonText() == u"Yes"_s;
            },
            10000))
            << dialog.StatusText().toStdString();
        EXPECT_EQ(dialog.StatusText(), kQuestion);
    }

    static void AnswerYes(CUpdateDlg& dialog) {
        WaitForQuestion(dialog);
        Press(dialog, "IDC_BUTTON_ABBRECHEN");
    }

    QString Temp(int n) const { return program + QStringLiteral(".tmp%1.exe").arg(n); }
    bool TempFilesGone() const { return !QFile::exists(Temp(1)) && !QFile::exists(Temp(2)); }
    QStringList Launches() {
        std::lock_guard lock(mutex);
        return launches;
    }

    QTemporaryDir folder;
    QString program, newProgram, history;
    std::unique_ptr<UpdateServer> server;
    std::mutex mutex;
    QStringList launches;
};

TEST(UpdateSupportTest, VersionsAreComparedAsOneNumberWithoutTheirDots) {
    EXPECT_TRUE(IsNewer(QStringLiteral("1.2.0.1"), QStringLiteral("1.2.0.0")));
    EXPECT_FALSE(IsNewer(QStringLiteral("1.2.0.0"), QStringLiteral("1.2.0.0")));
    EXPECT_FALSE(IsNewer(QStringLiteral("1.3"), QStringLiteral("1.2.0.0")));
    EXPECT_EQ(VersionNumber(QStringLiteral("1.2.0.3beta7")), 1203);
    EXPECT_EQ(VersionNumber(QStringLiteral("beta")), 0);
    EXPECT_EQ(VersionNumber(QString()), 0);
    EXPECT_GT(VersionNumber(QStringLiteral("99999999999999999999999999")), 0);
}

TEST(UpdateSupportTest, CodeTextsTakeTheirArgumentsInOrderAndNeverReadPastThem) {
    EXPECT_EQ(FormatCode(QStringLiteral("%i bytes of %i bytes downloaded"),
                         {QStringLiteral("5"), QStringLiteral("9")}),
              QStringLiteral("5 bytes of 9 bytes downloaded"));
    EXPECT_EQ(FormatCode(QStringLiteral("%s %d %s 100%%"), {QStringLiteral("a")}),
              QStringLiteral("a   100%"));
    EXPECT_EQ(FormatCode(QStringLiteral("end %"), {}), QStringLiteral("end %"));
}

// A failing device is told by errno when there is one, else by its kind.
TEST(UpdateSupportTest, DeviceErrorsMapOntoTheFileErrorKinds) {
    using velvaro::platform::FileErrorKind;
    EXPECT_EQ(FileErrorFromDevice(QFileDevice::NoError, ENOSPC), FileErrorKind::None);
    EXPECT_EQ(FileErrorFromDevice(QFileDevice::WriteError, ENOSPC), FileErrorKind::DiskFull);
    EXPECT_EQ(FileErrorFromDevice(QFileDevice::WriteError, 0), FileErrorKind::HardIO);
    EXPECT_EQ(FileErrorFromDevice(QFileDevice::PositionError, 0), FileErrorKind::BadSeek);
    EXPECT_EQ(FileErrorFromDevice(QFileDevice::PermissionsError, 0), FileErrorKind::AccessDenied);
}

TEST(UpdateSupportTest, TheServerComesFromTheEnvironmentWithPort80Otherwise) {
    const QByteArray saved = qgetenv("VELVARO_UPDATE_SERVER");
    qputenv("VELVARO_UPDATE_SERVER", "127.0.0.1:8123");
    EXPECT_EQ(GetServerAddress().host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(GetServerAddress().port, 8123);
    qputenv("VELVARO_UPDATE_SERVER", "localhost");
    EXPECT_EQ(GetServerAddress().host, QStringLiteral("localhost"));
    EXPECT_EQ(GetServerAddress().port, 80);
    qunsetenv("VELVARO_UPDATE_SERVER");
    EXPECT_EQ(GetServerAddress().host, QStringLiteral("update.velvaro.org"));
    EXPECT_EQ(GetServerAddress().port, 80);
    qputenv("VELVARO_UPDATE_SERVER", saved);
}

TEST(UpdateSupportTest, AnswersSplitIntoLinesWithOrWithoutCarriageReturns) {
    EXPECT_EQ(AnswerLines("a\r\nb\nc"), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    EXPECT_EQ(AnswerLines("a\n\n"), (QStringList{u"a"_s, u""_s}));
    EXPECT_TRUE(AnswerLines("").isEmpty());
}

TEST_F(UpdateDialogTest, ANewerVersionIsNotOlderThanTheInstalledOneIsUpToDate) {
    for (const char* version : {"1.3", "1.2.0.3", "1.2.0.2"}) {
        SCOPED_TRACE(version);
        Serve({QStringLiteral("--version"), QString::fromLatin1(version)});
        EXPECT_EQ(Run([](CUpdateDlg& dialog) {
                      EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Update"));
                      EXPECT_TRUE(dialog.isModal());
                      ExpectEnd(dialog, kUpToDate);
                  }),
                  IDCANCEL);
        EXPECT_EQ(server->Paths(), QStringList{u"/versioninfo_velvaro"_s});
    }
    EXPECT_TRUE(Launches().isEmpty());
}

// Four history lines: one full row and one with only its build. Yes
// downloads into both temporary files over the version info's connection,
// counting the bytes, and starts the first; the dialog closes with OK.
TEST_F(UpdateDialogTest, AnOutdatedVersionShowsTheHistoryAsksAndStartsTheDownloadedProgram) {
    Serve({});
    QStringList rows;
    ModalDialogWatcher<CUpdateDlg> watcher([&](CUpdateDlg& open) {
        AnswerYes(open);
        rows = open.HistoryRows();
    });
    CUpdateDlg dialog(&english, &owner);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    QCoreApplication::processEvents();
    EXPECT_EQ(std::tuple(watcher.Count(), dialog.ProgressMaximum(), dialog.ProgressValue(),
                         dialog.StatusText()),
              std::tuple(1, kFileSize, kFileSize, u"5000 bytes of 5000 bytes downloaded"_s));
    EXPECT_EQ(rows, (QStringList{u"120|Fix|Faster start"_s, u"119||"_s}));
    EXPECT_EQ(Launches(), QStringList{Temp(1) + u" /update_step_1"_s});
    for (const int n : {1, 2}) {
        QFile file(Temp(n));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << n;
        EXPECT_EQ(file.readAll(), Bytes(kFileSize)) << n;
        EXPECT_TRUE(QFileInfo(Temp(n)).permissions() & QFileDevice::ExeOwner) << n;
    }
    const QStringList requests = server->Requests();
    ASSERT_EQ(server->Paths(),
              (QStringList{u"/versioninfo_velvaro"_s,
                           u"/velvaro_update_history.php?lang=English&version=1.2.0.3"_s,
                           u"/velvaro-1.2.0.4"_s}));
    // One connection for the session, another for the history's own.
    EXPECT_EQ(requests.at(0).section(u' ', 0, 0), requests.at(2).section(u' ', 0, 0));
    EXPECT_NE(requests.at(0).section(u' ', 0, 0), requests.at(1).section(u' ', 0, 0));
}

// Escape or the close box at the question: nothing is downloaded.
TEST_F(UpdateDialogTest, DecliningAtTheQuestionDownloadsNothing) {
    const std::function<void(QDialog&)> declines[] = {
        [](QDialog& open) { QTest::keyClick(&open, Qt::Key_Escape); },
        [](QDialog& open) { open.close(); },
    };
    for (const auto& decline : declines) {
        Serve({});
        EXPECT_EQ(Run([&](CUpdateDlg& dialog) {
                      WaitForQuestion(dialog);
                      decline(dialog);
                      EXPECT_TRUE(dialog.WorkerFinished());
                  }),
                  IDCANCEL);
        EXPECT_FALSE(server->Paths().contains(u"/velvaro-1.2.0.4"_s));
        EXPECT_TRUE(TempFilesGone());
    }
    EXPECT_TRUE(Launches().isEmpty());
}

TEST_F(UpdateDialogTest, CancellingHalfWayThroughTheDownloadDeletesBothTemporaryFiles) {
    Write(newProgram, Bytes(kSlowFileSize));
    Serve({QStringLiteral("--slow")});
    EXPECT_EQ(Run([&](CUpdateDlg& dialog) {
                  AnswerYes(dialog);
                  ASSERT_TRUE(RunEventsUntil([&] { return dialog.ProgressValue() > 0; }, 10000));
                  EXPECT_EQ(dialog.ButtonText(), QStringLiteral("&Cancel"));
                  EXPECT_TRUE(QFile::exists(Temp(1)));
                  EXPECT_TRUE(QFile::exists(Temp(2)));
                  EXPECT_LT(dialog.ProgressValue(), kSlowFileSize);
                  EXPECT_EQ(dialog.ProgressMaximum(), kSlowFileSize);
                  Press(dialog, "IDC_BUTTON_ABBRECHEN");
              }),
              IDCANCEL);
    EXPECT_TRUE(TempFilesGone());
    EXPECT_TRUE(Launches().isEmpty());
}

struct Failure {
    const char* name;
    QStringList switches;
    bool answer;  // whether the question comes first
    QString status;
};

// Each failure ends with its text and the OK button; no temporary file
// stays and nothing is started.
TEST_F(UpdateDialogTest, EveryFailureEndsWithItsTextAndLeavesNothingBehind) {
    const Failure failures[] = {
        {"version info 404",
         {u"--versioninfo-404"_s},
         false,
         u"Error: Version info not found on server!"_s},
        {"file 404", {u"--file-404"_s}, true, u"File not found on server!"_s},
        {"no line 2", {u"--no-path"_s}, true, u"Download path could not be determined!"_s},
        {"truncated", {u"--truncate"_s}, true, u"Connection closed"_s},
        {"no content length", {u"--no-length"_s}, true, u"5000 bytes of 0 bytes downloaded"_s},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.name);
        Serve(failure.switches);
        EXPECT_EQ(Run([&](CUpdateDlg& dialog) {
                      if (failure.answer) {
                          AnswerYes(dialog);
                      }
                      ExpectEnd(dialog, failure.status);
                  }),
                  IDCANCEL);
        EXPECT_TRUE(TempFilesGone());
    }
    EXPECT_TRUE(Launches().isEmpty());
}

TEST_F(UpdateDialogTest, AServerThatDoesNotAnswerShowsTheNetworkError) {
    Serve({});
    const int port = server->Port();
    server.reset();
    qputenv("VELVARO_UPDATE_SERVER", QStringLiteral("127.0.0.1:%1").arg(port).toLatin1());
    EXPECT_EQ(Run([](CUpdateDlg& dialog) {
                  ExpectEnd(dialog, QStringLiteral("Error: Connection refused"));
              }),
              IDCANCEL);
}

// With a key, only a download signed with it is started; without one the
// third line is not looked at.
TEST_F(UpdateDialogTest, ABuildWithAKeyStartsOnlyADownloadSignedWithIt) {
    const QString key = folder.filePath(QStringLiteral("key.pem"));
    const QString publicKey = SignUpdate({QStringLiteral("keygen"), key});
    const QString good = SignUpdate({QStringLiteral("sign"), key, newProgram}).mid(4);
    const QString other = folder.filePath(QStringLiteral("other"));
    Write(other, "another program");
    const QString wrong = SignUpdate({QStringLiteral("sign"), key, other}).mid(4);
    ASSERT_FALSE(good.isEmpty());
    ASSERT_NE(good, wrong);
    const QString refused = QStringLiteral(
                                "Error occured at temporary file \"%1\".\nReason: signature does "
                                "not match")
                                .arg(Temp(1));

    SetPublicKey(publicKey.toLatin1());
    for (const QStringList& switches : {QStringList{u"--signature"_s, wrong}, QStringList{},
                                        QStringList{u"--signature"_s, u"%%%"_s}}) {
        SCOPED_TRACE(switches.join(u' ').toStdString());
        Serve(switches);
        EXPECT_EQ(Run([&](CUpdateDlg& dialog) {
                      AnswerYes(dialog);
                      ExpectEnd(dialog, refused);
                  }),
                  IDCANCEL);
        EXPECT_TRUE(server->Paths().contains(u"/velvaro-1.2.0.4"_s));
        EXPECT_TRUE(TempFilesGone());
        EXPECT_TRUE(Launches().isEmpty());
    }

    Serve({QStringLiteral("--signature"), good});
    EXPECT_EQ(Run(&AnswerYes), IDOK);
    EXPECT_EQ(Launches(), QStringList{Temp(1) + u" /update_step_1"_s});

    launches.clear();
    SetPublicKey({});
    Serve({QStringLiteral("--signature"), wrong});
    EXPECT_EQ(Run(&AnswerYes), IDOK);
    EXPECT_EQ(Launches(), QStringList{Temp(1) + u" /update_step_1"_s});
}

// A program the user may not replace (the package manager's) is not
// downloaded at all: the question never comes.
TEST_F(UpdateDialogTest, AProgramTheUserMayNotReplaceIsRefusedBeforeDownloading) {
    const QString system = folder.filePath(QStringLiteral("usr"));
    ASSERT_TRUE(QDir().mkpath(system));
    const QString installed = system + QStringLiteral("/velvaro");
    Write(installed, "installed program");
    SetProgramPath(installed);
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                             QFileDevice::ExeOther);
    QFile::setPermissions(installed, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    QFile::setPermissions(system, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadOther | QFileDevice::ExeOther);
    Serve({});
    // Root writes anywhere; the check is for the user the program runs as.
    constexpr uid_t kNobody = 65534;
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(seteuid(kNobody), 0);
    }
    const int result = Run([](CUpdateDlg& dialog) {
        ExpectEnd(dialog, QStringLiteral("This Velvaro was installed by the system's package "
                                         "manager; update it there."));
    });
    if (root) {
        ASSERT_EQ(seteuid(0), 0);
    }
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(server->Paths(), QStringList{u"/versioninfo_velvaro"_s});
    EXPECT_FALSE(QFile::exists(installed + QStringLiteral(".tmp1.exe")));
    QFile::setPermissions(system,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(Launches().isEmpty());
}

}  // namespace
