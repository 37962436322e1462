// Renders the program's icon at the sizes of the desktop's icon theme:
//   render_icons FOLDER  writes FOLDER/hicolor/NxN/apps/marivel.png and
//   FOLDER/hicolor/NxN/mimetypes/application-x-marivel-project.png
// for the usual sizes, from the same drawing as the window's icon.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "editor/icon_set.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_icons FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage image = marivel::icons::applicationImage(side);
        const QString size = QStringLiteral("hicolor/%1x%1/").arg(side);
        for (const char* file : {"apps/marivel.png", "mimetypes/application-x-marivel-project.png"}) {
            const QString path = out.filePath(size + QLatin1String(file));
            if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !image.save(path, "PNG")) {
                std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}
