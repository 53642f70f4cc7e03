// The online update against a real HTTP server on 127.0.0.1: the version
// check, the history, the question, the download into both temporary files,
// every failure's text, signed downloads and a program file the user may
// not replace. Nothing is started: the launcher records instead.
#include "DialogFixture.h"
#include "FileBytes.h"
#include "UpdateServer.h"
#include "dialogs/CUpdateDlg.h"
#include "dialogs/UpdateSupport.h"

#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <mutex>

#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

using namespace velvaro::test;
using namespace velvaro::update;

constexpr int kFileSize = 5000;

// Letters in turn, so that bytes out of place show.
QByteArray Bytes(int size) {
    QByteArray bytes;
    for (int i = 0; i < size; ++i) {
        bytes += static_cast<char>('A' + i % 26);
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
        program = folder.filePath(u"velvaro"_s);
        Write(program, "old program");
        SetProgramPath(program);
        SetPublicKey({});
        SetLauncher([this](const QString& file, const QStringList& arguments) {
            std::lock_guard lock(mutex);
            launches << (QStringList{file} + arguments).join(u' ');
            return true;
        });
        newProgram = folder.filePath(u"served"_s);
        Write(newProgram, Bytes(kFileSize));
        history = folder.filePath(u"history"_s);
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
        WriteBytes(path.toStdString(), bytes.toStdString());
    }

    void Serve(QStringList arguments) {
        arguments << u"--file"_s << newProgram << u"--history"_s << history;
        server.reset();
        server = std::make_unique<UpdateServer>(arguments, folder.filePath(u"log"_s));
        ASSERT_TRUE(server->Started());
    }

    // A key pair; `good` signs the served program, `wrong` another file.
    void MakeKey() {
        const QString key = folder.filePath(u"key.pem"_s);
        publicKey = SignUpdate({u"keygen"_s, key}).toLatin1();
        good = SignUpdate({u"sign"_s, key, newProgram}).mid(4);
        wrong = SignUpdate({u"sign"_s, key, history}).mid(4);
        ASSERT_FALSE(good.isEmpty());
        ASSERT_NE(good, wrong);
    }

    // Runs the dialog modally; `act` gets it once it shows. IDOK or IDCANCEL.
    int Run(const std::function<void(CUpdateDlg&)>& act) {
        CUpdateDlg dialog(&english, &owner);
        return RunModal(act, [&] { return dialog.DoModal(); });
    }

    // Waits for the worker to end and shows what it left; closes with OK.
    static void ExpectEnd(CUpdateDlg& dialog, const QString& status) {
        ASSERT_TRUE(RunEventsUntil([&] { return dialog.WorkerFinished(); }, 10000))
            << dialog.StatusText().toStdString();
        QCoreApplication::processEvents();
        EXPECT_EQ(dialog.StatusText(), status);
        EXPECT_EQ(dialog.ButtonText(), u"&OK"_s);
        Press(dialog, "IDC_BUTTON_ABBRECHEN");
    }

    static void WaitForQuestion(CUpdateDlg& dialog) {
        ASSERT_TRUE(RunEventsUntil(
            [&] {
                return dialog.Answer() == CUpdateDlg::kWaiting && dialog.ButtonText() == u"Yes"_s;
            },
            10000))
            << dialog.StatusText().toStdString();
        EXPECT_EQ(dialog.StatusText(),
                  u"Your Vel-Varo version is outdated! (Build: 1.2.0.3)\nWould you like to "
                  u"download\nand install the new version (Build: 1.2.0.4)?"_s);
    }

    static void AnswerYes(CUpdateDlg& dialog) {
        WaitForQuestion(dialog);
        Press(dialog, "IDC_BUTTON_ABBRECHEN");
    }

    QString Temp(int n) const { return program + u".tmp%1.exe"_s.arg(n); }
    bool TempFilesGone() const { return !QFile::exists(Temp(1)) && !QFile::exists(Temp(2)); }
    QStringList Launches() {
        std::lock_guard lock(mutex);
        return launches;
    }

    QTemporaryDir folder;
    QString program, newProgram, history, good, wrong;
    QByteArray publicKey;
    std::unique_ptr<UpdateServer> server;
    std::mutex mutex;
    QStringList launches;
};

// Versions compare as one number without their dots; code texts never read
// past their arguments; a failing device is told by errno when there is one.
TEST(UpdateSupportTest, ReadsVersionsAnswersCodeTextsAndDeviceErrors) {
    EXPECT_TRUE(IsNewer(u"1.2.0.1"_s, u"1.2.0.0"_s));
    EXPECT_FALSE(IsNewer(u"1.3"_s, u"1.2.0.0"_s));
    EXPECT_EQ(VersionNumber(u"1.2.0.3beta7"_s), 1203);
    EXPECT_EQ(VersionNumber(u"beta"_s) + VersionNumber(QString()), 0);
    EXPECT_GT(VersionNumber(u"99999999999999999999999999"_s), 0);
    EXPECT_EQ(AnswerLines("a\r\nb\nc"), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    EXPECT_EQ(AnswerLines("a\n\n"), (QStringList{u"a"_s, u""_s}));
    EXPECT_TRUE(AnswerLines("").isEmpty());
    EXPECT_EQ(FormatCode(u"%s %d %s 100%%"_s, {u"a"_s}), u"a   100%"_s);
    EXPECT_EQ(FormatCode(u"end %"_s, {}), u"end %"_s);
    using velvaro::platform::FileErrorKind;
    EXPECT_EQ(FileErrorFromDevice(QFileDevice::WriteError, ENOSPC), FileErrorKind::DiskFull);
    EXPECT_EQ(FileErrorFromDevice(QFileDevice::WriteError, 0), FileErrorKind::HardIO);
    EXPECT_EQ(FileErrorFromDevice(QFileDevice::NoError, ENOSPC), FileErrorKind::None);
}

// Four history lines: one full row and one with only its build. Yes
// downloads into both temporary files over the version info's connection,
// counting the bytes, and starts the first; the dialog closes with OK. A
// build with a key starts a download signed with it; one without a key does
// not look at the signature.
TEST_F(UpdateDialogTest, AnOutdatedVersionShowsTheHistoryAsksAndStartsTheDownloadedProgram) {
    MakeKey();
    for (const auto& [key, signature] :
         {std::pair(QByteArray(), QString()), std::pair(publicKey, good),
          std::pair(QByteArray(), wrong)}) {
        SCOPED_TRACE(signature.toStdString());
        SetPublicKey(key);
        Serve(signature.isEmpty() ? QStringList() : QStringList{u"--signature"_s, signature});
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
        EXPECT_EQ(Launches().takeLast(), Temp(1) + u" /update_step_1"_s);
        for (const int n : {1, 2}) {
            QFile file(Temp(n));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << n;
            EXPECT_EQ(file.readAll(), Bytes(kFileSize)) << n;
            EXPECT_TRUE(file.permissions() & QFileDevice::ExeOwner) << n;
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
    EXPECT_EQ(Launches().size(), 3);
}

// Escape or the close box at the question, or Cancel half way through the
// download: nothing is started and no temporary file stays.
TEST_F(UpdateDialogTest, DecliningOrCancellingHalfWayLeavesNothingBehind) {
    constexpr int kSlowFileSize = 64 * 1024;
    Write(newProgram, Bytes(kSlowFileSize));
    const std::function<void(CUpdateDlg&)> ways[] = {
        [](CUpdateDlg& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [](CUpdateDlg& dialog) { dialog.close(); },
        [&](CUpdateDlg& dialog) {
            Press(dialog, "IDC_BUTTON_ABBRECHEN");  // Yes
            ASSERT_TRUE(RunEventsUntil([&] { return dialog.ProgressValue() > 0; }, 10000));
            EXPECT_EQ(dialog.ButtonText(), u"&Cancel"_s);
            EXPECT_TRUE(QFile::exists(Temp(1)) && QFile::exists(Temp(2)));
            EXPECT_LT(dialog.ProgressValue(), kSlowFileSize);
            EXPECT_EQ(dialog.ProgressMaximum(), kSlowFileSize);
            Press(dialog, "IDC_BUTTON_ABBRECHEN");
        },
    };
    for (const auto& way : ways) {
        Serve({u"--slow"_s});
        EXPECT_EQ(Run([&](CUpdateDlg& dialog) {
                      WaitForQuestion(dialog);
                      way(dialog);
                      EXPECT_TRUE(dialog.WorkerFinished());
                  }),
                  IDCANCEL);
        EXPECT_EQ(server->Paths().contains(u"/velvaro-1.2.0.4"_s), &way == &ways[2]);
        EXPECT_TRUE(TempFilesGone());
    }
    EXPECT_TRUE(Launches().isEmpty());
}

// Up to date, or each failure: the text and the OK button; no temporary
// file stays and nothing is started. Without switches the server is gone.
// With a key, a download signed otherwise, not at all or with no signature
// is refused.
TEST_F(UpdateDialogTest, EveryEndWithoutAStartShowsItsTextAndLeavesNothingBehind) {
    MakeKey();
    const QString upToDate = u"Your Vel-Varo version is up to date!"_s;
    const QString refused =
        u"Error occured at temporary file \"%1\".\nReason: signature does not match"_s.arg(Temp(1));
    // The server's switches, whether the question comes first and a key is built in, the text.
    const std::tuple<QStringList, bool, bool, QString> ends[] = {
        // A newer version that is not older than the installed one.
        {{u"--version"_s, u"1.3"_s}, false, false, upToDate},
        {{u"--version"_s, u"1.2.0.3"_s}, false, false, upToDate},
        {{u"--version"_s, u"1.2.0.2"_s}, false, false, upToDate},
        {{}, false, false, u"Error: Connection refused"_s},
        {{u"--versioninfo-404"_s}, false, false, u"Error: Version info not found on server!"_s},
        {{u"--file-404"_s}, true, false, u"File not found on server!"_s},
        {{u"--no-path"_s}, true, false, u"Download path could not be determined!"_s},
        {{u"--truncate"_s}, true, false, u"Connection closed"_s},
        {{u"--no-length"_s}, true, false, u"5000 bytes of 0 bytes downloaded"_s},
        {{u"--signature"_s, wrong}, true, true, refused},
        {{u"--version"_s, u"1.2.0.4"_s}, true, true, refused},  // no signature
        {{u"--signature"_s, u"%%%"_s}, true, true, refused},
    };
    for (const auto& [switches, asked, keyed, status] : ends) {
        SCOPED_TRACE(switches.join(u' ').toStdString());
        SetPublicKey(keyed ? publicKey : QByteArray());
        Serve(switches);
        if (switches.isEmpty()) {
            const QByteArray address = u"127.0.0.1:%1"_s.arg(server->Port()).toLatin1();
            server.reset();
            qputenv("VELVARO_UPDATE_SERVER", address);
        }
        EXPECT_EQ(Run([&](CUpdateDlg& dialog) {
                      if (asked) {
                          AnswerYes(dialog);
                      }
                      ExpectEnd(dialog, status);
                  }),
                  IDCANCEL);
        if (server && !asked) {
            EXPECT_EQ(server->Paths(), QStringList{u"/versioninfo_velvaro"_s});
        }
        EXPECT_TRUE(TempFilesGone());
    }
    EXPECT_TRUE(Launches().isEmpty());
}

// A program the user may not replace (the package manager's) is not
// downloaded at all: the question never comes.
TEST_F(UpdateDialogTest, AProgramTheUserMayNotReplaceIsRefusedBeforeDownloading) {
    const QString system = folder.filePath(u"usr"_s);
    ASSERT_TRUE(QDir().mkpath(system));
    const QString installed = system + u"/velvaro"_s;
    Write(installed, "installed program");
    SetProgramPath(installed);
    constexpr auto kReadOnly = QFileDevice::ReadOwner | QFileDevice::ReadOther;
    constexpr auto kEnter = kReadOnly | QFileDevice::ExeOwner | QFileDevice::ExeOther;
    QFile::setPermissions(folder.path(), kEnter | QFileDevice::WriteOwner);
    QFile::setPermissions(installed, kReadOnly);
    QFile::setPermissions(system, kEnter);
    Serve({});
    // Root writes anywhere; the check is for the user the program runs as.
    constexpr uid_t kNobody = 65534;
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(seteuid(kNobody), 0);
    }
    const int result = Run([](CUpdateDlg& dialog) {
        ExpectEnd(dialog,
                  u"This Velvaro was installed by the system's package manager; update "
                  u"it there."_s);
    });
    if (root) {
        ASSERT_EQ(seteuid(0), 0);
    }
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(server->Paths(), QStringList{u"/versioninfo_velvaro"_s});
    EXPECT_FALSE(QFile::exists(installed + u".tmp1.exe"_s));
    QFile::setPermissions(system, kEnter | QFileDevice::WriteOwner);
    EXPECT_TRUE(Launches().isEmpty());
}

}  // namespace
