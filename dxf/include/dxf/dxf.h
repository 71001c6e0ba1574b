#pragma once
// DXF drawing library: ReadDXF fills an MEntitiesList from an ASCII DXF file.
//
// Read: LINE, ARC, CIRCLE, LWPOLYLINE (bulges, closed flag), POLYLINE with VERTEX and SEQEND,
// TEXT, MTEXT, ATTDEF, ATTRIB, INSERT of a block (base point, scale, rotation, column and row
// array, nesting up to kMaxBlockNesting; a block that inserts itself is drawn once), ELLIPSE
// and SPLINE as lines (a spline by its control points, or through its fit points when it has
// none). Entity coordinates systems (extrusion direction) are honoured, so an
// arc with extrusion (0,0,-1) lands mirrored and runs clockwise. Paper-space entities and
// entities of other kinds are skipped. Entities come out in file order; polylines come out as
// their lines and arcs in vertex order.
#include <cstddef>
#include <string_view>

#include "dxf/coords.h"
#include "dxf/entities.h"

inline constexpr int kMaxBlockNesting = 16;

enum DxfReadResult : int {
    DXF_ERR_OPEN = -1,      // the file does not exist or does not open
    DXF_ERR_BINARY = -2,    // binary DXF: not read
    DXF_ERR_FORMAT = -3,    // not a DXF drawing, truncated, or a value that is not a number
    DXF_ERR_TOO_LARGE = -4, // the file or its expansion exceeds the library's limits
};

// Empties the list and reads the drawing into it. Returns the number of entities read, or a
// negative DxfReadResult; on any failure the list is left empty, so that no partial drawing is
// ever taken for the whole one. Numbers are read in the C locale. The path may be a Windows
// path (mapped and matched without regard to case).
int ReadDXF(std::string_view path, MEntitiesList& list);

// The same from bytes in memory.
int ReadDXFBuffer(const char* data, size_t size, MEntitiesList& list);
