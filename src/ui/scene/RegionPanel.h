#pragma once

#include <QWidget>

class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;

// The row under the preview for the areas an extraction watches: the editing mode (a toggle), include or
// exclude, delete the selected area, delete them all, and how many there are. One row when the width holds
// it, else two. The layout and the texts; the scene tab's areas part acts on them.
class CRegionPanel : public QWidget {
    Q_OBJECT
public:
    explicit CRegionPanel(QWidget* parent);

    void RefreshTexts();
    // The count line: all areas, of which exclude ones.
    void SetCount(int count, int excluded);

    QPushButton* EditButton() const { return m_edit; }
    QCheckBox* ExcludeCheck() const { return m_exclude; }
    QPushButton* DeleteButton() const { return m_delete; }
    QPushButton* ClearButton() const { return m_clear; }
    QLabel* CountLabel() const { return m_count; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // rows 0: as many as the width needs.
    void Arrange(int rows);

    QPushButton* m_edit;
    QCheckBox* m_exclude;
    QPushButton* m_delete;
    QPushButton* m_clear;
    QLabel* m_count;
    QGridLayout* m_grid;
    int m_rows = 0;
    int m_countValue = 0;
    int m_excludedValue = 0;
};
