// Writes the product icon as PNG files for the desktop's icon theme:
//   quillmere-make-icons OUTDIR NAME SIZE...   writes OUTDIR/<SIZE>/<NAME>.png for each size.

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "app/ProductIcon.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        std::fputs("usage: quillmere-make-icons OUTDIR NAME SIZE...\n", stderr);
        return 1;
    }
    for (qsizetype i = 3; i < arguments.size(); ++i) {
        bool ok = false;
        const int size = arguments[i].toInt(&ok);
        const QString folder = arguments[1] + QLatin1Char('/') + arguments[i];
        const QString file = folder + QLatin1Char('/') + arguments[2] + QStringLiteral(".png");
        if (!ok || size < 1 || !QDir().mkpath(folder) ||
            !app::productIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "quillmere-make-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
