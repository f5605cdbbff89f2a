#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "project/FrameClock.h"

struct MotionRecord;

// Where frames and counts sit on the strip. Counts are drawn on a logarithmic scale up to a top that stays
// put while the threshold moves, so a drag never rescales what it is dragged over.
struct TimelineScale {
    int frames = 0;  // frames of the record
    double top = 1;  // the count drawn at the top edge
    int left = 0;    // plot area in pixels
    int width = 1;
    int upper = 0;  // y of the top edge
    int height = 1;

    int XOfFrame(int frame) const;
    // The frame under x, clamped to the record.
    int FrameAtX(int x) const;
    int YOfCount(double count) const;
    // The count drawn at y, clamped to [0, top].
    double CountAtY(int y) const;
};

// The strip under the scene list: the per-frame count of changed pixels over the whole video (each pixel
// column shows the largest count of its frames, so a one-frame spike stays visible), the threshold as a line,
// the scenes as bands (switched-off ones apart), the selected scene outlined, and the player's position.
// A click reports its frame; dragging the threshold line, or Up/Down with the focus, asks for a new
// threshold. Hidden while there is no record.
class CMotionTimeline : public QWidget {
    Q_OBJECT
public:
    struct Band {
        int first = 0;
        int last = 0;
        bool enabled = true;
    };

    explicit CMotionTimeline(QWidget* parent);

    // nullptr hides the strip.
    // clock gives the frames' times; a plain clock at the record's rate when it has none.
    void SetRecord(std::shared_ptr<const MotionRecord> record, const FrameClock& clock = FrameClock());
    const MotionRecord* Record() const { return m_record.get(); }
    // The threshold as a count of changed pixels, and the highest one the setting allows (fixes the scale).
    void SetThreshold(int count, int highest);
    void SetScenes(std::vector<Band> bands, int selected);
    // -1: no cursor.
    void SetCursorFrame(int frame);
    void RefreshTexts();

    // For the window tests: the geometry of what is drawn now.
    TimelineScale Scale() const;
    int ThresholdCount() const { return m_threshold; }
    bool Dragging() const { return m_dragging; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A click (not a drag of the threshold line) at frame.
    void FrameClicked(int frame);
    // The threshold line is being dragged to count; once released, DragFinished.
    void ThresholdDragged(int count);
    void DragFinished();
    // Up/Down (1) and Page Up/Down (10) with the focus on the strip.
    void ThresholdStepped(int steps);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool NearThreshold(int y) const;
    void RebuildColumns();

    std::shared_ptr<const MotionRecord> m_record;
    FrameClock m_clock;
    std::vector<uint32_t> m_columns;  // the largest count of each pixel column of the plot
    std::vector<Band> m_bands;
    int m_selected = -1;
    int m_threshold = 0;
    int m_highest = 0;
    int m_cursor = -1;
    bool m_dragging = false;
    bool m_pressed = false;
};
