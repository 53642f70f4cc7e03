#include "ui/WindowDialogs.h"

#include "controls/UrlOpener.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CAudioSettingsDlg.h"
#include "dialogs/CCodecDlg.h"
#include "dialogs/CPlaybackDelayDlg.h"
#include "dialogs/CSettingsDlg.h"
#include "dialogs/CShutdownDlg.h"
#include "dialogs/CUpdateDlg.h"
#include "dialogs/DialogSupport.h"
#include "engine/CMediaPlayer.h"
#include "i18n/CLanguageFile.h"
#include "platform/PowerOff.h"
#include "platform/ProductAddresses.h"
#include "session/PlayerSession.h"
#include "settings/CSettings.h"
#include "ui/FullscreenView.h"
#include "ui/WindowMenus.h"

#include <utility>

WindowDialogs::WindowDialogs(ViewParts parts, CLanguageFile& language, WindowMenus& menus,
                             FullscreenView& fullscreen, std::function<void()> applySettings,
                             std::function<void()> exit)
    : parts_(std::move(parts)),
      language_(language),
      menus_(menus),
      fullscreen_(fullscreen),
      applySettings_(std::move(applySettings)),
      exit_(std::move(exit)) {}

void WindowDialogs::RunShutdownCountdown() {
    // No parent: a window of its own, shown even over a minimised player.
    CShutdownDlg dialog(&language_);
    if (dialog.DoModal() != IDCANCEL) {
        PowerOffSystem();
    }
}

void WindowDialogs::RunPlaybackDelay() {
    // Its key-up will reach the countdown, not the window.
    if (parts_.settings.playbackDelay == 0 || !parts_.session.TakeControlDown()) {
        return;
    }
    const bool cursor = fullscreen_.ShowCursorForDialog();
    CPlaybackDelayDlg dialog(&language_, parts_.settings.playbackDelay, &parts_.window);
    countingDown_ = true;
    dialog.DoModal();
    countingDown_ = false;
    fullscreen_.RestoreCursorAfterDialog(cursor);
}

void WindowDialogs::OnAudioSettings() {
    CMediaPlayer* player = parts_.engine();
    if (!player || player->HasAudio() != S_OK) {
        return;
    }
    const bool cursor = fullscreen_.ShowCursorForDialog();
    if (!audioSettings_) {
        audioSettings_ = new CAudioSettingsDlg(&parts_.window);
    }
    if (audioSettings_->Show(player, &language_) == IDOK) {
        parts_.session.Playback().ShowVolume();
    }
    fullscreen_.RestoreCursorAfterDialog(cursor);
}

void WindowDialogs::OnMediaProperties() {
    if (!codec_) {
        codec_ = new CCodecDlg(&parts_.window);
    }
    codec_->Show(parts_.engine(), &language_);
}

// The language, the general settings and the associations are applied only
// when their page changed them.
void WindowDialogs::OnSettings() {
    CSettings& settings = parts_.settings;
    const bool cursor = fullscreen_.ShowCursorForDialog();
    settings.generalChanged = 0;
    settings.playbackChanged = 0;
    settings.languageChanged = 0;
    settings.associationsChanged = 0;
    int result = 0;
    {
        CSettingsDlg dialog(language_, settings, &parts_.window);
        result = dialog.DoModal();
    }
    if (result == QDialog::Accepted) {
        if (settings.languageChanged) {
            LoadChosenLanguage();
            menus_.TranslateWindow();
        }
        if (settings.generalChanged) {
            applySettings_();
        }
        if (settings.associationsChanged) {
            settings.ApplyAssociations();
        }
        settings.Save();
    }
    fullscreen_.RestoreCursorAfterDialog(cursor);
}

void WindowDialogs::LoadChosenLanguage() {
    const CSettings& settings = parts_.settings;
    if (settings.languageType == 1) {
        language_.LoadFile(QString::fromStdString(settings.languageFile));
    } else if (settings.languageType == 0) {
        const QString name = QString::fromStdString(settings.languageResource);
        language_.LoadResource(language_.GetSymbols().GetId(name));
    }
}

void WindowDialogs::OnAbout() {
    const bool cursor = fullscreen_.ShowCursorForDialog();
    CAboutDlg dialog(&parts_.window);
    dialog.DoModal();
    fullscreen_.RestoreCursorAfterDialog(cursor);
}

// Only with a language: the update's texts all come from it. Once the new
// program has started, this one makes way for it.
void WindowDialogs::OnUpdate() {
    if (language_.GetSource() == CLanguageFile::Source::None) {
        return;
    }
    const bool cursor = fullscreen_.ShowCursorForDialog();
    CUpdateDlg dialog(&language_, &parts_.window);
    const int result = dialog.DoModal();
    fullscreen_.RestoreCursorAfterDialog(cursor);
    if (result == IDOK) {
        exit_();
    }
}

// Whether a browser came up is not checked.
void WindowDialogs::OnDonate() {
    OpenUrl(QUrl(QString::fromLatin1(velvaro::kDonationUrl)));
}

// A playlist advancing or a second start handing over a file can replace
// the engine while a dialog runs its own loop.
void WindowDialogs::ReleaseEngineDialogs() {
    if (audioSettings_) {
        audioSettings_->EngineClosed();
    }
    if (codec_) {
        codec_->EngineClosed();
    }
}
