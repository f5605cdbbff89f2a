#include "ui/preview/PlayerControl.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QUrl>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/Language.h"
#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/tools/PumpWait.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "project/ClockTime.h"
#include "project/FileHelpers.h"
#include "project/RecordingTime.h"
#include "project/TarneloData.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/StaticPreview.h"

namespace {

constexpr int kMenuPlayerMenu = 3115;
constexpr int kMenuOpen = 3116;
constexpr int kMenuProperties = 3117;
constexpr int kDetailsKind = 1;
constexpr int kDetailsTitle = 3093;

}  // namespace

CPlayerControl::CPlayerControl(CPreviewPanel* panel, CTarneloProcess* engine, CTarneloData* data, PlayerPage* page,
                               QWidget* pageWidget)
    : QObject(pageWidget),
      m_panel(panel),
      m_engine(engine),
      m_data(data),
      m_page(page),
      m_pageWidget(pageWidget),
      m_embed(new PlayerWindowEmbed(panel, engine, data, page, pageWidget, [this] { return m_stopping; })) {
    m_embed->setParent(this);
    setObjectName(QStringLiteral("playerControl"));
    m_panel->Pane()->installEventFilter(this);
    m_panel->SeekSlider()->installEventFilter(this);
    m_panel->VolumeSlider()->installEventFilter(this);

    connect(m_panel->PlayStopButton(), &QPushButton::clicked, this, &CPlayerControl::TogglePlay);
    connect(m_panel->DetailsButton(), &QPushButton::clicked, this, &CPlayerControl::ShowDetails);
    const SeekButton buttons[6] = {SeekButton::kPrevFrame, SeekButton::kNextFrame, SeekButton::kBack10,
                                   SeekButton::kForward10, SeekButton::kBack60,    SeekButton::kForward60};
    for (int i = 0; i < 6; ++i) {
        const SeekButton button = buttons[i];
        connect(m_panel->SeekButton(i), &QPushButton::clicked, this, [this, button] { Seek(button); });
    }
    // Keys and the wheel move the sliders without a drag; the mouse is handled in eventFilter.
    QSlider* seek = m_panel->SeekSlider();
    connect(seek, &QSlider::actionTriggered, this, [this, seek](int action) {
        if (m_seekDrag.load() || action == QAbstractSlider::SliderMove) return;
        SeekToFrame(FrameOfSeekSlider(seek->sliderPosition(), m_data->m_currentInfo.frame_num));
    });
    QSlider* volume = m_panel->VolumeSlider();
    connect(volume, &QSlider::actionTriggered, this, [this, volume](int action) {
        if (m_volumeDrag || action == QAbstractSlider::SliderMove) return;
        ApplyVolume(volume->sliderPosition());
    });
}

CPlayerControl::~CPlayerControl() {
    if (m_details) delete m_details.data();
}

// --- state ---

int CPlayerControl::CurrentJob() const {
    const JobStatus status = m_engine->Status();
    return status.running ? status.jobId : 0;
}

bool CPlayerControl::PlaybackRuns() const { return IsPreviewJobId(CurrentJob()); }

int CPlayerControl::PlayerMode() const {
    const std::string& file = m_engine->CurrentPreviewFile();
    if (file == m_data->input_file || file == m_data->input_mp4_file) return kJobInputPreview;
    if (file == m_data->GetOutputPath()) return kJobOutputPreview;
    return kJobScenePreview;
}

void CPlayerControl::StopPlayer() {
    const bool stopping = m_stopping;
    m_stopping = true;
    m_page->StopPlayback();
    m_stopping = stopping;
}

// --- commands ---

void CPlayerControl::OpenVideo(int job) {
    if (m_opening) return;
    if (PlaybackRuns()) StopPlayer();
    const std::string path = job == kJobInputPreview ? m_engine->WorkingInput() : m_data->GetOutputPath();
    if (path.empty()) return;
    m_opening = true;
    // The probe runs beside the window, which serves the engine's messages meanwhile.
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    std::thread worker([&] {
        m_engine->LoadPreviewFile(path, false);
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        changed.notify_all();
    });
    PumpUntil(m_engine->MainWindow(), mutex, changed, [&done] { return done; });
    worker.join();
    // A seek made now belongs to this file, so the next start must not go back to its beginning.
    if (m_engine->CurrentPreviewFile() == path) m_engine->SetLastPreviewKind(job);
    m_opening = false;
    m_page->PlayerChanged();
}

void CPlayerControl::TogglePlay() {
    if (m_page->SceneJobRunning()) return;
    if (PlaybackRuns()) {
        StopPlayer();
        m_page->PlayerChanged();
        return;
    }
    m_page->StartPlayback(PlayerMode());
}

void CPlayerControl::Seek(SeekButton button) {
    const VideoInfo& info = m_data->m_currentInfo;
    SeekState state;
    state.frame = m_engine->CurrentPlayFrame();
    state.seconds = ParseDouble(m_engine->CurrentPlayTime());
    state.fps = info.fps;
    state.frameCount = info.frame_num;
    state.outputOpen = !m_data->output_name.empty() && m_engine->CurrentPreviewFile() == m_data->GetOutputPath();
    if (state.outputOpen) state.outputStarts = m_page->OutputStarts();
    SeekToFrame(SeekButtonTarget(button, state));
}

void CPlayerControl::SeekToFrame(int frame) {
    if (m_stoppedForSeek) {
        // The drag's stop is still under way; the seek follows once it is over.
        m_pendingSeek = frame;
        return;
    }
    if (m_seeking) return;
    m_seeking = true;
    const VideoInfo& info = m_data->m_currentInfo;
    const int count = info.frame_num;
    const bool playing = PlaybackRuns();
    const bool restart = playing || m_resumeAfterSeek;
    frame = restart ? RestartFrame(frame, info.fps, count) : std::max(0, frame);
    const std::string time = SeekTimeText(frame, PlayerClock(), count);
    const int mode = PlayerMode();
    const std::string file = m_engine->CurrentPreviewFile();
    if (!restart) {
        m_engine->SetCurrentPlay(frame, time);
        m_engine->SetLastPreviewKind(mode);
        ShowLines(frame, count);
        m_engine->SetPreviewImage(file, time, mode == kJobScenePreview, -1);
        m_seeking = false;
        return;
    }
    const int job = playing ? CurrentJob() : m_resumeJob;
    m_resumeAfterSeek = false;
    if (playing) {
        m_stoppedForSeek = true;
        StopPlayer();
        m_stoppedForSeek = false;
    }
    m_engine->SetCurrentPlay(frame, time);
    m_engine->SetLastPreviewKind(job);
    ShowLines(frame, count);
    const bool lastScene = m_page->SelectedSceneStart() < 0 || m_page->SelectedSceneIsLast();
    if (!m_data->play_loop && (!m_data->play_scene_loop || lastScene) && frame >= count - 1) {
        // Nothing would be left to play: the final frame shows as a still.
        m_engine->SetPreviewImage(file, time, mode == kJobScenePreview, -1);
        m_page->PlayerChanged();
    } else {
        m_page->StartPlayback(job);
    }
    m_seeking = false;
}

void CPlayerControl::ApplyVolume(int volume) {
    if (m_applyingVolume) return;
    m_applyingVolume = true;
    const int previous = m_data->play_vol;
    m_data->play_vol = std::clamp(volume, 0, 100);
    if (m_data->play_vol != previous) m_page->PlayerSettingsChanged();
    if (PlaybackRuns()) {
        // The player takes its volume when it starts.
        const int job = CurrentJob();
        StopPlayer();
        m_page->StartPlayback(job);
    }
    m_applyingVolume = false;
}

void CPlayerControl::ShowDetails() {
    if (m_details) delete m_details.data();
    auto* window = new CAppHelpDialog(this, kDetailsKind, kDetailsTitle, m_pageWidget);
    if (!window->Create()) {
        delete window;
        return;
    }
    m_details = window;
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->show();
    const QPoint centre = m_pageWidget->mapToGlobal(m_pageWidget->rect().center());
    window->move(centre - QPoint(window->width() / 2, window->height() / 2));
}

std::string CPlayerControl::PlayerFile() const {
    // The engine keeps the file it probed last; a project without an input has nothing in the player.
    return m_data->input_file.empty() ? std::string() : m_engine->CurrentPreviewFile();
}

QMenu* CPlayerControl::BuildPaneMenu(QWidget* parent) {
    if (PlayerFile().empty() || m_page->SceneJobRunning()) return nullptr;
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("paneMenu"));
    const CResourceLibrary* res = Resources();
    const std::vector<MenuResource>* items = res != nullptr ? res->Menu(kMenuPlayerMenu) : nullptr;
    if (items != nullptr && !items->empty() && items->front().IsPopup()) {
        for (const MenuResource& item : items->front().items) {
            if (item.separator) {
                menu->addSeparator();
                continue;
            }
            menu->addAction(item.text)->setData(item.id);
        }
    }
    return menu;
}

void CPlayerControl::RunMenuCommand(int id) {
    if (id == kMenuOpen) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(PlayerFile())));
    } else if (id == kMenuProperties) {
        ShowDetails();
    }
}

QString CPlayerControl::CurrentMediaPath() const { return QString::fromStdString(PlayerFile()); }

bool CPlayerControl::MediaReport(const QString& path, int kind, QString& text) {
    return m_page->ReportSource().MediaReport(path, kind, text);
}

// --- the information lines ---

FrameClock CPlayerControl::PlayerClock() const {
    return m_data->ClockOf(m_engine->CurrentPreviewFile(), m_data->m_currentInfo.fps);
}

QString CPlayerControl::ClockTextAt(int frame) const {
    if (!m_data->clock_start.known) return {};
    const std::optional<double> seconds = RecordingSeconds(*m_data, m_engine->CurrentPreviewFile(), frame);
    if (!seconds) return {};
    return QString::fromStdString(ExpandClockPlaceholders("{datetime}", m_data->clock_start, *seconds));
}

int CPlayerControl::LineOffset() const {
    if (PlayerMode() != kJobScenePreview && !m_page->ListHasFocus()) return 0;
    return std::max(0, m_page->SelectedSceneStart());
}

void CPlayerControl::ShowLines(int frame, int count) {
    if (!m_seekDrag.load()) m_panel->SeekSlider()->setValue(SeekSliderValue(frame, count));
    if (count > 0)
        m_panel->SetPositionText(
            CPreviewPanel::PositionText(frame, count, PlayerClock(), LineOffset(), ClockTextAt(frame)));
    ShowFileLine(frame, count);
}

void CPlayerControl::ShowFileLine(int frame, int count) {
    const VideoInfo& info = m_data->m_currentInfo;
    // Also a newly opened file whose first report is past frame 0 (a scene's still) gets its line.
    const std::string file = PlayerFile();
    if (frame >= 1 && file == m_fileLineOf) return;
    m_fileLineOf = file;
    m_panel->SetFileText(
        QString::fromStdString(PlayerFileLine(file, count, PlayerClock(), info.width, info.height, info.rotation)));
}

void CPlayerControl::OnPlayPosition(const PlayPositionMsg& msg) {
    const VideoInfo& info = m_data->m_currentInfo;
    int frame = msg.frame;
    int count = msg.count;
    const bool held = m_seekDrag.load() || m_stoppedForSeek;
    const bool atEnd = frame >= 1 && frame >= count - 1;
    if (CurrentJob() == 0) {
        if (!held) m_panel->SeekSlider()->setValue(SliderValueOfShown(atEnd ? count : frame, info.frame_num));
    } else {
        count = std::max(count, 0);
        frame = std::min(frame, count);
        if (!held) m_panel->SeekSlider()->setValue(SeekSliderValue(frame, count));
    }
    if (count > 0 && !m_stoppedForSeek) {
        m_panel->SetPositionText(
            CPreviewPanel::PositionText(frame, count, PlayerClock(), LineOffset(), ClockTextAt(frame)));
    }
    ShowFileLine(frame, count);
}

void CPlayerControl::OnProcessFinished(const ProcessFinishedMsg& msg) {
    if (IsPreviewJobId(msg.jobId)) m_embed->OnPlayerEnded();
}

// --- the sliders and the pane ---

void CPlayerControl::SetSliderFromPoint(QSlider* slider, int x) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.singleStep = slider->singleStep();
    option.pageStep = slider->pageStep();
    option.tickPosition = slider->tickPosition();
    option.tickInterval = slider->tickInterval();
    option.upsideDown = slider->invertedAppearance();
    QStyle* style = slider->style();
    const QRect groove = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
    const QRect handle = style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    slider->setValue(
        SliderValueAt(x, slider->minimum(), slider->maximum(), groove.left(), groove.right(), handle.width()));
}

bool CPlayerControl::SliderPress(QSlider* slider, int x) {
    if (!slider->isEnabled()) return false;
    SetSliderFromPoint(slider, x);
    if (slider == m_panel->SeekSlider()) {
        m_seekDrag = true;
    } else {
        m_volumeDrag = true;
    }
    slider->setFocus();
    return true;
}

void CPlayerControl::SeekDragMove(int x) {
    QSlider* seek = m_panel->SeekSlider();
    SetSliderFromPoint(seek, x);
    if (PlaybackRuns() && !m_stoppedForSeek) {
        m_resumeAfterSeek = true;
        m_resumeJob = CurrentJob();
        m_stoppedForSeek = true;
        StopPlayer();
        m_stoppedForSeek = false;
        if (m_pendingSeek >= 0) {
            const int frame = m_pendingSeek;
            m_pendingSeek = -1;
            SeekToFrame(frame);
            return;
        }
    }
    const VideoInfo& info = m_data->m_currentInfo;
    const int frame = FrameOfSeekSlider(seek->value(), info.frame_num);
    if (info.frame_num > 0) {
        m_panel->SetPositionText(
            CPreviewPanel::PositionText(frame, info.frame_num, PlayerClock(), LineOffset(), ClockTextAt(frame)));
    }
}

void CPlayerControl::SeekDragEnd() {
    m_seekDrag = false;
    SeekToFrame(FrameOfSeekSlider(m_panel->SeekSlider()->value(), m_data->m_currentInfo.frame_num));
}

bool CPlayerControl::eventFilter(QObject* watched, QEvent* event) {
    CStaticPreview* pane = m_panel->Pane();
    QSlider* seek = m_panel->SeekSlider();
    QSlider* volume = m_panel->VolumeSlider();
    if (watched == pane) {
        if (event->type() == QEvent::Resize && m_embed->Embedded()) m_embed->Container()->setGeometry(pane->rect());
        if (event->type() == QEvent::ContextMenu) {
            const QPoint at = static_cast<QContextMenuEvent*>(event)->globalPos();
            std::unique_ptr<QMenu> menu(BuildPaneMenu(pane));
            if (menu != nullptr) {
                QAction* chosen = menu->exec(at);
                if (chosen != nullptr) RunMenuCommand(chosen->data().toInt());
            }
            return true;
        }
        return false;
    }
    if (watched != seek && watched != volume) return false;
    auto* slider = static_cast<QSlider*>(watched);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return false;
            return SliderPress(slider, mouse->position().toPoint().x());
        }
        case QEvent::MouseMove: {
            const int x = static_cast<QMouseEvent*>(event)->position().toPoint().x();
            if (slider == seek && m_seekDrag.load()) {
                SeekDragMove(x);
                return true;
            }
            if (slider == volume && m_volumeDrag) {
                SetSliderFromPoint(volume, x);
                return true;
            }
            return false;
        }
        case QEvent::MouseButtonRelease: {
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
            if (slider == seek && m_seekDrag.load()) {
                SeekDragEnd();
                return true;
            }
            if (slider == volume && m_volumeDrag) {
                m_volumeDrag = false;
                ApplyVolume(volume->value());
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}
