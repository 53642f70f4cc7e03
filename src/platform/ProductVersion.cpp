#include "platform/ProductVersion.h"

QString GetProductVersion() {
    return CleanProductVersion(QStringLiteral(VELVARO_PRODUCT_VERSION));
}

QString CleanProductVersion(QString raw) {
    raw.replace(QLatin1Char(','), QLatin1Char('.'));
    raw.remove(QLatin1Char(' '));
    return raw;
}
