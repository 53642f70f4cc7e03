// The bookmark editor: named positions in media files, listed with their
// times, added at the playing position, renamed in place, jumped to when
// selected, and read from and written to .vbm files. The main window owns
// one for its whole life and shows it when a bookmark file is loaded.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CLanguageFile;
class CMediaPlayer;
class QResizeEvent;

class CBookmarkDlg : public QDialog {
public:
    // Modeless, resizable, a tool window of `parent` (the main window).
    explicit CBookmarkDlg(QWidget* parent = nullptr);
    ~CBookmarkDlg() override;

    // Initialisation; the window calls it once after building the editor.
    void Create(const CLanguageFile* language);
    // The playing medium (not owned; null when none). Without one, Add does
    // nothing and a jump only opens the bookmark's file.
    void SetPlayer(CMediaPlayer* player);
    // How a jump opens another medium: the window opens the path and, once
    // it has opened, calls `opened` (the jump then seeks).
    using OpenMedia = std::function<void(const QString& path, std::function<void()> opened)>;
    void SetOpenMedia(OpenMedia openMedia);
    // How a jump moves the playing medium to a bookmark's time (1/100 s);
    // without one it sets the player's position itself.
    using Seek = std::function<void(std::int32_t time)>;
    void SetSeek(Seek seek);
    void SetBookmarkFile(const QString& path);
    QString BookmarkFile() const;
    // Loads a .vbm file; false, list unchanged, when it cannot be read or is
    // not one. Row 0 becomes selected and focused, which jumps to it.
    bool LoadBookmarkFile(const QString& path);
    int RowCount() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // What a row stands for besides its description, which the row holds.
    struct Record {
        int id = 0;
        std::int32_t time = 0;
        std::string file;
        bool dummy = false;
    };

    void AddRow(const QString& description, std::int32_t time, const std::string& file, bool dummy,
                bool select);
    const Record* FindRecord(int id) const;
    void SelectRow(int row);
    void Jump();
    void OnAdd();
    void OnDelete();
    void OnOpen();
    void OnSave();
    void Layout();
    QString FileFilter() const;
    QString CodeText(const char* key, const char* fallback) const;

    const CLanguageFile* language_ = nullptr;
    CMediaPlayer* player_ = nullptr;
    OpenMedia openMedia_;
    Seek seek_;
    QString bookmarkFile_;
    std::vector<Record> records_;
    int lastId_ = 0;
    bool initialised_ = false;
    // Set while the editor changes rows itself: their selection changes
    // are no jumps.
    bool changingRows_ = false;
    // The template's controls; their names are resource symbols, which
    // resource.h defines as macros, so they stay out of this header.
    struct Controls;
    std::unique_ptr<Controls> ui_;
};
