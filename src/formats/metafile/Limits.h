#pragma once
// Caps that keep a hostile metafile from exhausting memory or time. Real
// clip-art stays far below each of them.
#include <cstdint>

namespace tirvelo::metafile {

// Files above this size are refused before they are read.
inline constexpr int64_t kMaxFileBytes = 64ll * 1024 * 1024;
// Points handled in one playback (all polylines, polygons, curves and paths).
inline constexpr int64_t kMaxTotalPoints = 8'000'000;
// Elements in the path being built between BeginPath and EndPath.
inline constexpr int kMaxPathElements = 1'000'000;
// Saved device contexts (SaveDC without RestoreDC).
inline constexpr int kMaxSavedStates = 1024;
// Entries of the object table (WMF counts in 16 bits, EMF handles are capped).
inline constexpr int kMaxObjects = 65535;
// Pixels of one decoded bitmap, and of all bitmaps decoded in one playback.
inline constexpr int64_t kMaxImagePixels = 32ll * 1024 * 1024;
inline constexpr int64_t kMaxTotalImagePixels = 256ll * 1024 * 1024;
// Pixels of all pattern brushes made in one playback. A brush stays in the
// object table, so its pixels are held, not passed through as a bitmap's are:
// real patterns are a few pixels across. A brush over the budget paints as a
// solid brush of its colour.
inline constexpr int64_t kMaxTotalPatternPixels = 16ll * 1024 * 1024;
// Characters drawn in one playback.
inline constexpr int64_t kMaxTotalChars = 2'000'000;
// Drawing operations in one playback.
inline constexpr int64_t kMaxDrawOps = 4'000'000;
// Area painted in one playback, in multiples of the picture's frame (each
// drawing counts the part of its bounds inside the frame): bounds the time a
// file of millions of full-picture fills would take.
inline constexpr double kMaxPaintedFrames = 5000;
// Elements of a clipping path after combining.
inline constexpr int kMaxClipElements = 200'000;

} // namespace tirvelo::metafile
