#include "ui/lists/MergeListModel.h"

#include <array>

#include "project/FileHelpers.h"
#include "project/TimeText.h"
#include "ui/lists/OutputStarts.h"

namespace {

constexpr std::array<int, MergeListModel::kColumnCount> kHeaderIds = {3043, 3149, 3150, 3151, 3154,
                                                                      3155, 3047, 3051, 3052};
constexpr std::array<int, MergeListModel::kColumnCount> kWidths = {50, 200, 80, 80, 70, 70, 80, 70, 80};

}  // namespace

int MergeListModel::HeaderId(int column) { return ByColumn(kHeaderIds, column); }

int MergeListModel::ColumnWidth(int column) { return ByColumn(kWidths, column); }

QString MergeListModel::UnanalyzedText(bool japanese) {
    return japanese ? QStringLiteral("未解析") : QStringLiteral("Unanalyzed");
}

QString MergeListModel::AnalysingText(bool japanese) {
    return japanese ? QStringLiteral("解析中") : QStringLiteral("Analyzing");
}

MergeListModel::MergeListModel(CTarneloData* data, QObject* parent) : EntryListModel(data, parent) {}

void MergeListModel::SetOutputRate(int num, int den) {
    m_rateNum = num;
    m_rateDen = den;
}

double MergeListModel::OutputFps() const {
    const double rate = m_rateDen != 0 ? static_cast<double>(m_rateNum) / m_rateDen : 0;
    if (rate > 0) return rate;
    return m_data ? m_data->m_currentInfo.fps : 0;
}

void MergeListModel::SetJapanese(bool japanese) {
    if (japanese == m_japanese) return;
    m_japanese = japanese;
    RepaintAll();
}

void MergeListModel::SetAnalysing(bool analysing) {
    if (analysing == m_analysing) return;
    m_analysing = analysing;
    RepaintAll();
}

void MergeListModel::AppendRow() { InsertRow(static_cast<int>(ProjectSize()) - 1); }

std::vector<int> MergeListModel::RowOutputStarts() const {
    const bool transition = m_data && m_data->transition;
    const double seconds = m_data ? m_data->TransitionDuration : 0;
    return MergeOutputStarts(m_rows, transition, seconds, OutputFps());
}

Qt::Alignment MergeListModel::AlignmentOf(int column) const {
    return column == kColFile ? Qt::AlignLeft : Qt::AlignHCenter;
}

QString MergeListModel::CellText(int row, int column) const {
    const SceneEntry& video = Row(row);
    if (column == kColEnable) return Text(FormatC("%03d", row + 1));
    if (column == kColFile) {
        // The file that was dropped, also after the analysis had it copied to a working file.
        return Text(FileNamePart(video.m_sourcePath.empty() ? video.m_fileToUse : video.m_sourcePath));
    }
    if (!video.m_created) {
        return m_analysing && column == kColResolution ? AnalysingText(m_japanese) : UnanalyzedText(m_japanese);
    }
    const VideoInfo& source = video.m_segmentInfo;
    const int converted = video.m_convertedInfo.frame_num;
    switch (column) {
        case kColResolution:
            return Text(FormatC("%d x %d", source.width, source.height));
        case kColFrameRate:
            return Text(FormatC("%.02f", source.fps));
        case kColSourceFrames:
            return Text(FormatC("%d", source.frame_num));
        case kColConvertedFrames:
            return Text(FormatC("%d", converted));
        case kColDuration:
            return m_data ? Text(m_data->FrameToTimeText(converted, OutputFps())) : QString();
        case kColOutputStart:
        case kColOutputTime:
            return OutputStartText(row, column == kColOutputTime, OutputFps());
        default:
            return {};
    }
}
