// The about box: version and build, credits, and links to the web site and
// the support mail. English only, as it names people and addresses.
#pragma once

#include <QDialog>

#include <memory>

class CHyperLink;

class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // Shows the box modally; IDOK (1) for OK or Enter, IDCANCEL (2) for
    // Escape or the close box.
    int DoModal();

    QString VersionText() const;
    CHyperLink* HomepageLink() const;
    CHyperLink* EmailLink() const;

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();

    // The template's controls; their names are resource symbols, which
    // resource.h defines as macros, so they stay out of this header.
    struct Controls;
    std::unique_ptr<Controls> ui_;
};
