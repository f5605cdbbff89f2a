#pragma once

#include <QDialog>
#include <QString>

class QLabel;

// The program's yes/no confirmation (dialog 3119). Callers go on only on kYes; closing the window any
// other way answers kCancel.
class CAppMsgDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kYes = 6;
    static constexpr int kNo = 7;
    static constexpr int kCancel = 2;

    explicit CAppMsgDlg(const QString& message, QWidget* parent = nullptr);
    int DoModal();

    // Test hooks: the next DoModal returns answer at once without showing the window; the shown texts are
    // recorded either way.
    static void SetNextAnswer(int answer);
    static QString LastMessage();
    static int ShownCount();

    // A one-button notice (a failed save, a file that is not a video), recorded like the questions. Tests
    // make notices return at once.
    static void Notice(const QString& message, QWidget* parent);
    static void SetNoticesSilent(bool silent);

private:
    QLabel* m_text;
};
