// The version dialog: its texts and placement as tables, the version information of this test
// program (which carries the program's resources), and the dialog shown and closed.
#include "ui/about_box.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "ui/text.h"
#include "ui/version_text.h"

namespace tavori::ui {
namespace {

std::string ThisExecutable() {
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return Narrow(std::wstring_view(path, n));
}

TEST(VersionText, VersionLineTurnsTheLastDotIntoTheBuild) {
    struct Case {
        const char* product;
        const char* version;
        const char* expected;
        const char* reason;
    };
    const Case cases[] = {
        {"Tavori!", "2.5.1.17", "Tavori!\nVersion. 2.5.1 (Build 17)", "four-part version"},
        {"Tavori!", "1.00", "Tavori!\nVersion. 1 (Build 00)", "the digits after the dot kept"},
        {"Tavori!", "7", "Tavori!\nVersion (Build  7)",
         "no dot in the version: the dot of \"Version.\" is the last one"},
        {"", "", "\nVersion (Build  )", "nothing read: the fixed text alone"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionLine(c.product, c.version), c.expected) << c.reason;
}

TEST(VersionText, CommentBreaksBecomeCrLf) {
    struct Case {
        const char* comments;
        const char* expected;
        const char* reason;
    };
    const Case cases[] = {
        {"一行目\\n二行目", "一行目\r\n二行目", "the pair between two lines"},
        {"\\n\\n", "\r\n\r\n", "pairs side by side"},
        {"a\\\\n", "a\\\r\n", "a backslash before the pair stays"},
        {"表n", "表n", "the second byte of 表 is a backslash byte, not the start of a pair"},
        {"end\\", "end\\", "a lone backslash at the end"},
        {"n\\ n", "n\\ n", "backslash and n apart"},
    };
    for (const Case& c : cases) EXPECT_EQ(ConvertCommentBreaks(c.comments), c.expected) << c.reason;
}

TEST(VersionText, StringFileInfoPrefixHasEightUpperCaseDigits) {
    EXPECT_EQ(StringFileInfoPrefix(0x0411, 932), "\\StringFileInfo\\041103A4\\");
    EXPECT_EQ(StringFileInfoPrefix(0x0409, 0x04b0), "\\StringFileInfo\\040904B0\\");
    EXPECT_EQ(StringFileInfoPrefix(0x0001, 0x000a), "\\StringFileInfo\\0001000A\\");
}

TEST(AboutDialog, PlaceFormByPosition) {
    struct Case {
        TScreenPosition position;
        SIZE form;
        RECT mainWindow;
        POINT expected;
        const char* reason;
    };
    const RECT main{10, 20, 410, 320};
    const Case cases[] = {
        {spDefault, {100, 50}, main, {350, 275}, "default: screen centre"},
        {spScreenCenter, {101, 51}, main, {349, 274}, "odd remainder dropped"},
        {spScreenCenter, {901, 50}, main, {-50, 275}, "halves round toward zero, not down"},
        {spFormCenter, {100, 50}, main, {160, 145}, "centred on the main window"},
        {spFormCenter, {100, 50}, {10, 10, 109, 59}, {10, 10}, "toward zero again"},
        {spTopLeft, {100, 50}, main, {0, 0}, "top left"},
        {spTopRight, {100, 50}, main, {698, 0}, "two pixels off the right"},
        {spBottomLeft, {100, 50}, main, {0, 548}, "two pixels off the bottom"},
        {spBottomRight, {100, 50}, main, {698, 548}, "both"},
    };
    for (const Case& c : cases) {
        const POINT at = PlaceForm(c.position, c.form, {800, 600}, c.mainWindow);
        EXPECT_EQ(at.x, c.expected.x) << c.reason;
        EXPECT_EQ(at.y, c.expected.y) << c.reason;
    }
}

TEST(AboutDialog, ReadsTheExecutablesVersionInformation) {
    TAboutDialog d;
    d.ReadVersionInfo(ThisExecutable());
    EXPECT_EQ(d.ProductName, "Tavori!");
    EXPECT_EQ(d.FileDescription, "Becky!ﾒｰﾙ変換ﾂｰﾙ");
    EXPECT_EQ(d.InternalName, "Tavori");
    EXPECT_EQ(d.OriginalFilename, "Tavori.exe");
    EXPECT_EQ(d.FileVersion.rfind(TAVORI_VERSION ".", 0), 0u) << d.FileVersion;
    EXPECT_EQ(d.ProductVersion, d.FileVersion);
    EXPECT_FALSE(d.CompanyName.empty());
    EXPECT_FALSE(d.Copyright.empty());
    EXPECT_TRUE(d.TradeMarks.empty()) << "a key the resource lacks stays empty";
    EXPECT_NE(d.Comments.find("\r\n"), std::string::npos) << d.Comments;
    EXPECT_EQ(d.Comments.find('\\'), std::string::npos) << d.Comments;
}

TEST(AboutDialog, DesignValuesAreKeptAndTheirBreaksConverted) {
    TAboutDialog d;
    d.ProductName = "設計時の名前";
    d.Comments = "一\\n二";
    d.ReadVersionInfo(ThisExecutable());
    EXPECT_EQ(d.ProductName, "設計時の名前");
    EXPECT_EQ(d.Comments, "一\r\n二");
    EXPECT_EQ(d.InternalName, "Tavori") << "the empty fields are still filled";
}

TEST(AboutDialog, FileWithoutVersionInformationLeavesTheFieldsEmpty) {
    test::ScratchDir dir;
    const std::string file = dir.File("plain.txt");
    test::WriteFile(file, "no resources here");
    for (const std::string& name : {file, dir.File("missing.exe")}) {
        TAboutDialog d;
        d.Comments = "a\\nb";
        d.ReadVersionInfo(name);
        EXPECT_TRUE(d.ProductName.empty()) << name;
        EXPECT_TRUE(d.FileVersion.empty()) << name;
        EXPECT_EQ(d.Comments, "a\r\nb") << name;
    }
}

// What the hook saw of the dialog when it became active.
struct Seen {
    bool activated = false;
    HWND created = nullptr;
    std::wstring caption;
    RECT window{};
    RECT client{};
    std::vector<std::wstring> texts;  // of every control in it
};
Seen* seen = nullptr;

BOOL CALLBACK CollectText(HWND hwnd, LPARAM) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    seen->texts.emplace_back(text);
    return TRUE;
}

bool IsDialog(HWND hwnd) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    return std::wstring(name) == L"#32770";
}

// Thread-local: sees only this test's windows. Closes the dialog as it becomes active.
LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && IsDialog(hwnd)) seen->created = hwnd;
    if (code == HCBT_ACTIVATE && IsDialog(hwnd) && !seen->activated) {
        seen->activated = true;
        wchar_t caption[256] = {};
        GetWindowTextW(hwnd, caption, 256);
        seen->caption = caption;
        GetWindowRect(hwnd, &seen->window);
        GetClientRect(hwnd, &seen->client);
        EnumChildWindows(hwnd, CollectText, 0);
        PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Should the dialog never become active, it is closed anyway and the test fails.
void CALLBACK Rescue(HWND, UINT, UINT_PTR, DWORD) {
    if (seen->created && IsWindow(seen->created)) PostMessageW(seen->created, WM_COMMAND, IDOK, 0);
}

Seen ShowAndClose(TAboutDialog& d) {
    Seen result;
    seen = &result;
    HHOOK hook = SetWindowsHookExW(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
    const UINT_PTR timer = SetTimer(nullptr, 0, 10000, Rescue);
    d.Execute(nullptr);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    seen = nullptr;
    return result;
}

bool Holds(const std::vector<std::wstring>& texts, const std::string& sjis) {
    for (const auto& t : texts)
        if (t == Wide(sjis)) return true;
    return false;
}

TEST(AboutDialog, ExecuteShowsTheVersionTextsAndClosesWithOk) {
    TAboutDialog d("Tavori!");
    const Seen s = ShowAndClose(d);
    ASSERT_TRUE(s.activated);
    EXPECT_EQ(Narrow(s.caption), "Tavori! の情報");
    EXPECT_EQ(s.client.right, 312);
    EXPECT_EQ(s.client.bottom, 207);
    EXPECT_TRUE(Holds(s.texts, "Becky!ﾒｰﾙ変換ﾂｰﾙ"));
    EXPECT_TRUE(Holds(s.texts, VersionLine("Tavori!", d.FileVersion)));
    EXPECT_TRUE(Holds(s.texts, d.Copyright));
    EXPECT_TRUE(Holds(s.texts, d.Comments)) << "comments with their line break";
    EXPECT_TRUE(Holds(s.texts, "OK"));
    // The default position: the screen's centre.
    const SIZE size{s.window.right - s.window.left, s.window.bottom - s.window.top};
    const SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const POINT centre = PlaceForm(spDefault, size, screen, {});
    EXPECT_EQ(s.window.left, centre.x);
    EXPECT_EQ(s.window.top, centre.y);
}

TEST(AboutDialog, ShowsAgainAtItsPosition) {
    TAboutDialog d("Tavori!");
    d.Position = spTopLeft;
    ASSERT_TRUE(ShowAndClose(d).activated);
    const Seen again = ShowAndClose(d);
    ASSERT_TRUE(again.activated) << "a second showing builds a new form";
    EXPECT_EQ(again.window.left, 0);
    EXPECT_EQ(again.window.top, 0);
}

}  // namespace
}  // namespace tavori::ui
