#include "ui/preview/RegionEditor.h"

#include <QApplication>
#include <QBitmap>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "ui/preview/StaticPreview.h"

namespace {

const QColor kInclude(40, 220, 90);
const QColor kExclude(240, 60, 50);
const QColor kShadow(0, 0, 0, 170);
constexpr int kFillAlpha = 60;
constexpr double kGrab = 6.0;  // widget pixels within which a corner or an outline is hit
constexpr double kHandleSide = 8.0;
constexpr int kOutlineWidth = 2;
constexpr int kShadowWidth = 4;  // the dark edge that keeps an outline visible on a bright picture

QColor ColourOf(bool exclude) { return exclude ? kExclude : kInclude; }

double DistanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const QPointF ab = b - a;
    const double length = QPointF::dotProduct(ab, ab);
    const double t = length > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length, 0.0, 1.0) : 0.0;
    const QPointF nearest = a + t * ab;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

bool IsEditKey(int key) {
    switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return true;
        default:
            return false;
    }
}

}  // namespace

CRegionEditor::CRegionEditor(CStaticPreview* pane) : QWidget(pane), m_pane(pane) {
    setObjectName(QStringLiteral("regionEditor"));
    setFocusPolicy(Qt::NoFocus);
    setGeometry(pane->rect());
    pane->installEventFilter(this);
    connect(pane, &CStaticPreview::StillChanged, this, [this] {
        UpdateOutlineMask();
        update();
    });
    connect(pane, &CStaticPreview::PlayerEmbeddedChanged, this, &CRegionEditor::OnPlayerEmbedded);
}

PictureMap CRegionEditor::Map() const {
    const QRect still = m_pane->HasStill() ? m_pane->StillRect() : rect();
    return PictureMap(PictureRectIn(still, m_source), m_source.width, m_source.height);
}

void CRegionEditor::SetRegions(const MotionRegions& regions) {
    DropDrawing();
    Select(-1);
    m_regions = regions;
    UpdateOutlineMask();
    update();
}

void CRegionEditor::SetSource(const PictureSource& source) {
    m_source = source;
    UpdateOutlineMask();
    update();
}

void CRegionEditor::SetEditing(bool on) {
    if (on == m_editing) return;
    m_editing = on;
    DropDrawing();
    setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
    setMouseTracking(on);
    if (on) {
        setCursor(Qt::CrossCursor);
    } else {
        unsetCursor();
        if (hasFocus()) clearFocus();
        Select(-1);
    }
    update();
}

void CRegionEditor::SetExclude(bool exclude) {
    m_exclude = exclude;
    if (m_selected >= 0 && m_regions[m_selected].exclude != exclude) {
        m_regions[m_selected].exclude = exclude;
        emit Edited();
    }
    update();
}

void CRegionEditor::Select(int index) {
    if (index < -1 || index >= static_cast<int>(m_regions.size())) index = -1;
    if (index == m_selected) return;
    m_selected = index;
    // The check box shows the mode of the area chosen, and the next one drawn takes it.
    if (index >= 0) m_exclude = m_regions[index].exclude;
    update();
    emit SelectionChanged();
}

void CRegionEditor::DeleteSelected() {
    // Not the area under a drag: the drag would go on with an area that is gone.
    if (m_selected < 0 || m_drag != Drag::kNone) return;
    m_regions.erase(m_regions.begin() + m_selected);
    m_selected = -1;
    UpdateOutlineMask();
    update();
    emit SelectionChanged();
    emit Edited();
}

void CRegionEditor::DropDrawing() {
    if (m_drag == Drag::kCorner || m_drag == Drag::kMove) m_regions[m_selected] = m_before;
    m_drag = Drag::kNone;
    m_pending.clear();
    update();
}

// --- drawing ---

QPolygonF CRegionEditor::Outline(const MotionRegion& region, const PictureMap& map) const {
    QPolygonF outline;
    for (const RegionPoint& corner : region.Corners()) outline << map.ToWidget(corner);
    return outline;
}

void CRegionEditor::paintEvent(QPaintEvent*) {
    const PictureMap map = Map();
    if (!map.Valid()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // An area of a file made for a larger picture is shown only where it meets this one.
    painter.setClipRect(map.Picture().adjusted(-kShadowWidth, -kShadowWidth, kShadowWidth, kShadowWidth));
    auto stroke = [&](const QPolygonF& shape, const QColor& colour, bool closed, Qt::PenStyle style) {
        for (const auto& [pen, width] : {std::pair{kShadow, kShadowWidth}, std::pair{colour, kOutlineWidth}}) {
            painter.setPen(
                QPen(pen, width, width == kShadowWidth ? Qt::SolidLine : style, Qt::SquareCap, Qt::MiterJoin));
            if (closed) {
                painter.drawPolygon(shape);
            } else {
                painter.drawPolyline(shape);
            }
        }
    };
    for (int i = 0; i < static_cast<int>(m_regions.size()); ++i) {
        const MotionRegion& region = m_regions[i];
        const QPolygonF outline = Outline(region, map);
        QColor fill = ColourOf(region.exclude);
        fill.setAlpha(kFillAlpha);
        painter.setBrush(m_outlineOnly ? QBrush(Qt::NoBrush) : QBrush(fill));
        painter.setPen(Qt::NoPen);
        painter.drawPolygon(outline, Qt::OddEvenFill);
        painter.setBrush(Qt::NoBrush);
        stroke(outline, ColourOf(region.exclude), true, Qt::SolidLine);
    }
    if (m_selected >= 0 && !m_outlineOnly) {
        painter.setPen(QPen(kShadow, 1));
        painter.setBrush(Qt::white);
        for (const QPointF& corner : Outline(m_regions[m_selected], map)) {
            painter.drawRect(
                QRectF(corner.x() - kHandleSide / 2, corner.y() - kHandleSide / 2, kHandleSide, kHandleSide));
        }
    }
    if (m_drag == Drag::kRect) {
        const MotionRegion rubber = RectBetween(map.ToSource(m_pressAt), map.ToSource(m_hover), m_exclude);
        stroke(Outline(rubber, map), ColourOf(m_exclude), true, Qt::DashLine);
    }
    if (!m_pending.empty()) {
        QPolygonF line;
        for (const RegionPoint& p : m_pending) line << map.ToWidget(p);
        line << map.ToWidget(map.ToSource(m_hover));
        stroke(line, ColourOf(m_exclude), false, Qt::DashLine);
        painter.setPen(QPen(kShadow, 1));
        painter.setBrush(ColourOf(m_exclude));
        for (int i = 0; i < static_cast<int>(m_pending.size()); ++i) {
            painter.drawEllipse(line[i], i == 0 ? 5.0 : 3.5, i == 0 ? 5.0 : 3.5);
        }
    }
}

void CRegionEditor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateOutlineMask();
}

bool CRegionEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pane && event->type() == QEvent::Resize) setGeometry(m_pane->rect());
    return QWidget::eventFilter(watched, event);
}

void CRegionEditor::OnPlayerEmbedded(bool embedded) {
    m_outlineOnly = embedded;
    // The player is another program's window: only a window of our own, raised above its container and cut
    // to the strokes (cut before it is raised, so it never hides the picture), can draw over it.
    if (embedded) setAttribute(Qt::WA_NativeWindow);
    UpdateOutlineMask();
    update();
}

void CRegionEditor::UpdateOutlineMask() {
    if (!m_outlineOnly) {
        clearMask();
        show();
        return;
    }
    const PictureMap map = Map();
    // An empty mask would be no mask at all: a window over the whole player.
    if (m_regions.empty() || !map.Valid() || size().isEmpty()) {
        hide();
        return;
    }
    QBitmap bits(size());
    bits.fill(Qt::color0);
    QPainter painter(&bits);
    painter.setPen(QPen(Qt::color1, kShadowWidth + 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setClipRect(map.Picture().adjusted(-kShadowWidth, -kShadowWidth, kShadowWidth, kShadowWidth));
    for (const MotionRegion& region : m_regions) painter.drawPolygon(Outline(region, map));
    painter.end();
    setMask(bits);
    show();
    raise();
}

// --- the mouse ---

int CRegionEditor::HandleAt(const QPointF& at) const {
    if (m_selected < 0) return -1;
    const QPolygonF corners = Outline(m_regions[m_selected], Map());
    for (int i = 0; i < corners.size(); ++i) {
        if (std::abs(corners[i].x() - at.x()) <= kGrab && std::abs(corners[i].y() - at.y()) <= kGrab) return i;
    }
    return -1;
}

std::vector<int> CRegionEditor::RegionsAt(const QPointF& at) const {
    const PictureMap map = Map();
    std::vector<int> hits;
    for (int i = static_cast<int>(m_regions.size()) - 1; i >= 0; --i) {
        const QPolygonF outline = Outline(m_regions[i], map);
        bool hit = outline.containsPoint(at, Qt::OddEvenFill);
        for (int k = 0; !hit && k < outline.size(); ++k) {
            hit = DistanceToSegment(at, outline[k], outline[(k + 1) % outline.size()]) <= kGrab;
        }
        if (hit) hits.push_back(i);
    }
    return hits;
}

void CRegionEditor::mousePressEvent(QMouseEvent* event) {
    if (!m_editing || event->button() != Qt::LeftButton || !Map().Valid()) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_pressAt = m_hover = event->position();
    if (!m_pending.empty()) {
        m_drag = Drag::kPolygonPoint;
        return;
    }
    m_corner = HandleAt(m_pressAt);
    const std::vector<int> under = RegionsAt(m_pressAt);
    const bool onSelected = m_selected >= 0 && std::find(under.begin(), under.end(), m_selected) != under.end();
    m_drag = m_corner >= 0 ? Drag::kCorner : onSelected ? Drag::kMovePressed : Drag::kPressed;
    if (m_selected >= 0) m_before = m_regions[m_selected];
}

void CRegionEditor::mouseMoveEvent(QMouseEvent* event) {
    if (!m_editing) {
        event->ignore();
        return;
    }
    m_hover = event->position();
    const bool moved = (m_hover - m_pressAt).manhattanLength() >= QApplication::startDragDistance();
    const PictureMap map = Map();
    switch (m_drag) {
        case Drag::kPressed:
            if (moved) m_drag = Drag::kRect;
            break;
        case Drag::kMovePressed:
            if (!moved) break;
            m_drag = Drag::kMove;
            [[fallthrough]];
        case Drag::kMove: {
            const RegionPoint from = map.ToSource(m_pressAt), to = map.ToSource(m_hover);
            m_regions[m_selected] = m_before;
            MoveRegion(m_regions[m_selected], to.x - from.x, to.y - from.y, map.Width(), map.Height());
            break;
        }
        case Drag::kCorner: {
            // A corner dragged onto its rectangle's opposite edge waits there until the area has a size again.
            MotionRegion moving = m_before;
            int corner = m_corner;
            if (MoveCorner(moving, corner, map.ToSource(m_hover))) m_regions[m_selected] = moving;
            break;
        }
        default:
            break;
    }
    // A pointer only passing over the pane changes nothing drawn, unless a polygon follows it.
    if (m_drag != Drag::kNone || !m_pending.empty()) update();
}

void CRegionEditor::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_editing || event->button() != Qt::LeftButton || m_drag == Drag::kNone) {
        event->ignore();
        return;
    }
    const Drag drag = m_drag;
    m_drag = Drag::kNone;
    m_hover = event->position();
    const PictureMap map = Map();
    switch (drag) {
        case Drag::kRect: {
            const MotionRegion rect = RectBetween(map.ToSource(m_pressAt), map.ToSource(m_hover), m_exclude);
            if (rect.w > 0 && rect.h > 0) AddRegion(rect);
            break;
        }
        case Drag::kCorner:
        case Drag::kMove:
            if (m_regions[m_selected] != m_before) {
                UpdateOutlineMask();
                emit Edited();
            }
            break;
        case Drag::kPolygonPoint:
            AddPolygonPoint(map.ToSource(m_hover));
            break;
        default:
            Click(m_hover);
            break;
    }
    update();
}

void CRegionEditor::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!m_editing || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // The first click of the two has placed its corner already.
    if (!m_pending.empty()) {
        ClosePolygon();
        return;
    }
    mousePressEvent(event);
}

void CRegionEditor::Click(const QPointF& at) {
    const std::vector<int> under = RegionsAt(at);
    if (!under.empty()) {
        // Clicking again where areas overlap reaches the one below.
        auto it = std::find(under.begin(), under.end(), m_selected);
        Select(it == under.end() || std::next(it) == under.end() ? under.front() : *std::next(it));
        return;
    }
    Select(-1);
    AddPolygonPoint(Map().ToSource(at));
}

void CRegionEditor::AddPolygonPoint(const RegionPoint& point) {
    const PictureMap map = Map();
    if (m_pending.empty() && static_cast<int>(m_regions.size()) >= kMaxRegions) {
        emit Refused(kTooManyAreasText);
        return;
    }
    if (!m_pending.empty() && point == m_pending.back()) return;
    // A click on the first corner closes the shape, as a double-click does.
    if (m_pending.size() >= 3) {
        const QPointF first = map.ToWidget(m_pending.front());
        if (std::abs(first.x() - m_hover.x()) <= kGrab && std::abs(first.y() - m_hover.y()) <= kGrab) {
            ClosePolygon();
            return;
        }
    }
    if (static_cast<int>(m_pending.size()) >= kMaxRegionPoints) {
        emit Refused(kTooManyPointsText);
        return;
    }
    m_pending.push_back(point);
    update();
}

void CRegionEditor::ClosePolygon() {
    if (m_pending.size() < 3) {
        emit Refused(kShortPolygonText);
        return;
    }
    MotionRegion polygon;
    polygon.polygon = true;
    polygon.exclude = m_exclude;
    polygon.points = std::move(m_pending);
    m_pending.clear();
    AddRegion(polygon);
}

void CRegionEditor::AddRegion(const MotionRegion& region) {
    std::string reason;
    if (!RegionIsValid(region, reason)) return;
    if (static_cast<int>(m_regions.size()) >= kMaxRegions) {
        emit Refused(kTooManyAreasText);
        return;
    }
    m_regions.push_back(region);
    Select(static_cast<int>(m_regions.size()) - 1);
    UpdateOutlineMask();
    emit Edited();
}

// --- the keys ---

bool CRegionEditor::event(QEvent* event) {
    if (m_editing && event->type() == QEvent::ShortcutOverride && IsEditKey(static_cast<QKeyEvent*>(event)->key())) {
        // The window's own shortcuts do not take the keys the areas are edited with.
        event->accept();
        return true;
    }
    if (m_editing && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Tab selects among the areas here rather than leaving the pane; Esc leaves it.
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            CycleSelection(key == Qt::Key_Tab ? 1 : -1);
            return true;
        }
    }
    return QWidget::event(event);
}

void CRegionEditor::keyPressEvent(QKeyEvent* event) {
    if (!m_editing) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    switch (event->key()) {
        case Qt::Key_Left:
            MoveSelected(-step, 0);
            break;
        case Qt::Key_Right:
            MoveSelected(step, 0);
            break;
        case Qt::Key_Up:
            MoveSelected(0, -step);
            break;
        case Qt::Key_Down:
            MoveSelected(0, step);
            break;
        case Qt::Key_Delete:
            DeleteSelected();
            break;
        case Qt::Key_Backspace:
            // Takes back the last corner of a polygon under way, else removes the selected area.
            if (m_pending.empty()) {
                DeleteSelected();
            } else {
                m_pending.pop_back();
                update();
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!m_pending.empty()) ClosePolygon();
            break;
        case Qt::Key_Escape:
            if (m_pending.empty() && m_drag == Drag::kNone) {
                emit LeaveRequested();
            } else {
                DropDrawing();
            }
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CRegionEditor::CycleSelection(int step) {
    const int count = static_cast<int>(m_regions.size());
    if (count == 0 || m_drag != Drag::kNone) return;
    if (m_selected < 0) {
        Select(step > 0 ? 0 : count - 1);
    } else {
        Select((m_selected + step + count) % count);
    }
}

void CRegionEditor::MoveSelected(int dx, int dy) {
    if (m_selected < 0 || m_drag != Drag::kNone) return;
    const MotionRegion before = m_regions[m_selected];
    MoveRegion(m_regions[m_selected], dx, dy, m_source.width, m_source.height);
    if (m_regions[m_selected] == before) return;
    UpdateOutlineMask();
    update();
    emit Edited();
}
