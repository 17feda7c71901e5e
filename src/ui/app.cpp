// Tavori.exe: the window program.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <exception>

#include "ui/main_form.h"
#include "ui/text.h"
#include "ui/window_host.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int cmdShow) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                       ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);  // the folder browser
    int status = 0;
    try {
        tavori::ui::MainFormOptions options;
        options.quitOnClose = true;
        tavori::ui::TMainForm form(options);
        form.Show(cmdShow);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            // Tab and the arrow keys move between the controls, as in a dialog.
            if (tavori::ui::TranslateDialogKeys(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        status = static_cast<int>(msg.wParam);
    } catch (const std::exception& e) {
        MessageBoxW(nullptr, tavori::ui::Wide(e.what()).c_str(), L"Tavori!", MB_OK | MB_ICONERROR);
        status = 1;
    } catch (...) {
        MessageBoxW(nullptr, L"Unexpected error", L"Tavori!", MB_OK | MB_ICONERROR);
        status = 1;
    }
    OleUninitialize();
    return status;
}
