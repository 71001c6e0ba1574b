#pragma once
// The DXF preview control: a profile section or tool drawing fitted into the control,
// painted by the drawing library into a canvas and blitted by Qt.
#include <QWidget>
#include <cstdint>

#include "ui/dxf_preview.h"

namespace ui {

class MViewDXFStatic : public QWidget {
    Q_OBJECT
public:
    explicit MViewDXFStatic(QWidget* parent = nullptr);

    // Stores the drawing and repaints at once. A path that does not name a readable file
    // clears the stored one, so an older drawing is never shown in its place. bar (copied)
    // brings the mirror flag and adds its section angle to angle.
    void SetDrawing(const char* path, int readFlag, int32_t extension1, int32_t extension2, bool outline,
                    double angle, const PreviewBar* bar, int variant);

    const std::string& Path() const { return m_state.path; }
    double Angle() const { return m_state.angle; }
    bool Mirrored() const { return m_state.mirror; }
    const PreviewState& State() const { return m_state; }
    // How often the drawing file has been read for painting.
    int DrawingReads() const { return m_painter.Reads(); }
    // How often the picture has been painted anew (not taken as kept).
    int PicturePaints() const { return m_painter.Paints(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PreviewState m_state;
    // The drawing and its picture are kept between paints while the file, the state and the
    // size are unchanged. The picture is painted at the control's size in logical pixels, so
    // the screen's device pixel ratio does not enter it.
    PreviewPainter m_painter;
};

} // namespace ui
