#pragma once
// The window's message boxes and the folder browser.
#include <windows.h>

#include <string>

namespace tavori::ui {

void ShowError(HWND owner, const std::string& text);
void ShowWarning(HWND owner, const std::string& text);
// A question with はい and いいえ, いいえ the default button; true for はい.
bool AskYesNo(HWND owner, const std::string& text);
// A warning with the buttons はい, すべてはい and いいえ: IDYES, IDNO (すべてはい) or IDCANCEL
// (いいえ, also Esc and the close box).
int AskYesAllNo(HWND owner, const std::string& text);
// The folder the user chose in the system's folder browser, or "" when cancelled.
std::string ChooseFolder(HWND owner, const std::string& prompt);

}  // namespace tavori::ui
