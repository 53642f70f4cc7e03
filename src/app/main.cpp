#include "CPlayerApp.h"
#include "art/ArtResources.h"
#include "platform/DesktopProjection.h"
#include "platform/ProductVersion.h"

#include <QImage>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Answered before anything else: no settings touched, no display needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Velvaro %s\n", GetProductVersion().toStdString().c_str());
            return 0;
        }
    }
    // Before the settings load: a first start shows itself on the desktop.
    velvaro::platform::DesktopIdentity identity;
    identity.icons << QImage(velvaro::art::IconResource(IDR_MAINFRAME))
                   << QImage(velvaro::art::SmallIconResource(IDR_MAINFRAME));
    for (const int size : velvaro::art::kDesktopIconSizes) {
        identity.icons << QImage(velvaro::art::SizedIconResource(IDR_MAINFRAME, size));
    }
    velvaro::platform::SetDesktopIdentity(identity);

    CPlayerApp app(argc, argv);
    app.InitInstance();
    return 0;
}
