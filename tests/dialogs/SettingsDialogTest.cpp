// The settings dialog and its pages, driven as a user would: the tree, one
// page at a time, the working copy and what OK and Cancel do with it.
#include "DialogFixture.h"
#include "SettingsValues.h"
#include "controls/CIconButton.h"
#include "dialogs/CFileAssocPage.h"
#include "dialogs/CGeneralPage.h"
#include "dialogs/CLanguagePage.h"
#include "dialogs/CPlaybackPage.h"
#include "dialogs/CSettingsDlg.h"
#include "platform/DisplayModes.h"
#include "settings/CSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <functional>

namespace {

using namespace velvaro::test;
using namespace Qt::StringLiterals;

QTreeWidgetItem* Item(QTreeWidget* tree, const QString& text) {
    const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    EXPECT_EQ(found.size(), 1) << text.toStdString();
    return found.value(0);
}

// The extensions a page lists, "+" before the checked ones.
QString Rows(QTableWidget* list) {
    QStringList rows;
    for (int row = 0; row < list->rowCount(); ++row) {
        const QTableWidgetItem* item = list->item(row, 0);
        rows << (item->checkState() == Qt::Checked ? u"+"_s : QString()) + item->text();
    }
    return rows.join(u' ');
}

// The record's list, newest first, as "extension:flags".
std::string List(const CSettings& settings) {
    std::string text;
    for (const auto& entry : settings.associations) {
        text += (text.empty() ? "" : " ") + entry.extension + ":" + std::to_string(entry.flags);
    }
    return text;
}

class SettingsDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        // Two sizes, one of them at two rates.
        previousDisplays_ = ReplaceDisplays(std::make_unique<ListedDisplayModes>(
            std::vector<DisplayMode>{{1920, 1080, 60.0}, {1280, 720, 60.0}, {1920, 1080, 50.0}},
            0));
    }
    void TearDown() override {
        ReplaceDisplays(std::move(previousDisplays_));
        DialogTest::TearDown();
    }

    // Runs the dialog on `settings` with `language`; `act` works on it and
    // ends it. Returns the dialog's result.
    int Run(const std::function<void(CSettingsDlg&)>& act, CLanguageFile* language = nullptr) {
        CSettingsDlg dialog(language ? *language : english, settings, &owner);
        ModalDialogWatcher<CSettingsDlg> user([&](CSettingsDlg& shown) {
            act(shown);
            if (shown.isVisible()) {
                Press(shown, "IDC_BUTTON_ABBRECHEN");
            }
        });
        const int result = dialog.DoModal();
        EXPECT_EQ(user.Count(), 1);
        return result;
    }
    static void Select(CSettingsDlg& dialog, const char* text) {
        auto* tree = Find<QTreeWidget>(dialog, "IDC_TREE_SETTINGS");
        tree->setCurrentItem(Item(tree, QString::fromUtf8(text)));
    }
    template <typename Control>
    static Control* OnPage(CSettingsDlg& dialog, const char* name) {
        return Find<Control>(*dialog.CurrentPage(), name);
    }

    CSettings settings{0};
    std::unique_ptr<DisplayModes> previousDisplays_;
};

TEST_F(SettingsDialogTest, TreeOrdersTheCategoriesAndShowsOnePageAtATime) {
    Run([](CSettingsDlg& dialog) {
        auto* tree = Find<QTreeWidget>(dialog, "IDC_TREE_SETTINGS");
        QStringList order;
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            order << QString((*it)->parent() ? u"  "_s : QString()) + (*it)->text(0);
        }
        EXPECT_EQ(order.join(u'|'),
                  u"General|Language|File Associations|  Video|  Audio|  Playlist|Playback"_s);
        EXPECT_TRUE(Item(tree, u"File Associations"_s)->isExpanded());
        EXPECT_EQ(tree->currentItem()->text(0), u"General"_s);

        auto* title = Find<QLabel>(dialog, "IDC_TXT_CATEGORY");
        EXPECT_EQ(title->text(), u" General"_s);
        EXPECT_EQ(title->font().pointSize(), 14);
        EXPECT_EQ(title->palette().color(QPalette::Window), QColor(10, 95, 232));
        EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor(Qt::white));
        ASSERT_NE(dynamic_cast<CGeneralPage*>(dialog.CurrentPage()), nullptr);

        const QRect area(title->x(), title->geometry().bottom() + 1, title->width(),
                         tree->height() - title->height());
        const std::pair<const char*, QString> steps[] = {
            {"Language", u" Language"_s},
            {"Audio", u" File Associations - Audio"_s},
            {"File Associations", u" File Associations - Audio"_s},  // keeps the page
            {"Playlist", u" File Associations - Playlist"_s},
            {"Playback", u" Playback"_s},
            {"Video", u" File Associations - Video"_s},
        };
        for (const auto& [item, expected] : steps) {
            QPointer<QWidget> before = dialog.CurrentPage();
            Select(dialog, item);
            EXPECT_EQ(title->text(), expected) << item;
            EXPECT_EQ(before.isNull(), before != dialog.CurrentPage()) << item;
            EXPECT_EQ(dialog.CurrentPage()->geometry(), area) << item;
            EXPECT_TRUE(dialog.CurrentPage()->isVisible()) << item;
            const QObjectList children = dialog.children();
            EXPECT_EQ(std::count_if(children.begin(), children.end(),
                                    [](QObject* child) { return dynamic_cast<QDialog*>(child); }),
                      1)
                << item;
        }
        auto* page = dynamic_cast<CFileAssocPage*>(dialog.CurrentPage());
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->MediaClass(), ASSOC_VIDEO);
        EXPECT_EQ(dynamic_cast<CLanguagePage*>(dialog.CurrentPage()), nullptr);
    });
}

TEST_F(SettingsDialogTest, SpeaksTheLanguageInUse) {
    Run(
        [](CSettingsDlg& dialog) {
            EXPECT_EQ(Texts(dialog, {"", "IDC_BUTTON_OK", "IDC_BUTTON_ABBRECHEN"}),
                      u"Einstellungen|&OK|&Abbrechen"_s);
            EXPECT_EQ(Find<QLabel>(dialog, "IDC_TXT_CATEGORY")->text(), u" Allgemein"_s);
            EXPECT_EQ(Texts(*dialog.CurrentPage(), {"IDC_GENERAL_INSTANCE"}),
                      u"Nur eine Instanz von Velvaro zulassen"_s);
            // The longest German line is not cut: the dialog grows for it.
            const auto* power = Find<QCheckBox>(*dialog.CurrentPage(), "IDC_GENERAL_POWER");
            EXPECT_GE(power->width(), power->sizeHint().width());
        },
        &german);
}

TEST_F(SettingsDialogTest, CancelForgetsEveryChangeAndOkTakesThemAll) {
    settings.BuildDefaultAssociations();
    const std::string listBefore = List(settings);
    const auto change = [](CSettingsDlg& dialog) {
        OnPage<QCheckBox>(dialog, "IDC_GENERAL_INSTANCE")->click();
        Select(dialog, "Playback");
        OnPage<QLineEdit>(dialog, "IDC_PLAYBACK_PLAYBACKDELAY")->setText(u"12"_s);
        Select(dialog, "Audio");
        auto* list = OnPage<QTableWidget>(dialog, "IDC_LIST_FILEASSOCS");
        list->findItems(u"mp3"_s, Qt::MatchExactly).value(0)->setCheckState(Qt::Checked);
        Select(dialog, "Language");
        auto* languages = OnPage<QTableWidget>(dialog, "IDC_LANGUAGELIST");
        const int german = languages->findItems(u"Deutsch"_s, Qt::MatchExactly).value(0)->row();
        QTest::mouseClick(languages->viewport(), Qt::LeftButton, {},
                          languages->visualRect(languages->model()->index(german, 1)).center());
    };

    EXPECT_EQ(Run([&](CSettingsDlg& dialog) {
                  change(dialog);
                  EXPECT_EQ(dialog.WorkingCopy().playbackDelay, 12);
                  Press(dialog, "IDC_BUTTON_ABBRECHEN");
              }),
              QDialog::Rejected);
    EXPECT_EQ(std::tuple(settings.singleInstanceMode, settings.playbackDelay, settings.languageType,
                         List(settings)),
              std::tuple(1, 5, -1, listBefore));
    EXPECT_EQ(settings.generalChanged + settings.playbackChanged + settings.languageChanged +
                  settings.associationsChanged,
              0);
    EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, velvaro::kProductKey}));
    EXPECT_FALSE(KeyExists({HKEY_CLASSES_ROOT, ".mp3"}));

    EXPECT_EQ(Run([&](CSettingsDlg& dialog) {
                  change(dialog);
                  Press(dialog, "IDC_BUTTON_OK");
              }),
              QDialog::Accepted);
    EXPECT_EQ(std::tuple(settings.singleInstanceMode, settings.playbackDelay, settings.languageType,
                         settings.languageResource),
              std::tuple(0, 12, 0, std::string("IDR_LNG_GERMAN")));
    EXPECT_EQ(std::tuple(settings.generalChanged, settings.playbackChanged,
                         settings.languageChanged, settings.associationsChanged),
              std::tuple(1, 1, 1, 1));
    std::string expected = listBefore;
    expected.replace(expected.find("mp3:4"), 5, "mp3:5");
    EXPECT_EQ(List(settings), expected);  // in the same order
    // Only the window writes the settings and the associations, after OK.
    EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, velvaro::kProductKey}));
    EXPECT_FALSE(KeyExists({HKEY_CLASSES_ROOT, ".mp3"}));
}

// A page on its own, over a working copy, as the settings dialog makes it.
template <typename Page>
class PageTest : public SettingsDialogTest {
protected:
    template <typename... Arguments>
    void Make(Arguments... arguments) {
        page = std::make_unique<Page>(english, settings, arguments..., &owner);
        owner.resize(420, 320);
        page->setGeometry(0, 0, 410, 300);
        owner.show();
        page->show();
    }
    template <typename Control>
    Control* Get(const char* name) {
        return Find<Control>(*page, name);
    }
    std::unique_ptr<Page> page;
};

using GeneralPageTest = PageTest<CGeneralPage>;

TEST_F(GeneralPageTest, ListsEachDisplaySizeOnceAndFallsBackToKeepingTheMode) {
    for (const auto& [stored, chosen] :
         {std::pair("1280 x 720", 2), std::pair("1024 x 768", 0), std::pair("Current", 0)}) {
        settings.displaySettings = stored;
        Make();
        auto* modes = Get<QComboBox>("IDC_DISPLAYSETTINGS");
        QStringList items;
        for (int i = 0; i < modes->count(); ++i) {
            items << modes->itemText(i);
        }
        EXPECT_EQ(items.join(u'|'), u"Don't change|1920 x 1080|1280 x 720"_s);
        EXPECT_EQ(modes->currentIndex(), chosen) << stored;
        EXPECT_EQ(settings.generalChanged, 0);  // filling is no change
    }
}

TEST_F(GeneralPageTest, AnyChangeWritesEveryControlIntoTheWorkingCopy) {
    settings.processPriority = 4;  // "leave it", which the list cannot show
    settings.toolBarPos = 1;
    settings.screenshotDirectory = "/shots";
    Make();
    auto* priority = Get<QComboBox>("IDC_PROCESSPRIORITY");
    EXPECT_EQ(priority->currentIndex(), -1);
    EXPECT_EQ(Get<QComboBox>("IDC_TOOLBARPOS")->currentText(), u"Bottom"_s);

    // Typing a folder is taken only with the next change of another control.
    Get<QLineEdit>("IDC_GENERAL_SNAPSHOTDIR")->setText(u"/typed"_s);
    EXPECT_EQ(std::pair(settings.screenshotDirectory, settings.generalChanged),
              std::pair(std::string("/shots"), 0));
    Get<QComboBox>("IDC_DISPLAYSETTINGS")->setCurrentIndex(1);
    EXPECT_EQ(std::tuple(settings.screenshotDirectory, settings.displaySettings,
                         settings.processPriority, settings.toolBarPos, settings.generalChanged),
              std::tuple(std::string("/typed"), std::string("1920 x 1080"), 1, 1, 1));
    Get<QComboBox>("IDC_DISPLAYSETTINGS")->setCurrentIndex(0);
    EXPECT_EQ(settings.displaySettings, "Don't change");  // keeps the mode: no " x "

    Get<QCheckBox>("IDC_GENERAL_POWER")->click();
    priority->setCurrentIndex(3);
    Get<QComboBox>("IDC_TOOLBARPOS")->setCurrentIndex(0);
    EXPECT_EQ(std::tuple(settings.deactivatePowerManagement, settings.processPriority,
                         settings.toolBarPos),
              std::tuple(0, 3, 0));
}

TEST_F(GeneralPageTest, TakesAChosenFolderOnlyWhenItCanBeEntered) {
    QTemporaryDir folder;
    Make();
    auto* edit = Get<QLineEdit>("IDC_GENERAL_SNAPSHOTDIR");
    const auto choose = [&](const QString& answer) {
        ModalDialogWatcher<QFileDialog> user([&](QFileDialog& browser) {
            EXPECT_EQ(browser.windowTitle(), u"Select screenshot directory..."_s);
            EXPECT_EQ(browser.fileMode(), QFileDialog::Directory);
            browser.findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(answer);
            browser.QDialog::accept();  // taken as typed, whether it exists or not
        });
        Get<CIconButton>("IDC_GENERAL_SELECTDIR")->click();
        EXPECT_EQ(user.Count(), 1);
    };
    choose(folder.path() + u"/missing"_s);
    EXPECT_EQ(std::pair(edit->text(), settings.generalChanged), std::pair(QString(), 0));
    choose(folder.path());
    EXPECT_EQ(edit->text(), folder.path());
    EXPECT_EQ(std::pair(settings.screenshotDirectory, settings.generalChanged),
              std::pair(folder.path().toStdString(), 1));
}

using PlaybackPageTest = PageTest<CPlaybackPage>;

TEST_F(PlaybackPageTest, ReadsTheDelayAsAWholeNumberOfSeconds) {
    settings.playbackDelay = 7;
    settings.startFullscreen = 1;
    Make();
    auto* delay = Get<QLineEdit>("IDC_PLAYBACK_PLAYBACKDELAY");
    EXPECT_EQ(delay->text(), u"7"_s);
    EXPECT_TRUE(Get<QCheckBox>("IDC_PLAYBACK_FULLSCREEN")->isChecked());
    EXPECT_EQ(settings.playbackChanged, 0);
    for (const auto& [text, seconds] :
         {std::pair("30", 30), std::pair(" 12s", 12), std::pair("-4", 0), std::pair("abc", 0),
          std::pair("", 0), std::pair("99999999999", 999999999), std::pair("+3", 3)}) {
        delay->setText(QString::fromLatin1(text));
        EXPECT_EQ(settings.playbackDelay, seconds) << text;
    }
    EXPECT_EQ(settings.playbackChanged, 1);
    Get<QCheckBox>("IDC_PLAYBACK_AUTOSTARTVIDEO")->click();
    Get<QCheckBox>("IDC_PLAYBACK_JUMPTOLASTPOS")->click();
    EXPECT_EQ(std::tuple(settings.startMediaAutomatically, settings.startFullscreen,
                         settings.jumpToLastPosition),
              std::tuple(0, 1, 1));
}

class FileAssocPageTest : public PageTest<CFileAssocPage> {
protected:
    void SetUp() override {
        PageTest::SetUp();
        settings.AddFileAssociation("mpeg", ASSOC_VIDEO | ASSOC_AUDIO);
        settings.AddFileAssociation("mp3", ASSOC_AUDIO | ASSOC_ASSOCIATED);
        settings.AddFileAssociation("wav", ASSOC_AUDIO);
        settings.AddFileAssociation("vpp", ASSOC_PLAYLIST | ASSOC_ASSOCIATED);
    }
    QTableWidget* Table() { return Get<QTableWidget>("IDC_LIST_FILEASSOCS"); }
    void SelectRows(std::initializer_list<int> rows) {
        Table()->clearSelection();
        for (int row : rows) {
            Table()->selectionModel()->select(Table()->model()->index(row, 0),
                                              QItemSelectionModel::Select);
        }
    }
};

TEST_F(FileAssocPageTest, ListsTheClassAndTogglesOwnership) {
    Make(ASSOC_AUDIO);
    EXPECT_EQ(Rows(Table()), u"wav +mp3 mpeg"_s);
    EXPECT_EQ(Table()->horizontalHeaderItem(0)->text(), u"Extension"_s);
    EXPECT_EQ(Table()->columnWidth(0), 110);
    EXPECT_EQ(settings.associationsChanged, 0);
    QStringList tips;
    for (const char* name : {"IDC_BUTTON_ADD", "IDC_BUTTON_DELETE", "IDC_BUTTON_ASSOCIATE_CATEGORY",
                             "IDC_BUTTON_UNASSOCIATE_CATEGORY"}) {
        tips << Get<CIconButton>(name)->toolTip();
        EXPECT_FALSE(Get<CIconButton>(name)->Icon().isNull()) << name;
    }
    EXPECT_EQ(tips.join(u'|'), u"Add|Delete|Associate all extensions|Unassociate all extensions"_s);

    Table()->item(0, 0)->setCheckState(Qt::Checked);
    Table()->item(1, 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(List(settings), "vpp:9 wav:5 mp3:4 mpeg:6");
    EXPECT_EQ(settings.associationsChanged, 1);

    Get<CIconButton>("IDC_BUTTON_ASSOCIATE_CATEGORY")->click();
    EXPECT_EQ(Rows(Table()), u"+wav +mp3 +mpeg"_s);
    Get<CIconButton>("IDC_BUTTON_UNASSOCIATE_CATEGORY")->click();
    EXPECT_EQ(List(settings), "vpp:9 wav:4 mp3:4 mpeg:6");  // the playlist class keeps its own
}

TEST_F(FileAssocPageTest, AddsByButtonOrEnterExactlyAsTyped) {
    Make(ASSOC_VIDEO);
    auto* edit = Get<QLineEdit>("IDC_EDIT_NEWFILEASSOC");
    edit->setText(u"   "_s);
    Get<CIconButton>("IDC_BUTTON_ADD")->click();
    EXPECT_EQ(settings.associationsChanged, 0);
    EXPECT_EQ(edit->text(), u"   "_s);

    edit->setText(u"mkv"_s);
    Get<CIconButton>("IDC_BUTTON_ADD")->click();
    edit->setText(u"my ext"_s);
    QTest::keyClick(edit, Qt::Key_Return);
    edit->setText(u"mp3"_s);  // an audio entry becomes video too
    QTest::keyClick(Get<CIconButton>("IDC_BUTTON_DELETE"), Qt::Key_Enter);
    EXPECT_EQ(edit->text(), QString());
    EXPECT_EQ(Rows(Table()), u"+my ext +mkv +mp3 mpeg"_s);
    EXPECT_EQ(List(settings), "my ext:3 mkv:3 vpp:9 wav:4 mp3:7 mpeg:6");
    EXPECT_EQ(settings.associationsChanged, 1);
}

TEST_F(FileAssocPageTest, DeletesTheSelectedRowsFromThisClassOnly) {
    settings.AddFileAssociation("avi", ASSOC_VIDEO | ASSOC_ASSOCIATED);
    Make(ASSOC_AUDIO);
    SelectRows({0, 2});  // wav, mpeg
    Get<CIconButton>("IDC_BUTTON_DELETE")->click();
    EXPECT_EQ(Rows(Table()), u"+mp3"_s);
    EXPECT_EQ(List(settings), "avi:3 vpp:9 mp3:5 mpeg:2");
    EXPECT_EQ(settings.associationsChanged, 1);

    // An owned entry whose last class goes is dropped, owned or not.
    SelectRows({0});
    Get<CIconButton>("IDC_BUTTON_DELETE")->click();
    EXPECT_EQ(Table()->rowCount(), 0);
    EXPECT_EQ(List(settings), "avi:3 vpp:9 mpeg:2");

    Get<QPushButton>("IDC_BUTTON_STANDARD_SETTINGS")->click();
    EXPECT_EQ(Table()->item(0, 0)->text(), u"midi"_s);
    EXPECT_EQ(settings.associations.front().extension, "vpp");
    EXPECT_EQ(Table()->findItems(u"avi"_s, Qt::MatchExactly).size(), 0);
}

TEST(IconButtonTest, DrawsItsIconCentredPressedOrNot) {
    QPixmap red(16, 16);
    red.fill(Qt::red);
    CIconButton button;
    button.resize(28, 26);
    button.SetIcon(QIcon(red));
    button.show();
    const auto centre = [&] { return button.grab().toImage().pixelColor(6 + 8, 5 + 8); };
    EXPECT_EQ(centre(), QColor(Qt::red));
    EXPECT_EQ(button.IconRect(), QRect(6, 5, 16, 16));
    button.setDown(true);
    EXPECT_EQ(centre(), QColor(Qt::red));
    // The place is taken from the first painting and kept.
    button.resize(40, 40);
    button.grab();
    EXPECT_EQ(button.IconRect(), QRect(6, 5, 16, 16));
}

}  // namespace
