// Loads the settings of $VELVARO_REGISTRY, changes every one of them and
// saves, killing itself after its nth write when given n.
#include "platform/RegistryStore.h"
#include "settings/CSettings.h"

#include <cstdlib>

int main(int argc, char** argv) {
    CSettings settings(1);
    settings.volume -= 100;
    settings.balance += 100;
    settings.playbackDelay += 1;
    settings.titleBar = !settings.titleBar;
    settings.statusBar = !settings.statusBar;
    settings.processPriority += 1;
    settings.displaySettings = settings.displaySettings == "Current" ? "800 x 600" : "Current";
    settings.playlistDirTree += "/more";
    settings.associations.clear();
    settings.AddFileAssociation("mkv", 7);
    settings.AddFileAssociation("flac", 1);
    if (argc > 1) {
        velvaro::platform::KillAfterWrites(std::atoi(argv[1]));
    }
    settings.Save();
    return 0;
}
