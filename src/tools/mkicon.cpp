// Renders the program's SVG icon into a square PNG of one size.
//   veltaro-mkicon ICON.svg SIZE OUT.png
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    bool sizeOk = false;
    const int size = args.size() == 3 ? args[1].toInt(&sizeOk) : 0;
    if (!sizeOk || size < 1 || size > 4096) {
        std::fprintf(stderr, "usage: veltaro-mkicon ICON.svg SIZE OUT.png\n");
        return 2;
    }
    QSvgRenderer svg(args[0]);
    if (!svg.isValid()) {
        std::fprintf(stderr, "veltaro-mkicon: cannot read %s\n", qPrintable(args[0]));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    if (!image.save(args[2], "PNG")) {
        std::fprintf(stderr, "veltaro-mkicon: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
