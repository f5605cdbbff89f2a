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
#include "ui/merge/MergeListEditor.h"
#include "ui/merge/MergePanels.h"
#include "ui/merge/MergeRules.h"
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
    ConnectPlayer();
    RefreshTexts();
    m_preview->Pane()->Clear();
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
}

FrameSize CTarneloTabMerge::Size() const { return MergeFrameSize(m_sizeIndex); }
FrameRate CTarneloTabMerge::Rate() const { return MergeFrameRate(m_rateIndex); }

void CTarneloTabMerge::BuildLayout() {
    m_files = new CFilesPanel(2016, this);
    m_settings = new CMergeSettingsPanel(this);
    m_jobs = new CMergeJobPanel(this);
    m_listModel = new MergeListModel(&m_data, this);
    m_listModel->SetJapanese(Host()->Japanese());
    m_listModel->SetOutputRate(Rate().num, Rate().den);
    m_listView = new SceneListView(this);
    m_listView->setObjectName(QStringLiteral("videoList"));
    m_listView->SetCellEditing(false);
    m_listView->SetListModel(m_listModel);
    m_listView->SetBlockedWhile([this] { return IsBusy(); });
    m_preview = new CPreviewPanel(this);
    m_player = new CPlayerControl(m_preview, m_engine.get(), &m_data, this, this);
    m_jobStatus = new CJobStatus(Host(), m_jobs->ProgressBar(), this);
    AttachJobDisplay(m_player, m_jobStatus);
    m_lists = std::make_unique<MergeListEditor>(static_cast<MergePage&>(*this), m_listView, m_listModel, m_preview);

    auto* left = new QVBoxLayout;
    left->setSpacing(6);
    left->addWidget(m_files);
    left->addWidget(m_settings);
    left->addWidget(m_jobs);
    left->addWidget(m_listView, 1);

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(6, 6, 6, 6);
    root->setSpacing(8);
    root->addLayout(left, 3);
    root->addWidget(m_preview, 2);
    // Tab follows the layout: files, the choices, the jobs, the list, then the player.
    setTabOrder(m_files->PlayOutputButton(), m_settings->ResolutionCombo());
    setTabOrder(m_settings->ResolutionCombo(), m_settings->FrameRateCombo());
    setTabOrder(m_settings->FrameRateCombo(), m_settings->ResetButton());
    setTabOrder(m_settings->ResetButton(), m_jobs->AnalyseButton());
    setTabOrder(m_jobs->StopButton(), m_jobs->TransitionCheck());
    setTabOrder(m_jobs->ClearListButton(), m_listView);
}

void CTarneloTabMerge::Connect() {
    connect(m_files->InputButton(), &QPushButton::clicked, this, &CTarneloTabMerge::ChooseFiles);
    connect(m_files->OutputFolderButton(), &QPushButton::clicked, this, &CTarneloTabMerge::ChooseOutputFolder);
    connect(m_files->OutputFileButton(), &QPushButton::clicked, this, &CTarneloTabMerge::ChooseOutputFile);
    connect(m_files->DeleteFolderButton(), &QPushButton::clicked, this, &CTarneloTabMerge::DeleteOutputFolder);
    connect(m_files, &CFilesPanel::OutputFolderTyped, this, &CTarneloTabMerge::ChangeOutputFolder);
    connect(m_files, &CFilesPanel::OutputNameTyped, this, &CTarneloTabMerge::ChangeOutputName);

    connect(m_settings, &CMergeSettingsPanel::ChoiceChanged, this, &CTarneloTabMerge::OnChoiceChanged);
    connect(m_settings->ResetButton(), &QPushButton::clicked, this, &CTarneloTabMerge::OnResetSettings);
    connect(m_jobs->AnalyseButton(), &QPushButton::clicked, this, [this] { StartProcess(kJobSceneExtract); });
    connect(m_jobs->ConvertButton(), &QPushButton::clicked, this, [this] { OnConvert(kJobSegmentOutput); });
    connect(m_jobs->JoinButton(), &QPushButton::clicked, this, &CTarneloTabMerge::OnJoin);
    connect(m_jobs->ConvertJoinButton(), &QPushButton::clicked, this, [this] { OnConvert(kJobExtractMerge); });
    connect(m_jobs->StopButton(), &QPushButton::clicked, this, &CTarneloTabMerge::StopRunning);
    connect(m_jobs->ClearListButton(), &QPushButton::clicked, this, &CTarneloTabMerge::OnClearList);
    connect(m_jobs->TransitionCheck(), &QCheckBox::clicked, this, &CTarneloTabMerge::OnTransition);

    for (QCheckBox* check : {m_preview->SceneLoopCheck(), m_preview->LoopCheck()}) {
        connect(check, &QCheckBox::clicked, this, [this] { UpdateData(false); });
    }
    connect(m_jobStatus, &CJobStatus::PlaybackStarted, this, [this] {
        if (!m_player->SeekDragging()) m_preview->SeekSlider()->setValue(0);
    });
    connect(m_listView, &SceneListView::RowClicked, this, &CTarneloTabMerge::OnRowClicked);
    connect(m_listModel, &MergeListModel::EnableChanged, this, [this] { RefreshMergeInfo(); });
}

void CTarneloTabMerge::RefreshTexts() {
    m_files->RefreshTexts();
    m_settings->RefreshTexts();
    m_jobs->RefreshTexts();
    m_listModel->SetJapanese(Host()->Japanese());
    m_listModel->RefreshHeaders();
    m_listView->setAccessibleName(ResText(3174));
    m_preview->RefreshTexts(!m_data.output_name.empty() && m_engine->CurrentPreviewFile() == m_data.GetOutputPath());
}

void CTarneloTabMerge::UpdateData(bool toControls) {
    if (!toControls) {
        m_data.transition = m_jobs->TransitionCheck()->isChecked();
        m_data.play_scene_loop = m_preview->SceneLoopCheck()->isChecked();
        m_data.play_loop = m_preview->LoopCheck()->isChecked();
        return;
    }
    m_files->ShowData(m_data);
    m_settings->ShowChoice(m_sizeIndex, m_rateIndex);
    m_jobs->TransitionCheck()->setChecked(m_data.transition);
    m_preview->SceneLoopCheck()->setChecked(m_data.play_scene_loop);
    m_preview->LoopCheck()->setChecked(m_data.play_loop);
    m_preview->VolumeSlider()->setValue(m_data.play_vol);
}

// --- enabling ---

void CTarneloTabMerge::UpdateControlStates(bool settled) {
    const SceneTabState state = PageState(settled);
    ApplyStates(ComputeSceneControlStates(state));
    m_listModel->SetLocked(state.sceneJob);
    Host()->UpdateTabButtons();
    const bool outputOpen = state.outputNameSet && m_engine->CurrentPreviewFile() == m_data.GetOutputPath();
    m_preview->RefreshTexts(outputOpen);
    update();
}

void CTarneloTabMerge::ApplyStates(const SceneControlStates& c) {
    m_files->SetFilesEnabled(c.files);
    m_files->PlayInputButton()->setEnabled(c.playInput);
    m_files->PlayOutputButton()->setEnabled(c.playOutput);
    m_files->DeleteFolderButton()->setEnabled(c.deleteFolder);
    m_settings->SetSettingsEnabled(c.files);
    m_jobs->SetCommandsEnabled(c.sceneCommands, c.stop);
    m_preview->SetPlayerControlsEnabled(c.canPlay, IsPreviewJobId(CurrentJob()));
}

void CTarneloTabMerge::DisableAll() {
    ApplyStates(SceneControlStates{});
    m_preview->SetAllEnabled(false);
    m_jobs->StopButton()->setEnabled(true);
    Host()->UpdateTabButtons();
}

// --- jobs ---

void CTarneloTabMerge::StartProcess(int job) {
    if (!StartPageJob(job, "CTarneloTabMerge::StartProcess")) m_listModel->SetAnalysing(false);
}

void CTarneloTabMerge::BeforeSceneJob() {
    EngineOptions options = m_engine->Options();
    options.mode = kMergeTab;
    options.mergeSizeIndex = m_sizeIndex;
    options.mergeRateIndex = m_rateIndex;
    options.mergeRateText = FrameRateText(Rate());
    m_engine->SetOptions(options);
    UpdateData(false);
    m_listModel->SetAnalysing(true);
}

void CTarneloTabMerge::StopRunning() {
    if (!m_engine->Status().running) return;
    m_jobs->StopButton()->setEnabled(false);
    m_engine->CancelProcess();
    m_engine->JoinJobThread();
    UpdateControlStates(true);
}

void CTarneloTabMerge::OnBusy(const BusyMsg& msg) {
    if (msg.begins) {
        SetWaitCursor(true);
        DisableAll();
        return;
    }
    UpdateData(true);
    UpdateControlStates(true);
    SetWaitCursor(false);
}

void CTarneloTabMerge::OnProcessFinished(const ProcessFinishedMsg& msg) {
    AppLog().Log("%s(%d) nProcessID(%d) nProcessExitCode(%d)\n", "CTarneloTabMerge::OnFinishProcess", __LINE__,
                 msg.jobId, msg.result);
    m_player->OnProcessFinished(msg);
    if (IsSceneJob(msg.jobId)) {
        m_jobStatus->StopTimer();
        m_listModel->SetAnalysing(false);
        m_lists->FillList(m_data.list_idx);
        RefreshMergeInfo();
        UpdateData(true);
        UpdateControlStates(true);
        m_preview->PlayStopButton()->setFocus();
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
    m_preview->Pane()->ShowStill(msg.path != nullptr ? QString::fromUtf8(msg.path) : QString());
}

void CTarneloTabMerge::OnSelectScene(const SelectSceneMsg& msg) {
    m_data.list_idx = msg.sceneIndex;
    m_listView->SelectRow(msg.sceneIndex);
}

void CTarneloTabMerge::OnMediaOpened(const MediaOpenedMsg& msg) {
    (void)msg;
    RefreshMergeInfo();
}

// --- the list ---

void CTarneloTabMerge::RefreshMergeInfo() {
    const std::string text = MergeInfoText(m_data, Size(), Rate());
    m_jobs->SetMergeInfo(QString::fromStdString(text));
}

// --- commands ---

void CTarneloTabMerge::OnChoiceChanged(int sizeIndex, int rateIndex) {
    if (sizeIndex < 0 || rateIndex < 0) return;
    m_sizeIndex = sizeIndex;
    m_rateIndex = rateIndex;
    m_lists->WhileRebuilding([this] {
        // What the list shows of each video is what the new choice will make of it.
        RetargetMergeList(m_data, Size(), Rate());
        m_listModel->SetOutputRate(Rate().num, Rate().den);
        m_listModel->Fill();
        m_listView->SelectRow(m_data.list_idx);
        RefreshMergeInfo();
    });
}

void CTarneloTabMerge::OnTransition() {
    m_data.transition = m_jobs->TransitionCheck()->isChecked();
    m_lists->WhileRebuilding([this] {
        RefreshMergeInfo();
        m_listModel->RefreshNumbering();
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
    m_listView->setEnabled(false);
    ClearList();
    m_listView->setEnabled(true);
}

void CTarneloTabMerge::OnConvert(int job) {
    StopPlayer();
    if (!AcceptJob()) return;
    m_listView->setEnabled(false);
    DeleteConvertedFiles();
    m_listView->setEnabled(true);
    StartProcess(job);
}

void CTarneloTabMerge::OnJoin() {
    StopPlayer();
    if (!AcceptJob()) return;
    if (CurrentJob() != kJobMerge) StartProcess(kJobMerge);
}

void CTarneloTabMerge::NewProject() {
    StopJob();
    m_data.ResetAll(false);
    m_data.project_file.clear();
    m_data.auto_save = false;
    m_lists->FillList(-1);
    Host()->ResetStatusBar();
    m_preview->Pane()->Clear();
    RefreshMergeInfo();
    UpdateData(true);
    UpdateControlStates(true);
}
