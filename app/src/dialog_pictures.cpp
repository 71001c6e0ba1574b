// Pictures of the About box and of the ISO program run, and the centring of those dialogs.
#include "app/dialog_pictures.h"

#include "app/exec_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>


namespace app {

namespace {

QImage KeyedCanvas(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(kTransparentKey));
    return image;
}

// The same image with every magenta pixel made transparent.
QImage WithKeyTransparent(const QImage& source) {
    QImage out = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] | 0xFF000000u) == kTransparentKey) line[x] = 0;
    }
    return out;
}

} // namespace

QImage AboutProfilePicture() {
    QImage image = KeyedCanvas(78, 78);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);   // no blended edges against the key colour
    // The bar's end: an aluminium section with two hollow chambers and a lip.
    QPainterPath outer;
    outer.addRect(10, 14, 58, 46);
    outer.addRect(10, 60, 16, 8);
    QPainterPath holes;
    holes.addRect(16, 20, 20, 34);
    holes.addRect(42, 20, 20, 34);
    p.fillPath(outer.subtracted(holes), QColor(150, 160, 172));
    p.setPen(QPen(QColor(40, 50, 70), 2));
    p.drawRect(10, 14, 58, 46);
    p.drawRect(16, 20, 20, 34);
    p.drawRect(42, 20, 20, 34);
    // Light on the upper faces.
    p.setPen(QPen(QColor(225, 230, 238), 2));
    p.drawLine(12, 16, 66, 16);
    p.drawLine(18, 22, 34, 22);
    p.drawLine(44, 22, 60, 22);
    // The machine's blue mark in the corner.
    p.fillRect(50, 62, 18, 8, QColor(30, 80, 170));
    return image;
}

QImage AboutToolPicture() {
    QImage image = KeyedCanvas(78, 78);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Holder and spindle nose.
    p.fillRect(26, 4, 26, 14, QColor(60, 70, 90));
    p.fillRect(31, 18, 16, 10, QColor(110, 120, 135));
    // Cutter with flutes.
    p.fillRect(35, 28, 8, 26, QColor(200, 205, 212));
    p.setPen(QPen(QColor(70, 75, 85), 1));
    for (int y = 30; y < 54; y += 5) p.drawLine(35, y, 43, y + 3);
    // Bar below with the slot being cut.
    p.fillRect(6, 58, 66, 12, QColor(150, 160, 172));
    p.fillRect(34, 56, 10, 6, QColor::fromRgb(kTransparentKey));
    p.setPen(QPen(QColor(40, 50, 70), 2));
    p.drawRect(6, 58, 66, 12);
    // Chips.
    p.setPen(QPen(QColor(230, 150, 40), 2));
    p.drawLine(46, 52, 52, 48);
    p.drawLine(28, 52, 23, 47);
    return image;
}

QImage IsoProgramPicture() {
    // The execution monitor's bitmap 820: both dialogs show the same picture.
    return MakeExecBitmap(kBitmapBar).toImage();
}

void DrawKeyedPicture(QPainter& painter, const QRect& target, const QImage& picture) {
    if (picture.isNull() || target.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, WithKeyTransparent(picture));
    painter.restore();
}

} // namespace app
