// make-art FOLDER: draws Velvaro's pictures into FOLDER. Run by the build; the
// files are then compiled into the resources by res/art.
#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

#include "Art.h"
#include "art/ArtResources.h"

namespace {

bool Save(const QDir& folder, const char* name, const QImage& image, const char* format,
          int quality = -1) {
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (image.isNull() || !image.save(path, format, quality)) {
        std::fprintf(stderr, "make-art: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Text needs a font database, which needs a platform; never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: make-art FOLDER\n");
        return 2;
    }
    QDir folder(args.at(1));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "make-art: cannot make %s\n", qPrintable(args.at(1)));
        return 1;
    }

    using namespace velvaro::make_art;
    bool ok = true;
    ok &= Save(folder, "toolbar-normal.bmp", ToolbarStrip(false), "BMP");
    ok &= Save(folder, "toolbar-hover.bmp", ToolbarStrip(true), "BMP");
    ok &= Save(folder, "splash.jpg", Splash(), "JPEG", 92);
    ok &= Save(folder, "velvaro-32.png", AppIcon(32), "PNG");
    ok &= Save(folder, "velvaro-16.png", AppIcon(16), "PNG");
    // The desktop's sizes, for the launcher and the file manager.
    for (const int size : velvaro::art::kDesktopIconSizes) {
        const QByteArray name = "velvaro-" + QByteArray::number(size) + ".png";
        ok &= Save(folder, name.constData(), AppIcon(size), "PNG");
    }
    ok &= Save(folder, "text-file.png", TextFileIcon(), "PNG");
    ok &= Save(folder, "hand-point.png", HandCursor(), "PNG");
    ok &= Save(folder, "delete.png", DeleteIcon(), "PNG");
    ok &= Save(folder, "add.png", AddIcon(), "PNG");
    ok &= Save(folder, "select-all.png", SelectAllIcon(), "PNG");
    ok &= Save(folder, "deselect-all.png", DeselectAllIcon(), "PNG");
    return ok ? 0 : 1;
}
