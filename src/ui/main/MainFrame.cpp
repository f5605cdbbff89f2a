#include "ui/main/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "app/AppMsgDlg.h"
#include "app/AppShell.h"
#include "app/Language.h"
#include "app/LockKeys.h"
#include "app/RecentFileList.h"
#include "app/StatusPaneText.h"
#include "ui/common/TabPage.h"
#include "ui/main/TarneloDlg.h"

namespace {

constexpr int kPaneIds[CMainFrame::kPaneCount] = {2001, 2002, 2004, 2003, 0};
constexpr int kPaneWidths[CMainFrame::kPaneCount] = {140, 60, 60, 150, 1};
constexpr const char* kPaneSamples[CMainFrame::kPaneCount] = {"", "Waiting", "00:00:00.00", "000000/000000 (100.00%)",
                                                              ""};
constexpr int kIdleMessage = 57345;
constexpr int kMessagePane = TabHost::kMessagePane;

}  // namespace

CMainFrame::CMainFrame(CTarneloDlg* dialog) : m_dialog(dialog) {
    setObjectName(QStringLiteral("mainFrame"));
    dialog->setParent(this);
    dialog->SetFrame(this);
    setCentralWidget(dialog);
    setAcceptDrops(true);
    BuildStatusBar();
    dialog->Page(0)->Data().m_titleChanged = [this](const std::string& title) { SetTitle(title); };
}

CTarneloData& CMainFrame::TabData(int tab) { return m_dialog->Page(tab)->Data(); }

void CMainFrame::RefreshLanguageTexts() { m_dialog->RefreshLanguageTexts(); }

void CMainFrame::OpenProjectFile(const QString& path) { m_dialog->Page(0)->LoadProjectFile(path, false); }

void CMainFrame::OpenDroppedFiles(const QStringList& files) { m_dialog->Page(0)->DropFiles(files); }

CMainFrame::~CMainFrame() {
    m_dialog->Page(0)->Data().m_titleChanged = nullptr;
    m_dialog->SetFrame(nullptr);
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    for (int i = 0; i < kPaneCount; ++i) {
        m_panes[i] = new QLabel(bar);
        m_panes[i]->setObjectName(QStringLiteral("statusPane%1").arg(i));
        m_panes[i]->setFrameShape(QFrame::Panel);
        m_panes[i]->setFrameShadow(QFrame::Sunken);
        if (i + 1 < kPaneCount) {
            // Never narrower than the longest text the pane shows in this font: an elapsed time with
            // hundredths, a progress count.
            const int needed = m_panes[i]->fontMetrics().horizontalAdvance(QLatin1String(kPaneSamples[i])) + 10;
            m_panes[i]->setFixedWidth(std::max(kPaneWidths[i], needed));
        }
        bar->addWidget(m_panes[i], i + 1 < kPaneCount ? 0 : 1);
    }
    // The lock-key indicators show their key's name while the lock is on, as the keyboard LEDs do.
    for (const char* name : {"capsLockPane", "numLockPane", "scrollLockPane"}) {
        auto* pane = new QLabel(bar);
        pane->setObjectName(QString::fromLatin1(name));
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setFixedWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
        bar->addPermanentWidget(pane);
        m_lockPanes.push_back(pane);
    }
    // Only an X11 display reports the lock state; elsewhere the indicators stay blank.
    if (QueryLockKeys().has_value()) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &CMainFrame::UpdateLockPanes);
        timer->start(250);
        UpdateLockPanes();
    }
}

void CMainFrame::UpdateLockPanes() {
    const std::optional<LockKeyState> state = QueryLockKeys();
    if (!state.has_value()) return;
    m_lockPanes[0]->setText(state->caps ? QStringLiteral("CAP") : QString());
    m_lockPanes[1]->setText(state->num ? QStringLiteral("NUM") : QString());
    m_lockPanes[2]->setText(state->scroll ? QStringLiteral("SCRL") : QString());
}

bool CMainFrame::event(QEvent* event) {
    // Menu prompts go to the stretching pane, as the idle text does, so the job panes stay in view.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        m_panes[kMessagePane]->setText(tip.isEmpty() ? ResText(kIdleMessage) : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::ApplyLanguage() {
    const CResourceLibrary* res = Resources();
    QMenuBar* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));
    m_actions.clear();
    m_recentMenu = nullptr;
    if (res != nullptr) {
        setWindowIcon(res->Icon(128));
        if (const std::vector<MenuResource>* menu = res->Menu(128)) {
            for (const MenuResource& top : *menu) {
                QMenu* popup = bar->addMenu(top.text);
                BuildMenu(popup, top.items);
            }
        }
    }
    setMenuBar(bar);  // the old bar is deleted
    // Shown now rather than on the event loop's next turn, so that the window's first layout counts it.
    bar->show();

    // The language entries are found the way a user reads the menu: in "Setting", then "Language".
    const bool japanese = m_dialog->Japanese();
    for (QAction* top : bar->actions()) {
        const QString text = top->text();
        if (!text.contains(QString::fromUtf8("設定")) && !text.contains(QLatin1String("Setting"))) continue;
        for (QAction* sub : top->menu()->actions()) {
            if (sub->menu() == nullptr) continue;
            if (!sub->text().contains(QString::fromUtf8("言語")) && !sub->text().contains(QLatin1String("Language")))
                continue;
            for (QAction* entry : sub->menu()->actions()) {
                const int id = entry->data().toInt();
                if (id == CTarneloDlg::kCmdJapanese) entry->setChecked(japanese);
                if (id == CTarneloDlg::kCmdEnglish) entry->setChecked(!japanese);
            }
        }
    }
    LoadAccelerators();
    for (int i = 0; i + 1 < kPaneCount; ++i) {
        if (m_panes[i]->text().isEmpty()) m_panes[i]->setText(ResText(kPaneIds[i]));
    }
    m_panes[kMessagePane]->setText(ResText(kIdleMessage));
    m_dialog->Page(0)->Data().UpdateTitle();
}

void CMainFrame::BuildMenu(QMenu* menu, const std::vector<MenuResource>& items) {
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
    for (const MenuResource& item : items) {
        if (item.separator) {
            menu->addSeparator();
        } else if (item.IsPopup()) {
            BuildMenu(menu->addMenu(item.text), item.items);
        } else if (item.id == CTarneloDlg::kCmdRecentFirst) {
            // The place of the recent files: they are appended at the end of this menu each time it opens.
            m_recentMenu = menu;
        } else {
            QAction* action = menu->addAction(item.text);
            action->setData(item.id);
            action->setStatusTip(PromptTip(ResText(item.id)));
            action->setObjectName(QStringLiteral("command%1").arg(item.id));
            const CTarneloDlg::CommandState s = m_dialog->QueryCommand(item.id);
            action->setCheckable(s.checkable);
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { m_dialog->OnCommand(id); });
            m_actions[id] = action;
        }
    }
}

void CMainFrame::LoadAccelerators() {
    for (QShortcut* s : m_shortcuts) delete s;
    m_shortcuts.clear();
    const CResourceLibrary* res = Resources();
    const std::vector<AcceleratorResource>* table = res != nullptr ? res->Accelerators(128) : nullptr;
    if (table == nullptr) return;
    for (const AcceleratorResource& accel : *table) {
        auto* shortcut = new QShortcut(QKeySequence(accel.key), this);
        shortcut->setObjectName(QStringLiteral("accelerator%1").arg(accel.id));
        // Also while the manual or an information window has the focus, as those are the main window's
        // own; a modal dialog still blocks them.
        shortcut->setContext(Qt::ApplicationShortcut);
        const int id = accel.id;
        // A command the menu would show disabled is not run from the keyboard either.
        connect(shortcut, &QShortcut::activated, this, [this, id] { m_dialog->OnCommand(id); });
        m_shortcuts.push_back(shortcut);
    }
}

QAction* CMainFrame::CommandAction(int id) const {
    const auto it = m_actions.find(id);
    return it != m_actions.end() ? it->second : nullptr;
}

QMenu* CMainFrame::TopMenu(int index) const {
    const QList<QAction*> tops = menuBar()->actions();
    return index >= 0 && index < tops.size() ? tops[index]->menu() : nullptr;
}

void CMainFrame::UpdateMenu(QMenu* menu) {
    // Recent files: only the File menu holds their ids, so only it changes.
    if (menu == m_recentMenu) {
        for (QAction* a : menu->actions()) {
            const int id = a->data().toInt();
            if (id >= CTarneloDlg::kCmdRecentFirst && id <= CTarneloDlg::kCmdRecentLast) {
                m_actions.erase(id);
                menu->removeAction(a);
                a->deleteLater();
            }
        }
        CRecentFileList& recent = m_dialog->App().RecentFiles();
        const bool busy = m_dialog->AnyTabBusy();
        for (int i = 0; i < recent.Size(); ++i) {
            const QString name = recent.DisplayName(i);
            if (name.isEmpty()) continue;
            const int id = CTarneloDlg::kCmdRecentFirst + i;
            QAction* action = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
            action->setData(id);
            action->setObjectName(QStringLiteral("command%1").arg(id));
            action->setStatusTip(PromptTip(ResText(id)));
            action->setEnabled(!busy);
            connect(action, &QAction::triggered, this, [this, id] { m_dialog->OnCommand(id); });
            m_actions[id] = action;
        }
    }
    for (QAction* a : menu->actions()) {
        const int id = a->data().toInt();
        if (id == 0 || (id >= CTarneloDlg::kCmdRecentFirst && id <= CTarneloDlg::kCmdRecentLast)) continue;
        const CTarneloDlg::CommandState s = m_dialog->QueryCommand(id);
        a->setEnabled(s.enabled);
        if (s.checkable) a->setChecked(s.checked);
    }
    // Submenus are brought up to date with their parent, so a look at the parent is never stale.
    for (QAction* a : menu->actions()) {
        if (a->menu() != nullptr) UpdateMenu(a->menu());
    }
}

void CMainFrame::SetStatusText(int pane, const QString& text) {
    if (pane >= 0 && pane < kPaneCount) m_panes[pane]->setText(text);
}

QString CMainFrame::StatusText(int pane) const {
    return pane >= 0 && pane < kPaneCount ? m_panes[pane]->text() : QString();
}

void CMainFrame::ResetStatusBar() {
    for (int i = 0; i < kPaneCount; ++i) m_panes[i]->setText(ResText(kPaneIds[i] != 0 ? kPaneIds[i] : kIdleMessage));
}

void CMainFrame::CloseLater() { QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection); }

void CMainFrame::TranslateJobPanes(bool toJapanese) {
    const std::string name = m_panes[0]->text().toStdString();
    const std::string state = m_panes[1]->text().toStdString();
    // The default texts ("Stage", "State") are no job names and stay as they are.
    if (m_panes[0]->text() != ResText(2001)) {
        m_panes[0]->setText(QString::fromStdString(TranslateJobNamePane(name, toJapanese)));
    }
    if (m_panes[1]->text() != ResText(2002)) {
        m_panes[1]->setText(QString::fromStdString(TranslateJobStatePane(state, toJapanese)));
    }
}

void CMainFrame::SetTitle(const std::string& title) { setWindowTitle(QString::fromStdString(title)); }

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_laidOut) QTimer::singleShot(0, this, &CMainFrame::FirstLayout);
}

void CMainFrame::RestorePosition() {
    const WindowRect& saved = m_dialog->Page(0)->Data().window_rect;
    // A place on a screen that is no longer attached would put the window out of reach.
    const bool stored = saved.left != 0 || saved.top != 0 || saved.right != 0 || saved.bottom != 0;
    if (stored && QGuiApplication::screenAt(QPoint(saved.left + 40, saved.top + 20)) != nullptr) {
        move(saved.left, saved.top);
        m_restoredCorner = QPoint(saved.left, saved.top);
    }
}

void CMainFrame::CorrectRestoredPosition() {
    // Window managers differ in whether a position asked for before their frame exists is that of the frame
    // or of the window inside it; once the frame is known the stored corner is put right.
    if (!m_restoredCorner.has_value()) return;
    const QPoint delta = *m_restoredCorner - frameGeometry().topLeft();
    m_restoredCorner.reset();
    if (!delta.isNull()) move(pos() + delta);
}

void CMainFrame::FirstLayout() {
    if (m_laidOut) return;
    m_laidOut = true;
    ensurePolished();
    if (layout() != nullptr) layout()->activate();
    // Recorded first: the resize below already holds the window to it.
    m_recordedSize = sizeHint().expandedTo(minimumSizeHint());
    resize(m_recordedSize);
    FitScreen();
    // The frame a window manager adds may be known only once it has taken the window.
    const QSize frame = frameGeometry().size() - size();
    QTimer::singleShot(100, this, [this, frame] {
        if (frameGeometry().size() - size() != frame) FitScreen();
        CorrectRestoredPosition();
    });
    setMaximumSize(RecordedSize());
}

void CMainFrame::FitScreen() {
    // A screen smaller than the laid-out window gets a window that fits it, and the page scrolls inside.
    const QScreen* shown = screen();
    if (shown == nullptr) return;
    const QSize frame = frameGeometry().size() - size();
    const QSize room = shown->availableGeometry().size() - frame;
    if (size().boundedTo(room) != size()) resize(size().boundedTo(room));
}

QSize CMainFrame::RecordedSize() const { return m_laidOut ? m_recordedSize.expandedTo(minimumSizeHint()) : QSize(); }

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // A menu bar or status bar that settles after the first layout still fits: the limit grows with it.
    if (m_laidOut && maximumSize() != RecordedSize()) setMaximumSize(RecordedSize());
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMaximized)) {
        QTimer::singleShot(0, this, &CMainFrame::OnMaximize);
    }
}

void CMainFrame::OnMaximize() {
    // Maximising means "back to the laid-out size" here; before the first layout it does nothing.
    const QRect normal = normalGeometry();
    setWindowState(windowState() & ~Qt::WindowMaximized);
    setGeometry(QRect(normal.topLeft(), m_laidOut ? RecordedSize() : normal.size()));
}

void CMainFrame::CloseWithoutAsking() {
    m_closeWithoutAsking = true;
    close();
    // Also ends a modal dialog that may be open, whose loop would otherwise keep the program running.
    QCoreApplication::quit();
}

void CMainFrame::StopAllWork() { m_dialog->ShutdownPages(); }

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_closeWithoutAsking) {
        CAppMsgDlg confirm(ResText(3126), this);
        if (confirm.DoModal() != CAppMsgDlg::kYes) {
            event->ignore();
            return;
        }
    }
    // Work a page waits for in a loop of its own (preparing an input) ends before the window goes.
    for (int tab = 0; tab < 2; ++tab) m_dialog->Page(tab)->StopJob();
    const QRect r = frameGeometry();
    for (int tab = 0; tab < 2; ++tab) {
        m_dialog->Page(tab)->Data().window_rect = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) files << url.toLocalFile();
    }
    activateWindow();
    raise();
    m_dialog->DropFiles(files);
    event->acceptProposedAction();
}
