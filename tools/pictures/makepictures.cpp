// Draws the pictures the windows show: JPEG backgrounds and banners, the 8-bit close images and
// the 16-pixel icon strip. Run through tools/pictures/generate.sh.

#include "ui/Fonts.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

const QColor deepBlue(24, 78, 150);
const QColor brightBlue(58, 128, 214);
const QColor paleBlue(236, 243, 251);
const QColor frameBlue(150, 180, 220);

void paintBanner(QPainter& painter, const QRect& band) {
    QLinearGradient gradient(band.topLeft(), band.bottomLeft());
    gradient.setColorAt(0, brightBlue);
    gradient.setColorAt(1, deepBlue);
    painter.fillRect(band, gradient);
    painter.setPen(QColor(255, 255, 255, 40));
    for (int x = band.right() - 140; x < band.right() + 60; x += 18)
        painter.drawLine(x, band.bottom(), x + 40, band.top());
}

void drawCaption(QPainter& painter, const QRect& area, const QString& text, int pixelSize,
                 Qt::Alignment alignment) {
    QFont font = ui::SongFont(pixelSize, true);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0, 90));
    painter.drawText(area.translated(2, 2), alignment, text);
    painter.setPen(Qt::white);
    painter.drawText(area, alignment, text);
}

QImage loginBackground() {
    QImage image(324, 216, QImage::Format_RGB32);
    image.fill(paleBlue);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBanner(painter, QRect(0, 0, 324, 54));
    drawCaption(painter, QRect(0, 0, 324, 54), QStringLiteral("Quillon考试系统"), 26,
                Qt::AlignCenter);
    painter.setPen(QPen(frameBlue, 1));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(40.5, 58.5, 243, 118), 6, 6);
    painter.setPen(QPen(deepBlue, 2));
    painter.drawLine(0, 54, 324, 54);
    return image;
}

QImage titleLeft() {
    QImage image(800, 52, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBanner(painter, image.rect());
    drawCaption(painter, QRect(24, 0, 600, 52), QStringLiteral("考试成绩查看"), 24,
                Qt::AlignLeft | Qt::AlignVCenter);
    return image;
}

QImage titleRight() {
    QImage image(40, 52, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, 52);
    gradient.setColorAt(0, brightBlue);
    gradient.setColorAt(1, deepBlue);
    painter.fillRect(image.rect(), gradient);
    return image;
}

QImage closeImage(bool hover) {
    QImage image(46, 46, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, 46);
    gradient.setColorAt(0, brightBlue);
    gradient.setColorAt(1, deepBlue);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(hover ? QColor(214, 64, 54) : QColor(255, 255, 255, 50));
    painter.drawEllipse(QRectF(7, 7, 32, 32));
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(17, 17), QPointF(29, 29));
    painter.drawLine(QPointF(29, 17), QPointF(17, 29));
    painter.end();
    return image.convertToFormat(QImage::Format_Indexed8);
}

// The icon strip of the browse window: export 0, add 1, delete 3, edit 5, search 7, and the
// greyed-out picture 8 that disabled buttons show.
QImage iconStrip() {
    QImage strip(16 * 9, 16, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    auto cell = [&](int index) {
        painter.resetTransform();
        painter.translate(16 * index, 0);
    };
    const QPen ink(deepBlue, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

    cell(0); // export: a sheet with an arrow leaving it
    painter.setPen(ink);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(2.5, 2.5, 8, 11));
    painter.setPen(QPen(QColor(30, 140, 60), 1.8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(7, 8), QPointF(14, 8));
    painter.drawLine(QPointF(11, 5), QPointF(14, 8));
    painter.drawLine(QPointF(11, 11), QPointF(14, 8));

    cell(1); // add
    painter.setPen(QPen(QColor(30, 140, 60), 2.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(8, 3), QPointF(8, 13));
    painter.drawLine(QPointF(3, 8), QPointF(13, 8));

    cell(2); // statistics: three bars on a base line
    painter.setPen(Qt::NoPen);
    painter.setBrush(deepBlue);
    painter.drawRect(QRectF(3, 8, 3, 5));
    painter.setBrush(QColor(30, 140, 60));
    painter.drawRect(QRectF(7, 3, 3, 10));
    painter.setBrush(QColor(240, 160, 40));
    painter.drawRect(QRectF(11, 6, 3, 7));
    painter.setPen(ink);
    painter.drawLine(QPointF(2, 14), QPointF(15, 14));

    cell(3); // delete
    painter.setPen(QPen(QColor(200, 50, 40), 2.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(4, 4), QPointF(12, 12));
    painter.drawLine(QPointF(12, 4), QPointF(4, 12));

    cell(5); // edit: a pencil
    painter.setPen(ink);
    painter.setBrush(QColor(240, 190, 60));
    QPainterPath pencil;
    pencil.moveTo(3, 13);
    pencil.lineTo(4, 10);
    pencil.lineTo(11, 3);
    pencil.lineTo(13, 5);
    pencil.lineTo(6, 12);
    pencil.closeSubpath();
    painter.drawPath(pencil);

    for (int index : {7, 8}) { // search, and its greyed-out form
        cell(index);
        const QColor colour = index == 7 ? deepBlue : QColor(150, 150, 150);
        painter.setPen(QPen(colour, 1.8));
        painter.setBrush(index == 7 ? QColor(220, 235, 250) : QColor(235, 235, 235));
        painter.drawEllipse(QRectF(2.5, 2.5, 8, 8));
        painter.setPen(QPen(colour, 2.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(10, 10), QPointF(14, 14));
    }
    return strip;
}

bool save(const QImage& image, const QString& folder, const QString& name, const char* format) {
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name;
    if (image.save(path, format, 92))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: makepictures <exam picture folder> <tallyboard folder>\n");
        return 2;
    }
    ui::InstallFontSubstitutions();
    const QString exam = QString::fromLocal8Bit(argv[1]);
    const QString tallyboard = QString::fromLocal8Bit(argv[2]);
    const bool ok = save(loginBackground(), exam, "login.jpg", "JPG") &&
                    save(titleLeft(), tallyboard, "title-left.jpg", "JPG") &&
                    save(titleRight(), tallyboard, "title-right.jpg", "JPG") &&
                    save(closeImage(false), tallyboard, "close-up.bmp", "BMP") &&
                    save(closeImage(true), tallyboard, "close-down.bmp", "BMP") &&
                    save(iconStrip(), tallyboard, "icons16.png", "PNG");
    return ok ? 0 : 1;
}
