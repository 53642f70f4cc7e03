// The countdown before a delayed start of playback. Whichever way it ends,
// the window starts playing afterwards; the button just ends it at once.
#pragma once

#include <QDialog>
#include <QTimer>

#include <memory>

class CLanguageFile;

class CPlaybackDelayDlg : public QDialog {
public:
    CPlaybackDelayDlg(const CLanguageFile* language, int seconds, QWidget* parent = nullptr);
    ~CPlaybackDelayDlg() override;

    // Runs the countdown modally: IDOK (1) when it ran out, IDCANCEL (2)
    // when the button (or Escape, or the close box) ended it early.
    int DoModal();

    int SecondsLeft() const { return secondsLeft_; }
    QString CountdownText() const;

    void done(int result) override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void OnTimer();

    const CLanguageFile* language_;
    int secondsLeft_;
    bool initialised_ = false;
    QTimer countdown_{this};  // every second while it shows
    // The template's controls; their names are resource symbols, which
    // resource.h defines as macros, so they stay out of this header.
    struct Controls;
    std::unique_ptr<Controls> ui_;
};
