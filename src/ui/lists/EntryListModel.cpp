#include "ui/lists/EntryListModel.h"

#include <QBrush>
#include <QColor>

#include "app/Language.h"
#include "project/TimeText.h"

namespace {

const QColor kDisabledText(128, 128, 128);
const QColor kDisabledBack(220, 220, 220);

}  // namespace

EntryListModel::EntryListModel(CTarneloData* data, QObject* parent) : QAbstractTableModel(parent), m_data(data) {}

void EntryListModel::TakeRows() {
    if (!m_data) {
        m_rows.clear();
        return;
    }
    m_rows = m_data->Scenes().Snapshot();
}

size_t EntryListModel::ProjectSize() const {
    if (!m_data) return 0;
    return static_cast<size_t>(m_data->Scenes().Size());
}

void EntryListModel::RebuildOutputStarts() {
    m_rowStarts = RowOutputStarts();
    m_outputStarts.clear();
    for (const int start : m_rowStarts) {
        if (start >= 0) m_outputStarts.push_back(start);
    }
}

void EntryListModel::RepaintAll() {
    if (!m_rows.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, Columns() - 1));
}

void EntryListModel::Fill() {
    beginResetModel();
    TakeRows();
    RebuildOutputStarts();
    endResetModel();
}

void EntryListModel::UpdateRow(int row) {
    if (!m_data || row < 0) return;
    const bool patched = m_data->Scenes().Read([&](const std::vector<SceneEntry>& scenes) {
        if (scenes.size() != m_rows.size() || static_cast<size_t>(row) >= m_rows.size()) return false;
        m_rows[static_cast<size_t>(row)] = scenes[static_cast<size_t>(row)];
        return true;
    });
    if (!patched) {
        // Rows were added or removed behind the copy: only a full rebuild shows them right.
        Fill();
        return;
    }
    RefreshNumbering();
}

bool EntryListModel::CopyEntry(int row) {
    if (!m_data) return false;
    if (!m_data->Scenes().Copy(row)) return false;
    InsertRow(row);
    return true;
}

bool EntryListModel::SwapEntries(int a, int b) {
    if (!m_data) return false;
    if (!m_data->Scenes().Swap(a, b)) return false;
    UpdateRow(a);
    UpdateRow(b);
    return true;
}

void EntryListModel::InsertRow(int row) {
    if (!m_data) return;
    const size_t size = ProjectSize();
    if (row < 0 || static_cast<size_t>(row) >= size || size != m_rows.size() + 1) {
        Fill();
        return;
    }
    beginInsertRows(QModelIndex(), row, row);
    TakeRows();
    RebuildOutputStarts();
    endInsertRows();
    // The rows after it are numbered anew and start later in the output.
    emit dataChanged(index(row, 0), index(rowCount() - 1, Columns() - 1));
}

void EntryListModel::RemoveRow(int row) {
    if (!m_data) return;
    const size_t size = ProjectSize();
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size() || size + 1 != m_rows.size()) {
        Fill();
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    TakeRows();
    RebuildOutputStarts();
    endRemoveRows();
    RepaintAll();
}

void EntryListModel::RefreshNumbering() {
    if (!m_data) return;
    const bool sameSize = m_data->Scenes().Read([&](const std::vector<SceneEntry>& scenes) {
        if (scenes.size() != m_rows.size()) return false;
        for (size_t i = 0; i < m_rows.size(); ++i) m_rows[i].enable = scenes[i].enable;
        return true;
    });
    if (!sameSize) {
        Fill();
        return;
    }
    RebuildOutputStarts();
    RepaintAll();
}

void EntryListModel::RefreshHeaders() { emit headerDataChanged(Qt::Horizontal, 0, Columns() - 1); }

int EntryListModel::OutputStartOf(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= m_rowStarts.size()) return -1;
    return m_rowStarts[static_cast<size_t>(row)];
}

QString EntryListModel::OutputStartText(int row, bool asTime, double fps) const {
    const int start = OutputStartOf(row);
    if (start < 0) return {};
    if (!asTime) return Text(FormatC("%d", start));
    return m_data ? Text(m_data->FrameToTimeText(start, fps)) : QString();
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int EntryListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Columns(); }

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= Columns()) return {};
    const SceneEntry& entry = Row(index.row());
    switch (role) {
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(AlignmentOf(index.column()) | Qt::AlignVCenter);
        case Qt::CheckStateRole:
            if (index.column() != 0) return {};
            return entry.enable ? Qt::Checked : Qt::Unchecked;
        case Qt::ForegroundRole:
            return entry.enable ? QVariant() : QVariant(QBrush(kDisabledText));
        case Qt::BackgroundRole:
            return entry.enable ? QVariant() : QVariant(QBrush(kDisabledBack));
        case Qt::DisplayRole:
            return CellText(index.row(), index.column());
        default:
            return {};
    }
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= Columns()) return {};
    if (role == Qt::DisplayRole) return ResText(HeaderIdOf(section));
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0 && !m_locked) f |= Qt::ItemIsUserCheckable;
    if (!m_locked) f |= Qt::ItemIsDragEnabled;
    return f;
}

bool EntryListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (m_locked || !m_data || role != Qt::CheckStateRole || !index.isValid() || index.column() != 0 ||
        index.row() >= rowCount()) {
        return false;
    }
    const int row = index.row();
    const bool enable = value.toInt() == Qt::Checked;
    SceneList::Step step(m_data->Scenes());
    if (!m_data->Scenes().SetEnabled(row, enable)) return false;
    m_rows[static_cast<size_t>(row)].enable = enable;
    RefreshNumbering();
    emit EnableChanged(row);
    return true;
}
