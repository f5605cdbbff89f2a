#pragma once

// The start and end the window tests share. A run keeps its settings in a folder of its own and reads the
// libraries from the build; each case gets the program as its part needs it: none (the case builds its own
// windows), the main window started from cleared settings, or the scene tab's driver, after which no child
// process may be left.
#include <QObject>
#include <QTemporaryDir>
#include <memory>

#include "ui/SceneTabDriver.h"
#include "ui/UiTestSupport.h"

class WindowTestBase : public QObject {
    Q_OBJECT
protected:
    enum class Program { kNone, kMainWindow, kDriver };
    struct Setup {
        Program program = Program::kNone;
        bool silentNotices = false;  // message boxes are counted, not shown
    };
    explicit WindowTestBase(Setup setup) : m_setup(setup) {}

    // What a test adds. A QSKIP or a failed check in one of them acts as in the slot that calls it.
    virtual void PrepareRun() {}  // once, with the settings location set: skips, tools, clips
    virtual void BeforeCase() {}  // after the program started for a case
    virtual void AfterCase() {}   // before the program closes
    virtual void EndRun() {}      // once, before the settings location goes
    // What the end of a driven case waits for.
    virtual bool NothingLeft() { return scenetab::NoChildLeft(); }

    UiTestEnvironment& Env() { return *m_env; }
    CDesktopApp& App() { return m_setup.program == Program::kDriver ? m_d.App() : *m_app; }
    CMainFrame* Frame() { return App().Frame(); }
    CTarneloDlg* Dlg() { return App().Dialog(); }

    std::unique_ptr<CDesktopApp> m_app;  // the main window's program
    scenetab::Driver m_d;                // the driven program
    QTemporaryDir m_clips;               // the clips a run makes

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

private:
    const Setup m_setup;
    std::unique_ptr<UiTestEnvironment> m_env;
};
