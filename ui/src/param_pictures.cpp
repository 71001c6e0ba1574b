// Pictures of the ralla-offset and blade-correction dialogs, drawn with QPainter.
#include "ui/param_pictures.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace ui {

namespace {
const QColor kKey(255, 0, 255);
const QColor kInk(40, 50, 70);
const QColor kSteel(150, 160, 172);
const QColor kLight(215, 220, 228);
const QColor kAxisX(200, 40, 40);
const QColor kAxisY(30, 140, 60);
const QColor kAxisZ(30, 80, 190);

// Text without blended edges, which would show magenta fringes once the key is masked out.
QFont PictureFont(int pixels) {
    QFont f;
    f.setPixelSize(pixels);
    f.setBold(true);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, const QString& name) {
    p.setPen(QPen(colour, 2));
    p.drawLine(from, to);
    const QLineF line(to, from);
    const double a = qDegreesToRadians(line.angle());
    const QPointF left = to + QPointF(std::cos(a + 0.45) * 8, -std::sin(a + 0.45) * 8);
    const QPointF right = to + QPointF(std::cos(a - 0.45) * 8, -std::sin(a - 0.45) * 8);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF{to, left, right});
    p.setBrush(Qt::NoBrush);
    p.setFont(PictureFont(12));
    p.drawText(to + QPointF(to.x() >= from.x() ? 4 : -14, to.y() > from.y() ? 12 : -4), name);
}

// The ralla seen from the front: a disc with its tool positions, the tool at the top in the
// working position with the three offset directions.
QImage Ralla(int positions, bool extraHighlighted) {
    QImage image = MagentaCanvas(200, 192);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QPointF c(92, 104);
    // Disc and hub.
    p.setPen(QPen(kInk, 2));
    p.setBrush(kSteel);
    p.drawEllipse(c, 58, 58);
    p.setBrush(kLight);
    p.drawEllipse(c, 16, 16);
    // Tool holders around the disc, T1 at the top, counting clockwise.
    for (int i = 0; i < positions; ++i) {
        const double a = qDegreesToRadians(90.0 - 360.0 * i / positions);
        const QPointF dir(std::cos(a), -std::sin(a));
        const QPointF base = c + dir * 44;
        const QPointF tip = c + dir * (i == 0 ? 84 : 70);
        const bool extra = i >= 4;
        p.setPen(QPen(extra && extraHighlighted ? QColor(230, 140, 30) : kInk, i == 0 ? 6 : 5));
        p.drawLine(base, tip);
        p.setPen(kInk);
        p.setFont(PictureFont(11));
        const QPointF label = c + dir * 30 - QPointF(7, -4);
        p.drawText(label, QStringLiteral("%1").arg(extra ? 5 + (i - 4) : i + 1));
    }
    // Offset directions at the working tool's tip.
    const QPointF tip(92, 20);
    Arrow(p, tip, tip + QPointF(52, 0), kAxisX, QStringLiteral("X"));
    Arrow(p, tip, tip + QPointF(-40, 10), kAxisY, QStringLiteral("Y"));
    Arrow(p, tip, tip + QPointF(0, -16), kAxisZ, QStringLiteral("Z"));
    return image;
}

// A profile on the bench between two blades tilted at 45 and 135 degrees, with the blade
// thickness and the X and position corrections.
QImage Blades() {
    QImage image = MagentaCanvas(400, 257);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Bench and profile.
    p.setPen(QPen(kInk, 2));
    p.setBrush(kLight);
    p.drawRect(20, 200, 360, 24);
    p.setBrush(kSteel);
    QPainterPath profile;
    profile.addRect(60, 140, 280, 60);
    QPainterPath chamber;
    chamber.addRect(76, 154, 248, 32);
    p.drawPath(profile.subtracted(chamber));
    // Two blades: a thick disc edge seen side-on, tilted to 45 and 135 degrees.
    auto blade = [&](QPointF centre, double angle) {
        p.save();
        p.translate(centre);
        p.rotate(angle);
        p.setBrush(QColor(120, 130, 145));
        p.drawRect(QRectF(-6, -110, 12, 220));
        p.setBrush(kInk);
        p.drawRect(QRectF(-10, -18, 20, 36)); // flange
        p.restore();
    };
    blade(QPointF(120, 110), -45);
    blade(QPointF(280, 110), 45);
    // Corrections.
    Arrow(p, QPointF(200, 238), QPointF(260, 238), kAxisX, QStringLiteral("X"));
    Arrow(p, QPointF(200, 238), QPointF(140, 238), kAxisX, QString());
    Arrow(p, QPointF(200, 60), QPointF(200, 24), kAxisZ, QStringLiteral("P"));
    p.setPen(QPen(kAxisY, 2));
    p.setFont(PictureFont(14));
    p.drawText(QPointF(60, 120), QStringLiteral("45\u00B0"));
    p.drawText(QPointF(306, 120), QStringLiteral("135\u00B0"));
    return image;
}
} // namespace

QImage ParamPicture(int bitmap) {
    switch (bitmap) {
    case 835: return Ralla(4, false);
    case 1062: return Ralla(8, true);
    case 837: return Blades();
    default: return QImage();
    }
}

QImage MagentaCanvas(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kKey);
    return image;
}

QPixmap KeyedPixmap(const QImage& picture) {
    if (picture.isNull()) return QPixmap();
    QPixmap pixmap = QPixmap::fromImage(picture);
    pixmap.setMask(QBitmap::fromImage(picture.createMaskFromColor(kKey.rgb(), Qt::MaskInColor)));
    return pixmap;
}

} // namespace ui
