// The application object: lets only one instance run, then runs the main window.
#pragma once

#include "framework/App.h"

class CKeyToolApp : public fw::App {
public:
    BOOL InitInstance() override;
};
