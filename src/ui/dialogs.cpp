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

bool AskYesNo(HWND owner, const std::string& text) {
    return MessageBoxW(owner, Wide(text).c_str(), L"Tavori!",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

namespace {

// The message box of AskYesAllNo as it opens: its three buttons get the question's words. Only the
// first box the hook sees is that one.
HHOOK gRenameHook = nullptr;
bool gRenamed = false;

LRESULT CALLBACK RenameButtons(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && !gRenamed) {
        HWND box = reinterpret_cast<HWND>(wParam);
        SetDlgItemTextW(box, IDYES, Wide("はい").c_str());
        SetDlgItemTextW(box, IDNO, Wide("すべてはい").c_str());
        SetDlgItemTextW(box, IDCANCEL, Wide("いいえ").c_str());
        gRenamed = true;
    }
    return CallNextHookEx(gRenameHook, code, wParam, lParam);
}

}  // namespace

int AskYesAllNo(HWND owner, const std::string& text) {
    gRenamed = false;
    gRenameHook = SetWindowsHookExW(WH_CBT, RenameButtons, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxW(owner, Wide(text).c_str(), L"Tavori!",
                                   MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON1);
    UnhookWindowsHookEx(gRenameHook);
    gRenameHook = nullptr;
    return answer;
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
