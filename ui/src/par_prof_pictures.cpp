// The six pictures of the profile parameter sets, drawn on magenta (the transparent colour) and
// the picture static that shows one stretched over its control.
#include <QPaintEvent>
#include <cmath>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "ui/ParProfDialog.h"
#include "ui/param_pictures.h"

namespace ui {

namespace {

const QColor kMetal(150, 160, 172);
const QColor kEdge(40, 44, 52);
const QColor kArrow(200, 30, 30);
const QColor kGlass(90, 160, 220);
const QColor kJaw(70, 70, 80);

// Antialiasing stays off: blended edge pixels would no longer be exactly magenta and would show
// as a pink fringe once the magenta is made transparent.
void Arrow(QPainter& p, QPointF from, QPointF to) {
    p.setPen(QPen(kArrow, 2));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    if (len <= 0) return;
    const QPointF u(d.x() / len, d.y() / len);
    const QPointF n(-u.y(), u.x());
    QPolygonF head;
    head << to << to - u * 7 + n * 4 << to - u * 7 - n * 4;
    p.setBrush(kArrow);
    p.setPen(Qt::NoPen);
    p.drawPolygon(head);
}

// A hollow window profile section with its outline.
void Section(QPainter& p, const QRectF& r) {
    QPainterPath path;
    path.addRect(r);
    path.addRect(r.adjusted(5, 5, -5, -5));
    path.setFillRule(Qt::OddEvenFill);
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kMetal);
    p.drawPath(path);
    p.drawLine(r.topLeft() + QPointF(5, r.height() / 2), r.topRight() + QPointF(-5, r.height() / 2));
}

void Label(QPainter& p, QPointF at, const char* text) {
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kEdge);
    p.drawText(at, QString::fromLatin1(text));
}

void Jaws(QPainter& p, const QRectF& section) {
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kJaw);
    p.drawRect(QRectF(section.left() - 10, section.top() + 6, 9, section.height() - 12));
    p.drawRect(QRectF(section.right() + 1, section.top() + 6, 9, section.height() - 12));
}

void ProfileOffsets(QPainter& p) {
    const QRectF s(30, 12, 38, 42);
    Section(p, s);
    // Origin of the machine below left, the section's corner reached by Y and Z.
    p.setPen(QPen(kEdge, 1, Qt::DashLine));
    p.drawLine(QPointF(8, 70), QPointF(s.left(), 70));
    Arrow(p, QPointF(8, 70), QPointF(s.left() - 1, 70));
    Arrow(p, QPointF(8, 70), QPointF(8, s.bottom() + 1));
    Label(p, QPointF(16, 79), "Y");
    Label(p, QPointF(11, 60), "Z");
}

void ClampOffsets(QPainter& p) {
    const QRectF s(26, 14, 28, 34);
    Section(p, s);
    Jaws(p, s);
    Arrow(p, QPointF(6, 66), QPointF(s.left() - 10, 66));
    Arrow(p, QPointF(6, 66), QPointF(6, s.bottom() - 6));
    Label(p, QPointF(40, 74), "Y");
    Label(p, QPointF(10, 40), "Z");
}

void GlassSide(QPainter& p, bool outside) {
    const QRectF s(24, 20, 32, 44);
    Section(p, s);
    // The glazing bead side: the pane lies against the outer or inner face.
    const QRectF pane = outside ? QRectF(6, 6, 10, 70) : QRectF(64, 6, 10, 70);
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kGlass);
    p.drawRect(pane);
    p.setBrush(kEdge);
    p.drawRect(outside ? QRectF(17, 30, 6, 20) : QRectF(57, 30, 6, 20));
    // The blade's side of the cut.
    Arrow(p, QPointF(40, 2), QPointF(40, s.top() - 2));
}

void BladeRise(QPainter& p) {
    const QPointF c(34, 46);
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kMetal);
    p.drawEllipse(c, 24, 24);
    p.setBrush(kEdge);
    p.drawEllipse(c, 4, 4);
    // Teeth around the rim.
    for (int i = 0; i < 16; ++i) {
        const double a = i * 3.14159265358979 / 8;
        const QPointF out(c.x() + 27 * std::cos(a), c.y() + 27 * std::sin(a));
        const QPointF in(c.x() + 23 * std::cos(a + 0.15), c.y() + 23 * std::sin(a + 0.15));
        p.drawLine(in, out);
    }
    Arrow(p, QPointF(68, 70), QPointF(68, 10));
}

void ClampRotation(QPainter& p) {
    const QRectF s(26, 22, 28, 34);
    Section(p, s);
    Jaws(p, s);
    p.setPen(QPen(kArrow, 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6, 4, 68, 70), 30 * 16, 120 * 16);
    Arrow(p, QPointF(12, 26), QPointF(9, 33));
    Label(p, QPointF(36, 74), "C");
}

} // namespace

QImage ProfileSetPicture(int index) {
    const int size = (index == 0 || index == 2 || index == 3) ? 80 : 79;
    QImage image = MagentaCanvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    switch (index) {
    case 0: ProfileOffsets(p); break;
    case 1: ClampOffsets(p); break;
    case 2: GlassSide(p, true); break;
    case 3: GlassSide(p, false); break;
    case 4: BladeRise(p); break;
    case 5: ClampRotation(p); break;
    default: break;
    }
    return image;
}

CPictureStatic::CPictureStatic(QWidget* parent, const QImage& bitmap) : QWidget(parent), m_bitmap(bitmap) {}

void CPictureStatic::paintEvent(QPaintEvent*) {
    if (m_bitmap.isNull()) return;
    const QPixmap pixmap = KeyedPixmap(m_bitmap);
    QPainter p(this);
    p.drawPixmap(rect(), pixmap, pixmap.rect());
}

} // namespace ui
