#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// The most recently used project files, newest first, kept under "Recent Files" as File1..File5.
class CRecentFileList {
public:
    static constexpr int kFirstCommand = 57616;
    static constexpr int kDisplayLength = 30;

    explicit CRecentFileList(int size = 5);

    void ReadList(QSettings& settings);
    // Writes every entry; keys of empty entries are removed.
    void WriteList(QSettings& settings) const;

    // Puts path at the head; an entry with the same path moves up instead of appearing twice.
    void Add(const QString& path);
    void Remove(int index);

    int Size() const { return m_size; }
    // Empty when index is outside the list or the entry is empty.
    QString At(int index) const;
    QString DisplayName(int index) const;

private:
    int m_size;
    QStringList m_entries;  // only the non-empty ones, newest first
};

// A path shortened for a menu entry of at most maxLength characters: the whole path when it fits, else the
// file name with as many trailing folders as fit after "…/" below the first folder, else the file name.
QString AbbreviatePath(const QString& path, int maxLength);
