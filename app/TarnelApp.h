// CTarnelApp: the application object. It runs the main window as a modal dialog and
// ends the program when that dialog closes.
#pragma once

#include "ui/App.h"

class CTarnelApp : public CWinApp {
public:
    CTarnelApp() = default;

    BOOL InitInstance() override;
};

extern CTarnelApp theApp;
