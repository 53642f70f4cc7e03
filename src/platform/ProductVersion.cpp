#include "platform/ProductVersion.h"

QString GetProductVersion() {
    QString text = QStringLiteral(VELVARO_PRODUCT_VERSION);
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    text.remove(QLatin1Char(' '));
    return text;
}
