#pragma once
// A hidden top-level window for one test that holds wrapped controls, as the main window and
// the panels do (ContainerProc passes their notifications on); destroyed at the end, with the
// messages its going left in the queue handled.
#include <windows.h>

#include "ui/controls/panel.h"

namespace tavori::test {

class TestWindow {
  public:
    explicit TestWindow(int width = 640, int height = 480) {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = kClass;
            return RegisterClassExW(&wc) != 0;
        }();
        if (registered)
            hwnd_ = CreateWindowExW(0, kClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, width, height,
                                    nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~TestWindow() {
        if (hwnd_) DestroyWindow(hwnd_);
        Pump();
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND Hwnd() const { return hwnd_; }  // nullptr when it could not be made

    // Handles every message waiting in this thread's queue.
    static void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

  private:
    static constexpr wchar_t kClass[] = L"TavoriTestWindow";
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        bool handled = false;
        const LRESULT result = ui::ContainerProc(hwnd, message, wParam, lParam, handled);
        return handled ? result : DefWindowProcW(hwnd, message, wParam, lParam);
    }
    HWND hwnd_ = nullptr;
};

}  // namespace tavori::test
