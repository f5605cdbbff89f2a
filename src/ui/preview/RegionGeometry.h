#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>

#include "project/MotionRegions.h"

struct VideoInfo;

// Where the source picture lies in the preview pane, and the edits of an area in source pixels. No widget: the
// area editor and its table test share these.

// The source picture as the pane shows it: its size in pixels, the sample aspect ratio and whether the still
// turns it a quarter (width and height then change places in the box, as the engine renders it).
struct PictureSource {
    int width = 0;
    int height = 0;
    double sar = 1.0;
    bool quarterTurn = false;

    static PictureSource Of(const VideoInfo& info);
    bool Known() const { return width > 0 && height > 0; }
};

// The picture in the pane: the still (or, without one, the pane) holds the engine's 480x480 box, and the
// picture sits in that box as the engine scales and pads it into it. Empty when the size is not known.
QRectF PictureRectIn(const QRect& still, const PictureSource& source);

// Widget points against source pixels. A corner of an area lies on the pixel grid, 0..width and 0..height.
class PictureMap {
public:
    PictureMap() = default;
    PictureMap(const QRectF& picture, int width, int height) : m_picture(picture), m_width(width), m_height(height) {}

    bool Valid() const { return m_width > 0 && m_height > 0 && !m_picture.isEmpty(); }
    const QRectF& Picture() const { return m_picture; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The nearest grid point, clamped to the picture.
    RegionPoint ToSource(const QPointF& widget) const;
    QPointF ToWidget(const RegionPoint& source) const;

private:
    QRectF m_picture;
    int m_width = 0;
    int m_height = 0;
};

// The rectangle between two corners, in either order; empty (w or h 0) when they share a row or a column.
MotionRegion RectBetween(const RegionPoint& a, const RegionPoint& b, bool exclude);
// Moves corner (an index into Corners()) to point. A rectangle keeps its opposite corner and stays a
// rectangle; corner then names the corner the point has become when the drag crossed the opposite one. False
// when the move would leave a rectangle without width or height (region is then unchanged).
bool MoveCorner(MotionRegion& region, int& corner, const RegionPoint& point);
// Moves the whole area by dx, dy pixels, as far as the picture of width x height allows.
void MoveRegion(MotionRegion& region, int dx, int dy, int width, int height);
