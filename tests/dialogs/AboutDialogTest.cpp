// The about box and the hyperlink control: the version text, the two links'
// looks, size and targets, and the keys the box answers to. Links open
// through the test programs' recorder, never on the desktop.
#include "DialogFixture.h"
#include "UrlOpenerGuard.h"
#include "controls/CHyperLink.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CTabbedLabel.h"
#include "dialogs/DialogSupport.h"
#include "platform/ProductVersion.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

using namespace velvaro::test;

QSize TextSize(const QLabel& label) {
    return QFontMetrics(label.font()).size(Qt::TextSingleLine, label.text());
}

TEST(ProductVersionTest, CommasBecomeDotsAndBlanksGo) {
    EXPECT_EQ(CleanProductVersion(QStringLiteral("1, 2, 0, 3")), QStringLiteral("1.2.0.3"));
    EXPECT_EQ(CleanProductVersion(QStringLiteral("1.2.0.3")), QStringLiteral("1.2.0.3"));
    EXPECT_EQ(CleanProductVersion(QString()), QString());
    EXPECT_EQ(GetProductVersion(), QStringLiteral("1.2.0.3"));
}

// The rightmost dark pixel of the text as the version label draws it.
int RightmostInk(const QString& text) {
    CTabbedLabel label;
    label.setText(text);
    label.resize(200, 30);
    const QImage image = label.grab().toImage();
    int right = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                right = std::max(right, x);
            }
        }
    }
    return right;
}

TEST(TabbedLabelTest, TabsGoToTheSameStopSoTheColonsLineUp) {
    const int version = RightmostInk(QStringLiteral("Version\t:"));
    EXPECT_EQ(RightmostInk(QStringLiteral("Build\t:")), version);
    EXPECT_GT(version, RightmostInk(QStringLiteral("Version :")));
}

class HyperLinkTest : public ::testing::Test {
protected:
    void SetUp() override { OpenedUrls().clear(); }
    void TearDown() override { OpenedUrls().clear(); }
};

TEST_F(HyperLinkTest, SetUpMakesANarrowLabelABoldUnderlinedBlueLinkTheSizeOfItsText) {
    QWidget parent;
    parent.resize(400, 100);
    CHyperLink link(&parent);
    link.setText(QStringLiteral("https://example.org/a/rather/long/address"));
    link.setGeometry(30, 20, 12, 5);
    const QCursor hand(QPixmap(8, 8), 3, 4);
    link.SetUp(QStringLiteral("https://example.org/"), hand);

    EXPECT_EQ(link.font().weight(), QFont::Bold);
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(link.palette().color(QPalette::Window), link.palette().color(QPalette::Button));
    EXPECT_EQ(std::pair(link.cursor().shape(), link.cursor().hotSpot()),
              std::pair(Qt::BitmapCursor, QPoint(3, 4)));
    EXPECT_EQ(link.geometry(), QRect(QPoint(30, 20), TextSize(link)));
    EXPECT_GT(link.width(), 100);
    EXPECT_EQ(link.Target(), QStringLiteral("https://example.org/"));
}

TEST_F(HyperLinkTest, OnlyALeftClickOpensTheTargetAndALabelNotSetUpOpensNothing) {
    QWidget parent;
    CHyperLink link(&parent);
    link.setText(QStringLiteral("mail us"));
    QTest::mouseClick(&link, Qt::LeftButton);  // not set up yet
    link.SetUp(QStringLiteral("mailto:someone@example.org"), QCursor(Qt::PointingHandCursor));
    QTest::mouseClick(&link, Qt::RightButton);
    EXPECT_TRUE(OpenedUrls().isEmpty());
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(OpenedUrls(), QList<QUrl>{QUrl(QStringLiteral("mailto:someone@example.org"))});
}

using AboutDialogTest = HyperLinkTest;

TEST_F(AboutDialogTest, ShowsVersionBuildAndNoticeAndLinksToTheSiteAndTheSupportMail) {
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Info"));
    EXPECT_EQ(dialog.VersionText(),
              QStringLiteral("Version\t: 1.0\nBuild\t: 1.2.0.3\n\n"
                             "Velvaro is free software, built on Qt and GStreamer."));
    EXPECT_EQ(Texts(dialog, {"IDC_PROGRAMMING"}), dialog.VersionText());
    EXPECT_NE(dialog.findChild<CTabbedLabel*>(QStringLiteral("IDC_PROGRAMMING")), nullptr);
    EXPECT_EQ(std::pair(dialog.HomepageLink()->Target(), dialog.EmailLink()->Target()),
              std::pair(QStringLiteral("https://velvaro.org/"),
                        QStringLiteral("mailto:support@velvaro.org")));
    QStringList groups;
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        groups << group->title();
        EXPECT_FALSE(group->findChildren<QLabel*>().isEmpty()) << group->title().toStdString();
    }
    EXPECT_EQ(groups, (QStringList{QStringLiteral("Credits"), QStringLiteral("Support")}));

    // The template's labels are narrower than their text; the links grow to
    // it where they stand, in the program's hand cursor.
    for (CHyperLink* link : {dialog.HomepageLink(), dialog.EmailLink()}) {
        EXPECT_EQ(link->size(), TextSize(*link)) << link->text().toStdString();
        EXPECT_GT(link->width(), 40) << link->text().toStdString();
        EXPECT_EQ(link->x(), 96) << link->text().toStdString();
        EXPECT_EQ(std::tuple(link->font().bold(), link->font().underline(),
                             link->palette().color(QPalette::WindowText)),
                  std::tuple(true, true, QColor(0, 0, 255)));
        EXPECT_EQ(std::tuple(link->cursor().shape(), link->cursor().hotSpot(),
                             link->cursor().pixmap().size()),
                  std::tuple(Qt::BitmapCursor, QPoint(9, 1), QSize(32, 32)));
    }
    EXPECT_EQ(dialog.HomepageLink()->y() + 22, dialog.EmailLink()->y());

    QTest::mouseClick(dialog.EmailLink(), Qt::LeftButton);
    QTest::mouseClick(dialog.HomepageLink(), Qt::LeftButton);
    EXPECT_EQ(OpenedUrls(), (QList<QUrl>{QUrl(QStringLiteral("mailto:support@velvaro.org")),
                                         QUrl(QStringLiteral("https://velvaro.org/"))}));
}

// Letters, Tab and the OK button's own mnemonic (Alt+O) are swallowed;
// Enter, Space on the button and Escape close the box.
TEST_F(AboutDialogTest, OnlyEnterSpaceAndEscapeDoAnything) {
    const std::vector<std::pair<std::function<void(QWidget&)>, int>> closings = {
        {[](QWidget& on) { QTest::keyClick(&on, Qt::Key_Return); }, IDOK},
        {[](QWidget& on) { QTest::keyClick(&on, Qt::Key_Enter); }, IDOK},
        {[](QWidget& on) { QTest::keyClick(&on, Qt::Key_Space); }, IDOK},
        {[](QWidget& on) { QTest::keyClick(&on, Qt::Key_Escape); }, IDCANCEL},
    };
    for (const auto& [close, result] : closings) {
        std::vector<bool> openAfterKeys;
        ModalDialogWatcher<CAboutDlg> watcher([&](CAboutDlg& dialog) {
            QWidget* focus = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
            QTest::keyClick(focus, Qt::Key_O, Qt::AltModifier);
            QTest::keyClick(focus, Qt::Key_O);
            QTest::keyClick(focus, Qt::Key_A);
            QTest::keyClick(focus, Qt::Key_Tab);
            QTest::keyClick(&dialog, Qt::Key_Z);
            openAfterKeys.push_back(dialog.isVisible());
            close(*focus);
        });
        CAboutDlg dialog;
        EXPECT_EQ(dialog.DoModal(), result);
        EXPECT_EQ(openAfterKeys, std::vector<bool>{true});
    }
}

}  // namespace
