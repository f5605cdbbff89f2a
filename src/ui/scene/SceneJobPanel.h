#pragma once

#include "ui/common/SectionPanel.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

// "シーン結合設定": the job buttons (1053, 1057, 1006, 1030, 1009), the transition (1058), the list delete
// (1034), the job's progress bar (1007) and the merge information line (1037); beside the transition, whether the
// joined file gets chapters.
class CSceneJobPanel : public CSectionPanel {
    Q_OBJECT
public:
    explicit CSceneJobPanel(QWidget* parent);

    void RefreshTexts();
    void SetMergeInfo(const QString& text);
    void SetCommandsEnabled(bool commands, bool stop);

    QPushButton* ExtractButton() const { return m_extract; }
    QPushButton* ExtractMergeButton() const { return m_extractMerge; }
    QPushButton* MergeButton() const { return m_merge; }
    QPushButton* SegmentOutputButton() const { return m_segments; }
    QPushButton* StopButton() const { return m_stop; }
    QPushButton* ClearListButton() const { return m_clearList; }
    QCheckBox* TransitionCheck() const { return m_transition; }
    QCheckBox* ChaptersCheck() const { return m_chapters; }
    QProgressBar* ProgressBar() const { return m_progress; }
    QLabel* MergeInfoLine() const { return m_info; }

private:
    QPushButton* m_extract;
    QPushButton* m_extractMerge;
    QPushButton* m_merge;
    QPushButton* m_segments;
    QPushButton* m_stop;
    QCheckBox* m_transition;
    QCheckBox* m_chapters;
    QPushButton* m_clearList;
    QProgressBar* m_progress;
    QLabel* m_infoLabel;
    QLabel* m_info;
};
