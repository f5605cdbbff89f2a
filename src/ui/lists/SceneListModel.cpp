#include "ui/lists/SceneListModel.h"

#include <QBrush>
#include <QColor>
#include <algorithm>
#include <array>

#include "app/Language.h"
#include "project/TimeText.h"
#include "ui/lists/OutputStarts.h"

namespace {

constexpr std::array<int, SceneListModel::kColumnCount> kHeaderIds = {3043, 3044, 3045, 3046, 3047,
                                                                      3048, 3049, 3050, 3051, 3052};
constexpr std::array<int, SceneListModel::kColumnCount> kWidths = {50, 70, 70, 70, 80, 120, 80, 80, 70, 80};

const QColor kDisabledText(128, 128, 128);
const QColor kDisabledBack(220, 220, 220);

QString Text(const std::string& text) { return QString::fromStdString(text); }

// Locks the list when there is a lock; tests and the merge-free paths have none.
class ListLock {
public:
    explicit ListLock(std::mutex* mutex) : m_mutex(mutex) {
        if (m_mutex) m_mutex->lock();
    }
    ~ListLock() {
        if (m_mutex) m_mutex->unlock();
    }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;

private:
    std::mutex* m_mutex;
};

}  // namespace

int SceneListModel::HeaderId(int column) {
    return column >= 0 && column < kColumnCount ? kHeaderIds[static_cast<size_t>(column)] : 0;
}

int SceneListModel::ColumnWidth(int column) {
    return column >= 0 && column < kColumnCount ? kWidths[static_cast<size_t>(column)] : 0;
}

SceneListModel::SceneListModel(CTarneloData* data, std::mutex* listMutex, QObject* parent)
    : QAbstractTableModel(parent), m_data(data), m_listMutex(listMutex) {}

void SceneListModel::TakeRows() {
    if (!m_data) {
        m_rows.clear();
        return;
    }
    ListLock lock(m_listMutex);
    m_rows = m_data->diff_list;
}

double SceneListModel::Fps() const { return m_data ? m_data->m_currentInfo.fps : 0; }

void SceneListModel::RebuildOutputStarts() {
    const bool transition = m_data && m_data->transition;
    const double seconds = m_data ? m_data->TransitionDuration : 0;
    m_rowStarts = SceneOutputStarts(m_rows, transition, seconds, Fps());
    m_outputStarts.clear();
    for (const int start : m_rowStarts) {
        if (start >= 0) m_outputStarts.push_back(start);
    }
}

void SceneListModel::Fill() {
    beginResetModel();
    TakeRows();
    RebuildOutputStarts();
    endResetModel();
}

void SceneListModel::UpdateRow(int row) {
    if (!m_data || row < 0) return;
    bool patched = false;
    {
        ListLock lock(m_listMutex);
        if (m_data->diff_list.size() == m_rows.size() && static_cast<size_t>(row) < m_rows.size()) {
            m_rows[static_cast<size_t>(row)] = m_data->diff_list[static_cast<size_t>(row)];
            patched = true;
        }
    }
    if (!patched) {
        // Rows were added or removed behind the copy: only a full rebuild shows them right.
        Fill();
        return;
    }
    RefreshNumbering();
}

void SceneListModel::InsertRow(int row) {
    if (!m_data) return;
    size_t size = 0;
    {
        ListLock lock(m_listMutex);
        size = m_data->diff_list.size();
    }
    if (row < 0 || static_cast<size_t>(row) >= size || size != m_rows.size() + 1) {
        Fill();
        return;
    }
    beginInsertRows(QModelIndex(), row, row);
    TakeRows();
    RebuildOutputStarts();
    endInsertRows();
    // The rows after it are numbered anew and start later in the output.
    emit dataChanged(index(row, 0), index(rowCount() - 1, kColumnCount - 1));
}

void SceneListModel::RemoveRow(int row) {
    if (!m_data) return;
    size_t size = 0;
    {
        ListLock lock(m_listMutex);
        size = m_data->diff_list.size();
    }
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size() || size + 1 != m_rows.size()) {
        Fill();
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    TakeRows();
    RebuildOutputStarts();
    endRemoveRows();
    if (!m_rows.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

void SceneListModel::RefreshNumbering() {
    if (!m_data) return;
    bool sameSize = true;
    {
        ListLock lock(m_listMutex);
        sameSize = m_data->diff_list.size() == m_rows.size();
        if (sameSize) {
            for (size_t i = 0; i < m_rows.size(); ++i) m_rows[i].enable = m_data->diff_list[i].enable;
        }
    }
    if (!sameSize) {
        Fill();
        return;
    }
    RebuildOutputStarts();
    if (m_rows.empty()) return;
    // The enable flags change the grey of whole rows, so every cell is repainted.
    emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

void SceneListModel::UpdateCaptions(int row) {
    if (!m_data || m_rows.empty()) return;
    const int first = row < 0 ? 0 : row;
    const int last = row < 0 ? rowCount() - 1 : row;
    if (last >= rowCount()) return;
    {
        ListLock lock(m_listMutex);
        if (m_data->diff_list.size() != m_rows.size()) return;
        for (int i = first; i <= last; ++i) {
            m_rows[static_cast<size_t>(i)].capParam = m_data->diff_list[static_cast<size_t>(i)].capParam;
        }
    }
    emit dataChanged(index(first, kColCaption), index(last, kColCaptionLength));
}

void SceneListModel::RefreshHeaders() { emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1); }

int SceneListModel::OutputStartOf(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= m_rowStarts.size()) return -1;
    return m_rowStarts[static_cast<size_t>(row)];
}

int SceneListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SceneListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant SceneListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int row = index.row();
    const SceneEntry& scene = m_rows[static_cast<size_t>(row)];
    switch (role) {
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        case Qt::CheckStateRole:
            if (index.column() != kColEnable) return {};
            return scene.enable ? Qt::Checked : Qt::Unchecked;
        case Qt::ForegroundRole:
            return scene.enable ? QVariant() : QVariant(QBrush(kDisabledText));
        case Qt::BackgroundRole:
            return scene.enable ? QVariant() : QVariant(QBrush(kDisabledBack));
        case Qt::DisplayRole:
            break;
        default:
            return {};
    }
    const int length = scene.FrameCount();
    const int start = OutputStartOf(row);
    switch (index.column()) {
        case kColEnable:
            return Text(FormatC("%03d", row + 1));
        case kColStart:
            return Text(FormatC("%d", scene.framNo_first));
        case kColEnd:
            return Text(FormatC("%d", scene.framNo_second));
        case kColLength:
            return Text(FormatC("%d", length));
        case kColDuration:
            return m_data ? Text(m_data->FrameToTimeText(length, Fps())) : QString();
        case kColCaption:
            return Text(scene.capParam.caption);
        case kColCaptionStart:
            return Text(FormatC("%.02f", scene.capParam.capTime_first));
        case kColCaptionLength:
            return Text(FormatC("%.02f", scene.capParam.capTime_second));
        case kColOutputStart:
            return start >= 0 ? Text(FormatC("%d", start)) : QString();
        case kColOutputTime:
            return start >= 0 && m_data ? Text(m_data->FrameToTimeText(start, Fps())) : QString();
        default:
            return {};
    }
}

QVariant SceneListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    if (role == Qt::DisplayRole) return ResText(HeaderId(section));
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

Qt::ItemFlags SceneListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kColEnable && !m_locked) f |= Qt::ItemIsUserCheckable;
    if (!m_locked) f |= Qt::ItemIsDragEnabled;
    return f;
}

bool SceneListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (m_locked || !m_data || role != Qt::CheckStateRole || !index.isValid() || index.column() != kColEnable ||
        index.row() >= rowCount()) {
        return false;
    }
    const int row = index.row();
    const bool enable = value.toInt() == Qt::Checked;
    {
        ListLock lock(m_listMutex);
        if (static_cast<size_t>(row) >= m_data->diff_list.size()) return false;
        m_data->diff_list[static_cast<size_t>(row)].enable = enable;
    }
    m_rows[static_cast<size_t>(row)].enable = enable;
    RefreshNumbering();
    emit EnableChanged(row);
    return true;
}
