#include "ui/preview/RegionGeometry.h"

#include <algorithm>
#include <cmath>

#include "project/SceneEntry.h"

namespace {

// The square the engine renders stills and the player's picture into.
constexpr double kBox = 480.0;

}  // namespace

PictureSource PictureSource::Of(const VideoInfo& info) {
    PictureSource source;
    source.width = info.width;
    source.height = info.height;
    source.sar = info.sar_num > 0 && info.sar_den > 0 ? double(info.sar_num) / info.sar_den : 1.0;
    source.quarterTurn = info.rotation == 90 || info.rotation == -90;
    return source;
}

QRectF PictureRectIn(const QRect& still, const PictureSource& source) {
    if (!source.Known() || still.isEmpty()) return {};
    // The engine's own fit, in its 480 box: truncated sizes, centred, a full-height portrait 2 further right.
    const int w = source.quarterTurn ? source.height : source.width;
    const int h = source.quarterTurn ? source.width : source.height;
    const double displayWidth = w * source.sar;
    const double s = std::min(kBox / h, kBox / displayWidth);
    const int sw = static_cast<int>(s * displayWidth);
    const int sh = static_cast<int>(s * h);
    int x = (static_cast<int>(kBox) - sw) / 2;
    if (w < h && sh == static_cast<int>(kBox)) x += 2;
    const int y = (static_cast<int>(kBox) - sh) / 2;
    // A still of another shape (the player's window grabbed) shows the box as the player did: a centred square.
    const double side = std::min(still.width(), still.height());
    const QPointF box(still.x() + (still.width() - side) / 2.0, still.y() + (still.height() - side) / 2.0);
    const double k = side / kBox;
    return {box.x() + x * k, box.y() + y * k, sw * k, sh * k};
}

RegionPoint PictureMap::ToSource(const QPointF& widget) const {
    if (!Valid()) return {};
    const double fx = (widget.x() - m_picture.x()) / m_picture.width();
    const double fy = (widget.y() - m_picture.y()) / m_picture.height();
    return {std::clamp(static_cast<int>(std::lround(fx * m_width)), 0, m_width),
            std::clamp(static_cast<int>(std::lround(fy * m_height)), 0, m_height)};
}

QPointF PictureMap::ToWidget(const RegionPoint& source) const {
    if (!Valid()) return {};
    return {m_picture.x() + m_picture.width() * source.x / m_width,
            m_picture.y() + m_picture.height() * source.y / m_height};
}

MotionRegion RectBetween(const RegionPoint& a, const RegionPoint& b, bool exclude) {
    MotionRegion region;
    region.exclude = exclude;
    region.x = std::min(a.x, b.x);
    region.y = std::min(a.y, b.y);
    region.w = std::abs(a.x - b.x);
    region.h = std::abs(a.y - b.y);
    return region;
}

bool MoveCorner(MotionRegion& region, int& corner, const RegionPoint& point) {
    if (region.polygon) {
        if (corner < 0 || corner >= static_cast<int>(region.points.size())) return false;
        region.points[corner] = point;
        return true;
    }
    const std::vector<RegionPoint> corners = region.Corners();
    if (corner < 0 || corner >= 4) return false;
    const RegionPoint fixed = corners[(corner + 2) % 4];
    const MotionRegion moved = RectBetween(fixed, point, region.exclude);
    if (moved.w == 0 || moved.h == 0) return false;
    region.x = moved.x, region.y = moved.y, region.w = moved.w, region.h = moved.h;
    // Corners run clockwise from the top-left: the dragged one is where the point now lies.
    const bool right = point.x > fixed.x;
    const bool bottom = point.y > fixed.y;
    corner = bottom ? (right ? 2 : 3) : (right ? 1 : 0);
    return true;
}

void MoveRegion(MotionRegion& region, int dx, int dy, int width, int height) {
    int bx, by, bw, bh;
    region.Bounds(bx, by, bw, bh);
    // An area reaching past the picture (a file of a larger video) moves only back toward it.
    dx = std::clamp(dx, std::min(0, -bx), std::max(0, width - (bx + bw)));
    dy = std::clamp(dy, std::min(0, -by), std::max(0, height - (by + bh)));
    if (!region.polygon) {
        region.x += dx, region.y += dy;
        return;
    }
    for (RegionPoint& p : region.points) p.x += dx, p.y += dy;
}
