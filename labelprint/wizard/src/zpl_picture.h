#pragma once
// Draws a ZPL II label text as the printer would lay it out, one pixel per dot: text fields,
// barcodes (as bars of the right length and height), boxes, diagonals and "^GFA" graphics.
// The wizard's pictures come from the composer's own output through this, so they follow it.
#include <QImage>
#include <string>

namespace labelprint::wizard {

// The fields of zpl drawn black on a white image of width x height dots; fields outside it
// are clipped, commands it does not know are skipped.
QImage RenderZpl(const std::string& zpl, int width, int height);

} // namespace labelprint::wizard
