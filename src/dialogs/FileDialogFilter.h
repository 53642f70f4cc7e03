// File dialog filters are built as "Name|*.a;*.b;|Other|*.*||"; Qt wants
// "Name (*.a *.b);;Other (*.*)".
#pragma once

#include <QString>

QString ToQtFileFilter(const QString& filter);
