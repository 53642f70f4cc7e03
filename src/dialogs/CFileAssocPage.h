// A file association page: the extensions of one media class (video, audio
// or playlist), each checked when Velvaro should own it on the desktop.
#pragma once

#include "CSettingsPage.h"

#include <memory>
#include <vector>

struct FileAssociationEntry;

class CFileAssocPage : public CSettingsPage {
public:
    // `mediaClass`: ASSOC_VIDEO, ASSOC_AUDIO or ASSOC_PLAYLIST.
    CFileAssocPage(CLanguageFile& language, CSettings& settings, unsigned mediaClass,
                   QWidget* parent);
    ~CFileAssocPage() override;

    unsigned MediaClass() const { return mediaClass_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillList();
    void OnItemChanged(int row);
    void OnAdd();
    void OnDelete();
    void OnAssociateAll(bool on);
    void OnDefaults();
    void Changed();

    unsigned mediaClass_;
    // The working copy's entry behind each row.
    std::vector<FileAssociationEntry*> rows_;
    struct Controls;
    std::unique_ptr<Controls> ui_;
};
