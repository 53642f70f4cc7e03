// The countdown before the machine powers off after playback: fifteen
// seconds to cancel. It only counts and answers; the window that runs it
// makes the request.
#pragma once

#include <QDialog>
#include <QTimer>

#include <memory>

class CLanguageFile;

class CShutdownDlg : public QDialog {
public:
    explicit CShutdownDlg(const CLanguageFile* language, QWidget* parent = nullptr);
    ~CShutdownDlg() override;

    // Runs the countdown modally: IDOK (1) when it ran out, IDCANCEL (2)
    // when the button, Escape or the close box stopped it.
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
    int secondsLeft_ = 15;
    bool initialised_ = false;
    QTimer countdown_{this};  // every second while it shows
    // The template's controls; their names are resource symbols, which
    // resource.h defines as macros, so they stay out of this header.
    struct Controls;
    std::unique_ptr<Controls> ui_;
};
