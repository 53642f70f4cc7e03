// How the window says that a medium did not open.
#pragma once

#include <QLoggingCategory>

#include <string>

class CLanguageFile;
class QWidget;

Q_DECLARE_LOGGING_CATEGORY(lcUi)

// The box "ERROROPENING" for `fileName` with `reason`, owned by `owner`.
void ReportOpenFailure(QWidget* owner, const CLanguageFile* language, const std::string& fileName,
                       const std::string& reason);
