// tavori_screenshots OUTPUT-FOLDER: pictures of the window for the README. Opens the main
// window on the demo store, as a user would have it in front of them (a user's folder chosen,
// a mailbox selected, a file name typed), and saves each of its three pages and the version
// dialog and the import's cut-out test as 24-bit BMPs: page1-export.bmp, page2-dedupe.bmp,
// page3-import.bmp, about.bmp, mail-view.bmp.
// Needs a display (scripts/screenshots.sh runs it under Xvfb); not a test.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "ui/controls/combo_box.h"
#include "ui/controls/drop_down_list.h"
#include "ui/controls/file_list_box.h"
#include "ui/controls/list_view.h"
#include "ui/controls/page_control.h"
#include "ui/controls/tree_view.h"
#include "ui/main_form.h"
#include "ui/text.h"
#include "ui/window_host.h"

namespace tavori::ui {
namespace {

std::string WindowsPath(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

const std::string kSamples = WindowsPath(TAVORI_SAMPLES);

std::string LastError() { return std::to_string(GetLastError()); }

// Drawing under Wine reaches the X server a little after the paint: redraw, let the queue
// run dry, wait, and drain it again before reading the screen.
void Settle(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
    GdiFlush();
    Sleep(300);
    PumpMessages();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw IoError(PathError(path, "を作成できません", LastError()));
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    if (!ok) throw IoError(PathError(path, "に書き込めません", LastError()));
}

std::string Utf8(const std::wstring& text) {
    std::string utf8(text.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

std::string Describe(HWND control) {
    wchar_t cls[64] = {}, text[128] = {};
    GetClassNameW(control, cls, 64);
    GetWindowTextW(control, text, 128);
    return Utf8(cls) + " \"" + Utf8(text) + "\"";
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// What a picture may hide: a control of the shown page cut off at the page's edge, or two
// controls that overlap without one framing the other. In UTF-8, for the terminal.
std::vector<std::string> LayoutFaults(HWND page, const std::string& pageName) {
    RECT area{};
    GetClientRect(page, &area);
    std::vector<std::pair<HWND, RECT>> controls;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        controls.emplace_back(child, r);
    }
    std::vector<std::string> faults;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const auto& [a, ra] = controls[i];
        if (!Inside(ra, area)) faults.push_back(pageName + ": " + Describe(a) + " is cut off");
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            const auto& [b, rb] = controls[j];
            RECT common{};
            if (IntersectRect(&common, &ra, &rb) && !Inside(ra, rb) && !Inside(rb, ra))
                faults.push_back(pageName + ": " + Describe(a) + " overlaps " + Describe(b));
        }
    }
    return faults;
}

// The window as it is on the screen, frame and title included, saved as a bottom-up
// 24-bit BMP.
void SaveWindowPicture(HWND hwnd, const std::string& path) {
    Settle(hwnd);
    RECT r{};
    GetWindowRect(hwnd, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) throw Error(path + ": the window has no size");

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        ReleaseDC(nullptr, screen);
        throw Error(path + ": no bitmap for the picture");
    }
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;  // rows are 4-byte aligned
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    header.biSizeImage = imageSize;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + imageSize;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(static_cast<const char*>(bits), imageSize);
    DeleteObject(bitmap);
    if (!copied) throw Error(path + ": the screen could not be read");
    WriteBytes(path, bytes);
}

// The dialogs are modal: a hook sees the first one become active, a timer set on it fires
// once it has painted, takes the picture and closes it with OK.
HHOOK gHook = nullptr;
std::string gDialogPicture;
std::exception_ptr gDialogFailure;
bool gDialogSeen = false;
constexpr UINT_PTR kCaptureTimer = 1;

void CALLBACK CaptureDialog(HWND dialog, UINT, UINT_PTR id, DWORD) {
    KillTimer(dialog, id);
    try {
        SaveWindowPicture(dialog, gDialogPicture);
    } catch (...) {
        gDialogFailure = std::current_exception();
    }
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

LRESULT CALLBACK WatchForDialog(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && !gDialogSeen) {
        HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t cls[16] = {};
        GetClassNameW(window, cls, 16);
        if (std::wstring(cls) == L"#32770") {
            gDialogSeen = true;
            SetTimer(window, kCaptureTimer, 200, CaptureDialog);
        }
    }
    return CallNextHookEx(gHook, code, wParam, lParam);
}

// Runs show, which opens a modal dialog, and saves the dialog's picture as path.
template <typename Show>
void SaveDialogPicture(const std::string& path, Show show) {
    gDialogPicture = path;
    gDialogFailure = nullptr;
    gDialogSeen = false;
    gHook = SetWindowsHookExW(WH_CBT, WatchForDialog, nullptr, GetCurrentThreadId());
    show();
    UnhookWindowsHookEx(gHook);
    if (gDialogFailure) std::rethrow_exception(gDialogFailure);
    if (!gDialogSeen) throw Error(path + ": the dialog did not open");
}

// A scratch folder with the program's settings file and its output folder, and a scratch
// registry key standing in for the current user's keys; both removed at the end.
class Scratch {
  public:
    Scratch() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        // A fixed name, as the pictures show it; what an earlier run left there goes first.
        folder_ = Narrow(temp) + "Tavori\\";
        RemoveFolder();
        if (!CreateDirectoryW(Wide(folder_).c_str(), nullptr))
            throw IoError(PathError(folder_, "を作成できません", LastError()));
        hive_ = "Software\\TavoriScreenshots\\" + std::to_string(GetCurrentProcessId());
        if (RegCreateKeyExA(HKEY_CURRENT_USER, hive_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key_, nullptr) != ERROR_SUCCESS)
            throw Error("no scratch registry key");
        RegOverridePredefKey(HKEY_CURRENT_USER, key_);
    }
    ~Scratch() {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(key_);
        RegDeleteTreeA(HKEY_CURRENT_USER, hive_.c_str());
        RemoveFolder();
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::string& Folder() const { return folder_; }
    void SetString(const std::string& key, const char* name, const std::string& text) {
        HKEY h = nullptr;
        if (RegCreateKeyExA(key_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                            nullptr) != ERROR_SUCCESS)
            throw Error("no registry key " + key);
        RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(h);
    }

  private:
    void RemoveFolder() {
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW(Wide(folder_ + "*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do DeleteFileW(Wide(folder_ + Narrow(found.cFileName)).c_str());
            while (FindNextFileW(h, &found));
            FindClose(h);
        }
        RemoveDirectoryW(Wide(folder_).c_str());
    }

    std::string folder_, hive_;
    HKEY key_ = nullptr;
};

HTREEITEM FindChild(TreeView& tree, HTREEITEM parent, const std::string& text) {
    for (HTREEITEM item = tree.FirstChild(parent); item; item = tree.NextSibling(item))
        if (reinterpret_cast<TreeNode*>(tree.Data(item))->text == text) return item;
    throw Error("no tree node " + text);
}

// Saves the pictures; returns the layout faults seen on the pages.
std::vector<std::string> Run(const std::string& out) {
    Scratch scratch;
    scratch.SetString("Software\\RIMArts\\Rebecca\\Settings", "HomeDir", kSamples + "\\data\\");
    scratch.SetString("Software\\RIMArts\\Rebecca\\Users\\0", "Account", "山田太郎 (仕事)");
    scratch.SetString("Software\\RIMArts\\Rebecca\\Users\\3", "Account", "山田太郎 (家族)");
    // Earlier exports in the output folder, a name history, and the import page on the demo
    // files to import.
    const std::string& folder = scratch.Folder();
    WriteBytes(folder + "Work.REN", "#S\r\n#E\r\n");
    WriteBytes(folder + "旅行.REN", "#S\r\n#E\r\n");
    WriteBytes(folder + "Tavori.ini", "[Convert]\r\nIMPORTDIR=" + kSamples +
                                          "\\import\\\r\n[HISTORY]\r\nFILE0=Work.REN\r\n"
                                          "FILE1=旅行.REN\r\n");

    MainFormOptions options;
    options.exeFolder = folder;
    options.settingsFile = folder + "Tavori.ini";
    TMainForm form(options);
    form.Show(SW_SHOWNORMAL);
    SetForegroundWindow(form.Hwnd());
    PumpMessages();

    TreeView& tree = *form.BeckyUser;
    const HTREEITEM user = FindChild(tree, tree.FirstChild(TVI_ROOT), "山田太郎 (家族)");
    tree.Select(user);
    PumpMessages();
    tree.Select(FindChild(tree, user, "家族"));
    PumpMessages();
    if (form.FolderList->Count() == 0) throw Error("the folder 家族 lists no mailbox");
    form.FolderList->SetSelected(0, true);
    PumpMessages();
    form.TabSheet1->TagFile->SetText("Family.REN");
    PumpMessages();
    if (!form.TabSheet3->FileListBox2->Names().empty())
        form.TabSheet3->FileListBox2->SetSelected(0, true);
    PumpMessages();

    const char* const pages[] = {"page1-export.bmp", "page2-dedupe.bmp", "page3-import.bmp"};
    std::vector<std::string> faults;
    for (int page = 0; page < 3; ++page) {
        form.PageControl1->SetActivePage(page);
        PumpMessages();
        SaveWindowPicture(form.Hwnd(), out + pages[page]);
        for (std::string& fault : LayoutFaults(form.PageControl1->Page(page).Hwnd(), pages[page]))
            faults.push_back(std::move(fault));
    }

    SaveDialogPicture(out + "about.bmp", [&form] { form.About1Click(); });

    // The cut-out test on the demo page in Shift-JIS, with the default begin and end strings.
    form.PageControl1->SetActivePage(2);
    form.TabSheet3->FileType->Select(1);
    form.TabSheet3->FileType->onChange();
    const std::vector<std::string> files = form.TabSheet3->FileListBox2->Names();
    const auto sjis = std::find(files.begin(), files.end(), "page-sjis.htm");
    if (sjis == files.end()) throw Error("no page-sjis.htm among the files to import");
    form.TabSheet3->FileListBox2->SetSelected(static_cast<int>(sjis - files.begin()), true);
    PumpMessages();
    SaveDialogPicture(out + "mail-view.bmp", [&form] { form.TabSheet3->TestRunClick(); });
    return faults;
}

LONG WINAPI TerminateOnCrash(EXCEPTION_POINTERS*) {
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace
}  // namespace tavori::ui

int wmain(int argc, wchar_t** argv) {
    using namespace tavori::ui;
    SetUnhandledExceptionFilter(TerminateOnCrash);
    if (argc != 2) {
        std::fputs("usage: tavori_screenshots OUTPUT-FOLDER\n", stderr);
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                       ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    try {
        std::string out = Narrow(argv[1]);
        if (out.back() != '\\' && out.back() != '/') out += '\\';
        const std::vector<std::string> faults = Run(out);
        for (const std::string& fault : faults)
            std::fprintf(stderr, "tavori_screenshots: %s\n", fault.c_str());
        return faults.empty() ? 0 : 1;
    } catch (const std::exception& e) {
        // In UTF-8: the program runs under Wine, its messages read on a Linux terminal.
        std::fprintf(stderr, "tavori_screenshots: %s\n", Utf8(Wide(e.what())).c_str());
        return 1;
    }
}
