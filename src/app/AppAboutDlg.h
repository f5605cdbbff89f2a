#pragma once

#include <QDialog>
#include <QString>

// The about box (dialog 100): icon, version of the build, copyright, and the FFmpeg notice.
class CAppAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAppAboutDlg(QWidget* parent = nullptr);
};

// A version text as shown: spaces removed and each "," made a "." ("1, 1, 0, 0" shows as 1.1.0.0).
QString FormatVersionText(const QString& version);
