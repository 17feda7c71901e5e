#include "ui/code_dialog.h"

#include "base/errors.h"

namespace tavori::ui {

INT_PTR CodeDialog::RunModal(HWND owner, DWORD exStyle, const char* failure) {
    // An empty template: the dialog gets its size, font and controls in Build, in pixels
    // rather than dialog units.
    struct alignas(4) Template {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    };
    static_assert(sizeof(DLGTEMPLATE) == 18, "the words after the header follow it directly");
    Template t{};
    t.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.header.dwExtendedStyle = exStyle;
    failure_ = nullptr;
    const INT_PTR result =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &t.header, owner,
                                &CodeDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (failure_) std::rethrow_exception(failure_);
    if (result == -1) throw Error(failure);
    return result;
}

INT_PTR CALLBACK CodeDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = reinterpret_cast<CodeDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            dialog = reinterpret_cast<CodeDialog*>(lParam);
            SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
            try {
                dialog->Build(hwnd);
            } catch (...) {
                // No exception may cross the dialog manager; RunModal throws it again.
                dialog->failure_ = std::current_exception();
                EndDialog(hwnd, -1);
            }
            return FALSE;  // Build has put the focus where it belongs
        case WM_COMMAND:
            if (dialog && dialog->Command(hwnd, LOWORD(wParam))) return TRUE;
            break;
        case WM_DESTROY:
            if (dialog) dialog->Destroyed();
            break;
    }
    return FALSE;
}

}  // namespace tavori::ui
