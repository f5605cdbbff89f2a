#include "ui/scene/TarneloTabScene.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QThread>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "app/AppHelpDialog.h"
#include "app/Language.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/SceneMerge.h"
#include "engine/scenes/SceneRules.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "ui/common/FilesPanel.h"
#include "ui/common/JobStatus.h"
#include "ui/common/SceneControlRules.h"
#include "ui/lists/SceneListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/preview/PlayerControl.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/RegionEditor.h"
#include "ui/preview/StaticPreview.h"
#include "ui/scene/CaptionPanel.h"
#include "ui/scene/EffectsPanel.h"
#include "ui/scene/ExtractionPanel.h"
#include "ui/scene/MotionTimeline.h"
#include "ui/scene/RegionPanel.h"
#include "ui/scene/SceneFileActions.h"
#include "ui/scene/SceneJobPanel.h"
#include "ui/scene/SceneListEditor.h"
#include "ui/scene/SceneMotionTuner.h"
#include "ui/scene/ScenePlayerHooks.h"
#include "ui/scene/SceneRegions.h"
#include "ui/scene/SceneSettingsActions.h"
#include "ui/scene/SceneUndo.h"

CTarneloTabScene::CTarneloTabScene(TabHost* host, bool cudaPresent, QWidget* parent)
    : CTabPage(host, cudaPresent, parent) {
    setObjectName(QStringLiteral("sceneTab"));
    // A project chosen for automatic load keeps its name through the first reset.
    const bool keep = !m_data.project_file.empty() && platform::FileExists(m_data.project_file);
    m_data.ResetAll(keep);
    BuildLayout();
    Connect();
    RefreshTexts();
    Host()->ResetStatusBar();
    m_panels.preview->Pane()->Clear();
    m_panels.captions->Load();
    UpdateData(true);
    UpdateControlStates(true);
    // Re-cuts and stills of the selected scene are served in the background from now on.
    m_engine->StartBackgroundQueue(0);
}

CTarneloTabScene::~CTarneloTabScene() {
    StopJob();
    m_engine->StopBackgroundQueue();
    // The player asks its hooks until it goes; they go before the page's children.
    AttachJobDisplay(nullptr, m_jobStatus);
    delete m_panels.player;
}

void CTarneloTabScene::BuildLayout() {
    m_panels.files = new CFilesPanel(2015, this);
    m_panels.extraction = new CExtractionPanel(&m_data, this);
    m_panels.effects = new CEffectsPanel(&m_data, this);
    m_panels.captions = new CCaptionPanel(&m_data, this);
    m_panels.jobs = new CSceneJobPanel(this);
    m_panels.listModel = new SceneListModel(&m_data, this);
    m_panels.listView = new SceneListView(this);
    m_panels.listView->SetListModel(m_panels.listModel);
    m_panels.listView->SetBlockedWhile([this] { return IsBusy(); });
    m_panels.timeline = new CMotionTimeline(this);
    m_panels.preview = new CPreviewPanel(this);
    m_panels.regions = new CRegionPanel(this);
    m_panels.regionEditor = new CRegionEditor(m_panels.preview->Pane());
    ScenePage& scene = *this;
    m_playerHooks = std::make_unique<ScenePlayerHooks>(
        scene, [this](int job) { StartProcess(job); }, m_panels.jobs->StopButton(), m_panels.listView);
    m_panels.player = new CPlayerControl(m_panels.preview, m_engine.get(), &m_data, m_playerHooks.get(), this);
    AttachJobDisplay(m_panels.player, new CJobStatus(Host(), m_panels.jobs->ProgressBar(), this));
    m_lists = std::make_unique<SceneListEditor>(scene, m_panels);
    m_motion = std::make_unique<SceneMotionTuner>(scene, m_panels, *m_lists);
    m_fileParts = std::make_unique<SceneFileActions>(scene, m_panels, m_jobStatus, *m_lists, *m_motion);
    AttachFileActions(m_fileParts.get());
    m_settings = std::make_unique<SceneSettingsActions>(scene, m_panels, *m_lists, *m_motion);
    m_undo = std::make_unique<SceneUndo>(scene, m_panels, *m_lists);
    m_regions = std::make_unique<SceneRegions>(scene, m_panels, *m_motion);

    auto* settings = new QHBoxLayout;
    settings->setSpacing(6);
    settings->addWidget(m_panels.extraction, 1);
    settings->addWidget(m_panels.effects, 1);
    settings->addWidget(m_panels.captions, 1);

    auto* left = new QVBoxLayout;
    left->setSpacing(6);
    left->addWidget(m_panels.files);
    left->addLayout(settings);
    left->addWidget(m_panels.jobs);
    left->addWidget(m_panels.listView, 1);
    left->addWidget(m_panels.timeline);

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(6, 6, 6, 6);
    root->setSpacing(8);
    // The areas' row under the player's controls: it edits what the pane shows.
    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    right->addWidget(m_panels.preview, 1);
    right->addWidget(m_panels.regions);

    root->addLayout(left, 3);
    root->addLayout(right, 2);
}

void CTarneloTabScene::Connect() {
    connect(m_panels.effects->AutoCorrectButton(), &QPushButton::clicked, this, &CTarneloTabScene::OnAutoCorrect);
    connect(m_panels.jobs->ExtractButton(), &QPushButton::clicked, this, [this] { OnExtract(kJobSceneExtract); });
    connect(m_panels.jobs->ExtractMergeButton(), &QPushButton::clicked, this, [this] { OnExtract(kJobExtractMerge); });
    connect(m_panels.jobs->MergeButton(), &QPushButton::clicked, this, &CTarneloTabScene::OnMerge);
    connect(m_panels.jobs->SegmentOutputButton(), &QPushButton::clicked, this, &CTarneloTabScene::OnSegmentOutput);
    connect(m_panels.jobs->StopButton(), &QPushButton::clicked, this, &CTarneloTabScene::StopRunning);
    connect(m_jobStatus, &CJobStatus::PlaybackStarted, this, [this] {
        if (!m_panels.player->SeekDragging()) m_panels.preview->SeekSlider()->setValue(0);
    });
    m_fileParts->Connect(m_panels.files, [this](int job) { m_panels.player->OpenVideo(job); });
}

void CTarneloTabScene::RefreshTexts() {
    m_panels.files->RefreshTexts();
    m_panels.extraction->RefreshTexts();
    m_panels.effects->RefreshTexts();
    m_panels.captions->RefreshTexts();
    m_panels.jobs->RefreshTexts();
    m_panels.listModel->RefreshHeaders();
    m_panels.listView->setAccessibleName(ResText(3160));
    m_panels.timeline->RefreshTexts();
    m_regions->RefreshTexts();
    m_panels.preview->RefreshTexts(!m_data.output_name.empty() &&
                                   m_engine->CurrentPreviewFile() == m_data.GetOutputPath());
}

void CTarneloTabScene::UpdateData(bool toControls) {
    if (!toControls) {
        m_panels.effects->TakeData();
        m_data.transition = m_panels.jobs->TransitionCheck()->isChecked();
        m_data.chapters = m_panels.jobs->ChaptersCheck()->isChecked();
        m_data.play_scene_loop = m_panels.preview->SceneLoopCheck()->isChecked();
        m_data.play_loop = m_panels.preview->LoopCheck()->isChecked();
        return;
    }
    m_panels.files->ShowData(m_data);
    m_panels.extraction->ShowData();
    m_panels.effects->ShowData();
    m_panels.jobs->TransitionCheck()->setChecked(m_data.transition);
    m_panels.jobs->ChaptersCheck()->setChecked(m_data.chapters);
    m_panels.preview->SceneLoopCheck()->setChecked(m_data.play_scene_loop);
    m_panels.preview->LoopCheck()->setChecked(m_data.play_loop);
    m_panels.preview->VolumeSlider()->setValue(m_data.play_vol);
    m_regions->ShowData();
    ShowClockColumn(m_data.show_clock_column);
}

void CTarneloTabScene::ShowClockColumn(bool shown) {
    m_panels.listView->setColumnHidden(SceneListModel::kColClock, !shown);
}

// --- enabling ---

void CTarneloTabScene::UpdateControlStates(bool settled) {
    const SceneTabState state = PageState(settled);
    ApplyStates(ComputeSceneControlStates(state));
    m_panels.listModel->SetLocked(state.sceneJob);
    Host()->UpdateTabButtons();
    const bool outputOpen = state.outputNameSet && m_engine->CurrentPreviewFile() == m_data.GetOutputPath();
    m_panels.preview->RefreshTexts(outputOpen);
    if (!state.sceneJob) m_panels.captions->RefreshFillText();
    update();
}

void CTarneloTabScene::ApplyStates(const SceneControlStates& c) {
    m_panels.files->SetFilesEnabled(c.files);
    m_panels.files->PlayInputButton()->setEnabled(c.playInput);
    m_panels.files->PlayOutputButton()->setEnabled(c.playOutput);
    m_panels.files->DeleteFolderButton()->setEnabled(c.deleteFolder);
    m_panels.jobs->SetCommandsEnabled(c.sceneCommands, c.stop);
    m_panels.extraction->SetSettingsEnabled(c.settings);
    m_panels.effects->SetSettingsEnabled(c.settings, c.cinemascope);
    m_panels.captions->SetCaptionsEnabled(c.settings);
    m_panels.preview->SetPlayerControlsEnabled(c.canPlay, IsPreviewJobId(CurrentJob()));
    // Not while anything runs, playback included: the player covers the pane, and an extraction reads the
    // areas when it starts.
    m_regions->SetEditable(c.files && CurrentJob() == 0 && !IsBusy());
}

void CTarneloTabScene::DisableAll() {
    ApplyStates(SceneControlStates{});
    m_panels.preview->SetAllEnabled(false);
    m_panels.jobs->StopButton()->setEnabled(true);
    Host()->UpdateTabButtons();
}

// --- jobs ---

void CTarneloTabScene::StopRunning() {
    if (LocalJob() != 0) {
        // The waiting loop of the preparation (or correction) ends as soon as its tool stops.
        m_engine->RequestCancel(true);
        return;
    }
    if (!m_engine->Status().running) return;
    m_panels.jobs->StopButton()->setEnabled(false);
    m_engine->CancelProcess();
    m_engine->JoinJobThread();
    UpdateControlStates(true);
    QueueMissingSegments();
}

void CTarneloTabScene::QueueMissingSegments() {
    // A stop ends the cuts under way with the job; the scenes already listed get their files afterwards.
    std::vector<int> missing;
    const std::vector<SceneEntry> scenes = m_data.Scenes().Snapshot();
    for (size_t i = 0; i < scenes.size(); ++i) {
        if (!platform::FileExists(scenes[i].fileName)) missing.push_back(static_cast<int>(i));
    }
    for (int index : missing) m_engine->QueueSegment(index, false);
}

void CTarneloTabScene::RefreshPreview() {
    const int job = CurrentJob();
    if (job == kJobInputPreview || job == kJobOutputPreview) return;
    const std::optional<SceneEntry> selected = m_data.Scenes().At(m_data.list_idx);
    if (job == kJobScenePreview && selected && platform::FileExists(selected->fileName)) {
        // The player takes its filters when it starts: it starts again where it was, with the change.
        StopRunning();
        StartProcess(kJobScenePreview);
        return;
    }
    m_engine->QueueSegment(m_data.Scenes().Empty() ? -1 : m_data.list_idx, true);
}

void CTarneloTabScene::OnBusy(const BusyMsg& msg) {
    if (msg.begins) {
        SetWaitCursor(true);
        DisableAll();
        // The background work writes its row back when it ends: no check box changes it meanwhile.
        m_panels.listModel->SetLocked(true);
        return;
    }
    UpdateData(true);
    UpdateControlStates(true);
    SetWaitCursor(false);
    m_panels.listModel->RefreshCutMarks();
    m_lists->ApplyPendingEdit();
    m_motion->ApplyPendingRetune();
}

void CTarneloTabScene::OnProcessFinished(const ProcessFinishedMsg& msg) {
    AppLog().Log("%s(%d) nProcessID(%d) nProcessExitCode(%d)\n", "CTarneloTabScene::OnFinishProcess", __LINE__,
                 msg.jobId, msg.result);
    m_panels.player->OnProcessFinished(msg);
    m_panels.listModel->RefreshCutMarks();
    if (IsSceneJob(msg.jobId)) {
        if (msg.jobId == kJobSceneExtract || msg.jobId == kJobExtractMerge) m_motion->ReloadMotionRecord();
        m_jobStatus->StopTimer();
        AutoSave(false);
        UpdateControlStates(true);
        m_panels.preview->PlayStopButton()->setFocus();
        TellFailedWrite();
    } else {
        UpdateControlStates(true);
    }
}

void CTarneloTabScene::OnListChanged(const ListChangedMsg& msg) {
    (void)msg;
    m_lists->SetListSettled(false);
    UpdateControlStates(false);
    const bool empty = m_data.Scenes().Empty();
    if (empty) m_data.list_idx = -1;
    if (empty) {
        Host()->ResetStatusBar();
        Host()->SetStatusText(2, QString());
    }
    m_lists->FillList(m_data.list_idx);
    RefreshMergeInfo();
    UpdateControlStates(true);
    m_lists->SetListSettled(true);
    m_panels.captions->Load();
}

void CTarneloTabScene::OnPreviewImage(const PreviewImageMsg& msg) {
    m_panels.preview->Pane()->ShowStill(msg.path != nullptr ? QString::fromUtf8(msg.path) : QString());
    m_motion->ApplyPendingSeek();
}

void CTarneloTabScene::OnSelectScene(const SelectSceneMsg& msg) {
    m_data.list_idx = msg.sceneIndex;
    m_panels.listView->SelectRow(msg.sceneIndex);
}

void CTarneloTabScene::OnEditDone(const EditDoneMsg& msg) { m_lists->OnEditDone(msg); }

void CTarneloTabScene::StopPlayer() { m_playerHooks->StopPlayer(); }

void CTarneloTabScene::OnMediaOpened(const MediaOpenedMsg& msg) {
    (void)msg;
    RefreshMergeInfo();
    // The areas lie over the picture of the size probed now.
    m_regions->ShowData();
}

// --- the list ---

void CTarneloTabScene::RefreshMergeInfo() {
    const std::string text = SceneMergeInfoText(m_data);
    m_panels.jobs->SetMergeInfo(QString::fromStdString(text));
}

void CTarneloTabScene::AutoSave(bool force) { m_fileParts->AutoSave(force); }

void CTarneloTabScene::ResetSceneList(bool rebuild) { m_fileParts->ResetSceneList(rebuild); }

void CTarneloTabScene::RefreshList(bool keepSelection) {
    if (QThread::currentThread() == thread()) {
        m_fileParts->PrepareSceneList(keepSelection);
        return;
    }
    // The engine's worker waits; the window thread serves this while it waits for the preparation.
    QMetaObject::invokeMethod(
        this, [this, keepSelection] { m_fileParts->PrepareSceneList(keepSelection); }, Qt::BlockingQueuedConnection);
}

// --- commands ---

void CTarneloTabScene::OnExtract(int job) {
    // Told before the list is cleared and anything is written, not after the whole scan.
    if (!SegmentNamesFit(m_data.input_file)) {
        Host()->ShowMessage(ResText(3185));
        return;
    }
    if (job == kJobExtractMerge) {
        if (const std::optional<std::string> problem = MergePathProblem(m_data)) {
            Host()->ShowMessage(ResText(3186) + QLatin1Char('\n') + QString::fromStdString(*problem));
            return;
        }
    }
    if (IsPreviewJobId(CurrentJob())) StopRunning();
    m_panels.listView->setEnabled(false);
    m_data.Scenes().Clear();
    m_data.list_idx = -1;
    m_lists->FillList(-1);
    ResetSceneList(false);
    m_panels.listView->setEnabled(true);
    StartProcess(job);
}

void CTarneloTabScene::OnMerge() {
    if (IsPreviewJobId(CurrentJob())) StopRunning();
    if (CurrentJob() != kJobMerge) StartProcess(kJobMerge);
}

void CTarneloTabScene::OnSegmentOutput() {
    if (IsPreviewJobId(CurrentJob())) StopRunning();
    m_data.list_idx = -1;
    StartProcess(kJobSegmentOutput);
}

void CTarneloTabScene::OnAutoCorrect() {
    const bool scenePreview = CurrentJob() == kJobScenePreview;
    if (scenePreview) StopRunning();
    const std::string input = m_engine->WorkingInput();
    OnBusy(BusyMsg{true});
    SetLocalJob(kJobAutoCorrect);
    int result = -1;
    RunServingWindow([&] { result = m_engine->AnalyzeVideoEQParams(input); });
    SetLocalJob(0);
    m_engine->RequestCancel(false);
    OnBusy(BusyMsg{false});
    if (result != 0) return;
    if (scenePreview) {
        StartProcess(kJobScenePreview);
    } else {
        RefreshPreview();
    }
    AutoSave(false);
}

void CTarneloTabScene::OpenInformation(int kind, int titleId) {
    if (m_infoWindow) m_infoWindow->close();
    auto* window = new CAppHelpDialog(this, kind, titleId, this);
    if (!window->Create()) {
        delete window;
        return;
    }
    m_infoWindow = window;
    window->show();
    const QPoint centre = mapToGlobal(rect().center());
    window->move(centre - QPoint(window->width() / 2, window->height() / 2));
}
