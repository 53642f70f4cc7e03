// One loaded language: the sections of a language file, looked up by section
// and key, and the resource symbol table that names what they translate.
#pragma once

#include "CResourceSymbols.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class QMenu;
class QMenuBar;
class QWidget;
class CToolButtonTable;
class PopupRegistry;

struct LanguageEntry {
    QString key;
    // As written in the file: the \t and \n escapes are still in it.
    QString value;
};

struct LanguageSection {
    QString name;
    std::vector<LanguageEntry> entries;  // in reading order
};

class CLanguageFile {
public:
    enum class Source { None, Resource, File };

    // The one failure result of both loaders (unspecified failure).
    static constexpr std::int32_t kLoadFailed = static_cast<std::int32_t>(0x80004005u);

    // Builds the symbol table from the resource header the program carries.
    CLanguageFile();
    explicit CLanguageFile(CResourceSymbols symbols);

    // Loads the named file from the program's folder, or when it is not there
    // from $XDG_DATA_HOME/velvaro/. Returns 0, or kLoadFailed with the texts
    // loaded so far kept.
    std::int32_t LoadFile(const QString& fileName);
    // Loads the built-in language with that id. Returns 0, or kLoadFailed
    // with the texts loaded so far kept.
    std::int32_t LoadResource(int id);

    // The value with \t and \n turned into tab and line break; empty when the
    // section or key is missing. Names are compared without regard to case and
    // a key defined twice takes its later value.
    QString GetText(const QString& section, const QString& key) const;
    QString GetCodeText(const QString& key) const;

    Source GetSource() const { return source_; }
    int GetResourceId() const { return resourceId_; }
    const QString& GetFileName() const { return fileName_; }

    const CResourceSymbols& GetSymbols() const { return symbols_; }
    // Every section in reading order.
    const std::vector<LanguageSection>& GetSections() const { return sections_; }
    // The raw entries of every section of that name, the most recently read
    // section and entry first: the order in which menus and toolbar take them.
    void ForEachEntry(const QString& section,
                      const std::function<void(const LanguageEntry&)>& visit) const;

    // Applying the language to Qt widgets; defined in velvaro_i18n_ui, which
    // callers of these three link.
    void TranslateDialog(QWidget* dialog, const QString& section) const;
    void TranslateMainMenu(QMenuBar* menuBar, QMenu* contextMenu,
                           const PopupRegistry& popups) const;
    // `toolBar` is any widget whose actions are the buttons.
    void TranslateToolBar(QWidget* toolBar, CToolButtonTable& buttons) const;

private:
    void Parse(const QStringList& lines);
    void ParseLine(const QString& line);

    Source source_ = Source::None;
    int resourceId_ = 0;
    QString fileName_;
    std::vector<LanguageSection> sections_;
    CResourceSymbols symbols_;
};
