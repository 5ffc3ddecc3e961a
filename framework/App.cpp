#include "framework/App.h"

namespace fw {

App* App::s_current = nullptr;

App::App() { s_current = this; }

App::~App() {
    if (s_current == this) s_current = nullptr;
}

}  // namespace fw

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    fw::App* app = fw::App::Current();
    if (app) app->InitInstance();
    return 0;
}
