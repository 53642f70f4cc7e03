// The window's lifecycle: construction, initialisation, the state without a
// medium, painting, destruction, process priority and power saving.
#include "ui/CPlayerDlg.h"

#include "art/ArtResources.h"
#include "controls/CClickSlider.h"
#include "controls/VolumeSliderScale.h"
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"
#include "i18n/CToolButtonTable.h"
#include "i18n/ui/MenuBuilder.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "platform/InstanceChannel.h"
#include "platform/Paths.h"
#include "platform/PowerSaving.h"
#include "platform/ProcessPriority.h"
#include "resource.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"
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

#include <cmath>

namespace {

// Status part right edges; -1 reaches the window's edge.
constexpr std::array<int, PlayerStatusBar::kParts> kStatusParts = {50,  100, 150, 200,
                                                                   270, 340, 410, -1};

// "1, 2, 0, 3" -> "1.2.0.3"
QString ProductVersion() {
    QString text = QStringLiteral(VELVARO_PRODUCT_VERSION);
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    text.remove(QLatin1Char(' '));
    return text;
}

}  // namespace

CPlayerDlg::CPlayerDlg(CPlayerCommandLineInfo* commandLine, CLanguageFile* language,
                       CSettings* settings, QWidget* parent)
    : QDialog(parent),
      settings(settings),
      language(language),
      commandLine(commandLine),
      toolbarButtons(std::make_unique<CToolButtonTable>()) {
    setObjectName(QString::fromLatin1(kPlayerWindowClass));
    setAcceptDrops(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    icon = QIcon(velvaro::art::IconResource(IDR_MAINFRAME));
    icon.addFile(velvaro::art::SmallIconResource(IDR_MAINFRAME));
    handCursor = QCursor(QPixmap(velvaro::art::CursorResource(IDC_HANDPOINT)),
                         velvaro::art::kHandCursorHotspotX, velvaro::art::kHandCursorHotspotY);
    splashPicture.load(velvaro::art::JpegResource(IDR_MAIN));
    if (commandLine->GetNoSplash()) {
        splashHeight = 0;
    }
    lastMouseMoveTick = TickCount();
    AddStandardToolButtons(*toolbarButtons);
    client = new PlayerClientArea(this);
}

CPlayerDlg::~CPlayerDlg() {
    OnDestroy();
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
    setWindowIcon(icon);
    ApplyProcessPriority();

    BuildMenus();
    BuildRecentMenu();
    MigrateRegistry(*settings);

    CreateStatusBar();
    toolbarNormal.load(velvaro::art::BitmapResource(IDB_TOOLBARNORMAL));
    toolbarHover.load(velvaro::art::BitmapResource(IDB_TOOLBARHOVER));
    CreateToolBar();
    CreateSliders();
    PlaceControlBars();

    TranslateWindow();
    ApplyStoredViewSettings();

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
        ToggleCompactView();
    }

    programPath = QString::fromStdString(velvaro::platform::ProgramFile());
    versionText = ProductVersion();
    statusBar->SetText(7, QStringLiteral("\t\t") + versionText);

    playlist.clear();
    playlistPosition = 0;
    ShowIdleLayout();

    instanceListener = std::make_unique<InstanceListener>(QString::fromLatin1(kPlayerWindowClass),
                                                          this, WM_INSTANCE_PARAM);
    qApp->installEventFilter(this);

    ApplyStartOptions();

    const bool startsCompact = compact;
    if (commandLine->GetNoBorder() && commandLine->GetNoSplash() && startsCompact) {
        startupMediumHandled = true;
        OpenStartupMedium();
    }
    return true;
}

void CPlayerDlg::BuildMenus() {
    mainMenu = LoadMenuBar(IDR_MENU_Framedeck);
    if (!mainMenu) {
        mainMenu = std::make_unique<QMenuBar>();
    }
    mainMenu->setParent(this);
    mainMenu->setNativeMenuBar(false);
    contextMenu = LoadPopupMenu(IDR_MENU_CONTEXT);
    if (!contextMenu) {
        contextMenu = std::make_unique<QMenu>();
    }
    menuDirectory = std::make_unique<PopupRegistry>();
    menuDirectory->RegisterStandardPopups(mainMenu.get(), contextMenu.get());
    menuStates = std::make_unique<MenuStates>(mainMenu.get(), contextMenu.get());
    ConnectMenus();
    mainMenu->show();
}

void CPlayerDlg::CreateStatusBar() {
    statusBar = new PlayerStatusBar(client);
    statusBar->setObjectName(QStringLiteral("AFX_IDW_STATUS_BAR"));
    statusBar->SetParts(kStatusParts);
    statusBar->show();
}

void CPlayerDlg::CreateSliders() {
    positionSlider = new CClickSlider(ID_Slider, this, client);
    positionSlider->setObjectName(QStringLiteral("ID_Slider"));
    positionSlider->setRange(0, 0);
    positionSlider->show();
    volumeSlider = new CClickSlider(ID_VolumeSlider, this, client);
    volumeSlider->setObjectName(QStringLiteral("ID_VolumeSlider"));
    volumeSlider->setTickPosition(QSlider::NoTicks);
    volumeSlider->setRange(0, 100);
    volumeSlider->setPageStep(1);
    volumeSlider->show();
    const int rowHeight = positionSlider->sizeHint().height();
    positionSlider->resize(splashWidth - volumeSliderWidth, rowHeight);
    volumeSlider->resize(volumeSliderWidth, rowHeight);
}

void CPlayerDlg::TranslateWindow() {
    language->TranslateMainMenu(mainMenu.get(), contextMenu.get(), *menuDirectory);
    language->TranslateToolBar(toolbar, *toolbarButtons);
    language->TranslateDialog(this, QStringLiteral("IDD_FRAMEDECK_DIALOG"));
}

// Each toggle flips its setting, so a bar that is stored as hidden is first
// marked shown and then toggled off.
void CPlayerDlg::ApplyStoredViewSettings() {
    if (settings->alwaysOnTop) {
        settings->alwaysOnTop = 0;
        ToggleAlwaysOnTop();
    }
    if (settings->aspectRatio == 0) {
        SetMenuCheck(IDM_VIDEO_ASPECTRATIO, MF_UNCHECKED);
    }
    if (settings->titleBar == 0) {
        settings->titleBar = 1;
        ToggleTitleBar();
    }
    if (settings->menuBar == 0) {
        settings->menuBar = 1;
        ToggleMenuBar();
    }
    if (settings->toolBar == 0) {
        settings->toolBar = 1;
        ToggleToolBar();
    }
    if (settings->positionBar == 0) {
        settings->positionBar = 1;
        TogglePositionBar();
    }
    if (settings->statusBar == 0) {
        settings->statusBar = 1;
        ToggleStatusBar();
    }
}

void CPlayerDlg::ShowIdleLayout() {
    positionSlider->setValue(0);
    positionSlider->setEnabled(false);
    volumeSlider->setValue(0);
    volumeSlider->setEnabled(false);
    if (startupMediumHandled) {
        showNormal();
    }
    ModifyStyle(WS_THICKFRAME | WS_MAXIMIZEBOX, WS_CLIPCHILDREN);
    setWindowTitle(captionBase);
    for (int part = 0; part <= 6; ++part) {
        statusBar->SetText(part, QString());
    }
    ResetMenus();
    for (int pass = 0; pass < 2; ++pass) {
        const QSize frame = FrameSize();
        ResizeWindow(splashWidth + frame.width(), splashHeight + ToolBarHeight() +
                                                      PositionBarHeight() + StatusBarHeight() +
                                                      frame.height());
    }
    PlaceControlBars();
    const int top = TopOffset() + splashHeight;
    if (settings->positionBar) {
        positionSlider->setGeometry(0, top, splashWidth - volumeSliderWidth,
                                    positionSlider->height());
        volumeSlider->setGeometry(splashWidth - volumeSliderWidth, top, volumeSliderWidth,
                                  volumeSlider->height());
    }
}

void CPlayerDlg::OnPaint(QPainter& painter) {
    painter.fillRect(client->rect(), QColor(borderColour & 0xFF, (borderColour >> 8) & 0xFF,
                                            (borderColour >> 16) & 0xFF));
    if (isMinimized()) {
        return;
    }
    const bool showsVideo = player && HasVideo();
    if (!showsVideo && !commandLine->GetNoSplash() && !splashPicture.isNull()) {
        const int top = settings->toolBarPos == 0 ? ToolBarHeight() : 0;
        painter.drawPixmap(QRect(0, top, splashWidth, splashHeight), splashPicture);
    }
    if (!startupMediumHandled) {
        startupMediumHandled = true;
        // Not inside the paint: opening resizes and repaints the window.
        QMetaObject::invokeMethod(this, &CPlayerDlg::OpenStartupMedium, Qt::QueuedConnection);
    }
}

void CPlayerDlg::OnExit() {
    done(0);
}

void CPlayerDlg::closeEvent(QCloseEvent* event) {
    event->accept();
    done(0);
}

void CPlayerDlg::OnDestroy() {
    if (destroyed) {
        return;
    }
    destroyed = true;
    if (qApp) {
        qApp->removeEventFilter(this);
    }
    instanceListener.reset();
    if (filePlayer && filePlayer->HasAudio() == S_OK) {
        StoreVolumeAndBalance();
    }
    SaveResumePosition();
    RestorePowerSaving();
    player = nullptr;
    filePlayer.reset();
}

void CPlayerDlg::ApplyProcessPriority() {
    SetProcessPriorityClass(settings->processPriority);
}

void CPlayerDlg::DisablePowerSaving() {
    if (player && HasVideo()) {
        SetPowerSavingActive(false);
        powerSavingDisabled = true;
    }
}

void CPlayerDlg::RestorePowerSaving() {
    if (player && HasVideo() && powerSavingDisabled) {
        SetPowerSavingActive(true);
        powerSavingDisabled = false;
    }
}

void CPlayerDlg::ApplySettings() {
    CreateToolBar();
    PlaceControlBars();
    PlaceControlBars();
    FitWindowToBars();
    ApplyProcessPriority();
    if (playState == State_Running) {
        if (settings->deactivatePowerManagement) {
            DisablePowerSaving();
        } else {
            RestorePowerSaving();
        }
    }
    settings->ParseDisplaySettings();
}

// The settings dialog arrives with its own change; until then the command
// has nothing to open.
void CPlayerDlg::OnSettings() {}

QString CPlayerDlg::StatusText(int part) const {
    return statusBar ? statusBar->Text(part) : QString();
}

int CPlayerDlg::VolumeFromSliderPosition(int position) {
    return volume_slider::VolumeFromPosition(position);
}

int CPlayerDlg::SliderPositionFromVolume(int volume) {
    return volume_slider::PositionFromVolume(volume);
}
