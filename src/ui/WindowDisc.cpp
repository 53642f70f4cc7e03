#include "ui/WindowDisc.h"

#include "CommandRanges.h"
#include "controls/CClickSlider.h"
#include "engine/CDvdPlayer.h"
#include "engine/MediaFramework.h"
#include "engine/VolumeScale.h"
#include "i18n/CLanguageFile.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "platform/OpticalDrives.h"
#include "resource.h"
#include "session/CommandStates.h"
#include "session/KeyTable.h"
#include "session/PlayerSession.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"
#include "ui/DiscPlace.h"
#include "ui/FullscreenView.h"
#include "ui/OpenFailure.h"
#include "ui/PlayerStatusBar.h"
#include "ui/PlayerWindowState.h"
#include "ui/StreamMenus.h"
#include "ui/VideoArea.h"
#include "ui/ViewParts.h"
#include "video/VideoWidget.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QScopeGuard>

#include <sys/stat.h>

WindowDisc::WindowDisc(const ViewParts& parts, VideoArea& videoArea, FullscreenView& fullscreen,
                       const WindowOpens& opens)
    : parts_(parts), videoArea_(videoArea), fullscreen_(fullscreen), opens_(opens) {}

WindowDisc::~WindowDisc() = default;

bool WindowDisc::IsPlace(const QString& path) {
    const QFileInfo info(path);
    struct stat status {};
    return info.isDir() || info.suffix().compare(QStringLiteral("iso"), Qt::CaseInsensitive) == 0 ||
           (::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISBLK(status.st_mode));
}

void WindowDisc::OpenPlace(const QString& path, bool fromPlaylist,
                           std::function<void(bool opened)> then, std::function<void()> nothing,
                           std::function<void()> done) {
    DropPendingPlace();
    placeDone_ = std::move(done);
    placeReading_ = std::make_unique<velvaro::platform::BackgroundWork>(
        &parts_.window,
        [this, path, fromPlaylist, then = std::move(then), nothing = std::move(nothing),
         associations =
             parts_.settings.associations]() -> velvaro::platform::BackgroundWork::Answer {
            DiscPlaceContents contents = ResolveDiscPlace(path, associations);
            return [this, contents = std::move(contents), fromPlaylist, then, nothing] {
                placeReading_.reset();
                const auto finish =
                    qScopeGuard([done = std::exchange(placeDone_, {})] { done ? done() : void(); });
                if (!contents.dvd.isEmpty()) {
                    opens_.dvd(contents.dvd, fromPlaylist, then);
                } else if (!contents.files.isEmpty()) {
                    opens_.files(contents.files);
                    if (then) {
                        then(true);
                    }
                } else if (nothing) {
                    nothing();
                }
            };
        });
}

void WindowDisc::DropPendingPlace() {
    placeReading_.reset();
    if (const auto done = std::exchange(placeDone_, {})) {
        done();
    }
}

void WindowDisc::ChooseFolder() {
    velvaro::engine::LoadOtherDecoders();
    const bool cursor = fullscreen_.ShowCursorForDialog();
    const QString folder = QFileDialog::getExistingDirectory(
        &parts_.window, parts_.language.GetCodeText(QStringLiteral("SELECTVIDEOTSDIR")));
    fullscreen_.RestoreCursorAfterDialog(cursor);
    if (!folder.isEmpty() && QDir::setCurrent(folder)) {
        OpenPlace(folder);
    }
}

void WindowDisc::RebuildDrivePopup(QMenu* popup) {
    const QList<QAction*> items = popup->actions();
    for (qsizetype index = items.size() - 1; index >= 2; --index) {
        QAction* item = items.at(index);
        popup->removeAction(item);
        if (item->parent() == popup) {
            item->deleteLater();
        }
    }
    drivePlaces_.clear();
    const QString noDisk = parts_.language.GetCodeText(QStringLiteral("NODISKFOUND"));
    for (const auto& drive : driveSource_()) {
        bool enabled = false;
        const QString text = velvaro::platform::OpticalDriveItemText(drive, noDisk, &enabled);
        const int id = command_range::kFirstDrive + static_cast<int>(drivePlaces_.size());
        if (id >= command_range::kDriveEnd) {
            break;
        }
        AddCommand(popup, id, text)->setEnabled(enabled);
        drivePlaces_.push_back(drive.mountPoint.isEmpty() ? drive.device : drive.mountPoint);
    }
}

void WindowDisc::Close() {
    if (Player()) {
        ShowHandCursor(false);
    }
}

CDvdPlayer* WindowDisc::Player() const {
    return parts_.session.DvdPlayer();
}

void WindowDisc::AddCommands(PlayerSession& session) {
    session.Handle(IDM_DVD_OPENFOLDER, [this] { ChooseFolder(); });
    session.HandleRange(command_range::kFirstDrive, command_range::kDriveEnd, [this](int id) {
        const auto drive = static_cast<size_t>(id - command_range::kFirstDrive);
        if (drive < drivePlaces_.size()) {
            OpenPlace(drivePlaces_[drive]);
        }
    });
    // Only with a DVD; without one they go on to whoever else has them.
    using Action = void (*)(CDvdPlayer&);
    static const std::pair<int, Action> kDvdCommands[] = {
        {IDM_NAVIGATION_SHOWTOPMENU, [](CDvdPlayer& dvd) { dvd.ShowMenu(DVD_MENU_Title); }},
        {IDM_NAVIGATION_SHOWROOTMENU, [](CDvdPlayer& dvd) { dvd.ShowMenu(DVD_MENU_Root); }},
        {IDTBB_ROOTMENU, [](CDvdPlayer& dvd) { dvd.ShowMenu(DVD_MENU_Root); }},
        {IDM_NAVIGATION_SHOWSUBPICTUREMENU,
         [](CDvdPlayer& dvd) { dvd.ShowMenu(DVD_MENU_Subpicture); }},
        {IDM_NAVIGATION_SHOWAUDIOMENU, [](CDvdPlayer& dvd) { dvd.ShowMenu(DVD_MENU_Audio); }},
        {IDM_NAVIGATION_SHOWANGLEMENU, [](CDvdPlayer& dvd) { dvd.ShowMenu(DVD_MENU_Angle); }},
        {IDM_NAVIGATION_SHOWCHAPTERMENU, [](CDvdPlayer& dvd) { dvd.ShowMenu(DVD_MENU_Chapter); }},
        {IDM_NAVIGATION_RETURNFROMSUBMENU, [](CDvdPlayer& dvd) { dvd.ReturnFromSubmenu(); }},
        {IDM_NAVIGATION_RESUME, [](CDvdPlayer& dvd) { dvd.Resume(); }},
        {IDTBB_RESUME, [](CDvdPlayer& dvd) { dvd.Resume(); }},
        {IDM_NAVIGATION_PLAYNEXTCHAPTER, [](CDvdPlayer& dvd) { dvd.PlayNextChapter(); }},
        {IDTBB_NEXTTRACKCHAPTER, [](CDvdPlayer& dvd) { dvd.PlayNextChapter(); }},
        {IDM_NAVIGATION_PLAYPREVIOUSCHAPTER, [](CDvdPlayer& dvd) { dvd.PlayPrevChapter(); }},
        {IDTBB_PREVTRACKCHAPTER, [](CDvdPlayer& dvd) { dvd.PlayPrevChapter(); }},
        {IDM_NAVIGATION_REPLAYCHAPTER, [](CDvdPlayer& dvd) { dvd.ReplayChapter(); }},
        {key_command::kDiscActivate, [](CDvdPlayer& dvd) { dvd.ActivateButton(); }},
        {key_command::kDiscUp,
         [](CDvdPlayer& dvd) { dvd.SelectRelativeButton(DVD_Relative_Upper); }},
        {key_command::kDiscDown,
         [](CDvdPlayer& dvd) { dvd.SelectRelativeButton(DVD_Relative_Lower); }},
        {key_command::kDiscLeft,
         [](CDvdPlayer& dvd) { dvd.SelectRelativeButton(DVD_Relative_Left); }},
        {key_command::kDiscRight,
         [](CDvdPlayer& dvd) { dvd.SelectRelativeButton(DVD_Relative_Right); }},
    };
    for (const auto& [command, action] : kDvdCommands) {
        session.HandleIf(command, [this, action] {
            if (Player()) {
                action(*Player());
            }
            return Player() != nullptr;
        });
    }
}

void WindowDisc::OnEvent(long code, std::intptr_t param1) {
    if (!Player()) {
        return;
    }
    if (code == EC_DVD_VALID_UOPS_CHANGE) {
        const OperationStates states = StatesForForbiddenOperations(static_cast<ULONG>(param1));
        for (const auto& [id, enabled] : states.commands) {
            parts_.session.Commands().SetEnabled(id, enabled);
        }
        for (const auto& [id, state] : states.buttons) {
            parts_.session.Commands().SetEnabled(id, state == TBSTATE_ENABLED);
        }
        parts_.bars.position->setEnabled(states.positionBar);
        if (parts_.session.Streams().ReapplySubtitles()) {
            videoArea_.LayoutVideo();
        }
        parts_.session.Streams().Build();
    } else if (code == EC_DVD_ANGLE_CHANGE) {
        parts_.session.Streams().Build();
    }
    if (code == EC_DVD_DOMAIN_CHANGE) {
        // A title (or a menu) has its own length: marks, range and text follow.
        Player()->UpdateVideoSize();
        const int duration = Player()->GetDuration();
        parts_.bars.position->setRange(0, duration);
        parts_.session.Loop().Reset(duration);
        parts_.bars.status->SetText(1, QString::fromStdString(ClockText(duration)));
        videoArea_.OnFillWithoutClipping();
    }
}

QPoint WindowDisc::ToVideo(QPoint point) const {
    return point - QPoint(0, videoArea_.Bars().TopOffset());
}

bool WindowDisc::OnClick(QPoint point) {
    if (!Player() || Player()->NoButtonAtPosition(ToVideo(point))) {
        return false;
    }
    Player()->ActivateAtPosition(ToVideo(point));
    return true;
}

void WindowDisc::OnHover(QPoint point) {
    if (!Player()) {
        return;
    }
    const bool onButton = !Player()->NoButtonAtPosition(ToVideo(point));
    if (onButton) {
        Player()->SelectAtPosition(ToVideo(point));
    }
    ShowHandCursor(onButton);
}

// The video window lets the mouse through: the client area's cursor shows.
void WindowDisc::ShowHandCursor(bool hand) {
    if (hand == handShown_) {
        return;
    }
    handShown_ = hand;
    if (hand) {
        parts_.client.setCursor(Qt::PointingHandCursor);
    } else if (fullscreen_.Pointer().systemCursorCount < 0) {
        parts_.client.setCursor(Qt::BlankCursor);
    } else {
        parts_.client.unsetCursor();
    }
}
