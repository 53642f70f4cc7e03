#include "dialogs/FileDialogFilter.h"

#include <QStringList>

QString ToQtFileFilter(const QString& filter) {
    const QStringList fields = filter.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < fields.size(); i += 2) {
        const QString& name = fields.at(i);
        if (name.isEmpty()) {
            break;  // the "||" at the end
        }
        const QStringList patterns = fields.at(i + 1).split(u';', Qt::SkipEmptyParts);
        const QString list = patterns.join(u' ');
        // A name that already shows its patterns keeps them as they are.
        if (name.endsWith(QStringLiteral("(") + list + u')')) {
            filters << name;
        } else {
            filters << name + QStringLiteral(" (") + (list.isEmpty() ? QStringLiteral("*") : list) +
                           u')';
        }
    }
    return filters.join(QStringLiteral(";;"));
}
