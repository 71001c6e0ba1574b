#pragma once
// The pictures of the parameter dialogs, drawn in code at their source size on a magenta
// ground (red 255, green 0, blue 255), which is transparent when they are shown.
#include <QPixmap>

namespace ui {

// Bitmap 835 (200 by 192): the ralla with T1 to T4 and their X, Y, Z offsets.
// Bitmap 1062 (200 by 192): the same ralla with the extra positions T5 to T8.
// Bitmap 837 (400 by 257): the two blades at 45 and 135 degrees with their corrections.
// A null image for any other number.
QImage ParamPicture(int bitmap);
// A blank picture of w by h pixels, all magenta, to draw on.
QImage MagentaCanvas(int w, int h);
// The picture with its magenta pixels masked out, ready to be stretched over a control.
QPixmap KeyedPixmap(const QImage& picture);

} // namespace ui
