#pragma once

#include <functional>
#include <optional>

#include "project/TarneloData.h"
#include "ui/common/SectionPanel.h"

class QComboBox;
class QLineEdit;
class QPushButton;

// "字幕設定": one set of controls for the caption of the selected scene, the title and the watermark: font
// (1067), text (1073), start (1069/1070), length (1071/1072), position (1074), reset (1075) and fill/clear
// (1079). A click on the heading (1076) switches which caption the controls show.
class CCaptionPanel : public CSectionPanel {
    Q_OBJECT
public:
    enum CaptionKind { kSceneCaption, kTitle, kWatermark };

    CCaptionPanel(CTarneloData* data, QWidget* parent);

    void RefreshTexts();
    // The current caption into the controls: the selected scene's, the title or the watermark; the default
    // caption while the list is empty.
    void Load();
    // Back to the scene caption (a new project, an extraction).
    void ResetKind();
    // The next kind, as a click on the heading does.
    void NextKind();
    int Kind() const { return m_kind; }
    // A copy of the caption the controls edit now; none for a scene caption with an empty list.
    std::optional<CaptionParam> Target() const;
    // Lets change edit the caption shown (false: it left it as it was); false when there is none.
    // The scene's caption changes as one step to undo; steps of the same mergeKey (non-zero) in a row are one.
    bool ChangeTarget(const std::function<bool(CaptionParam&)>& change, int mergeKey = 0);

    void SetCaptionsEnabled(bool enabled);
    // "全設定" while no scene has a caption text, "全削除" once one has.
    void RefreshFillText();

    QPushButton* FontButton() const { return m_font; }
    QLineEdit* TextEdit() const { return m_text; }
    QComboBox* PositionCombo() const { return m_position; }
    QPushButton* ResetButton() const { return m_reset; }
    QPushButton* FillButton() const { return m_fill; }
    CNumericField* StartField() const { return m_start.field; }
    CNumericField* LengthField() const { return m_length.field; }

    // The font dialog over the current caption; a choice is stored at once (nowhere for a scene caption
    // while the list is empty).
    void ChooseFont();

signals:
    // The user changed the current caption (text, start, length or position): the page redraws the
    // list's caption columns, refreshes the preview and saves.
    void CaptionChanged();

private:
    void SetKind(int kind);
    // The limit of the current caption's times; the spin path takes it rounded to hundredths too.
    double Limit() const;
    // Builds the start or length setting from the current caption, for the numeric field to edit.
    NumericSetting* TimeSetting(bool start);
    void ApplyTime(bool start);
    void ApplyText();
    void ApplyPosition(int index);

    CTarneloData* m_data;
    NumericSetting m_startSetting;
    NumericSetting m_lengthSetting;
    int m_kind = kSceneCaption;
    QPushButton* m_font;
    QLineEdit* m_text;
    NumericRow m_start;
    NumericRow m_length;
    QLabel* m_positionLabel;
    QComboBox* m_position;
    QPushButton* m_reset;
    QPushButton* m_fill;
};
