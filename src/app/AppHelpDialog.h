#pragma once

#include <QDialog>
#include <QString>

class CLineBGRichEdit;
class QPushButton;

// What the information viewer asks of the tab that opened it.
class MediaInfoSource {
public:
    virtual ~MediaInfoSource() = default;
    // The file the tab shows now (empty when none).
    virtual QString CurrentMediaPath() const = 0;
    // The ffprobe report of kind 2..5 for path; false when it could not be produced.
    virtual bool MediaReport(const QString& path, int kind, QString& text) = 0;
};

// The manual and media-information viewer (dialog 1096), modeless; it deletes itself when closed, and the
// QPointer its opener keeps becomes null then.
class CAppHelpDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kManualTitleId = 1096;

    // The manual of a tab (0 scene, 1 merge) in the display language, read from doc/ beside the program.
    CAppHelpDialog(const QString& text, QWidget* parent);
    // Media information of a kind (2 all, 3 format, 4 video streams, 5 audio streams) titled by a string id.
    CAppHelpDialog(MediaInfoSource* source, int kind, int titleId, QWidget* parent);

    // Fills the dialog; false in information mode when no file was chosen or the report failed (the caller
    // discards the dialog then).
    bool Create();

    bool InformationMode() const { return m_titleId != kManualTitleId; }
    QString Path() const { return m_path; }
    QString Text() const;
    int Kind() const { return m_kind; }

    // The manual file for a tab and language: <folder>doc/manual_ja.txt, manual_en.txt, manual2_ja.txt ...
    static QString ManualFilePath(const QString& programFolder, int tabIndex, bool japanese);
    // The lines of a text file joined with line feeds (no line end after the last); empty when missing.
    static QString ReadManualText(const QString& path);
    // The video filter of the file-choice button, in the "A|a;b|B|b||" form.
    static QString VideoFileFilter();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Build();
    bool ChooseFile();
    bool LoadInformation();
    void Play();

    MediaInfoSource* m_source = nullptr;
    QString m_text;
    QString m_title;
    QString m_path;
    int m_kind = -1;
    int m_titleId = kManualTitleId;
    CLineBGRichEdit* m_edit = nullptr;
    QPushButton* m_fileButton = nullptr;
    QPushButton* m_playButton = nullptr;
    QPushButton* m_okButton = nullptr;
};
