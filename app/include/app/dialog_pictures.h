#pragma once
// The pictures of the About box and of the ISO program run, drawn in code. Each is an image of
// its documented size on a magenta ground (red 255, green 0, blue 255) that is transparent when
// drawn.
#include <QImage>
#include <QRect>

class QPainter;
class QWidget;

namespace app {

inline constexpr QRgb kTransparentKey = 0xFFFF00FFu;   // magenta

// Bitmap 832 (78 by 78): a profile bar seen from its end, with its hollow section.
QImage AboutProfilePicture();
// Bitmap 831 (78 by 78): a milling tool in its holder over a bar.
QImage AboutToolPicture();
// Bitmap 820 (150 by 130), the execution monitor's bar picture.
QImage IsoProgramPicture();

// Draws picture stretched over target, magenta transparent.
void DrawKeyedPicture(QPainter& painter, const QRect& target, const QImage& picture);

} // namespace app
