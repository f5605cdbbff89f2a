#include "ui/preview/PlayerControl.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "app/Language.h"
#include "engine/TarneloProcess.h"
#include "engine/jobs/JobTables.h"
#include "engine/tools/PumpWait.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "platform/X11Windows.h"
#include "project/FileHelpers.h"
#include "project/TarneloData.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/StaticPreview.h"

namespace {

constexpr int kMenuPlayerMenu = 3115;
constexpr int kMenuOpen = 3116;
constexpr int kMenuProperties = 3117;
constexpr int kDetailsKind = 1;
constexpr int kDetailsTitle = 3093;
// A worker that asks for a capture waits this long for the window to serve it, then goes on without.
constexpr int kCaptureWaitMs = 3000;

// Only an X11 window can take another program's window in; elsewhere the player keeps its own.
bool CanEmbed() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

}  // namespace

CPlayerControl::CPlayerControl(CPreviewPanel* panel, CTarneloProcess* engine, CTarneloData* data, PlayerPage* page,
                               QWidget* pageWidget)
    : QObject(pageWidget), m_panel(panel), m_engine(engine), m_data(data), m_page(page), m_pageWidget(pageWidget) {
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

std::string CPlayerControl::CaptureFile() const {
    return SetTrailingSeparator(m_data->output_folder, true) +
           ReplaceExtension(FileNamePart(m_data->input_file), "_preview.jpg");
}

void CPlayerControl::ServeWindow() {
    QEventLoop loop;
    QTimer::singleShot(kPumpInterval, &loop, &QEventLoop::quit);
    loop.exec();
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

int CPlayerControl::LineOffset() const {
    if (PlayerMode() != kJobScenePreview && !m_page->ListHasFocus()) return 0;
    return std::max(0, m_page->SelectedSceneStart());
}

void CPlayerControl::ShowLines(int frame, int count) {
    if (!m_seekDrag.load()) m_panel->SeekSlider()->setValue(SeekSliderValue(frame, count));
    if (count > 0) m_panel->SetPositionText(CPreviewPanel::PositionText(frame, count, PlayerClock(), LineOffset()));
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
        m_panel->SetPositionText(CPreviewPanel::PositionText(frame, count, PlayerClock(), LineOffset()));
    }
    ShowFileLine(frame, count);
}

// --- the player's window ---

void CPlayerControl::BeforePlaybackStart() {
    m_playbackEnded = false;
    m_searchOver = false;
    const QPoint origin = m_panel->Pane()->mapToGlobal(QPoint(0, 0));
    m_playerX = origin.x();
    m_playerY = origin.y();
}

void CPlayerControl::WaitForPlayer() {
    QPointer<CPlayerControl> self(this);
    while (self && m_container == nullptr && !m_searchOver && !m_stopping && !m_playbackEnded.load() &&
           m_engine->Status().running) {
        ServeWindow();
    }
}

void CPlayerControl::OnFindPlayer(const FindPlayerMsg& msg) {
    ForgetPlayer();
    const int generation = ++m_searchGeneration;
    if (!CanEmbed()) {
        m_searchOver = true;
        return;
    }
    QPointer<CPlayerControl> self(this);
    QElapsedTimer clock;
    clock.start();
    // The search gives up as soon as this player is gone or being stopped, or a newer one started.
    const auto searching = [&] {
        return self && generation == m_searchGeneration && !m_stopping && m_engine->Status().childPid == msg.pid;
    };
    unsigned long found = 0;
    for (int attempt = 0; attempt < kSearchAttempts && searching(); ++attempt) {
        found = platform::FindTopLevelWindow(kPlayerTitle, msg.pid);
        if (found != 0) break;
        ServeWindow();
    }
    if (!self || generation != m_searchGeneration) return;
    m_lastSearchMs = clock.elapsed();
    AppLog().Log("%s(%d) hWnd(%lu), %lld ms\n", "CPlayerControl::OnFindPlayer", __LINE__, found,
                 static_cast<long long>(m_lastSearchMs));
    if (found != 0 && searching()) Embed(found);
    m_searchOver = true;
}

void CPlayerControl::Embed(unsigned long window) {
    CStaticPreview* pane = m_panel->Pane();
    QWindow* foreign = QWindow::fromWinId(static_cast<WId>(window));
    if (foreign == nullptr) return;
    // A right click on the picture opens the pane's menu instead of making the player seek.
    platform::PassPointerThrough(window);
    QWidget* container = QWidget::createWindowContainer(foreign, pane);
    container->setObjectName(QStringLiteral("playerContainer"));
    container->setAccessibleName(pane->accessibleName());
    container->setFocusPolicy(Qt::NoFocus);
    // A container of its own in the window tree: the player is clipped to the pane and moves with it,
    // rather than being placed on the top-level window.
    container->setAttribute(Qt::WA_NativeWindow);
    container->setGeometry(pane->rect());
    container->show();
    m_container = container;
    m_playerQWindow = foreign;
    m_playerWindow = window;
    pane->SetPlayerEmbedded(true);
    m_pageWidget->window()->activateWindow();
    m_panel->SeekSlider()->setFocus();
}

void CPlayerControl::ForgetPlayer() {
    m_playerWindow = 0;
    if (m_container != nullptr) {
        // A window that still lives goes back to the desktop; destroying it with the container would take
        // the player down.
        const unsigned long window = m_playerQWindow ? static_cast<unsigned long>(m_playerQWindow->winId()) : 0;
        if (window != 0 && platform::WindowExists(window)) m_playerQWindow->setParent(nullptr);
        delete m_container.data();
    }
    m_container = nullptr;
    m_playerQWindow = nullptr;
    m_panel->Pane()->SetPlayerEmbedded(false);
}

void CPlayerControl::OnProcessFinished(const ProcessFinishedMsg& msg) {
    if (!IsPreviewJobId(msg.jobId)) return;
    ++m_searchGeneration;  // a search still under way belongs to the player that ended
    m_searchOver = true;
    ForgetPlayer();
}

void CPlayerControl::CaptureFfplayWindow() {
    if (QThread::currentThread() == thread()) {
        CaptureOnUiThread();
        return;
    }
    // Only the window's thread may grab the screen. A worker waits a bounded time, since the window thread
    // may itself be waiting for that worker without serving its messages.
    struct Wait {
        std::mutex mutex;
        std::condition_variable done;
        bool over = false;
    };
    auto wait = std::make_shared<Wait>();
    QMetaObject::invokeMethod(
        this,
        [this, wait] {
            CaptureOnUiThread();
            std::lock_guard<std::mutex> lock(wait->mutex);
            wait->over = true;
            wait->done.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(wait->mutex);
    wait->done.wait_for(lock, std::chrono::milliseconds(kCaptureWaitMs), [&] { return wait->over; });
}

void CPlayerControl::CaptureOnUiThread() {
    const unsigned long window = m_playerWindow.load();
    if (window == 0 || !platform::WindowExists(window)) return;
    QScreen* screen = m_panel->Pane()->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    const QPixmap shot = screen != nullptr ? screen->grabWindow(static_cast<WId>(window)) : QPixmap();
    if (shot.isNull()) {
        AppLog().Log("%s(%d) GetDC failed. Error: %lu\n", m_page->CaptureLogTag(), __LINE__, 0UL);
        return;
    }
    platform::MakeFolders(SetTrailingSeparator(m_data->output_folder, false));
    const QString path = QString::fromStdString(CaptureFile());
    if (shot.save(path, "JPG")) m_panel->Pane()->ShowStill(path);
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
        m_panel->SetPositionText(CPreviewPanel::PositionText(frame, info.frame_num, PlayerClock(), LineOffset()));
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
        if (event->type() == QEvent::Resize && m_container != nullptr) m_container->setGeometry(pane->rect());
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
