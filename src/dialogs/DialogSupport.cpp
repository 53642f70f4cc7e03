#include "DialogSupport.h"

#include "i18n/CLanguageFile.h"

QString CountdownText(const CLanguageFile* language, int seconds) {
    QString text = QString::asprintf("%i ", seconds);
    if (language) {
        text += language->GetCodeText(QStringLiteral("SECONDS"));
    }
    return text;
}
