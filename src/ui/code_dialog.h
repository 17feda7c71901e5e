#pragma once
// CodeDialog: a modal dialog whose controls are made in code rather than in a resource
// template. The dialog manager runs the modal loop (Tab, Enter, Esc) over an empty in-memory
// template; the derived class builds its controls in Build, answers its commands and drops its
// controls when the window goes.
#include <windows.h>

#include <exception>

namespace tavori::ui {

class CodeDialog {
  public:
    CodeDialog() = default;
    virtual ~CodeDialog() = default;
    CodeDialog(const CodeDialog&) = delete;
    CodeDialog& operator=(const CodeDialog&) = delete;

  protected:
    // Shows the dialog over owner until it ends, and returns the result it ended with. An
    // exception thrown by Build comes out of here; failure is the error text when the dialog
    // cannot be shown at all.
    INT_PTR RunModal(HWND owner, DWORD exStyle, const char* failure);

    virtual void Build(HWND hwnd) = 0;
    // A WM_COMMAND from a control or the dialog manager (IDOK for Enter, IDCANCEL for Esc and
    // the close box); true when it was handled.
    virtual bool Command(HWND hwnd, WORD id) = 0;
    virtual void Destroyed() = 0;

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::exception_ptr failure_;  // thrown while the dialog was being built
};

}  // namespace tavori::ui
