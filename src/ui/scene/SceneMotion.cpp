// The scene tab's use of the motion record: re-tuning the list from it while the settings change, and the
// timeline strip under the list.
#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/TarneloProcess.h"
#include "engine/motion/MotionSummary.h"
#include "engine/motion/ProjectMotion.h"
#include "log/AppLog.h"
#include "ui/common/ControlTexts.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/scene/ExtractionPanel.h"
#include "ui/scene/MotionTimeline.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/TarneloTabScene.h"

namespace {

constexpr int kCursorPollMs = 150;
constexpr int kPeakText = 3184;

}  // namespace

void CTarneloTabScene::ConnectMotion() {
    connect(m_timeline, &CMotionTimeline::FrameClicked, this, &CTarneloTabScene::OnTimelineClicked);
    connect(m_timeline, &CMotionTimeline::ThresholdDragged, this, &CTarneloTabScene::OnThresholdDragged);
    connect(m_timeline, &CMotionTimeline::ThresholdStepped, this,
            [this](int steps) { SetThresholdSetting(m_data.threshold.value + steps); });
    connect(m_timeline, &CMotionTimeline::DragFinished, this, [this] { AutoSave(false); });
    // Every change of the rows or of the selection reaches the strip through the list's own signals.
    auto bands = [this] { RefreshTimelineScenes(); };
    connect(m_listModel, &QAbstractItemModel::modelReset, this, bands);
    connect(m_listModel, &QAbstractItemModel::rowsInserted, this, bands);
    connect(m_listModel, &QAbstractItemModel::rowsRemoved, this, bands);
    connect(m_listModel, &QAbstractItemModel::dataChanged, this, bands);
    connect(m_listView->selectionModel(), &QItemSelectionModel::currentRowChanged, this, bands);
    auto* poll = new QTimer(this);
    poll->setInterval(kCursorPollMs);
    connect(poll, &QTimer::timeout, this, [this] {
        if (m_timeline->isVisible()) m_timeline->SetCursorFrame(TimelineCursorFrame());
    });
    poll->start();
}

void CTarneloTabScene::ReloadMotionRecord() {
    auto record = std::make_shared<MotionRecord>();
    const bool usable = !m_data.input_file.empty() && ReadProjectMotionRecord(m_data, *record) == RecordStatus::kOk;
    m_motion = usable ? std::move(record) : nullptr;
    m_timeline->SetRecord(m_motion, m_motion ? m_data.SourceClock(m_motion->fps) : FrameClock());
    RefreshTimelineScenes();
}

void CTarneloTabScene::RetuneScenes() {
    if (!m_motion) return;
    if (m_lists->EditBlocked() || m_engine->Status().running) {
        // A background cut writes its row back when it ends; the re-tune follows it.
        m_retunePending = true;
        return;
    }
    m_retunePending = false;
    m_lists->CloseCellEdit();
    StopPlayer();
    const int kept = m_engine->ReplaceSceneRanges(RetunedScenes(m_data, *m_motion), m_motion->fps);
    AppLog().Log("%s(%d) threshold(%.0f) valid(%.1f) cut(%.1f) kept(%d)\n", "CTarneloTabScene::RetuneScenes", __LINE__,
                 m_data.threshold.value, m_data.valid_min_unit.value, m_data.cut_min_unit.value, kept);
    RefreshTimelineScenes();
}

void CTarneloTabScene::ApplyPendingRetune() {
    if (m_retunePending) RetuneScenes();
}

void CTarneloTabScene::SetThresholdSetting(double value) {
    if (!m_motion || IsBusy()) return;
    const double before = m_data.threshold.value;
    m_data.threshold.SetValueClamped(std::round(value));
    if (m_data.threshold.value == before) return;
    m_extraction->ShowData();
    RetuneScenes();
    if (!m_timeline->Dragging()) AutoSave(false);
}

void CTarneloTabScene::OnThresholdDragged(int count) {
    if (!m_motion) return;
    // The setting whose scaled count is nearest to the pointer; the line then snaps to it.
    SetThresholdSetting(RecordThresholdSetting(*m_motion, count));
}

void CTarneloTabScene::RefreshTimelineScenes() {
    if (!m_motion) return;
    std::vector<CMotionTimeline::Band> bands;
    for (const SceneEntry& scene : m_data.Scenes().Snapshot()) {
        bands.push_back({scene.framNo_first, scene.framNo_second, scene.enable});
    }
    m_timeline->SetScenes(std::move(bands), m_listView->CurrentRow());
    m_timeline->SetThreshold(RecordThresholdCount(*m_motion, m_data.threshold.value),
                             RecordThresholdCount(*m_motion, m_data.threshold.maximum));
}

int CTarneloTabScene::TimelineCursorFrame() const {
    const std::string& file = m_engine->CurrentPreviewFile();
    if (file.empty()) return -1;
    const int frame = m_engine->CurrentPlayFrame();
    if (file == m_engine->WorkingInput()) return frame;
    return m_data.Scenes().Read([&](const std::vector<SceneEntry>& scenes) {
        for (const SceneEntry& scene : scenes) {
            if (scene.fileName == file) return scene.framNo_first + frame;
        }
        return -1;
    });
}

void CTarneloTabScene::OnTimelineClicked(int frame) {
    const int row = m_data.Scenes().Read([&](const std::vector<SceneEntry>& scenes) {
        for (size_t i = 0; i < scenes.size(); ++i) {
            if (frame >= scenes[i].framNo_first && frame <= scenes[i].framNo_second) return static_cast<int>(i);
        }
        return -1;
    });
    if (row >= 0) ShowSceneFrame(row, frame);
}

void CTarneloTabScene::ShowSceneFrame(int row, int frame) {
    if (IsBusy() || !m_lists->ListSettled()) return;
    const std::optional<SceneEntry> listed = m_data.Scenes().At(row);
    if (!listed) return;
    const SceneEntry& scene = *listed;
    const int offset = std::clamp(frame - scene.framNo_first, 0, scene.FrameCount() - 1);
    if (scene.fileName == m_engine->CurrentPreviewFile()) {
        m_player->SeekToFrame(offset);
        return;
    }
    // The scene's file is shown (and cut first when missing) by the queue; the seek follows its opening.
    m_pendingSeekFile = scene.fileName;
    m_pendingSeekFrame = offset;
    m_lists->OnRowClicked(row, SceneListModel::kColCaption);
}

void CTarneloTabScene::ApplyPendingSeek() {
    if (m_pendingSeekFile.empty() || m_pendingSeekFile != m_engine->CurrentPreviewFile()) return;
    m_pendingSeekFile.clear();
    m_player->SeekToFrame(m_pendingSeekFrame);
}

std::optional<MotionPeak> CTarneloTabScene::PeakOfRow(int row) const {
    if (!m_motion) return std::nullopt;
    const std::optional<SceneEntry> scene = m_data.Scenes().At(row);
    if (!scene) return std::nullopt;
    return PeakOfRange(m_motion->counts, scene->framNo_first, scene->framNo_second);
}

void CTarneloTabScene::AddPeakCommand(QMenu& menu, int row) {
    if (!m_motion) return;
    menu.addSeparator();
    QAction* action = menu.addAction(ResText(kPeakText));
    action->setObjectName(QStringLiteral("command%1").arg(SceneListEditor::kShowPeakCommand));
    action->setData(SceneListEditor::kShowPeakCommand);
    action->setEnabled(PeakOfRow(row).has_value());
}

void CTarneloTabScene::ShowPeakFrame(int row) {
    if (const std::optional<MotionPeak> peak = PeakOfRow(row)) ShowSceneFrame(row, peak->frame);
}
