// The settings dialog: a tree of categories on the left and the chosen
// category's page on the right. Every page edits one working copy; OK hands
// it to the application's settings, Cancel forgets it.
#pragma once

#include <QDialog>

#include <memory>

class CLanguageFile;
class CSettings;
class QTreeWidgetItem;

class CSettingsDlg : public QDialog {
public:
    CSettingsDlg(CLanguageFile& language, CSettings& settings, QWidget* parent = nullptr);
    ~CSettingsDlg() override;

    // QDialog::Accepted (IDOK) when the settings took the working copy.
    int DoModal();

    QWidget* CurrentPage() const { return page_.get(); }
    const CSettings& WorkingCopy() const { return *copy_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    void OnSelectionChanged(QTreeWidgetItem* item);
    void ShowPage(std::unique_ptr<QWidget> page, const QString& title);
    void WidenForPage();
    void PlacePage();
    void OnOK();

    CLanguageFile& language_;
    CSettings& settings_;
    std::unique_ptr<CSettings> copy_;
    std::unique_ptr<QWidget> page_;
    bool initialised_ = false;
    struct Controls;
    std::unique_ptr<Controls> ui_;
    struct Items;
    std::unique_ptr<Items> items_;
};
