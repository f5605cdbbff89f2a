#pragma once

#include <QWidget>

#include "project/FrameClock.h"

class CStaticPreview;
class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QSlider;

// The right-hand side of a tab page: the preview pane with the position line (1045) and the file line
// (3080) under it, the seek slider (1059), the play and seek buttons (1060-1066), the details button (3092),
// the volume slider (1078) and the two loop check boxes (1077, 1043). This is the layout and the texts;
// playback, seeking and volume act through the page.
class CPreviewPanel : public QWidget {
    Q_OBJECT
public:
    explicit CPreviewPanel(QWidget* parent = nullptr);

    // Texts and accessible names from the current library; outputOpen relabels 1063/1064 as
    // "<<1Scn"/"1Scn>>" (3094/3095) instead of "<<1分"/"1分>>" (3038/3039).
    void RefreshTexts(bool outputOpen);
    // The enabling of the player controls: canPlay for 1077, 1043, 1059, 1078, 1060-1064, 3092; the frame
    // buttons 1065/1066 also need that no playback runs.
    void SetPlayerControlsEnabled(bool canPlay, bool playbackRunning);
    void SetAllEnabled(bool enabled);

    // "%s/%s Frm:%d/%d" line under the pane and the file line.
    void SetPositionText(const QString& text);
    void SetFileText(const QString& text);
    // The position line for frame of count at frameRate (no rate: zero times); a non-zero offset, the
    // selected scene's start, adds " Offset Frm:%d/%d".
    // A clock text (the recording's date and time at the frame) is added after two spaces.
    static QString PositionText(int frame, int count, const FrameClock& clock, int offset = 0,
                                const QString& clockText = QString());

    CStaticPreview* Pane() const { return m_pane; }
    QSlider* SeekSlider() const { return m_seek; }
    QSlider* VolumeSlider() const { return m_volume; }
    QPushButton* PlayStopButton() const { return m_playStop; }
    QPushButton* DetailsButton() const { return m_details; }
    QCheckBox* SceneLoopCheck() const { return m_sceneLoop; }
    QCheckBox* LoopCheck() const { return m_loop; }
    // 1065, 1066, 1061, 1062, 1063, 1064 in this order.
    QPushButton* SeekButton(int index) const { return m_seekButtons[index]; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ArrangeSeekButtons(int columns);

    CStaticPreview* m_pane;
    QLabel* m_positionLine;
    QLabel* m_fileLine;
    QSlider* m_seek;
    QPushButton* m_playStop;
    QPushButton* m_seekButtons[6];
    QPushButton* m_details;
    QLabel* m_volumeLabel;
    QSlider* m_volume;
    QCheckBox* m_sceneLoop;
    QCheckBox* m_loop;
    QGridLayout* m_seekGrid;
    int m_seekColumns = 0;
};
