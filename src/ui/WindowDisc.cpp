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
#include "ui/CPlayerDlg.h"
#include "ui/DiscPlace.h"
#include "ui/OpenFailure.h"
#include "ui/PlayerStatusBar.h"
#include "ui/StreamMenus.h"
#include "video/VideoWidget.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QScopeGuard>

#include <sys/stat.h>

WindowDisc::WindowDisc(CPlayerDlg& window) : window_(window) {}

WindowDisc::~WindowDisc() = default;

bool WindowDisc::IsPlace(const QString& path) {
    const QFileInfo info(path);
    struct stat status {};
    return info.isDir() || info.suffix().compare(QStringLiteral("iso"), Qt::CaseInsensitive) == 0 ||
           (::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISBLK(status.st_mode));
}

bool WindowDisc::OpenPlace(const QString& path, bool fromPlaylist,
                           std::function<void(bool opened)> then) {
    const DiscPlaceContents contents = ResolveDiscPlace(path, window_.settings->associations);
    if (!contents.dvd.isEmpty()) {
        OpenDvd(contents.dvd, fromPlaylist, std::move(then));
    } else if (!contents.files.isEmpty()) {
        window_.OpenFiles(contents.files);
        if (then) {
            then(true);
        }
    } else {
        return false;
    }
    return true;
}

void WindowDisc::ChooseFolder() {
    velvaro::engine::LoadOtherDecoders();
    CPlayerDlg& w = window_;
    const bool cursor = w.fullscreen.ShowCursorForDialog();
    const QString folder = QFileDialog::getExistingDirectory(
        &w, w.language->GetCodeText(QStringLiteral("SELECTVIDEOTSDIR")));
    w.fullscreen.RestoreCursorAfterDialog(cursor);
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
    const QString noDisk = window_.language->GetCodeText(QStringLiteral("NODISKFOUND"));
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

void WindowDisc::OpenDvd(const QString& path, bool fromPlaylist,
                         std::function<void(bool opened)> then) {
    CPlayerDlg& w = window_;
    // A new open replaces one under way, whose follow-up is dropped with it.
    w.CancelOpening();
    const auto finish = qScopeGuard(w.BeginOpening());
    w.setWindowTitle(kCaptionBase);
    w.bars.playbackError.clear();
    for (int part = 0; part <= 6; ++part) {
        w.bars.status->SetText(part, QString());
    }
    w.windowMenus.ResetMenus(w.playlist.Active());
    w.playlist.End();
    w.CloseEngine();

    // Checked, built and prerolled off this thread; the window goes on meanwhile.
    w.opening.path = path;
    w.opening.fromPlaylist = fromPlaylist;
    w.opening.then = std::move(then);
    w.opening.done = w.BeginOpening();
    w.opening.disc = true;
    w.session.Opener().OpenDvd(path);
}

bool WindowDisc::ShowOpenedDvd(const QString& path, bool fromPlaylist,
                               const std::optional<QString>& failure) {
    CPlayerDlg& w = window_;
    if (failure) {
        if (w.fullscreen.IsFullscreen()) {
            w.fullscreen.LeaveFullscreen();
        }
        w.ShowIdleLayout();
        // The idle layout is the answer; the reason goes to the status bar,
        // where it holds nobody up.
        qCInfo(lcUi).noquote() << "skipped" << path << ":" << *failure;
        if (!fromPlaylist) {
            w.bars.ShowNotice(
                QStringLiteral("The DVD %1 cannot be played: %2").arg(path, *failure));
        }
        return false;
    }
    CMediaPlayer* const player = w.session.Player();

    w.session.Update([&](PlayerState& now) {
        now.name = DiscName(path);
        now.path = path;
    });
    w.captionFile = QStringLiteral(" - ") + w.session.State().name;
    long state = 0;
    player->GetState(&state);
    w.session.Update([&](PlayerState& now) { now.play = static_cast<int>(state); });
    w.fullscreen.ForgetFit();
    player->SetVolume(w.settings->volume);
    player->SetBalance(w.settings->balance);

    const bool hasVideo = player->HasVideo() == S_OK;
    const bool hasAudio = player->HasAudio() == S_OK;
    if (hasVideo && !w.commandLine->GetNoBorder()) {
        w.frame.ModifyStyle(0, WS_THICKFRAME | WS_MAXIMIZEBOX);
    } else if (!hasVideo) {
        w.ShowIdleLayout();
    }

    w.bars.position->setEnabled(true);
    w.bars.volume->setEnabled(hasAudio);
    const int duration = player->GetDuration();
    w.bars.position->setRange(0, duration);
    w.bars.position->setPageStep(1000);
    w.session.Loop().Reset(duration);

    w.windowMenus.ApplyCommandStates({.open = true, .video = hasVideo, .audio = hasAudio});
    // A separate sound track is a file's.
    w.session.Commands().SetEnabled(IDM_AUDIO_AUDIOTRACKOEFFNEN, false);
    // Chapters are the disc's, whatever the playlist says.
    w.session.Commands().SetEnabled(IDTBB_PREVTRACKCHAPTER, true);
    w.session.Commands().SetEnabled(IDTBB_NEXTTRACKCHAPTER, true);
    if (hasAudio) {
        w.session.Playback().ShowVolume();
    }

    w.layout.ResetPairs();
    if (hasVideo) {
        int width = 0;
        int height = 0;
        player->GetVideoSize(&width, &height);
        w.bars.status->SetText(2, QString::fromStdString(ZoomText(w.layout.HorizontalZoom())));
        w.bars.status->SetText(3, QString::fromStdString(ZoomText(w.layout.VerticalZoom())));
        w.bars.status->SetText(4, QString::asprintf("%i x %i", width, height));
        w.bars.status->SetText(5, QString::asprintf("%i x %i", width, height));
    }
    w.bars.status->SetText(1, QString::fromStdString(ClockText(duration)));
    if (hasVideo) {
        if (w.fullscreen.IsFullscreen()) {
            w.videoArea.OnFillWithoutClipping();
        } else {
            w.frame.OnOriginalWindowSize();
            w.frame.OnOriginalWindowSize();
        }
    }

    player->SelectStream(w.menus.streams->SubtitlesOff() ? -1 : -2, STREAM_SUBTITLES);
    w.SetTitleSuffix(QStringLiteral(" - STOP"));
    w.videoArea.LayoutVideo();
    w.windowMenus.FillFilterMenus();
    w.menus.streams->Build(player);

    if (w.settings->startMediaAutomatically == 1) {
        w.session.Playback().PlayPause();
    } else {
        player->Play();
        player->Pause();
        w.session.Update([](PlayerState& now) { now.play = State_Paused; });
        w.SetTitleSuffix(QStringLiteral(" - PAUSE"));
    }
    return true;
}

void WindowDisc::Close() {
    if (Player()) {
        ShowHandCursor(false);
    }
}

CDvdPlayer* WindowDisc::Player() const {
    return window_.Session().DvdPlayer();
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
    CPlayerDlg& w = window_;
    if (code == EC_DVD_VALID_UOPS_CHANGE) {
        const OperationStates states = StatesForForbiddenOperations(static_cast<ULONG>(param1));
        for (const auto& [id, enabled] : states.commands) {
            w.session.Commands().SetEnabled(id, enabled);
        }
        for (const auto& [id, state] : states.buttons) {
            w.session.Commands().SetEnabled(id, state == TBSTATE_ENABLED);
        }
        w.bars.position->setEnabled(states.positionBar);
        if (w.menus.streams->ReapplySubtitles(*Player())) {
            w.videoArea.LayoutVideo();
        }
        w.menus.streams->Build(Player());
    } else if (code == EC_DVD_ANGLE_CHANGE) {
        w.menus.streams->Build(Player());
    }
    if (code == EC_DVD_DOMAIN_CHANGE) {
        // A title (or a menu) has its own length: marks, range and text follow.
        Player()->UpdateVideoSize();
        const int duration = Player()->GetDuration();
        w.bars.position->setRange(0, duration);
        w.session.Loop().Reset(duration);
        w.bars.status->SetText(1, QString::fromStdString(ClockText(duration)));
        w.videoArea.OnFillWithoutClipping();
    }
}

QPoint WindowDisc::ToVideo(QPoint point) const {
    return point - QPoint(0, window_.videoArea.Bars().TopOffset());
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
        window_.client->setCursor(Qt::PointingHandCursor);
    } else if (window_.fullscreen.Pointer().systemCursorCount < 0) {
        window_.client->setCursor(Qt::BlankCursor);
    } else {
        window_.client->unsetCursor();
    }
}
