// Renders the program's SVG icon at the sizes of the icon theme, for desktops that
// look for PNGs: iconpng SVG OUTFOLDER NAME SIZE...  writes OUTFOLDER/SxS/apps/NAME.png.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: iconpng SVG OUTFOLDER NAME SIZE...\n");
        return 2;
    }
    for (const QString& text : args.mid(3)) {
        const int size = text.toInt();
        QImageReader reader(args.at(0));
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args.at(1)).arg(size);
        if (image.isNull() || !QDir().mkpath(folder) ||
            !image.save(folder + QLatin1Char('/') + args.at(2) + QStringLiteral(".png"))) {
            std::fprintf(stderr, "iconpng: cannot render %s at %d: %s\n", qPrintable(args.at(0)), size,
                         qPrintable(reader.errorString()));
            return 1;
        }
    }
    return 0;
}
