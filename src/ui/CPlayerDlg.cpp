// The window's lifecycle: construction, initialisation, the state without a
// medium, painting, destruction, process priority and power saving.
#include "ui/CPlayerDlg.h"

#include "ui/StreamMenus.h"

#include "CommandRanges.h"
#include "art/ArtResources.h"
#include "controls/CClickSlider.h"
#include "engine/CFilePlayer.h"
#include "engine/MediaFramework.h"
#include "engine/VolumeScale.h"
#include "i18n/CLanguageFile.h"
#include "i18n/CToolButtonTable.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "platform/InstanceChannel.h"
#include "platform/PowerSaving.h"
#include "platform/ProcessPriority.h"
#include "platform/ProductVersion.h"
#include "platform/Registry.h"
#include "platform/StartTiming.h"
#include "resource.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"
#include "settings/FileAssociations.h"
#include "settings/HandOverRecords.h"
#include "settings/MigrateRegistry.h"
#include "ui/PlayerClientArea.h"
#include "ui/PlayerStatusBar.h"
#include "ui/ToolStrip.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>

namespace {

// Status part right edges; -1 reaches the window's edge.
constexpr std::array<int, PlayerStatusBar::kParts> kStatusParts = {50,  100, 150, 200,
                                                                   270, 340, 410, -1};

// "Audio delay: +150 ms" after a delay command; empty after any other.
QString DelayText(int command, const PlayerState& state, const CLanguageFile& language) {
    const bool audio = command == IDM_AUDIO_DELAY_LATER || command == IDM_AUDIO_DELAY_EARLIER ||
                       command == IDM_AUDIO_DELAY_RESET;
    const bool subtitle = command == IDM_SUBTITLE_DELAY_LATER ||
                          command == IDM_SUBTITLE_DELAY_EARLIER ||
                          command == IDM_SUBTITLE_DELAY_RESET;
    if (!audio && !subtitle) {
        return {};
    }
    const int delay = audio ? state.audioDelay : state.subtitleDelay;
    QString text = language.GetCodeText(audio ? QStringLiteral("AUDIO_DELAY")
                                              : QStringLiteral("SUBTITLE_DELAY"));
    if (!text.contains(QStringLiteral("%s"))) {
        text =
            audio ? QStringLiteral("Audio delay: %s ms") : QStringLiteral("Subtitle delay: %s ms");
    }
    return text.replace(QStringLiteral("%s"),
                        delay == 0 ? QStringLiteral("0") : QString::asprintf("%+d", delay));
}

}  // namespace

void PlayerBars::ClearTexts(bool keepNotice) {
    for (int part = 0; part <= 6; ++part) {
        status->SetText(part, QString());
    }
    if (keepNotice && !notice.isEmpty() && static_cast<int>(noticeUntil - TickCount()) > 0) {
        status->SetText(0, notice);
    }
}

void PlayerBars::ShowNotice(const QString& text, unsigned milliseconds) {
    notice = text;
    noticeUntil = TickCount() + milliseconds;
    status->SetText(0, notice);
}

CPlayerDlg::CPlayerDlg(CPlayerCommandLineInfo* commandLine, CLanguageFile* language,
                       CSettings* settings, QWidget* parent)
    : QDialog(parent),
      settings(settings),
      language(language),
      commandLine(commandLine),
      client(new PlayerClientArea(
          this, [this](QPainter& painter) { OnPaint(painter); }, MouseInput())) {
    setObjectName(QString::fromLatin1(kPlayerWindowClass));
    setAcceptDrops(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    splashPicture.load(velvaro::art::JpegResource(IDR_MAIN));
    session.SetOpeningQuery([this] { return session.Opener().Busy(); });
    connect(&session.Opener(), &MediumOpener::soundTrackSettled, this,
            &CPlayerDlg::OnSoundTrackSettled);
    session.Opener().SetHost([this] {
        int width = 0;
        int height = 0;
        videoArea.GetVideoAreaSize(&width, &height);
        return MediumOpener::Host{QRect(0, videoArea.Bars().TopOffset(), width, height),
                                  borderColour};
    });
    connect(&session.Opener(), &MediumOpener::opened, this, [this] { OnOpenSettled({}); });
    connect(&session.Opener(), &MediumOpener::failed, this,
            [this](const QString&, const QString& reason) { OnOpenSettled(reason); });
    AddCommands();
    connect(&session, &PlayerSession::stateChanged, this, &CPlayerDlg::DrawState);
    session.Playback().SetPlayGate([this] {
        if (this->settings->startFullscreen) {
            fullscreen.EnterFullscreen();
        }
        dialogs.RunPlaybackDelay();
        return session.Player() != nullptr;  // it may have been closed meanwhile
    });
    // A command may have moved a still player.
    connect(&session, &PlayerSession::executed, this, [this] { session.Events().Wake(); });
    // Each step of a delay shows where it stands now, for a few seconds.
    connect(&session, &PlayerSession::executed, this, [this](int command) {
        if (const QString text = DelayText(command, session.State(), *this->language);
            !text.isEmpty() && session.Commands().IsEnabled(command)) {
            bars.ShowNotice(text, 3000);
        }
    });
    EngineEvents& events = session.Events();
    connect(&events, &EngineEvents::ticked, this, &CPlayerDlg::OnClockTick);
    connect(&events, &EngineEvents::discEvent, this,
            [this](long code, long param) { disc.OnEvent(code, param); });
    connect(&events, &EngineEvents::ended, this, &CPlayerDlg::OnMediumEnded);
    // A drag and a notice move without the player.
    events.SetHold(
        [this] { return drag.dragging || static_cast<int>(bars.noticeUntil - TickCount()) > 0; });
}

CPlayerDlg::~CPlayerDlg() {
    if (qApp) {
        qApp->removeEventFilter(this);
    }
    instanceListener.reset();
    CancelOpening();
    CloseEngine();
    // Not in GStreamer when the program ends.
    velvaro::engine::WaitForOpeningThreads(std::chrono::seconds(1));
}

int CPlayerDlg::exec() {
    if (!initialised) {
        OnInitDialog();
    }
    // Not QDialog::exec: changing window flags re-creates the native window,
    // and hiding it on the way would end that loop.
    setWindowModality(Qt::ApplicationModal);
    show();
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
    return result();
}

bool CPlayerDlg::OnInitDialog() {
    initialised = true;
    QIcon icon(velvaro::art::IconResource(IDR_MAINFRAME));
    icon.addFile(velvaro::art::SmallIconResource(IDR_MAINFRAME));
    setWindowIcon(icon);
    SetProcessPriorityClass(settings->processPriority);

    windowMenus.BuildMenus();
    windowMenus.BuildRecentMenu();
    MigrateRegistry(*settings);
    RegisterFileType();
    RepairAssociations();

    CreateBars();
    positionPreview.Attach();
    bars.normalImages.load(velvaro::art::BitmapResource(IDB_TOOLBARNORMAL));
    bars.hoverImages.load(velvaro::art::BitmapResource(IDB_TOOLBARHOVER));
    windowMenus.CreateToolBar();
    windowMenus.SeedCommandStates();
    videoArea.PlaceControlBars();

    windowMenus.TranslateWindow();
    frame.ApplyStoredViewSettings();

    const bool compactOption = commandLine->GetCompact() != 0;
    const bool noCompactOption = commandLine->GetNoCompact() != 0;
    bool compact = settings->compactView != 0 && !noCompactOption;
    if (compactOption && !noCompactOption) {
        compact = true;
    } else if (compactOption && noCompactOption) {
        compact = settings->compactView != 0;
    }
    if (compact) {
        settings->compactView = 0;
        frame.ToggleCompactView();
    }

    bars.status->SetText(7, QStringLiteral("\t\t") + GetProductVersion());
    if (const auto setAside = velvaro::platform::TakeSetAsideRegistry()) {
        bars.ShowNotice(QStringLiteral("The settings were reset: the settings file was damaged. "
                                       "The old file is kept as %1.")
                            .arg(QString::fromStdString(*setAside)));
    } else if (const auto readOnly = velvaro::platform::TakeReadOnlyRegistry()) {
        bars.ShowNotice(QStringLiteral("Changes to the settings will not be saved: the settings "
                                       "file %1 cannot be written.")
                            .arg(QString::fromStdString(*readOnly)));
    }

    playlist.End();
    ShowIdleLayout();
    bookmarks.Create();

    // A second start's records come as calls; only the socket is shared.
    instanceListener = std::make_unique<InstanceListener>(
        QString::fromLatin1(kPlayerWindowClass),
        [this](WPARAM wParam, LPARAM lParam) -> LRESULT {
            OnInstanceParam(wParam, lParam);
            session.Events().Wake();
            return 0;
        },
        [](UINT wParam, bool hasText) { return hand_over::IsHandOverRecord(wParam, hasText); });
    qApp->installEventFilter(this);
    remote.Start();

    ApplyStartOptions();

    const bool startsCompact = compact;
    if (commandLine->GetNoBorder() && commandLine->GetNoSplash() && startsCompact) {
        // Still unset while it opens, so the open centres the window on the video.
        OpenStartupMedium();
        startupMediumHandled = true;
    }
    return true;
}

// The status bar, and the position bar's row with the volume slider; the
// toolbar comes separately, as it is made again after a settings change.
void CPlayerDlg::CreateBars() {
    bars.status = new PlayerStatusBar(client);
    bars.status->setObjectName(QStringLiteral("AFX_IDW_STATUS_BAR"));
    bars.status->SetParts(kStatusParts);
    bars.status->show();
    bars.position = new CClickSlider(client);
    bars.position->setObjectName(QStringLiteral("ID_Slider"));
    bars.position->setRange(0, 0);
    bars.position->show();
    bars.volume = new CClickSlider(client);
    bars.volume->setObjectName(QStringLiteral("ID_VolumeSlider"));
    bars.volume->setTickPosition(QSlider::NoTicks);
    bars.volume->setRange(0, 100);
    bars.volume->setPageStep(1);
    bars.volume->show();
    // Both act on the medium, so they wait for one being opened. Only page,
    // track and position codes count, and only with an engine.
    const auto onScroll = [this](CClickSlider* slider, std::function<void(int code)> act) {
        connect(slider, &CClickSlider::scrolled, this, [this, act](int code) {
            ForMedium(session, [this, act, code] {
                if (code >= SB_PAGELEFT && code <= SB_THUMBTRACK && Player()) {
                    setFocus();
                    act(code);
                }
                session.Events().Wake();
            });
        });
    };
    // The thumb dragged pauses the engine and the picture follows it, key
    // frame by key frame; where it rests and where it lands are exact seeks,
    // the clock's and a seek command.
    onScroll(bars.position, [this](int code) {
        if (code != SB_THUMBTRACK) {
            if (drag.dragging) {
                qCInfo(lcBench, "thumb let go at %d at %.3f ms", bars.position->value(),
                       velvaro::platform::MonotonicMilliseconds());
            }
            session.Execute(value_command::kSeek, bars.position->value());
            return;
        }
        drag.lastTick = TickCount();
        if (!drag.dragging) {
            drag.lastSeek = -1;
            qCInfo(lcBench, "thumb taken at %d at %.3f ms", bars.position->value(),
                   velvaro::platform::MonotonicMilliseconds());
        }
        drag.dragging = true;
        Player()->Pause();
        Player()->ScrubTo(bars.position->value());
    });
    onScroll(bars.volume, [this](int) {
        session.Execute(value_command::kVolume,
                        volume_slider::VolumeFromPosition(bars.volume->value()));
    });
    const int rowHeight = bars.position->sizeHint().height();
    bars.position->resize(kSplashWidth - kVolumeSliderWidth, rowHeight);
    bars.volume->resize(kVolumeSliderWidth, rowHeight);
}

void CPlayerDlg::ShowIdleLayout() {
    bars.position->setValue(0);
    bars.position->setEnabled(false);
    bars.volume->setValue(0);
    bars.volume->setEnabled(false);
    if (startupMediumHandled) {
        showNormal();
    }
    frame.ModifyStyle(WS_THICKFRAME | WS_MAXIMIZEBOX, WS_CLIPCHILDREN);
    setWindowTitle(kCaptionBase);
    // A start without a medium still shows what the store had to say.
    bars.ClearTexts(true);
    windowMenus.ResetMenus(playlist.Active());
    const int splashHeight = videoArea.SplashHeight();
    for (int pass = 0; pass < 2; ++pass) {
        frame.ResizeWindow(
            WindowSizeFor({kSplashWidth, splashHeight}, videoArea.FrameSize(), videoArea.Bars()));
    }
    videoArea.PlaceControlBars();
    if (settings->positionBar) {
        videoArea.PlaceSliders(kSplashWidth, videoArea.Bars().TopOffset() + splashHeight);
    }
}

void CPlayerDlg::OnPaint(QPainter& painter) {
    painter.fillRect(client->rect(), QColor(borderColour & 0xFF, (borderColour >> 8) & 0xFF,
                                            (borderColour >> 16) & 0xFF));
    if (isMinimized()) {
        return;
    }
    const bool showsVideo = session.Player() && videoArea.HasVideo();
    if (!showsVideo && !commandLine->GetNoSplash() && !splashPicture.isNull()) {
        painter.drawPixmap(
            QRect(0, videoArea.Bars().TopOffset(), kSplashWidth, videoArea.SplashHeight()),
            splashPicture);
    }
    OpenStartupMediumOnce();
}

void CPlayerDlg::OpenStartupMediumOnce() {
    if (startupMediumHandled) {
        return;
    }
    velvaro::platform::NoteStartMoment("window shown");
    // Not before: on two cores it would slow the first window.
    velvaro::engine::StartMediaFramework();
    startupMediumHandled = true;
    // Queued: not inside a paint, as opening resizes and repaints the window,
    // and after the paint that the window's first exposure brings.
    QMetaObject::invokeMethod(this, &CPlayerDlg::OpenStartupMedium, Qt::QueuedConnection);
}

void CPlayerDlg::closeEvent(QCloseEvent* event) {
    // An open under way is dropped; one that is showing its box ends first.
    closing = true;
    CancelOpening();
    if (opening.depth > 0) {
        opening.closeAfter = true;
        event->ignore();
        return;
    }
    event->accept();
    done(0);
}

// The title says whether the medium plays; the sliders show the volume and
// the marked range.
void CPlayerDlg::DrawState(const PlayerState& now, const PlayerState& before) {
    // Without a medium the title is the program's alone.
    if (now.play != before.play && !now.name.isEmpty()) {
        SetTitleSuffix(now.play == State_Running  ? QStringLiteral(" - PLAY")
                       : now.play == State_Paused ? QStringLiteral(" - PAUSE")
                                                  : QStringLiteral(" - STOP"));
        if (now.play == State_Running) {
            session.Events().Wake();
        }
    }
    if (now.volume != before.volume) {
        bars.volume->setValue(now.volume ? volume_slider::PositionFromVolume(*now.volume) : 0);
    }
    if (now.shownMarks != before.shownMarks) {
        if (now.shownMarks) {
            bars.position->SetSelection(now.shownMarks->start, now.shownMarks->end);
        } else {
            bars.position->ClearSelection();
        }
        bars.position->update();
    }
}

void CPlayerDlg::ApplySettings() {
    windowMenus.CreateToolBar();
    windowMenus.SeedCommandStates();
    videoArea.PlaceControlBars();
    videoArea.PlaceControlBars();
    frame.FitWindowToBars();
    SetProcessPriorityClass(settings->processPriority);
    if (session.State().play == State_Running) {
        if (settings->deactivatePowerManagement) {
            session.Playback().HoldOffPowerSaving();
        } else {
            session.Playback().RestorePowerSaving();
        }
    }
    settings->ParseDisplaySettings();
}
