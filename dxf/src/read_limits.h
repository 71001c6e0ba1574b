#pragma once
// The limits of the drawing reader in one place: what a file and its expansion may reach before
// the read is refused, and the steps curves are flattened with.
#include <cstddef>
#include <cstdint>

#include "dxf/entities.h"

namespace dxfread {

inline constexpr size_t kMaxFileSize = size_t(256) << 20; // larger files are refused
inline constexpr double kMaxCoord = 1e12;                 // beyond this a coordinate is taken as garbage
inline constexpr size_t kMaxWork = 4 * MEntitiesList::kMaxEntities; // entities visited while expanding
inline constexpr int32_t kMaxArray = 32767;               // columns or rows of an INSERT array
inline constexpr double kCurveStepDeg = 5.0;              // flattening step of ellipses and warped arcs
inline constexpr size_t kMaxSplineSamples = 8192;         // points of one spline at the most

} // namespace dxfread
