#include "controls/UrlOpener.h"

#include <QDesktopServices>

namespace {

void OpenOnDesktop(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

UrlOpener& CurrentOpener() {
    static UrlOpener opener = OpenOnDesktop;
    return opener;
}

}  // namespace

void OpenUrl(const QUrl& url) {
    CurrentOpener()(url);
}

UrlOpener SetUrlOpener(UrlOpener opener) {
    UrlOpener previous = std::move(CurrentOpener());
    CurrentOpener() = opener ? std::move(opener) : UrlOpener(OpenOnDesktop);
    return previous;
}
