// Writes the program's icon at the sizes the desktop's icon theme looks for, each scaled from
// the one 256-pixel picture the window uses, so the installed icons never drift from it.
//   icon-sizes SOURCE.png OUTPUT_DIR SIZE...   writes OUTPUT_DIR/SIZExSIZE/corvantelis.png

#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fputs("usage: icon-sizes SOURCE.png OUTPUT_DIR SIZE...\n", stderr);
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (source.isNull()) {
        std::fprintf(stderr, "icon-sizes: cannot read %s\n", argv[1]);
        return 1;
    }
    const QImage picture = source.convertToFormat(QImage::Format_ARGB32);
    const QDir output(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "icon-sizes: bad size %s\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1").arg(size);
        const QString file = output.filePath(folder + QStringLiteral("/corvantelis.png"));
        const QImage scaled =
            picture.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!output.mkpath(folder) || !scaled.save(file, "PNG")) {
            std::fprintf(stderr, "icon-sizes: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
