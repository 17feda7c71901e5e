#pragma once
// What a job page is given by the window that holds it.
#include <windows.h>

#include <functional>

namespace tavori::ui {

class Hints;
class JobPage;
class Label;

struct PageContext {
    HWND window = nullptr;  // the main window: the owner of the page's dialogs and boxes
    Hints* hints = nullptr;
    Label* counter = nullptr;  // the 件数 label under the pages, shared by the jobs
    // The window's job frame, for the page's start button.
    std::function<void(JobPage&)> runJob;
    // Something the start buttons follow has changed (a text typed, a file chosen).
    std::function<void()> changed;
};

}  // namespace tavori::ui
