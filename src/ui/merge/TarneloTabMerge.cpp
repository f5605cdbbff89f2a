#include "ui/merge/TarneloTabMerge.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QThread>
#include <QVBoxLayout>

#include "app/AppMsgDlg.h"
#include "app/Language.h"
#include "engine/jobs/JobTables.h"
#include "engine/merge/ConvertMerge.h"
#include "log/AppLog.h"
#include "ui/common/ControlTexts.h"
#include "ui/common/FilesPanel.h"
#include "ui/common/JobStatus.h"
#include "ui/common/SceneControlRules.h"
#include "ui/lists/MergeListModel.h"
#include "ui/lists/SceneListView.h"
#include "ui/merge/MergeFileActions.h"
#include "ui/merge/MergeListEditor.h"
#include "ui/merge/MergePanels.h"
#include "ui/merge/MergePlayerHooks.h"
#include "ui/merge/MergeRules.h"
#include "ui/preview/PlayerControl.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/StaticPreview.h"

CTarneloTabMerge::CTarneloTabMerge(TabHost* host, bool cudaPresent, QWidget* parent)
    : CTabPage(host, cudaPresent, parent), m_sizeIndex(kDefaultMergeChoice), m_rateIndex(kDefaultMergeChoice) {
    setObjectName(QStringLiteral("mergeTab"));
    setAcceptDrops(false);  // the main window takes the drop and hands it to the active tab
    m_data.ResetAll(false);
    // Nothing of this tab is ever saved: without a project file no save can happen by mistake.
    m_data.project_file.clear();
    m_data.auto_save = false;
    BuildLayout();
    Connect();
    RefreshTexts();
    m_panels.preview->Pane()->Clear();
    UpdateData(true);
    UpdateControlStates(true);
    EngineOptions options;
    options.mode = kMergeTab;
    m_engine->SetOptions(options);
    m_engine->StartBackgroundQueue(kMergeTab);
}

CTarneloTabMerge::~CTarneloTabMerge() {
    StopJob();
    m_engine->StopBackgroundQueue();
    // The player asks its hooks until it goes; they go before the page's children.
    AttachJobDisplay(nullptr, m_jobStatus);
    delete m_panels.player;
}

FrameSize CTarneloTabMerge::Size() const { return MergeFrameSize(m_sizeIndex); }
FrameRate CTarneloTabMerge::Rate() const { return MergeFrameRate(m_rateIndex); }

void CTarneloTabMerge::BuildLayout() {
    m_panels.files = new CFilesPanel(2016, this);
    m_panels.settings = new CMergeSettingsPanel(this);
    m_panels.jobs = new CMergeJobPanel(this);
    m_panels.listModel = new MergeListModel(&m_data, this);
    m_panels.listModel->SetJapanese(Host()->Japanese());
    m_panels.listModel->SetOutputRate(Rate().num, Rate().den);
    m_panels.listView = new SceneListView(this);
    m_panels.listView->setObjectName(QStringLiteral("videoList"));
    m_panels.listView->SetCellEditing(false);
    m_panels.listView->SetListModel(m_panels.listModel);
    m_panels.listView->SetBlockedWhile([this] { return IsBusy(); });
    m_panels.preview = new CPreviewPanel(this);
    MergePage& merge = *this;
    m_lists = std::make_unique<MergeListEditor>(merge, m_panels.listView, m_panels.listModel, m_panels.preview);
    m_playerHooks =
        std::make_unique<MergePlayerHooks>(merge, m_panels, *m_lists, [this](int job) { StartProcess(job); });
    m_panels.player = new CPlayerControl(m_panels.preview, m_engine.get(), &m_data, m_playerHooks.get(), this);
    AttachJobDisplay(m_panels.player, new CJobStatus(Host(), m_panels.jobs->ProgressBar(), this));
    m_fileParts = std::make_unique<MergeFileActions>(merge, m_panels, *m_lists);
    AttachFileActions(m_fileParts.get());

    auto* left = new QVBoxLayout;
    left->setSpacing(6);
    left->addWidget(m_panels.files);
    left->addWidget(m_panels.settings);
    left->addWidget(m_panels.jobs);
    left->addWidget(m_panels.listView, 1);

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(6, 6, 6, 6);
    root->setSpacing(8);
    root->addLayout(left, 3);
    root->addWidget(m_panels.preview, 2);
    // Tab follows the layout: files, the choices, the jobs, the list, then the player.
    setTabOrder(m_panels.files->PlayOutputButton(), m_panels.settings->ResolutionCombo());
    setTabOrder(m_panels.settings->ResolutionCombo(), m_panels.settings->FrameRateCombo());
    setTabOrder(m_panels.settings->FrameRateCombo(), m_panels.settings->ResetButton());
    setTabOrder(m_panels.settings->ResetButton(), m_panels.jobs->AnalyseButton());
    setTabOrder(m_panels.jobs->StopButton(), m_panels.jobs->TransitionCheck());
    setTabOrder(m_panels.jobs->ClearListButton(), m_panels.listView);
}

void CTarneloTabMerge::Connect() {
    m_fileParts->Connect(m_panels.files, [this](int job) { m_panels.player->OpenVideo(job); });

    connect(m_panels.settings, &CMergeSettingsPanel::ChoiceChanged, this, &CTarneloTabMerge::OnChoiceChanged);
    connect(m_panels.settings->ResetButton(), &QPushButton::clicked, this, &CTarneloTabMerge::OnResetSettings);
    connect(m_panels.jobs->AnalyseButton(), &QPushButton::clicked, this, [this] { StartProcess(kJobSceneExtract); });
    connect(m_panels.jobs->ConvertButton(), &QPushButton::clicked, this, [this] { OnConvert(kJobSegmentOutput); });
    connect(m_panels.jobs->JoinButton(), &QPushButton::clicked, this, &CTarneloTabMerge::OnJoin);
    connect(m_panels.jobs->ConvertJoinButton(), &QPushButton::clicked, this, [this] { OnConvert(kJobExtractMerge); });
    connect(m_panels.jobs->StopButton(), &QPushButton::clicked, this, &CTarneloTabMerge::StopRunning);
    connect(m_panels.jobs->ClearListButton(), &QPushButton::clicked, this, &CTarneloTabMerge::OnClearList);
    connect(m_panels.jobs->TransitionCheck(), &QCheckBox::clicked, this, &CTarneloTabMerge::OnTransition);

    for (QCheckBox* check : {m_panels.preview->SceneLoopCheck(), m_panels.preview->LoopCheck()}) {
        connect(check, &QCheckBox::clicked, this, [this] { UpdateData(false); });
    }
    connect(m_jobStatus, &CJobStatus::PlaybackStarted, this, [this] {
        if (!m_panels.player->SeekDragging()) m_panels.preview->SeekSlider()->setValue(0);
    });
    connect(m_panels.listView, &SceneListView::RowClicked, this,
            [this](int row, int column) { m_playerHooks->OnRowClicked(row, column); });
    connect(m_panels.listModel, &MergeListModel::EnableChanged, this, [this] { RefreshMergeInfo(); });
}

void CTarneloTabMerge::RefreshTexts() {
    m_panels.files->RefreshTexts();
    m_panels.settings->RefreshTexts();
    m_panels.jobs->RefreshTexts();
    m_panels.listModel->SetJapanese(Host()->Japanese());
    m_panels.listModel->RefreshHeaders();
    m_panels.listView->setAccessibleName(ResText(3174));
    m_panels.preview->RefreshTexts(!m_data.output_name.empty() &&
                                   m_engine->CurrentPreviewFile() == m_data.GetOutputPath());
}

void CTarneloTabMerge::UpdateData(bool toControls) {
    if (!toControls) {
        m_data.transition = m_panels.jobs->TransitionCheck()->isChecked();
        m_data.play_scene_loop = m_panels.preview->SceneLoopCheck()->isChecked();
        m_data.play_loop = m_panels.preview->LoopCheck()->isChecked();
        return;
    }
    m_panels.files->ShowData(m_data);
    m_panels.settings->ShowChoice(m_sizeIndex, m_rateIndex);
    m_panels.jobs->TransitionCheck()->setChecked(m_data.transition);
    m_panels.preview->SceneLoopCheck()->setChecked(m_data.play_scene_loop);
    m_panels.preview->LoopCheck()->setChecked(m_data.play_loop);
    m_panels.preview->VolumeSlider()->setValue(m_data.play_vol);
}

// --- enabling ---

void CTarneloTabMerge::UpdateControlStates(bool settled) {
    const SceneTabState state = PageState(settled);
    ApplyStates(ComputeSceneControlStates(state));
    m_panels.listModel->SetLocked(state.sceneJob);
    Host()->UpdateTabButtons();
    const bool outputOpen = state.outputNameSet && m_engine->CurrentPreviewFile() == m_data.GetOutputPath();
    m_panels.preview->RefreshTexts(outputOpen);
    update();
}

void CTarneloTabMerge::ApplyStates(const SceneControlStates& c) {
    m_panels.files->SetFilesEnabled(c.files);
    m_panels.files->PlayInputButton()->setEnabled(c.playInput);
    m_panels.files->PlayOutputButton()->setEnabled(c.playOutput);
    m_panels.files->DeleteFolderButton()->setEnabled(c.deleteFolder);
    m_panels.settings->SetSettingsEnabled(c.files);
    m_panels.jobs->SetCommandsEnabled(c.sceneCommands, c.stop);
    m_panels.preview->SetPlayerControlsEnabled(c.canPlay, IsPreviewJobId(CurrentJob()));
}

void CTarneloTabMerge::DisableAll() {
    ApplyStates(SceneControlStates{});
    m_panels.preview->SetAllEnabled(false);
    m_panels.jobs->StopButton()->setEnabled(true);
    Host()->UpdateTabButtons();
}

// --- jobs ---

void CTarneloTabMerge::StartProcess(int job) {
    if (!StartPageJob(job, "CTarneloTabMerge::StartProcess")) m_panels.listModel->SetAnalysing(false);
}

void CTarneloTabMerge::BeforeSceneJob() {
    EngineOptions options = m_engine->Options();
    options.mode = kMergeTab;
    options.mergeSizeIndex = m_sizeIndex;
    options.mergeRateIndex = m_rateIndex;
    options.mergeRateText = FrameRateText(Rate());
    m_engine->SetOptions(options);
    UpdateData(false);
    m_panels.listModel->SetAnalysing(true);
}

void CTarneloTabMerge::StopRunning() {
    if (!m_engine->Status().running) return;
    m_panels.jobs->StopButton()->setEnabled(false);
    m_engine->CancelProcess();
    m_engine->JoinJobThread();
    UpdateControlStates(true);
}

void CTarneloTabMerge::OnBusy(const BusyMsg& msg) {
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
}

void CTarneloTabMerge::OnProcessFinished(const ProcessFinishedMsg& msg) {
    AppLog().Log("%s(%d) nProcessID(%d) nProcessExitCode(%d)\n", "CTarneloTabMerge::OnFinishProcess", __LINE__,
                 msg.jobId, msg.result);
    m_panels.player->OnProcessFinished(msg);
    if (IsSceneJob(msg.jobId)) {
        m_jobStatus->StopTimer();
        m_panels.listModel->SetAnalysing(false);
        m_lists->FillList(m_data.list_idx);
        RefreshMergeInfo();
        UpdateData(true);
        UpdateControlStates(true);
        m_panels.preview->PlayStopButton()->setFocus();
        TellFailedWrite();
    } else {
        UpdateControlStates(true);
    }
}

void CTarneloTabMerge::OnListChanged(const ListChangedMsg& msg) {
    (void)msg;
    m_lists->SetListSettled(false);
    if (m_data.Scenes().Empty()) m_data.list_idx = -1;
    m_lists->FillList(m_data.list_idx);
    RefreshMergeInfo();
    UpdateData(true);
    UpdateControlStates(!IsBusy());
    m_lists->SetListSettled(true);
}

void CTarneloTabMerge::RefreshList(bool keepSelection) {
    if (QThread::currentThread() != thread()) {
        // The engine's worker waits; the window thread serves this while it waits for the job.
        QMetaObject::invokeMethod(
            this, [this, keepSelection] { RefreshList(keepSelection); }, Qt::BlockingQueuedConnection);
        return;
    }
    m_lists->FillList(keepSelection ? m_data.list_idx : -1);
    RefreshMergeInfo();
}

void CTarneloTabMerge::OnPreviewImage(const PreviewImageMsg& msg) {
    m_panels.preview->Pane()->ShowStill(msg.path != nullptr ? QString::fromUtf8(msg.path) : QString());
}

void CTarneloTabMerge::OnSelectScene(const SelectSceneMsg& msg) {
    m_data.list_idx = msg.sceneIndex;
    m_panels.listView->SelectRow(msg.sceneIndex);
}

void CTarneloTabMerge::OnMediaOpened(const MediaOpenedMsg& msg) {
    (void)msg;
    RefreshMergeInfo();
}

// --- the list ---

void CTarneloTabMerge::RefreshMergeInfo() {
    const std::string text = MergeInfoText(m_data, Size(), Rate());
    m_panels.jobs->SetMergeInfo(QString::fromStdString(text));
}

// --- commands ---

void CTarneloTabMerge::OnChoiceChanged(int sizeIndex, int rateIndex) {
    if (sizeIndex < 0 || rateIndex < 0) return;
    m_sizeIndex = sizeIndex;
    m_rateIndex = rateIndex;
    m_lists->WhileRebuilding([this] {
        // What the list shows of each video is what the new choice will make of it.
        RetargetMergeList(m_data, Size(), Rate());
        m_panels.listModel->SetOutputRate(Rate().num, Rate().den);
        m_panels.listModel->Fill();
        m_panels.listView->SelectRow(m_data.list_idx);
        RefreshMergeInfo();
    });
}

void CTarneloTabMerge::OnTransition() {
    m_data.transition = m_panels.jobs->TransitionCheck()->isChecked();
    m_lists->WhileRebuilding([this] {
        RefreshMergeInfo();
        m_panels.listModel->RefreshNumbering();
    });
}

void CTarneloTabMerge::OnResetSettings() {
    if (!Confirm(3121)) return;
    m_data.ResetExtractionSettings();
    OnChoiceChanged(kDefaultMergeChoice, kDefaultMergeChoice);
    UpdateData(true);
}

void CTarneloTabMerge::OnClearList() {
    if (!Confirm(3124)) return;
    m_panels.listView->setEnabled(false);
    m_fileParts->ClearList();
    m_panels.listView->setEnabled(true);
}

void CTarneloTabMerge::OnConvert(int job) {
    StopPlayer();
    if (!m_fileParts->AcceptJob()) return;
    m_panels.listView->setEnabled(false);
    m_fileParts->DeleteConvertedFiles();
    m_panels.listView->setEnabled(true);
    StartProcess(job);
}

void CTarneloTabMerge::OnJoin() {
    StopPlayer();
    if (!m_fileParts->AcceptJob()) return;
    if (CurrentJob() != kJobMerge) StartProcess(kJobMerge);
}

void CTarneloTabMerge::ClearList() { m_fileParts->ClearList(); }

void CTarneloTabMerge::StopPlayer() { m_playerHooks->StopPlayer(); }
