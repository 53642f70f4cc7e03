// The online update: a worker thread asks the update server for the newest
// version, shows the history, asks the user and downloads the new program
// next to the old one, then starts it to replace the old file. The dialog
// shows each step; it and the worker share only atomic fields.
#pragma once

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <memory>

class CLanguageFile;
class QThread;

class CUpdateDlg : public QDialog {
public:
    // The answer states the worker and the button share.
    enum Answer { kNoAnswer = 0, kWaiting = 4, kYes = 6, kCancelled = 7 };

    explicit CUpdateDlg(const CLanguageFile* language, QWidget* parent = nullptr);
    ~CUpdateDlg() override;

    // IDOK (1) when the new program was started, else IDCANCEL (2).
    int DoModal();

    QString StatusText() const;
    QString ButtonText() const;
    int Answer() const { return shared_.answer; }
    bool WorkerStarted() const { return worker_ != nullptr; }
    bool WorkerFinished() const;
    // Rows of the history list, each its cells joined by '|'.
    QStringList HistoryRows() const;
    int ProgressMaximum() const;
    int ProgressValue() const;

    void done(int result) override;
    void reject() override;

    // The worker's way to the controls; each call is queued onto the
    // dialog's thread.
    void PostStatus(const QString& text);
    void PostButtonText(const QString& text);
    void PostProgressRange(qint64 maximum);
    void PostProgress(qint64 position);
    void PostHistoryRow(const QString& build);
    void PostHistoryCell(int column, const QString& text);

    struct Shared {
        std::atomic<bool> running{false};
        std::atomic<int> answer{kNoAnswer};
        std::atomic<bool> launched{false};
        std::atomic<bool> declined{false};
    };

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnInitDialog();
    void StartWorker();
    void OnButton();
    void OnTimer();
    void Cancel();
    void WaitForWorker();

    const CLanguageFile* language_;
    Shared shared_;
    std::unique_ptr<QThread> worker_;
    QTimer poll_{this};  // every 40 ms while the worker runs
    bool initialised_ = false;
    bool painted_ = false;
    bool closing_ = false;
    // The template's controls; their names are resource symbols, which
    // resource.h defines as macros, so they stay out of this header.
    struct Controls;
    std::unique_ptr<Controls> ui_;
};
