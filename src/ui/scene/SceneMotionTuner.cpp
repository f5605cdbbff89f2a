#include "ui/scene/SceneMotionTuner.h"

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
#include "ui/common/TabPage.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PlayerControl.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/scene/ExtractionPanel.h"
#include "ui/scene/MotionTimeline.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/ScenePage.h"

namespace {

constexpr int kCursorPollMs = 150;
constexpr int kPeakText = 3184;
constexpr int kDroppedEditsText = 3202;
constexpr int kOtherCompareText = 3222;
constexpr int kOtherRegionsText = 3223;

}  // namespace

SceneMotionTuner::SceneMotionTuner(ScenePage& page, const ScenePanels& panels, SceneListEditor& lists)
    : m_page(page), m_panels(panels), m_lists(lists) {
    CMotionTimeline* timeline = m_panels.timeline;
    connect(timeline, &CMotionTimeline::FrameClicked, this, &SceneMotionTuner::OnTimelineClicked);
    connect(timeline, &CMotionTimeline::ThresholdDragged, this, &SceneMotionTuner::OnThresholdDragged);
    connect(timeline, &CMotionTimeline::ThresholdStepped, this,
            [this](int steps) { SetThresholdSetting(m_page.Page().Data().threshold.value + steps); });
    connect(timeline, &CMotionTimeline::DragFinished, this, [this] {
        m_page.Page().Data().Scenes().SealHistory();
        m_page.AutoSave(false);
    });
    // Every change of the rows or of the selection reaches the strip through the list's own signals.
    auto bands = [this] { RefreshTimelineScenes(); };
    connect(m_panels.listModel, &QAbstractItemModel::modelReset, this, bands);
    connect(m_panels.listModel, &QAbstractItemModel::rowsInserted, this, bands);
    connect(m_panels.listModel, &QAbstractItemModel::rowsRemoved, this, bands);
    connect(m_panels.listModel, &QAbstractItemModel::dataChanged, this, bands);
    connect(m_panels.listView->selectionModel(), &QItemSelectionModel::currentRowChanged, this, bands);
    auto* poll = new QTimer(this);
    poll->setInterval(kCursorPollMs);
    connect(poll, &QTimer::timeout, this, [this] {
        if (m_panels.timeline->isVisible()) m_panels.timeline->SetCursorFrame(TimelineCursorFrame());
    });
    poll->start();
    m_lists.SetPeakCommand([this](QMenu& menu, int row) { AddPeakCommand(menu, row); },
                           [this](int row) { ShowPeakFrame(row); });
}

void SceneMotionTuner::ReloadMotionRecord() {
    const CTarneloData& data = m_page.Page().Data();
    auto record = std::make_shared<MotionRecord>();
    const bool usable = !data.input_file.empty() && ReadProjectMotionRecord(data, *record) == RecordStatus::kOk;
    m_motion = usable ? std::move(record) : nullptr;
    m_tuned = ProjectTuning(data);
    m_panels.timeline->SetRecord(m_motion, m_motion ? data.SourceClock(m_motion->fps) : FrameClock());
    RefreshTimelineScenes();
}

bool SceneMotionTuner::NoteScanMismatch() {
    const ScanMismatch mismatch = m_motion ? RecordScanMismatch(*m_motion, m_page.Page().Data()) : ScanMismatch::kNone;
    if (mismatch == ScanMismatch::kNone) {
        return false;
    }
    m_page.Page().Host()->SetStatusText(
        TabHost::kMessagePane, ResText(mismatch == ScanMismatch::kCompare ? kOtherCompareText : kOtherRegionsText));
    return true;
}

void SceneMotionTuner::RetuneScenes() {
    if (!m_motion) return;
    CTarneloProcess& engine = m_page.Page().Engine();
    CTarneloData& data = m_page.Page().Data();
    if (m_lists.EditBlocked() || engine.Status().running) {
        // A background cut writes its row back when it ends; the re-tune follows it.
        m_retunePending = true;
        return;
    }
    m_retunePending = false;
    if (NoteScanMismatch()) {
        return;
    }
    m_lists.CloseCellEdit();
    m_page.StopPlayer();
    const SceneTuning previous = m_tuned;
    const SceneTuning now = ProjectTuning(data);
    const std::vector<SceneEntry> before = data.Scenes().Snapshot();
    int kept = 0;
    {
        // A whole drag of the threshold line is one step; undoing it also puts the settings back.
        SceneList::Step step(data.Scenes(), m_panels.timeline->Dragging() ? step_key::kThresholdDrag : 0);
        kept = engine.ReplaceSceneRanges(RetunedScenes(*m_motion, now), m_motion->fps);
        if (previous != now) {
            step.SetAside([this, previous] { SetTuning(previous); }, [this, now] { SetTuning(now); });
        }
    }
    m_tuned = now;
    AppLog().Log("%s(%d) threshold(%.0f) valid(%.1f) cut(%.1f) kept(%d)\n", "SceneMotionTuner::RetuneScenes", __LINE__,
                 now.threshold, now.validSeconds, now.cutSeconds, kept);
    // Said in the status bar, not in a dialog: the user may be dragging the threshold line.
    if (RetuneDropsUserEdits(data, before, RetunedScenes(*m_motion, previous), data.Scenes().Snapshot(),
                             m_motion->fps)) {
        m_page.Page().Host()->SetStatusText(TabHost::kMessagePane, ResText(kDroppedEditsText));
    }
    RefreshTimelineScenes();
}

void SceneMotionTuner::SetTuning(const SceneTuning& tuning) {
    SetProjectTuning(m_page.Page().Data(), tuning);
    m_tuned = tuning;
}

void SceneMotionTuner::ApplyPendingRetune() {
    if (m_retunePending) RetuneScenes();
}

void SceneMotionTuner::SetThresholdSetting(double value) {
    if (!m_motion || m_page.Page().IsBusy()) return;
    NumericSetting& threshold = m_page.Page().Data().threshold;
    const double before = threshold.value;
    threshold.SetValueClamped(std::round(value));
    if (threshold.value == before) return;
    m_panels.extraction->ShowData();
    RetuneScenes();
    if (!m_panels.timeline->Dragging()) m_page.AutoSave(false);
}

void SceneMotionTuner::OnThresholdDragged(int count) {
    if (!m_motion) return;
    // The setting whose scaled count is nearest to the pointer; the line then snaps to it.
    SetThresholdSetting(RecordThresholdSetting(*m_motion, count));
}

void SceneMotionTuner::RefreshTimelineScenes() {
    if (!m_motion) return;
    const CTarneloData& data = m_page.Page().Data();
    std::vector<CMotionTimeline::Band> bands;
    for (const SceneEntry& scene : data.Scenes().Snapshot()) {
        bands.push_back({scene.framNo_first, scene.framNo_second, scene.enable});
    }
    m_panels.timeline->SetScenes(std::move(bands), m_panels.listView->CurrentRow());
    m_panels.timeline->SetThreshold(RecordThresholdCount(*m_motion, data.threshold.value),
                                    RecordThresholdCount(*m_motion, data.threshold.maximum));
}

int SceneMotionTuner::TimelineCursorFrame() const {
    CTarneloProcess& engine = m_page.Page().Engine();
    const std::string& file = engine.CurrentPreviewFile();
    if (file.empty()) return -1;
    const int frame = engine.CurrentPlayFrame();
    if (file == engine.WorkingInput()) return frame;
    return m_page.Page().Data().Scenes().Read([&](const std::vector<SceneEntry>& scenes) {
        for (const SceneEntry& scene : scenes) {
            if (scene.fileName == file) return scene.framNo_first + frame;
        }
        return -1;
    });
}

void SceneMotionTuner::OnTimelineClicked(int frame) {
    const int row = m_page.Page().Data().Scenes().Read([&](const std::vector<SceneEntry>& scenes) {
        for (size_t i = 0; i < scenes.size(); ++i) {
            if (frame >= scenes[i].framNo_first && frame <= scenes[i].framNo_second) return static_cast<int>(i);
        }
        return -1;
    });
    if (row >= 0) ShowSceneFrame(row, frame);
}

void SceneMotionTuner::ShowSceneFrame(int row, int frame) {
    CTabPage& page = m_page.Page();
    if (page.IsBusy() || !m_lists.ListSettled()) return;
    const std::optional<SceneEntry> listed = page.Data().Scenes().At(row);
    if (!listed) return;
    const SceneEntry& scene = *listed;
    const int offset = std::clamp(frame - scene.framNo_first, 0, scene.FrameCount() - 1);
    if (scene.fileName == page.Engine().CurrentPreviewFile()) {
        m_panels.player->SeekToFrame(offset);
        return;
    }
    // The scene's file is shown (and cut first when missing) by the queue; the seek follows its opening.
    m_pendingSeekFile = scene.fileName;
    m_pendingSeekFrame = offset;
    m_lists.OnRowClicked(row, SceneListModel::kColCaption);
}

void SceneMotionTuner::ApplyPendingSeek() {
    if (m_pendingSeekFile.empty() || m_pendingSeekFile != m_page.Page().Engine().CurrentPreviewFile()) return;
    m_pendingSeekFile.clear();
    m_panels.player->SeekToFrame(m_pendingSeekFrame);
}

std::optional<MotionPeak> SceneMotionTuner::PeakOfRow(int row) const {
    if (!m_motion) return std::nullopt;
    const std::optional<SceneEntry> scene = m_page.Page().Data().Scenes().At(row);
    if (!scene) return std::nullopt;
    return PeakOfRange(m_motion->counts, scene->framNo_first, scene->framNo_second);
}

void SceneMotionTuner::AddPeakCommand(QMenu& menu, int row) {
    if (!m_motion) return;
    menu.addSeparator();
    QAction* action = menu.addAction(ResText(kPeakText));
    action->setObjectName(QStringLiteral("command%1").arg(SceneListEditor::kShowPeakCommand));
    action->setData(SceneListEditor::kShowPeakCommand);
    action->setEnabled(PeakOfRow(row).has_value());
}

void SceneMotionTuner::ShowPeakFrame(int row) {
    if (const std::optional<MotionPeak> peak = PeakOfRow(row)) ShowSceneFrame(row, peak->frame);
}
