// The playlist editor: the computer's folders on the left, the playlist's
// video and audio paths on the right. It works on its own rows and hands
// them to the window's playlist only on OK or a save.
#pragma once

#include "docs/PlaylistFile.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class CLanguageFile;

class CPlaylistDlg : public QDialog {
public:
    static constexpr int kSaved = 107;  // closed after a save

    explicit CPlaylistDlg(QWidget* parent = nullptr);
    ~CPlaylistDlg() override;

    // Runs modally in mode "NEU" or "BEARBEITEN" over the window's playlist: `entries` in
    // playlist order and its `fileName`, both replaced by the list on OK and on the two
    // saves (mode "NEU" also clears fileName first); `dirTree` is the PlaylistDirTree
    // setting, selected at start and set to the tree's selected path on OK.
    // Returns IDOK, kSaved or IDCANCEL (nothing changed).
    int Run(const QString& mode, std::vector<velvaro::docs::PlaylistEntry>& entries,
            std::string& fileName, std::string& dirTree, const CLanguageFile* language);

    // Cancel, Escape and the close box: IDCANCEL, nothing handed over.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    void SetButtonStates();
    void OnSelChangedDirTree();
    void OnVideoNew();
    void OnReplace(int column);
    void OnDelete();
    void OnDeleteAll();
    void OnDeltaposSpin(int delta);
    void OnDropFiles(const QStringList& paths);
    void OnButtonOk();
    void OnButtonSave(bool askName);
    void TakeOverList();

    int SelectedRow() const;
    void SelectRow(int row);
    void InsertRow(int row, const QString& video, const QString& audio);
    bool IsNewMode() const;

    QString mode_;
    std::vector<velvaro::docs::PlaylistEntry>* entries_ = nullptr;
    std::string* fileName_ = nullptr;
    std::string* dirTree_ = nullptr;
    const CLanguageFile* language_ = nullptr;
    // The template's controls; their names are resource symbols, which
    // resource.h defines as macros, so they stay out of this header.
    struct Controls;
    std::unique_ptr<Controls> ui_;
};
