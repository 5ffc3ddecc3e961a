// Application object: the program's one instance, whose start-up routine runs
// the main window. The routine's answer FALSE ends the process; there is no
// message loop besides the modal loops of the dialogs.
#pragma once

#include <windows.h>

namespace fw {

class Dialog;

class App {
public:
    App();
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    virtual BOOL InitInstance() = 0;

    static App* Current() { return s_current; }

    Dialog* m_pMainWnd = nullptr;

private:
    static App* s_current;
};

}  // namespace fw
