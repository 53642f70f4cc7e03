// The help menu's online update: the dialog over the window, against the
// local update server; once the new program has started the window ends.
#include "ModalDialogWatcher.h"
#include "PlayerWindow.h"
#include "UpdateServer.h"
#include "dialogs/CUpdateDlg.h"
#include "dialogs/UpdateSupport.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <mutex>

namespace {

using velvaro::test::ModalDialogWatcher;
using velvaro::test::UpdateServer;

class UpdateCommandTest : public PlayerWindowTest {
protected:
    void SetUp() override {
        PlayerWindowTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        qputenv("VELVARO_UPDATE_SERVER", "127.0.0.1:1");
        const QString program = folder.filePath(QStringLiteral("velvaro"));
        QFile file(program);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old program");
        velvaro::update::SetProgramPath(program);
        velvaro::update::SetPublicKey({});
        velvaro::update::SetLauncher([this](const QString& path, const QStringList& arguments) {
            std::lock_guard lock(mutex);
            launches << (QStringList{path} + arguments).join(u' ');
            return true;
        });
        served = folder.filePath(QStringLiteral("served"));
        QFile bytes(served);
        ASSERT_TRUE(bytes.open(QIODevice::WriteOnly));
        bytes.write("new program");
    }
    void TearDown() override {
        velvaro::update::SetLauncher({});
        velvaro::update::SetProgramPath({});
        velvaro::update::SetPublicKey(velvaro::update::BuiltInPublicKey());
        PlayerWindowTest::TearDown();
    }
    QStringList Launches() {
        std::lock_guard lock(mutex);
        return launches;
    }

    QTemporaryDir folder;
    QString served;
    std::mutex mutex;
    QStringList launches;
};

void PressButton(QDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("IDC_BUTTON_ABBRECHEN")),
                      Qt::LeftButton);
}

TEST_F(UpdateCommandTest, YesStartsTheNewProgramAndEndsTheWindowCancelKeepsIt) {
    UpdateServer server({QStringLiteral("--file"), served}, folder.filePath(QStringLiteral("log")));
    ASSERT_TRUE(server.Started());
    bool yes = false;
    std::vector<bool> modalOverWindow;
    ModalDialogWatcher<CUpdateDlg> update([&](CUpdateDlg& dialog) {
        modalOverWindow.push_back(dialog.isModal() && dialog.parentWidget() == window.get());
        ASSERT_TRUE(WaitFor([&] { return dialog.Answer() == CUpdateDlg::kWaiting; }));
        if (yes) {
            PressButton(dialog);
        } else {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        }
    });
    Start();
    Command(IDM_HILFE_UPDATE);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(Launches().isEmpty());

    yes = true;
    Command(IDM_HILFE_UPDATE);
    EXPECT_EQ(modalOverWindow, (std::vector<bool>{true, true}));
    EXPECT_EQ(Launches(), QStringList{folder.filePath(QStringLiteral("velvaro.tmp1.exe")) +
                                      QStringLiteral(" /update_step_1")});
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), 0);
}

TEST_F(UpdateCommandTest, WithoutALanguageTheCommandDoesNothing) {
    language = CLanguageFile();
    ModalDialogWatcher<CUpdateDlg> update([](CUpdateDlg& dialog) { dialog.reject(); });
    Start();
    Command(IDM_HILFE_UPDATE);
    Spin(100);
    EXPECT_EQ(update.Count(), 0);
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
