#include "ui/WindowTestBase.h"

void WindowTestBase::initTestCase() {
    m_env = std::make_unique<UiTestEnvironment>();
    if (m_setup.silentNotices) CAppMsgDlg::SetNoticesSilent(true);
    PrepareRun();
}

void WindowTestBase::cleanupTestCase() {
    EndRun();
    m_env.reset();
}

void WindowTestBase::init() {
    switch (m_setup.program) {
        case Program::kNone:
            break;
        case Program::kMainWindow:
            QVERIFY(StartMainWindow(m_app));
            break;
        case Program::kDriver:
            QVERIFY(m_d.Start());
            break;
    }
    BeforeCase();
}

void WindowTestBase::cleanup() {
    AfterCase();
    switch (m_setup.program) {
        case Program::kNone:
            break;
        case Program::kMainWindow:
            StopMainWindow(m_app);
            break;
        case Program::kDriver:
            m_d.Stop();
            QTRY_VERIFY(NothingLeft());
            break;
    }
}
