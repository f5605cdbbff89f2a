#include "ui/lists/SceneListModel.h"

#include <QFont>
#include <QStringList>
#include <array>
#include <utility>

#include "app/Language.h"
#include "platform/Path.h"
#include "project/ClockTime.h"
#include "project/RecordingTime.h"
#include "project/TimeText.h"
#include "ui/lists/OutputStarts.h"

namespace {

constexpr std::array<int, SceneListModel::kColumnCount> kHeaderIds = {3043, 3044, 3045, 3046, 3047, 3048,
                                                                      3049, 3050, 3051, 3052, 3260};
// "Not cut yet": Segment Output, a merge or a click on the row cuts it.
constexpr int kNotCutText = 3181;
constexpr std::array<int, SceneListModel::kColumnCount> kWidths = {50, 70, 70, 70, 80, 120, 80, 80, 70, 80, 150};
// "Start %1, end %2" by the clock.
constexpr int kClockSpanText = 3261;

}  // namespace

int SceneListModel::HeaderId(int column) { return ByColumn(kHeaderIds, column); }

int SceneListModel::ColumnWidth(int column) { return ByColumn(kWidths, column); }

SceneListModel::SceneListModel(CTarneloData* data, QObject* parent) : EntryListModel(data, parent) {
    connect(this, &QAbstractItemModel::modelReset, this, &SceneListModel::RefreshCutMarks);
    connect(this, &QAbstractItemModel::rowsInserted, this, &SceneListModel::RefreshCutMarks);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &SceneListModel::RefreshCutMarks);
}

void SceneListModel::RefreshCutMarks() {
    std::vector<char> uncut(m_rows.size(), 0);
    for (size_t i = 0; i < m_rows.size(); ++i) uncut[i] = platform::FileExists(m_rows[i].fileName) ? 0 : 1;
    const std::vector<char> before = std::exchange(m_uncut, std::move(uncut));
    for (size_t i = 0; i < m_uncut.size(); ++i) {
        if (i >= before.size() || before[i] != m_uncut[i]) {
            emit dataChanged(index(static_cast<int>(i), 0), index(static_cast<int>(i), kColumnCount - 1),
                             {Qt::FontRole, Qt::ToolTipRole});
        }
    }
}

bool SceneListModel::RowCut(int row) const {
    return row < 0 || static_cast<size_t>(row) >= m_uncut.size() || m_uncut[static_cast<size_t>(row)] == 0;
}

QVariant SceneListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return EntryListModel::data(index, role);
    const bool uncut = !RowCut(index.row());
    if (role == Qt::ToolTipRole) {
        QStringList lines;
        if (uncut) lines << ResText(kNotCutText);
        if (const QString clock = ClockSpanText(index.row()); !clock.isEmpty()) lines << clock;
        return lines.isEmpty() ? QVariant() : QVariant(lines.join(QLatin1Char('\n')));
    }
    if (role == Qt::FontRole && uncut) {
        QFont italic;
        italic.setItalic(true);
        return italic;
    }
    return EntryListModel::data(index, role);
}

QString SceneListModel::ClockSpanText(int row) const {
    if (!m_data || !m_data->clock_start.known) return {};
    const auto span = SceneRecordingSpan(*m_data, Row(row));
    if (!span) return {};
    return ResText(kClockSpanText)
        .arg(QString::fromStdString(ClockText(m_data->clock_start, span->first)),
             QString::fromStdString(ClockText(m_data->clock_start, span->second)));
}

double SceneListModel::Fps() const { return m_data ? m_data->m_currentInfo.fps : 0; }

std::vector<int> SceneListModel::RowOutputStarts() const {
    const bool transition = m_data && m_data->transition;
    const double seconds = m_data ? m_data->TransitionDuration : 0;
    return SceneOutputStarts(m_rows, transition, seconds, Fps());
}

void SceneListModel::UpdateCaptions(int row) {
    if (!m_data || m_rows.empty()) return;
    const int first = row < 0 ? 0 : row;
    const int last = row < 0 ? rowCount() - 1 : row;
    if (last >= rowCount()) return;
    const bool same = m_data->Scenes().Read([&](const std::vector<SceneEntry>& scenes) {
        if (scenes.size() != m_rows.size()) return false;
        for (int i = first; i <= last; ++i) {
            m_rows[static_cast<size_t>(i)].capParam = scenes[static_cast<size_t>(i)].capParam;
        }
        return true;
    });
    if (!same) return;
    emit dataChanged(index(first, kColCaption), index(last, kColCaptionLength));
}

QString SceneListModel::CellText(int row, int column) const {
    const SceneEntry& scene = Row(row);
    const int length = scene.FrameCount();
    switch (column) {
        case kColEnable:
            return Text(FormatC("%03d", row + 1));
        case kColStart:
            return Text(FormatC("%d", scene.framNo_first));
        case kColEnd:
            return Text(FormatC("%d", scene.framNo_second));
        case kColLength:
            return Text(FormatC("%d", length));
        case kColDuration:
            // How long the scene's frames last: not their count / fps on a variable-rate recording.
            return m_data ? Text(SecondsToFrameTimeText(
                                m_data->SourceClock(Fps()).Span(scene.framNo_first, scene.framNo_second), false))
                          : QString();
        case kColCaption:
            return Text(scene.capParam.caption);
        case kColCaptionStart:
            return Text(FormatC("%.02f", scene.capParam.capTime_first));
        case kColCaptionLength:
            return Text(FormatC("%.02f", scene.capParam.capTime_second));
        case kColOutputStart:
        case kColOutputTime:
            return OutputStartText(row, column == kColOutputTime, Fps());
        case kColClock: {
            if (!m_data || !m_data->clock_start.known) return {};
            const auto span = SceneRecordingSpan(*m_data, scene);
            return span ? Text(ExpandClockPlaceholders("{datetime}", m_data->clock_start, span->first)) : QString();
        }
        default:
            return {};
    }
}
