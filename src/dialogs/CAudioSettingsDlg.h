// Volume and balance of the playing medium, applied live through its engine,
// with the choice of keeping the change (OK) or undoing it (Cancel). The
// window owns one and shows it modally for its current engine each time.
#pragma once

#include <QDialog>

#include <memory>

class CClickSlider;
class CLanguageFile;
class CMediaPlayer;
class QKeyEvent;

class CAudioSettingsDlg : public QDialog {
public:
    explicit CAudioSettingsDlg(QWidget* parent = nullptr);
    ~CAudioSettingsDlg() override;

    // Runs the dialog modally for `player`, neither owned: IDOK (1) when the
    // change is kept, IDCANCEL (2) when it was undone.
    int Show(CMediaPlayer* player, const CLanguageFile* language);
    // The engine is going away: forget it and, if showing, close (IDCANCEL)
    // without touching it again.
    void EngineClosed();

    CClickSlider* VolumeSlider() const;
    CClickSlider* BalanceSlider() const;

    // Cancel, Escape and the close box: the engine gets back what it had.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnInitDialog();
    void OnHScroll(int code, const CClickSlider* slider);
    void OnReset();
    void OnOK();

    CMediaPlayer* player_ = nullptr;
    const CLanguageFile* language_ = nullptr;
    // As read when the dialog opened.
    int volume_ = 0;
    int balance_ = 0;
    // The template's controls; their names are resource symbols, which
    // resource.h defines as macros, so they stay out of this header.
    struct Controls;
    std::unique_ptr<Controls> ui_;
};
