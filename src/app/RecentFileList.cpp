#include "app/RecentFileList.h"

#include <QSettings>

CRecentFileList::CRecentFileList(int size) : m_size(size) {}

void CRecentFileList::ReadList(QSettings& settings) {
    m_entries.clear();
    settings.beginGroup(QStringLiteral("Recent Files"));
    for (int i = 1; i <= m_size; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty() && !m_entries.contains(path)) m_entries.append(path);
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const {
    settings.beginGroup(QStringLiteral("Recent Files"));
    for (int i = 1; i <= m_size; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= m_entries.size()) {
            settings.setValue(key, m_entries[i - 1]);
        } else {
            settings.remove(key);
        }
    }
    settings.endGroup();
    settings.sync();
}

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty()) return;
    m_entries.removeAll(path);
    m_entries.prepend(path);
    while (m_entries.size() > m_size) m_entries.removeLast();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < m_entries.size()) m_entries.removeAt(index);
}

QString CRecentFileList::At(int index) const {
    return (index >= 0 && index < m_entries.size()) ? m_entries[index] : QString();
}

QString CRecentFileList::DisplayName(int index) const { return AbbreviatePath(At(index), kDisplayLength); }

QString AbbreviatePath(const QString& path, int maxLength) {
    if (path.size() <= maxLength) return path;
    const int nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const QString name = path.mid(nameStart);
    if (name.size() >= maxLength - 4) return name;
    // Keep the root part up to the first folder, then as many folders from the end as still fit.
    const int rootEnd = path.indexOf(QLatin1Char('/'), path.startsWith(QLatin1Char('/')) ? 1 : 0);
    const QString root = rootEnd > 0 ? path.left(rootEnd + 1) : QString();
    const QString ellipsis = QStringLiteral("...");
    int cut = nameStart;  // the tail starts here
    for (;;) {
        const int prev = path.lastIndexOf(QLatin1Char('/'), cut - 2);
        if (prev < rootEnd) break;
        if (root.size() + ellipsis.size() + 1 + (path.size() - (prev + 1)) > maxLength) break;
        cut = prev + 1;
    }
    const QString shortened = root + ellipsis + QLatin1Char('/') + path.mid(cut);
    return shortened.size() <= maxLength ? shortened : name;
}
