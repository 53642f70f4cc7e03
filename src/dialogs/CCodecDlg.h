// The medium's properties: its duration and the filters of its graph that
// have property pages, whose pages it opens.
#pragma once

#include <QDialog>

#include <memory>

class CLanguageFile;
class CMediaPlayer;
class QListWidget;

class CCodecDlg : public QDialog {
public:
    explicit CCodecDlg(QWidget* parent = nullptr);
    ~CCodecDlg() override;

    // Runs the dialog modally for `player` (none is allowed), neither owned.
    int Show(CMediaPlayer* player, const CLanguageFile* language);
    // The engine is going away: forget it and, if showing, close.
    void EngineClosed();

    // "%.2i:%.2i:%.2i,%.3i" of a duration in hundredths of a second; the
    // thousandths always read 000.
    static QString DurationText(int hundredths);

    QListWidget* FilterList() const;
    QString Duration() const;

private:
    void OnInitDialog();
    void OnProperties();

    CMediaPlayer* player_ = nullptr;
    const CLanguageFile* language_ = nullptr;
    // The template's controls; their names are resource symbols, which
    // resource.h defines as macros, so they stay out of this header.
    struct Controls;
    std::unique_ptr<Controls> ui_;
};
