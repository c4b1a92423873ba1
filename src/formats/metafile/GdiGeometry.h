#pragma once
// Checks and measures the metafile drawing code shares: coordinates beyond
// any real picture are refused before they reach the rasteriser.
#include <QPainterPath>
#include <QRectF>
#include <QTransform>
#include <cmath>

namespace tirvelo::metafile {

inline constexpr double kPi = 3.14159265358979323846;
// Coordinates beyond this are nonsense in any real picture and only slow the rasteriser.
inline constexpr double kMaxCoordinate = 1e8;

inline bool finite(double v) { return std::isfinite(v) && std::abs(v) < kMaxCoordinate; }

inline bool finiteRect(const QRectF& r) { return finite(r.x()) && finite(r.y()) && finite(r.width()) && finite(r.height()); }

inline bool finitePath(const QPainterPath& p)
{
    const QRectF r = p.controlPointRect();
    return p.isEmpty() || finiteRect(r);
}

// Scale of a transform: the square root of its area factor.
inline double areaScale(const QTransform& t) { return std::sqrt(std::abs(t.determinant())); }

inline QRectF normalised(const QRectF& r) { return r.normalized(); }

} // namespace tirvelo::metafile
