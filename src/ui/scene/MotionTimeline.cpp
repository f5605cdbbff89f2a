#include "ui/scene/MotionTimeline.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "engine/motion/MotionRecord.h"
#include "engine/motion/MotionSummary.h"
#include "project/TimeText.h"
#include "ui/common/ControlTexts.h"

namespace {

constexpr int kMargin = 4;
constexpr int kAxisHeight = 12;  // the time texts under the plot
constexpr int kGrabDistance = 4;
constexpr int kAccessibleNameText = 3180;
constexpr int kPointText = 3182;
constexpr int kHintText = 3183;

QString TimeOf(int frame, const FrameClock& clock) {
    return QString::fromStdString(SecondsToFrameTimeText(clock.Fps() > 0 ? clock.Seconds(frame) : 0, false));
}

}  // namespace

int TimelineScale::XOfFrame(int frame) const {
    if (frames <= 1) return left;
    return left + static_cast<int>(std::lround(static_cast<double>(frame) * (width - 1) / (frames - 1)));
}

int TimelineScale::FrameAtX(int x) const {
    if (frames <= 1 || width <= 1) return 0;
    const double frame = static_cast<double>(x - left) * (frames - 1) / (width - 1);
    return std::clamp(static_cast<int>(std::lround(frame)), 0, frames - 1);
}

int TimelineScale::YOfCount(double count) const {
    const double share = std::log1p(std::clamp(count, 0.0, top)) / std::log1p(std::max(top, 1.0));
    return upper + height - 1 - static_cast<int>(std::lround(share * (height - 1)));
}

double TimelineScale::CountAtY(int y) const {
    const double share = std::clamp(static_cast<double>(upper + height - 1 - y) / std::max(height - 1, 1), 0.0, 1.0);
    return std::clamp(std::expm1(share * std::log1p(std::max(top, 1.0))), 0.0, top);
}

CMotionTimeline::CMotionTimeline(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("motionTimeline"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setVisible(false);
    RefreshTexts();
}

QSize CMotionTimeline::sizeHint() const { return {400, 76}; }
QSize CMotionTimeline::minimumSizeHint() const { return {120, 76}; }

void CMotionTimeline::RefreshTexts() {
    setAccessibleName(ResText(kAccessibleNameText));
    setToolTip(ResText(kHintText));
    setAccessibleDescription(ResText(kHintText));
}

void CMotionTimeline::SetRecord(std::shared_ptr<const MotionRecord> record, const FrameClock& clock) {
    m_record = std::move(record);
    m_clock = clock.Fps() > 0 ? clock : FrameClock(m_record ? m_record->fps : 0);
    m_dragging = false;
    m_pressed = false;
    setVisible(m_record != nullptr && !m_record->counts.empty());
    RebuildColumns();
    update();
}

void CMotionTimeline::SetThreshold(int count, int highest) {
    if (count == m_threshold && highest == m_highest) return;
    const bool rescale = highest != m_highest;
    m_threshold = count;
    m_highest = highest;
    if (rescale) RebuildColumns();
    update();
}

void CMotionTimeline::SetScenes(std::vector<Band> bands, int selected) {
    m_bands = std::move(bands);
    m_selected = selected;
    update();
}

void CMotionTimeline::SetCursorFrame(int frame) {
    if (frame == m_cursor) return;
    m_cursor = frame;
    update();
}

TimelineScale CMotionTimeline::Scale() const {
    TimelineScale scale;
    scale.frames = m_record ? static_cast<int>(m_record->counts.size()) : 0;
    scale.left = kMargin;
    scale.width = std::max(1, width() - 2 * kMargin);
    scale.upper = kMargin;
    scale.height = std::max(1, height() - 2 * kMargin - kAxisHeight);
    uint32_t peak = 0;
    for (uint32_t value : m_columns) peak = std::max(peak, value);
    scale.top = std::max({static_cast<double>(peak), static_cast<double>(m_highest), 1.0});
    return scale;
}

void CMotionTimeline::RebuildColumns() {
    m_columns.clear();
    if (!m_record || m_record->counts.empty()) return;
    const int columns = std::max(1, width() - 2 * kMargin);
    m_columns = ColumnMaxima(m_record->counts, 0, static_cast<int>(m_record->counts.size()) - 1, columns);
}

void CMotionTimeline::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RebuildColumns();
}

void CMotionTimeline::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.window());
    const TimelineScale scale = Scale();
    const QRect plot(scale.left, scale.upper, scale.width, scale.height);
    painter.fillRect(plot, colours.base());
    if (!m_record || scale.frames == 0) return;

    // Bands behind the curve: switched-off scenes grey, the selected one outlined.
    for (size_t i = 0; i < m_bands.size(); ++i) {
        const Band& band = m_bands[i];
        const int x0 = scale.XOfFrame(band.first);
        const int x1 = std::max(scale.XOfFrame(band.last), x0 + 1);
        const QRect area(x0, plot.top(), x1 - x0 + 1, plot.height());
        painter.fillRect(area, band.enabled ? QColor(90, 170, 240, 90) : QColor(140, 140, 140, 70));
        if (static_cast<int>(i) == m_selected) {
            painter.setPen(QPen(colours.highlight().color(), 2));
            painter.drawRect(area.adjusted(1, 1, -1, -1));
        }
    }

    // The curve: one bar per pixel column, as high as the column's largest count.
    painter.setPen(QColor(45, 60, 80));
    const int bottom = plot.bottom();
    for (size_t x = 0; x < m_columns.size(); ++x) {
        if (m_columns[x] == 0) continue;
        const int px = plot.left() + static_cast<int>(x) * plot.width() / static_cast<int>(m_columns.size());
        painter.drawLine(px, bottom, px, scale.YOfCount(m_columns[x]));
    }

    const int y = scale.YOfCount(m_threshold);
    painter.setPen(QPen(QColor(210, 40, 40), m_dragging ? 2 : 1, m_dragging ? Qt::DashLine : Qt::SolidLine));
    painter.drawLine(plot.left(), y, plot.right(), y);
    // A grip at the right end says the line can be taken.
    painter.setBrush(QColor(210, 40, 40));
    painter.drawRect(plot.right() - 6, y - 3, 6, 6);

    if (m_cursor >= 0 && m_cursor < scale.frames) {
        const int x = scale.XOfFrame(m_cursor);
        painter.setPen(QPen(QColor(240, 140, 0), 2));
        painter.drawLine(x, plot.top(), x, plot.bottom());
    }

    QFont small = font();
    small.setPixelSize(10);
    painter.setFont(small);
    painter.setPen(colours.text().color());
    const QRect axis(plot.left(), plot.bottom() + 1, plot.width(), kAxisHeight);
    painter.drawText(axis, Qt::AlignLeft | Qt::AlignVCenter, TimeOf(0, m_clock));
    painter.drawText(axis, Qt::AlignRight | Qt::AlignVCenter, TimeOf(scale.frames, m_clock));
}

bool CMotionTimeline::NearThreshold(int y) const {
    return m_record && std::abs(y - Scale().YOfCount(m_threshold)) <= kGrabDistance;
}

void CMotionTimeline::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_record) return QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    m_pressed = true;
    m_dragging = NearThreshold(event->position().toPoint().y());
    if (m_dragging) update();
}

void CMotionTimeline::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!m_dragging) {
        setCursor(NearThreshold(at.y()) ? Qt::SizeVerCursor : Qt::ArrowCursor);
        return;
    }
    const int count = static_cast<int>(std::lround(Scale().CountAtY(at.y())));
    emit ThresholdDragged(count);
}

void CMotionTimeline::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed) return QWidget::mouseReleaseEvent(event);
    m_pressed = false;
    if (m_dragging) {
        m_dragging = false;
        update();
        emit DragFinished();
        return;
    }
    emit FrameClicked(Scale().FrameAtX(event->position().toPoint().x()));
}

void CMotionTimeline::keyPressEvent(QKeyEvent* event) {
    int steps = 0;
    switch (event->key()) {
        case Qt::Key_Up:
            steps = 1;
            break;
        case Qt::Key_Down:
            steps = -1;
            break;
        case Qt::Key_PageUp:
            steps = 10;
            break;
        case Qt::Key_PageDown:
            steps = -10;
            break;
        default:
            return QWidget::keyPressEvent(event);
    }
    if (m_record) emit ThresholdStepped(steps);
}

bool CMotionTimeline::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip || !m_record) return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const TimelineScale scale = Scale();
    if (NearThreshold(help->pos().y())) {
        QToolTip::showText(help->globalPos(), ResText(kHintText), this);
        return true;
    }
    const int frame = scale.FrameAtX(help->pos().x());
    const int column = m_columns.empty()
                           ? 0
                           : std::clamp(static_cast<int>((help->pos().x() - scale.left) *
                                                         static_cast<int>(m_columns.size()) / scale.width),
                                        0, static_cast<int>(m_columns.size()) - 1);
    const uint32_t count = m_columns.empty() ? 0 : m_columns[static_cast<size_t>(column)];
    QToolTip::showText(help->globalPos(), ResText(kPointText).arg(frame).arg(TimeOf(frame, m_clock)).arg(count), this);
    return true;
}
