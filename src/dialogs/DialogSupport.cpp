#include "DialogSupport.h"

#include "i18n/CLanguageFile.h"
#include "resource.h"

const int kVolumeSliderId = IDC_SLIDER_VOLUME;
const int kBalanceSliderId = IDC_SLIDER_BALANCE;

QString CountdownText(const CLanguageFile* language, int seconds) {
    QString text = QString::asprintf("%i ", seconds);
    if (language) {
        text += language->GetCodeText(QStringLiteral("SECONDS"));
    }
    return text;
}
