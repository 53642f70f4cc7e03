// Every test program that can reach the desktop's URL opener links
// UrlOpenerGuard.cpp, which puts a recorder in its place before main()
// runs: no test opens a browser or mail program, and a test can see what
// would have been opened.
#pragma once

#include <QList>
#include <QUrl>

namespace velvaro::test {

// Every address this process has asked to open, oldest first.
QList<QUrl>& OpenedUrls();

}  // namespace velvaro::test
