#include "CPlayerApp.h"

int main(int argc, char** argv) {
    CPlayerApp app(argc, argv);
    app.InitInstance();
    return 0;
}
