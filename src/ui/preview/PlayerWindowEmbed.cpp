#include "ui/preview/PlayerWindowEmbed.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPixmap>
#include <QScreen>
#include <QSlider>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "engine/TarneloProcess.h"
#include "engine/tools/PumpWait.h"
#include "log/AppLog.h"
#include "platform/Path.h"
#include "platform/X11Windows.h"
#include "project/FileHelpers.h"
#include "project/TarneloData.h"
#include "ui/common/PlayerPage.h"
#include "ui/preview/PreviewPanel.h"
#include "ui/preview/StaticPreview.h"

namespace {

// A worker that asks for a capture waits this long for the window to serve it, then goes on without.
constexpr int kCaptureWaitMs = 3000;

// Only an X11 window can take another program's window in; elsewhere the player keeps its own.
bool CanEmbed() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// Set by the test hook; read and cleared on the window's thread.
bool g_failNextGrab = false;

}  // namespace

PlayerWindowEmbed::PlayerWindowEmbed(CPreviewPanel* panel, CTarneloProcess* engine, const CTarneloData* data,
                                     PlayerPage* page, QWidget* pageWidget, std::function<bool()> stopping)
    : m_panel(panel),
      m_engine(engine),
      m_data(data),
      m_page(page),
      m_pageWidget(pageWidget),
      m_stopping(std::move(stopping)) {}

std::string PlayerWindowEmbed::CaptureFile() const {
    return SetTrailingSeparator(m_data->output_folder, true) +
           ReplaceExtension(FileNamePart(m_data->input_file), "_preview.jpg");
}

void PlayerWindowEmbed::ServeWindow() {
    QEventLoop loop;
    QTimer::singleShot(kPumpInterval, &loop, &QEventLoop::quit);
    loop.exec();
}

void PlayerWindowEmbed::BeforePlaybackStart() {
    m_playbackEnded = false;
    m_searchOver = false;
    const QPoint origin = m_panel->Pane()->mapToGlobal(QPoint(0, 0));
    m_playerX = origin.x();
    m_playerY = origin.y();
}

void PlayerWindowEmbed::WaitForPlayer() {
    QPointer<PlayerWindowEmbed> self(this);
    while (self && m_container == nullptr && !m_searchOver && !m_stopping() && !m_playbackEnded.load() &&
           m_engine->Status().running) {
        ServeWindow();
    }
}

void PlayerWindowEmbed::OnFindPlayer(const FindPlayerMsg& msg) {
    Forget();
    const int generation = ++m_searchGeneration;
    if (!CanEmbed()) {
        m_searchOver = true;
        return;
    }
    QPointer<PlayerWindowEmbed> self(this);
    QElapsedTimer clock;
    clock.start();
    // The search gives up as soon as this player is gone or being stopped, or a newer one started.
    const auto searching = [&] {
        return self && generation == m_searchGeneration && !m_stopping() && m_engine->Status().childPid == msg.pid;
    };
    unsigned long found = 0;
    for (int attempt = 0; attempt < kSearchAttempts && searching(); ++attempt) {
        found = platform::FindTopLevelWindow(kPlayerTitle, msg.pid);
        if (found != 0) break;
        ServeWindow();
    }
    if (!self || generation != m_searchGeneration) return;
    m_lastSearchMs = clock.elapsed();
    AppLog().Log("%s(%d) hWnd(%lu), %lld ms\n", "PlayerWindowEmbed::OnFindPlayer", __LINE__, found,
                 static_cast<long long>(m_lastSearchMs));
    if (found != 0 && searching()) Embed(found);
    m_searchOver = true;
}

void PlayerWindowEmbed::Embed(unsigned long window) {
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

void PlayerWindowEmbed::Forget() {
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

void PlayerWindowEmbed::OnPlayerEnded() {
    ++m_searchGeneration;  // a search still under way belongs to the player that ended
    m_searchOver = true;
    Forget();
}

void PlayerWindowEmbed::CaptureFfplayWindow() {
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

void PlayerWindowEmbed::CaptureOnUiThread() {
    const unsigned long window = m_playerWindow.load();
    if (window == 0 || !platform::WindowExists(window)) return;
    QScreen* screen = m_panel->Pane()->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    QPixmap shot;
    if (g_failNextGrab) {
        g_failNextGrab = false;
    } else if (screen != nullptr) {
        shot = screen->grabWindow(static_cast<WId>(window));
    }
    // A grab that failed has no system error to tell, and nothing to save: the pane keeps the still it had.
    if (shot.isNull()) {
        AppLog().Log("%s(%d) GetDC failed. hWnd(%lu)\n", m_page->CaptureLogTag(), __LINE__, window);
    }
    platform::MakeFolders(SetTrailingSeparator(m_data->output_folder, false));
    const QString path = QString::fromStdString(CaptureFile());
    if (!shot.isNull() && shot.save(path, "JPG")) m_panel->Pane()->ShowStill(path);
}

void PlayerWindowEmbed::FailNextGrab() { g_failNextGrab = true; }
