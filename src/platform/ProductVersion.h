// The version the program reports: in the about box, the status bar and
// the build attribute of the files it writes.
#pragma once

#include <QString>

// "1, 2, 0, 3" as the build gives it becomes "1.2.0.3".
QString GetProductVersion();

// The clean-up GetProductVersion applies: commas become dots, blanks go.
QString CleanProductVersion(QString raw);
