#include "ui/ViewDxfStatic.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "machine/file_routines.h"
#include "ui/qt_text.h"

namespace ui {

MViewDXFStatic::MViewDXFStatic(QWidget* parent) : QWidget(parent) {
    // The whole client area is painted every time.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MViewDXFStatic::SetDrawing(const char* path, int readFlag, int32_t extension1, int32_t extension2, bool outline,
                                double angle, const PreviewBar* bar, int variant) {
    m_state.bar = bar != nullptr ? std::optional<PreviewBar>(*bar) : std::nullopt;
    m_state.readFlag = readFlag;
    m_state.outline = outline;
    m_state.variant = variant;
    if (path != nullptr && path[0] != '\0' && IsFileReadable(path))
        m_state.path = path;
    else
        m_state.path.clear();
    if (bar != nullptr) {
        m_state.mirror = bar->mirror == 1;
        angle += static_cast<double>(bar->sectionAngle);
    } else {
        m_state.mirror = false;
    }
    m_state.angle = NormalisePreviewAngle(angle);
    m_state.extension1 = extension1;
    m_state.extension2 = extension2;
    repaint();
}

void MViewDXFStatic::paintEvent(QPaintEvent*) {
    const MCanvas& canvas = m_painter.Render(m_state, width(), height());
    QPainter painter(this);
    if (canvas.Width() == 0 || canvas.Height() == 0) return;
    // The canvas holds 0xAARRGGBB words, row 0 at the top: Qt's ARGB32 layout.
    const QImage image(reinterpret_cast<const uchar*>(canvas.Pixels().data()), canvas.Width(), canvas.Height(),
                       static_cast<qsizetype>(canvas.Width()) * 4, QImage::Format_ARGB32);
    painter.drawImage(0, 0, image);
    // The marks over the drawing, in the control's font at the drawing's text height.
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::black);
    QFont font = this->font();
    for (const PreviewMark& mark : m_painter.Marks()) {
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(mark.height))));
        painter.setFont(font);
        painter.save();
        painter.translate(mark.x, mark.y);
        painter.rotate(-mark.rotation);
        painter.drawText(QPointF(0.0, 0.0), ToQt(mark.text));
        painter.restore();
    }
}

} // namespace ui
