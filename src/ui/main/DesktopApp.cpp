#include "ui/main/DesktopApp.h"

#include "ui/main/MainFrame.h"
#include "ui/main/TarneloDlg.h"

std::unique_ptr<AppWindow> CDesktopApp::CreateMainWindow() {
    return std::make_unique<CMainFrame>(new CTarneloDlg(this));
}

CMainFrame* CDesktopApp::Frame() const { return static_cast<CMainFrame*>(Window()); }

CTarneloDlg* CDesktopApp::Dialog() const {
    CMainFrame* frame = Frame();
    return frame != nullptr ? frame->Dialog() : nullptr;
}
