// vidfolio-icon: paints the program's icon with the window's own code and
// writes it as the PNG icons of the hicolor theme, run at build time.
//
//   vidfolio-icon FOLDER SIZE...
//
// writes FOLDER/SIZExSIZE/apps/vidfolio.png for every SIZE.

#include "ui/paintedicons.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fputs("usage: vidfolio-icon FOLDER SIZE...\n", stderr);
        return 2;
    }
    // Pixmaps need a window-system connection; the offscreen one needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        bool isNumber = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&isNumber);
        if (!isNumber || size < 1) {
            std::fprintf(stderr, "vidfolio-icon: bad size %s\n", argv[i]);
            return 2;
        }
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(apps) ||
            !vidfolio::ui::programIcon(size).save(apps + QStringLiteral("/vidfolio.png"), "PNG")) {
            std::fprintf(stderr, "vidfolio-icon: cannot write %s/vidfolio.png\n", qPrintable(apps));
            return 1;
        }
    }
    return 0;
}
