#include "CPlayerApp.h"
#include "art/ArtResources.h"
#include "platform/DesktopProjection.h"
#include "platform/ProductVersion.h"
#include "platform/StartTiming.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    velvaro::platform::NoteStartMoment("main");
    // Answered before anything else: no settings touched, no display needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Velvaro %s\n", GetProductVersion().toStdString().c_str());
            return 0;
        }
    }
    // Before the settings load: a first start shows itself on the desktop.
    QStringList icons = {velvaro::art::IconResource(IDR_MAINFRAME),
                         velvaro::art::SmallIconResource(IDR_MAINFRAME)};
    for (const int size : velvaro::art::kDesktopIconSizes) {
        icons << velvaro::art::SizedIconResource(IDR_MAINFRAME, size);
    }
    velvaro::platform::SetDesktopIconFiles(icons);

    CPlayerApp app(argc, argv);
    app.InitInstance();
    return 0;
}
