// The settings dialog and its pages, driven as a user would: the tree, one
// page at a time, the working copy and what OK and Cancel do with it. The
// language page also stands on its own, where it loads and stores a choice.
#include "DialogFixture.h"
#include "SettingsValues.h"
#include "UserDataFolder.h"
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
#include <QLabel>
#include <QPointer>
#include <QTreeWidget>

namespace {

using namespace velvaro::test;
using namespace Qt::StringLiterals;

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

// Clicks (twice: double-clicks) the row of `language` in a language page's list.
void ClickLanguage(const QWidget& page, const char* language, bool twice = false) {
    auto* list = Find<QTableWidget>(page, "IDC_LANGUAGELIST");
    const int row = list->findItems(QString::fromUtf8(language), Qt::MatchExactly).value(0)->row();
    const QPoint cell = list->visualRect(list->model()->index(row, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell);
    if (twice) {
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell);
    }
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
        return RunModal<CSettingsDlg>(
            [&](CSettingsDlg& shown) {
                act(shown);
                if (shown.isVisible()) {
                    Press(shown, "IDC_BUTTON_ABBRECHEN");
                }
            },
            [&] { return dialog.DoModal(); });
    }
    static void Select(CSettingsDlg& dialog, const char* text) {
        auto* tree = Find<QTreeWidget>(dialog, "IDC_TREE_SETTINGS");
        const auto found =
            tree->findItems(QString::fromUtf8(text), Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1) << text;
        tree->setCurrentItem(found[0]);
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
            order << QString((*it)->parent() ? u"  "_s : QString()) + (*it)->text(0) +
                         ((*it)->isExpanded() ? u"-"_s : QString());
        }
        EXPECT_EQ(order.join(u'|'),
                  u"General|Language|File Associations-|  Video|  Audio|  Playlist|Playback"_s);
        auto* title = Find<QLabel>(dialog, "IDC_TXT_CATEGORY");
        EXPECT_EQ(tree->currentItem()->text(0) + title->text(), u"General General"_s);
        ASSERT_NE(dynamic_cast<CGeneralPage*>(dialog.CurrentPage()), nullptr);

        const QRect area(title->x(), title->geometry().bottom() + 1, title->width(),
                         tree->height() - title->height());
        const std::pair<const char*, QString> steps[] = {
            {"Language", u" Language"_s},
            {"Audio", u" File Associations - Audio"_s},
            {"File Associations", u" File Associations - Audio"_s},  // keeps the page
            {"Video", u" File Associations - Video"_s},
        };
        for (const auto& [item, expected] : steps) {
            QPointer<QWidget> before = dialog.CurrentPage();
            Select(dialog, item);
            EXPECT_EQ(title->text(), expected) << item;
            // The page it replaces is gone; the new one fills the place below the title.
            EXPECT_EQ(before.isNull(), before != dialog.CurrentPage()) << item;
            EXPECT_EQ(dialog.CurrentPage()->geometry(), area) << item;
            EXPECT_TRUE(dialog.CurrentPage()->isVisible()) << item;
        }
        auto* page = dynamic_cast<CFileAssocPage*>(dialog.CurrentPage());
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->MediaClass(), ASSOC_VIDEO);
    });
}

TEST_F(SettingsDialogTest, SpeaksTheLanguageInUse) {
    Run(
        [](CSettingsDlg& dialog) {
            EXPECT_EQ(
                Texts(dialog, {"", "IDC_BUTTON_OK", "IDC_BUTTON_ABBRECHEN", "IDC_TXT_CATEGORY"}),
                u"Einstellungen|&OK|&Abbrechen| Allgemein"_s);
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
    std::string listAfter = listBefore;
    listAfter.replace(listAfter.find("mp3:4"), 5, "mp3:5");  // in the same order
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        EXPECT_EQ(Run([&](CSettingsDlg& dialog) {
                      OnPage<QCheckBox>(dialog, "IDC_GENERAL_INSTANCE")->click();
                      Select(dialog, "Playback");
                      OnPage<QLineEdit>(dialog, "IDC_PLAYBACK_PLAYBACKDELAY")->setText(u"12"_s);
                      Select(dialog, "Audio");
                      auto* list = OnPage<QTableWidget>(dialog, "IDC_LIST_FILEASSOCS");
                      list->findItems(u"mp3"_s, Qt::MatchExactly)[0]->setCheckState(Qt::Checked);
                      Select(dialog, "Language");
                      ClickLanguage(*dialog.CurrentPage(), "Deutsch");
                      EXPECT_EQ(dialog.WorkingCopy().playbackDelay, 12);
                      Press(dialog, ok ? "IDC_BUTTON_OK" : "IDC_BUTTON_ABBRECHEN");
                  }),
                  ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(std::tuple(settings.singleInstanceMode, settings.playbackDelay,
                             settings.languageType, settings.languageResource, List(settings)),
                  ok ? std::tuple(0, 12, 0, std::string("IDR_LNG_GERMAN"), listAfter)
                     : std::tuple(1, 5, -1, std::string(), listBefore));
        EXPECT_EQ(std::tuple(settings.generalChanged, settings.playbackChanged,
                             settings.languageChanged, settings.associationsChanged),
                  ok ? std::tuple(1, 1, 1, 1) : std::tuple(0, 0, 0, 0));
        // Only the window writes the settings and the associations, after OK.
        EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, velvaro::kProductKey}));
        EXPECT_FALSE(KeyExists({HKEY_CLASSES_ROOT, ".mp3"}));
    }
}

// The language choice as stored: type, resource, file.
std::vector<std::optional<std::string>> StoredChoice() {
    const auto type = ReadDword("LanguageType");
    return {type ? std::optional(std::to_string(*type)) : std::nullopt,
            ReadString("LanguageResource"), ReadString("LanguageFile")};
}

class LanguagePageTest : public SettingsDialogTest {
protected:
    void SetUp() override {
        SettingsDialogTest::SetUp();
        data_.Write("testisch.lng",
                    "[File]\n|Language| = |Testisch|\n|Version| = |0.9|\n|Creator| = |Tester|\n"
                    "[Code]\n|LANGUAGE| = |Sprooch|\n|VERSION| = |Stand|\n|CREATOR| = |Macher|\n");
    }

    CLanguageFile language_;
    UserDataFolder data_;
};

// On its own, under captions in both languages, OK, Enter or a double click
// loads and stores the choice; Escape leaves both alone.
TEST_F(LanguagePageTest, OnItsOwnItLoadsAndStoresTheChoice) {
    using Stored = std::vector<std::optional<std::string>>;
    const Stored english{"0", "IDR_LNG_ENGLISH", std::nullopt};
    // What the person does, the language then loaded and the choice stored.
    const std::tuple<std::function<void(CLanguagePage&)>, const char*, Stored> ways[] = {
        {[](CLanguagePage& shown) {
             ClickLanguage(shown, "English");
             Press(shown, "IDC_BUTTON_OK");
         },
         "English", english},
        // English is offered at first: Enter alone takes it.
        {[](CLanguagePage& shown) {
             QTest::keyClick(Find<QTableWidget>(shown, "IDC_LANGUAGELIST"), Qt::Key_Return);
             if (shown.isVisible()) {
                 shown.reject();  // Enter did nothing: the run fails, not hangs
             }
         },
         "English", english},
        {[](CLanguagePage& shown) { ClickLanguage(shown, "Testisch", true); },
         "Testisch",
         {"1", std::nullopt, "testisch.lng"}},
        // English is selected at first, its whole row; a single click only selects.
        {[](CLanguagePage& shown) {
             EXPECT_EQ(shown.windowTitle(), u"Velvaro Sprache/Language"_s);
             auto* list = Find<QTableWidget>(shown, "IDC_LANGUAGELIST");
             EXPECT_EQ(list->horizontalHeaderItem(0)->text(), u"Sprache/Language"_s);
             ASSERT_EQ(list->rowCount(), 13) << "twelve built in and the test's file";
             EXPECT_EQ(list->item(0, 0)->text() + list->item(12, 2)->text(), u"DeutschTester"_s);
             const QList<QTableWidgetItem*> selected = list->selectedItems();
             EXPECT_EQ(selected.size(), 3);
             EXPECT_EQ(selected.isEmpty() ? QString() : selected.front()->text(), u"English"_s);
             ClickLanguage(shown, "Polski");
             EXPECT_TRUE(shown.isVisible());
             QTest::keyClick(&shown, Qt::Key_Escape);
         },
         "", Stored(3)},
    };
    for (const auto& [act, language, stored] : ways) {
        RegDeleteTree(HKEY_CURRENT_USER, velvaro::kSettingsKey);
        language_ = CLanguageFile();
        settings = CSettings(0);
        const bool chosen = stored[0].has_value();
        CLanguagePage page(language_, settings);
        EXPECT_EQ(RunModal(act, [&] { return page.DoModalStandAlone(); }),
                  chosen ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(language_.GetText(u"File"_s, u"Language"_s), QString::fromUtf8(language));
        EXPECT_EQ(settings.languageType, chosen ? std::stoi(*stored[0]) : -1);
        EXPECT_EQ(StoredChoice(), stored);
    }
    EXPECT_EQ(language_.GetSource(), CLanguageFile::Source::None);
}

TEST_F(LanguagePageTest, AsAPageAClickChoosesForTheWorkingCopyOnly) {
    ASSERT_EQ(language_.LoadFile(u"testisch.lng"_s), 0);
    settings.languageType = 0;
    settings.languageResource = "idr_lng_magyar";
    owner.resize(600, 400);
    CLanguagePage page(language_, settings, &owner);
    owner.show();
    page.show();
    auto* list = Find<QTableWidget>(page, "IDC_LANGUAGELIST");
    EXPECT_EQ(list->horizontalHeaderItem(2)->text(), u"Macher"_s);  // the language's own
    EXPECT_FALSE(Find<QPushButton>(page, "IDC_BUTTON_OK")->isVisible());
    // The language in use is selected, its whole row.
    ASSERT_EQ(list->selectedItems().size(), 3);
    EXPECT_EQ(list->selectedItems().front()->text(), u"Magyar"_s);

    ClickLanguage(page, "Testisch");
    EXPECT_EQ(std::tuple(settings.languageType, settings.languageFile, settings.languageChanged),
              std::tuple(1, std::string("testisch.lng"), 1));
    // Enter, Escape and double clicks neither close the page nor load anything.
    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_Escape);
    ClickLanguage(page, "English", true);
    EXPECT_TRUE(page.isVisible() && language_.GetSource() == CLanguageFile::Source::File);
    EXPECT_EQ(StoredChoice(), (std::vector<std::optional<std::string>>(3)));
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

// A stored size that is not listed keeps the mode.
TEST_F(GeneralPageTest, ListsEachDisplaySizeOnceAndAnyChangeWritesEveryControl) {
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

    // Any change writes every control into the working copy.
    settings.processPriority = 4;  // "leave it", which the list cannot show
    settings.toolBarPos = 1;
    settings.screenshotDirectory = "/shots";
    Make();
    EXPECT_EQ(Get<QComboBox>("IDC_PROCESSPRIORITY")->currentIndex(), -1);
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
}

TEST_F(GeneralPageTest, TakesAChosenFolderOnlyWhenItCanBeEntered) {
    QTemporaryDir folder;
    Make();
    for (const QString& answer : {folder.path() + u"/missing"_s, folder.path()}) {
        ModalDialogWatcher<QFileDialog> user([&](QFileDialog& browser) {
            EXPECT_EQ(browser.fileMode(), QFileDialog::Directory);
            browser.findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(answer);
            browser.QDialog::accept();  // taken as typed, whether it exists or not
        });
        Get<CIconButton>("IDC_GENERAL_SELECTDIR")->click();
        EXPECT_EQ(user.Count(), 1);
        const bool taken = answer == folder.path();
        EXPECT_EQ(std::tuple(Get<QLineEdit>("IDC_GENERAL_SNAPSHOTDIR")->text(),
                             settings.screenshotDirectory, settings.generalChanged),
                  taken ? std::tuple(answer, answer.toStdString(), 1)
                        : std::tuple(QString(), std::string(), 0));
    }
}

using PlaybackPageTest = PageTest<CPlaybackPage>;

TEST_F(PlaybackPageTest, ReadsTheDelayAsAWholeNumberOfSeconds) {
    settings.playbackDelay = 7;
    Make();
    auto* delay = Get<QLineEdit>("IDC_PLAYBACK_PLAYBACKDELAY");
    EXPECT_EQ(delay->text(), u"7"_s);
    EXPECT_EQ(settings.playbackChanged, 0);
    for (const auto& [text, seconds] :
         {std::pair("30", 30), std::pair(" 12s", 12), std::pair("-4", 0), std::pair("abc", 0),
          std::pair("", 0), std::pair("99999999999", 999999999), std::pair("+3", 3)}) {
        delay->setText(QString::fromLatin1(text));
        EXPECT_EQ(settings.playbackDelay, seconds) << text;
    }
    EXPECT_EQ(settings.playbackChanged, 1);
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
    void Press(const char* button) { Get<QAbstractButton>(button)->click(); }
};

TEST_F(FileAssocPageTest, ListsTheClassAndTogglesOwnership) {
    Make(ASSOC_AUDIO);
    EXPECT_EQ(Rows(Table()), u"wav +mp3 mpeg"_s);
    EXPECT_EQ(settings.associationsChanged, 0);
    Table()->item(0, 0)->setCheckState(Qt::Checked);
    Table()->item(1, 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(List(settings), "vpp:9 wav:5 mp3:4 mpeg:6");
    EXPECT_EQ(settings.associationsChanged, 1);

    Press("IDC_BUTTON_ASSOCIATE_CATEGORY");
    EXPECT_EQ(Rows(Table()), u"+wav +mp3 +mpeg"_s);
    Press("IDC_BUTTON_UNASSOCIATE_CATEGORY");
    EXPECT_EQ(List(settings), "vpp:9 wav:4 mp3:4 mpeg:6");  // the playlist class keeps its own
}

TEST_F(FileAssocPageTest, AddsByButtonOrEnterExactlyAsTyped) {
    Make(ASSOC_VIDEO);
    auto* edit = Get<QLineEdit>("IDC_EDIT_NEWFILEASSOC");
    edit->setText(u"   "_s);
    Press("IDC_BUTTON_ADD");
    EXPECT_EQ(std::pair(settings.associationsChanged, edit->text()), std::pair(0, u"   "_s));

    edit->setText(u"mkv"_s);
    Press("IDC_BUTTON_ADD");
    edit->setText(u"my ext"_s);
    QTest::keyClick(edit, Qt::Key_Return);
    edit->setText(u"mp3"_s);  // an audio entry becomes video too
    QTest::keyClick(Get<CIconButton>("IDC_BUTTON_DELETE"), Qt::Key_Enter);
    EXPECT_EQ(edit->text(), QString());
    EXPECT_EQ(Rows(Table()), u"+my ext +mkv +mp3 mpeg"_s);
    EXPECT_EQ(List(settings), "my ext:3 mkv:3 vpp:9 wav:4 mp3:7 mpeg:6");
    EXPECT_EQ(settings.associationsChanged, 1);
}

// An owned entry whose last class goes is dropped, owned or not; the
// standard settings bring the list back.
TEST_F(FileAssocPageTest, DeletesTheSelectedRowsFromThisClassOnly) {
    settings.AddFileAssociation("avi", ASSOC_VIDEO | ASSOC_ASSOCIATED);
    Make(ASSOC_AUDIO);
    for (const auto& [rows, after] : {std::pair(std::vector{0, 2}, "avi:3 vpp:9 mp3:5 mpeg:2"),
                                      std::pair(std::vector{0}, "avi:3 vpp:9 mpeg:2")}) {
        Table()->clearSelection();
        for (int row : rows) {
            Table()->selectionModel()->select(Table()->model()->index(row, 0),
                                              QItemSelectionModel::Select);
        }
        Press("IDC_BUTTON_DELETE");
        EXPECT_EQ(List(settings), after);
    }
    EXPECT_EQ(std::pair(Table()->rowCount(), settings.associationsChanged), std::pair(0, 1));

    Press("IDC_BUTTON_STANDARD_SETTINGS");
    EXPECT_EQ(Table()->item(0, 0)->text(), u"midi"_s);
    EXPECT_EQ(settings.associations.front().extension, "vpp");
    EXPECT_EQ(Table()->findItems(u"avi"_s, Qt::MatchExactly).size(), 0);
}

}  // namespace
