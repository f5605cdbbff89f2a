#pragma once

#include "ui/common/SectionPanel.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

// "変換出力設定": the resolution (3133) and frame-rate (3135) choices, filled from the engine's two lists,
// and their reset (1068).
class CMergeSettingsPanel : public CSectionPanel {
    Q_OBJECT
public:
    explicit CMergeSettingsPanel(QWidget* parent);

    void RefreshTexts();
    // Selects the two entries without reporting a change.
    void ShowChoice(int sizeIndex, int rateIndex);
    void SetSettingsEnabled(bool enabled);

    QComboBox* ResolutionCombo() const { return m_resolution; }
    QComboBox* FrameRateCombo() const { return m_rate; }
    QPushButton* ResetButton() const { return m_reset; }

signals:
    // The user chose another resolution or frame rate.
    void ChoiceChanged(int sizeIndex, int rateIndex);

private:
    QLabel* m_resolutionLabel;
    QComboBox* m_resolution;
    QLabel* m_rateLabel;
    QComboBox* m_rate;
    QPushButton* m_reset;
};

// "ビデオ結合設定": the job buttons (3139-3142, 1009), the transition (1058), the list delete (1034), the
// job's progress bar (1007) and the merge information line (1037).
class CMergeJobPanel : public CSectionPanel {
    Q_OBJECT
public:
    explicit CMergeJobPanel(QWidget* parent);

    void RefreshTexts();
    void SetMergeInfo(const QString& text);
    void SetCommandsEnabled(bool commands, bool stop);

    QPushButton* AnalyseButton() const { return m_analyse; }
    QPushButton* ConvertButton() const { return m_convert; }
    QPushButton* JoinButton() const { return m_join; }
    QPushButton* ConvertJoinButton() const { return m_convertJoin; }
    QPushButton* StopButton() const { return m_stop; }
    QPushButton* ClearListButton() const { return m_clearList; }
    QCheckBox* TransitionCheck() const { return m_transition; }
    QProgressBar* ProgressBar() const { return m_progress; }
    QLabel* MergeInfoLine() const { return m_info; }

private:
    QPushButton* m_analyse;
    QPushButton* m_convert;
    QPushButton* m_join;
    QPushButton* m_convertJoin;
    QPushButton* m_stop;
    QCheckBox* m_transition;
    QPushButton* m_clearList;
    QProgressBar* m_progress;
    QLabel* m_infoLabel;
    QLabel* m_info;
};
