#include "ui/OpenFailure.h"

#include "i18n/CLanguageFile.h"
#include "platform/FormatText.h"

#include <QMessageBox>

Q_LOGGING_CATEGORY(lcUi, "velvaro.ui", QtWarningMsg)

void ReportOpenFailure(QWidget* owner, const CLanguageFile* language, const std::string& fileName,
                       const std::string& reason) {
    const std::string format =
        language ? language->GetCodeText(QStringLiteral("ERROROPENING")).toStdString() : "";
    const QString caption = language ? language->GetCodeText(QStringLiteral("ERROR2")) : QString();
    const std::string text = velvaro::platform::FormatText(format, {fileName, reason});
    QMessageBox box(QMessageBox::Critical, caption, QString::fromStdString(text), QMessageBox::Ok,
                    owner);
    box.exec();
}
