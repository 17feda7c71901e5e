#include "ui/dialogs.h"

#include <shlobj.h>

#include "ui/text.h"

namespace tavori::ui {

void ShowError(HWND owner, const std::string& text) {
    MessageBoxW(owner, Wide(text).c_str(), L"Tavori!", MB_OK | MB_ICONERROR);
}

void ShowWarning(HWND owner, const std::string& text) {
    MessageBoxW(owner, Wide(text).c_str(), L"Tavori!", MB_OK | MB_ICONWARNING);
}

std::string ChooseFolder(HWND owner, const std::string& prompt) {
    const std::wstring title = Wide(prompt);
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen) return {};
    wchar_t path[MAX_PATH];
    const bool ok = SHGetPathFromIDListW(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    return ok ? Narrow(path) : std::string();
}

}  // namespace tavori::ui
