// Hands addresses to the desktop: web pages to the browser, "mailto:" to
// the mail program. Tests replace the opener so that nothing is launched.
#pragma once

#include <QUrl>

#include <functional>

using UrlOpener = std::function<void(const QUrl&)>;

// Opens `url` with the current opener; whether it worked is not reported.
void OpenUrl(const QUrl& url);

// Makes `opener` the one OpenUrl uses and gives back the one it replaces;
// an empty opener brings back the desktop's.
UrlOpener SetUrlOpener(UrlOpener opener);
