#pragma once

#include "app/TarneloApp.h"

class CMainFrame;
class CTarneloDlg;

// The application object with this program's main window: the frame around the main dialog and its tabs.
class CDesktopApp : public CTarneloApp {
public:
    CMainFrame* Frame() const;
    CTarneloDlg* Dialog() const;

protected:
    std::unique_ptr<AppWindow> CreateMainWindow() override;
};
