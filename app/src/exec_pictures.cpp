// Pictures of the execution monitor, drawn with QPainter.
#include "app/exec_pictures.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace app {

namespace {
const QColor kTransparent(255, 0, 255);

QPixmap Canvas(int w, int h) {
    QPixmap p(w, h);
    p.fill(kTransparent);
    return p;
}

// A stylised machining centre: base, column with the spindle head, a profile in the vice and
// the control panel.
QPixmap DrawMachine() {
    QPixmap pix = Canvas(120, 153);
    QPainter g(&pix);
    g.setRenderHint(QPainter::Antialiasing, false);
    const QPen outline(QColor(40, 40, 40), 2);
    g.setPen(outline);
    // Base.
    g.setBrush(QColor(90, 110, 140));
    g.drawRect(6, 118, 108, 26);
    g.setBrush(QColor(60, 60, 60));
    g.drawRect(14, 144, 14, 7);
    g.drawRect(92, 144, 14, 7);
    // Column and head.
    g.setBrush(QColor(230, 140, 30));
    g.drawRect(40, 14, 40, 104);
    g.setBrush(QColor(200, 200, 205));
    g.drawRect(30, 40, 60, 34);
    // Spindle and tool.
    g.setBrush(QColor(120, 120, 125));
    g.drawRect(54, 74, 12, 20);
    g.setBrush(QColor(40, 40, 40));
    g.drawRect(58, 94, 4, 12);
    // Profile held in the vice.
    g.setBrush(QColor(190, 200, 215));
    g.drawRect(4, 106, 112, 10);
    g.setBrush(QColor(70, 70, 70));
    g.drawRect(20, 100, 10, 18);
    g.drawRect(90, 100, 10, 18);
    // Control panel with its screen.
    g.setBrush(QColor(210, 210, 215));
    g.drawRect(88, 6, 28, 30);
    g.setBrush(QColor(60, 150, 220));
    g.drawRect(92, 10, 20, 14);
    return pix;
}

// A profile bar in perspective: long body, lit top face and the section at its end.
QPixmap DrawBar() {
    QPixmap pix = Canvas(150, 130);
    QPainter g(&pix);
    g.setRenderHint(QPainter::Antialiasing, false); // edges never blend into the transparent colour
    g.setPen(QPen(QColor(50, 50, 60), 2));
    QLinearGradient body(0, 50, 0, 100);
    body.setColorAt(0, QColor(220, 225, 235));
    body.setColorAt(1, QColor(140, 150, 165));
    QPainterPath top;
    top.moveTo(8, 58);
    top.lineTo(112, 58);
    top.lineTo(140, 36);
    top.lineTo(36, 36);
    top.closeSubpath();
    g.setBrush(QColor(235, 238, 245));
    g.drawPath(top);
    g.setBrush(body);
    g.drawRect(8, 58, 104, 38);
    QPainterPath side;
    side.moveTo(112, 58);
    side.lineTo(140, 36);
    side.lineTo(140, 74);
    side.lineTo(112, 96);
    side.closeSubpath();
    g.setBrush(QColor(170, 178, 192));
    g.drawPath(side);
    // The hollow of the section.
    g.setBrush(kTransparent);
    g.drawRect(118, 56, 14, 22);
    return pix;
}

// The signal tower: three lamps stacked on a pole, the lit one in full colour.
QPixmap DrawLamps(int lit) {
    QPixmap pix = Canvas(150, 142);
    QPainter g(&pix);
    g.setRenderHint(QPainter::Antialiasing, false); // edges never blend into the transparent colour
    g.setPen(QPen(QColor(40, 40, 40), 2));
    g.setBrush(QColor(70, 70, 75));
    g.drawRect(71, 112, 8, 22);
    g.drawRect(50, 132, 50, 8);
    g.setBrush(QColor(35, 35, 40));
    g.drawRoundedRect(45, 2, 60, 112, 10, 10);
    const QColor on[3] = {QColor(230, 30, 30), QColor(250, 210, 20), QColor(30, 200, 60)};
    const QColor off[3] = {QColor(90, 40, 40), QColor(100, 90, 35), QColor(35, 80, 45)};
    for (int i = 0; i < 3; ++i) {
        g.setBrush(i == lit ? on[i] : off[i]);
        g.drawEllipse(QRect(58, 8 + i * 35, 34, 32));
    }
    return pix;
}
} // namespace

QPixmap MakeExecBitmap(int bitmap) {
    switch (bitmap) {
    case kBitmapMachine: return DrawMachine();
    case kBitmapBar: return DrawBar();
    case kBitmapLampRed: return DrawLamps(0);
    case kBitmapLampYellow: return DrawLamps(1);
    case kBitmapLampGreen: return DrawLamps(2);
    default: return {};
    }
}

ExecPicture::ExecPicture(QWidget* parent) : QWidget(parent) {}

void ExecPicture::SetBitmap(const QPixmap& pixmap) {
    m_pixmap = pixmap;
    if (!m_pixmap.isNull()) m_pixmap.setMask(m_pixmap.createMaskFromColor(kTransparent, Qt::MaskInColor));
    update();
}

void ExecPicture::paintEvent(QPaintEvent*) {
    if (m_pixmap.isNull() || (window() != nullptr && window()->isMinimized())) return;
    QPainter g(this);
    g.setRenderHint(QPainter::SmoothPixmapTransform, true);
    g.drawPixmap(rect(), m_pixmap);
}

} // namespace app
