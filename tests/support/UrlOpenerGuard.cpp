#include "UrlOpenerGuard.h"

#include "controls/UrlOpener.h"

namespace velvaro::test {

QList<QUrl>& OpenedUrls() {
    static QList<QUrl> opened;
    return opened;
}

namespace {

// Installs the recorder while the program's statics are made, before main().
[[maybe_unused]] const bool installed = [] {
    SetUrlOpener([](const QUrl& url) { OpenedUrls().append(url); });
    return true;
}();

}  // namespace

}  // namespace velvaro::test
