#pragma once

#include <QWidget>

#include "ui/common/NumericField.h"

class QGridLayout;
class QLabel;
class QProgressBar;
class CSectionHeading;

// A section of a tab page: a heading over a grid of rows. Numeric rows are a label, an edit and its spin
// buttons; other rows span the grid.
class CSectionPanel : public QWidget {
    Q_OBJECT
public:
    CSectionPanel(const char* headingName, bool clickableHeading, QWidget* parent);

    CSectionHeading* Heading() const { return m_heading; }

    struct NumericRow {
        QLabel* label = nullptr;
        CNumericField* field = nullptr;
    };
    // A row "label [edit][spin]"; the edit and the spin are named editName and spinName.
    NumericRow AddNumericRow(const char* editName, const char* spinName, CNumericField::SettingSource setting);
    // A row of widgets side by side under the others.
    void AddRow(std::initializer_list<QWidget*> widgets);
    // The progress bar of a job: 0-100, no text, green.
    QProgressBar* NewProgressBar();
    // A row "label text" of a selectable text line named objectName; the label names it for screen readers.
    QLabel* AddInfoRow(const char* objectName, QLabel** label);
    // Pushes the rows up when the section is taller than they need.
    void Finish();

private:
    CSectionHeading* m_heading;
    QGridLayout* m_grid;
    int m_rows = 0;
};
