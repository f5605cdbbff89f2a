#pragma once

#include <QPoint>
#include <QWidget>
#include <vector>

#include "project/MotionRegions.h"
#include "ui/preview/RegionGeometry.h"

class CStaticPreview;

// The areas an extraction watches, drawn over the preview pane (include green, exclude red) and, in the
// editing mode, edited there: a drag draws a rectangle, clicks place a polygon's corners and a double-click or
// Enter closes it, a click selects an area, a drag of a corner of the selected one moves that corner and a
// drag inside it moves the whole area; Tab and Shift+Tab select the next or previous area, the arrows move it
// a pixel (Shift: 10), Delete removes it, Esc drops an unfinished polygon or ends the mode. While the player's
// window covers the pane the editor stays above it as a window of its own cut to the outlines.
class CRegionEditor : public QWidget {
    Q_OBJECT
public:
    // Strings the editor asks the page to show when it refuses an edit.
    static constexpr int kTooManyAreasText = 3241;
    static constexpr int kTooManyPointsText = 3242;
    static constexpr int kShortPolygonText = 3243;

    explicit CRegionEditor(CStaticPreview* pane);

    // The areas shown. What was being drawn or dragged is dropped, and the selection.
    void SetRegions(const MotionRegions& regions);
    const MotionRegions& Regions() const { return m_regions; }
    void SetSource(const PictureSource& source);
    // The mode takes the mouse and the keys (the focus is the caller's to give); outside it the areas are only
    // shown.
    void SetEditing(bool on);
    bool Editing() const { return m_editing; }
    // Include or exclude, for the selected area and the next one drawn.
    void SetExclude(bool exclude);
    bool Exclude() const { return m_exclude; }
    int Selected() const { return m_selected; }
    void Select(int index);
    void DeleteSelected();
    // Corners of the polygon being drawn (empty when none).
    const std::vector<RegionPoint>& PendingPolygon() const { return m_pending; }
    // Source pixels against this widget's points now.
    PictureMap Map() const;

signals:
    // The user changed the areas; Regions() holds them.
    void Edited();
    void SelectionChanged();
    // An edit was refused; stringId tells why.
    void Refused(int stringId);
    // Esc with nothing to drop: the user leaves the mode.
    void LeaveRequested();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Drag { kNone, kPressed, kRect, kCorner, kMovePressed, kMove, kPolygonPoint };

    void OnPlayerEmbedded(bool embedded);
    // While the player covers the pane: only the outlines, as a window cut to them (hidden with none).
    void UpdateOutlineMask();
    void Click(const QPointF& at);
    void AddPolygonPoint(const RegionPoint& point);
    void ClosePolygon();
    void AddRegion(const MotionRegion& region);
    void CycleSelection(int step);
    void MoveSelected(int dx, int dy);
    void DropDrawing();
    int HandleAt(const QPointF& at) const;
    // The areas under the point (inside, or on the outline), topmost first.
    std::vector<int> RegionsAt(const QPointF& at) const;
    QPolygonF Outline(const MotionRegion& region, const PictureMap& map) const;

    CStaticPreview* m_pane;
    MotionRegions m_regions;
    PictureSource m_source;
    bool m_editing = false;
    bool m_exclude = false;
    bool m_outlineOnly = false;
    int m_selected = -1;
    std::vector<RegionPoint> m_pending;
    Drag m_drag = Drag::kNone;
    QPointF m_pressAt;
    QPointF m_hover;
    int m_corner = -1;
    MotionRegion m_before;  // the selected area as the drag found it
};
