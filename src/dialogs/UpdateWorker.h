// The update's worker thread: the requests to the update server, the
// question, the download into the two temporary files and the start of the
// new program. It runs on its own thread with its own network sessions and
// reaches the dialog only through the dialog's queued Post calls.
#pragma once

#include "CUpdateDlg.h"

#include <QHash>
#include <QString>

namespace velvaro::update {

// What the worker shows, read from the language on the dialog's thread
// before the worker starts.
struct WorkerTexts {
    QHash<QString, QString> code;  // the Code section's texts by key
    QString cancelButton;          // the dialog's translated button text
    QString language;              // the File section's Language value
};

void RunUpdateWorker(CUpdateDlg& dialog, CUpdateDlg::Shared& shared, const WorkerTexts& texts);

}  // namespace velvaro::update
