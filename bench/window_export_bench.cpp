// The window's export timed as a user starts it: the main window against a scratch registry
// whose data folder holds User0\Big\Big.mbx, the folder chosen in the tree, its row selected,
// a REN name typed, then ConvertClick. bench/window_bench.sh runs it under Wine beside
// tavori-cli.exe export on the same mailbox.
// Usage: window_export_bench DATA_FOLDER OUT_FOLDER [--hidden]
//   writes OUT_FOLDER\Window.REN (the settings file goes there too) and prints the rate and a
//   line "seconds S" for the script. Exit status 1 when the export did not run cleanly.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/controls/button.h"
#include "ui/controls/combo_box.h"
#include "ui/controls/list_view.h"
#include "ui/controls/tree_view.h"
#include "ui/main_form.h"
#include "ui/text.h"
#include "ui/window_host.h"

namespace {

using namespace tavori::ui;

const char kUser[] = "Bench";
const char kFolder[] = "Big";
const char kRenName[] = "Window.REN";

// A message box would wait for a click that never comes: note its text and answer it.
std::vector<std::wstring> gMessages;
HHOOK gHook = nullptr;

LRESULT CALLBACK AnswerMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t cls[16] = {};
        GetClassNameW(box, cls, 16);
        if (std::wstring(cls) == L"#32770") {
            wchar_t text[1024] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 1024);
            gMessages.push_back(text);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(gHook, code, wParam, lParam);
}

LONG WINAPI TerminateOnCrash(EXCEPTION_POINTERS*) {
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// For the terminal: the script runs on Linux, whose terminals speak UTF-8.
std::string Utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n,
                        nullptr, nullptr);
    return bytes;
}

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

unsigned long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

double Now() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HTREEITEM Child(const TreeView& tree, HTREEITEM parent, const std::string& text) {
    for (HTREEITEM item = tree.FirstChild(parent); item; item = tree.NextSibling(item))
        if (tree.ItemText(item) == text) return item;
    throw std::runtime_error("no tree node " + text);
}

// The scratch registry: the mail client's keys for one user whose data folder is given.
class ScratchRegistry {
  public:
    explicit ScratchRegistry(const std::string& homeDir) {
        hive_ = "Software\\TavoriWindowBench\\" + std::to_string(GetCurrentProcessId());
        if (RegCreateKeyExA(HKEY_CURRENT_USER, hive_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &scratch_, nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create the scratch registry key");
        Set("Software\\RIMArts\\Rebecca\\Settings", "HomeDir", homeDir);
        Set("Software\\RIMArts\\Rebecca\\Users\\0", "Account", kUser);
        if (RegOverridePredefKey(HKEY_CURRENT_USER, scratch_) != ERROR_SUCCESS)
            throw std::runtime_error("cannot redirect HKEY_CURRENT_USER");
    }
    ~ScratchRegistry() {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(scratch_);
        RegDeleteTreeA(HKEY_CURRENT_USER, hive_.c_str());
    }
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

  private:
    void Set(const std::string& key, const char* name, const std::string& text) {
        HKEY h = nullptr;
        if (RegCreateKeyExA(scratch_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                            nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create " + key);
        RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(h);
    }

    std::string hive_;
    HKEY scratch_ = nullptr;
};

int Run(const std::string& dataFolder, const std::string& outFolder, bool hidden) {
    const std::string mailbox = dataFolder + "User0\\" + kFolder + "\\" + kFolder + ".mbx";
    const unsigned long long inputBytes = FileSize(mailbox);
    if (inputBytes == 0) throw std::runtime_error("no mailbox " + mailbox);

    ScratchRegistry registry(dataFolder);
    MainFormOptions options;
    options.settingsFile = outFolder + "Tavori.ini";
    options.exeFolder = outFolder;  // the first start's output folder
    DeleteFileW(Wide(options.settingsFile).c_str());
    TMainForm form(options);
    if (!hidden) form.Show(SW_SHOWNOACTIVATE);
    PumpMessages();

    TreeView& tree = *form.BeckyUser;
    HTREEITEM user = Child(tree, tree.FirstChild(TVI_ROOT), kUser);
    tree.Select(user);
    PumpMessages();
    tree.Select(Child(tree, user, kFolder));
    PumpMessages();
    if (form.FolderList->Count() != 1) throw std::runtime_error("the folder lists no mailbox");
    form.FolderList->SetSelected(0, true);
    PumpMessages();
    form.TabSheet1->TagFile->SetText(kRenName);
    PumpMessages();
    if (!form.TabSheet1->ExportBtn->Enabled())
        throw std::runtime_error("the export button is disabled");

    const double start = Now();
    form.TabSheet1->ConvertClick();
    const double seconds = Now() - start;
    PumpMessages();

    for (const std::wstring& text : gMessages)
        std::fprintf(stderr, "message box: %s\n", Utf8(text).c_str());
    const unsigned long long outputBytes = FileSize(outFolder + kRenName);
    const double mb = static_cast<double>(inputBytes) / 1e6;
    std::printf("window export: %d mails, %.1f MB in %.3f s, %.1f MB/s (REN %.1f MB)\n",
                form.ExportTotal, mb, seconds, mb / seconds,
                static_cast<double>(outputBytes) / 1e6);
    std::printf("seconds %.6f\n", seconds);
    return gMessages.empty() && form.ExportTotal > 0 && outputBytes > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(TerminateOnCrash);
    if (argc < 3 || (argc == 4 && std::string(argv[3]) != "--hidden") || argc > 4) {
        std::fprintf(stderr, "usage: window_export_bench DATA_FOLDER OUT_FOLDER [--hidden]\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                       ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    gHook = SetWindowsHookExW(WH_CBT, AnswerMessageBoxes, nullptr, GetCurrentThreadId());
    int status = 1;
    try {
        status = Run(WithSeparator(argv[1]), WithSeparator(argv[2]), argc == 4);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "window_export_bench: %s\n", e.what());
    }
    UnhookWindowsHookEx(gHook);
    return status;
}
