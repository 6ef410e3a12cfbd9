// Renders the scalable icon to the PNG sizes of the hicolor theme at build time, so the
// repository holds only the SVG.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: render_icon ICON.svg OUTPUT_DIR SIZE...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        const QString out =
            QStringLiteral("%1/%2x%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        if (!image.save(out)) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}
