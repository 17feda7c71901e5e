// The main window driven as a user drives it, through its controls' own messages, against a
// scratch registry, a scratch settings file and the demo mail store.
#include "ui/main_form.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <vector>

#include "test_support.h"
#include "ui/controls/button.h"
#include "ui/controls/combo_box.h"
#include "ui/controls/drop_down_list.h"
#include "ui/controls/edit.h"
#include "ui/controls/file_list_box.h"
#include "ui/controls/label.h"
#include "ui/controls/list_view.h"
#include "ui/controls/page_control.h"
#include "ui/controls/panel.h"
#include "ui/controls/progress_bar.h"
#include "ui/controls/spin_edit.h"
#include "ui/controls/splitter.h"
#include "ui/controls/status_bar.h"
#include "ui/controls/tree_view.h"
#include "ui/dpi.h"
#include "ui/settings.h"
#include "ui/text.h"
#include "ui/window_host.h"

namespace tavori::ui {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;

// The texts of the message boxes the window shows, each answered with OK at once, and the
// kind of each ("warning", "error" or "other", by its icon).
std::vector<std::string> gMessages;
std::vector<std::string> gKinds;
HHOOK gHook = nullptr;

// Each showing of the import's preview dialog, answered by the next of gPreviewAnswers (IDOK:
// "次へ＞", IDABORT: "終了", IDCANCEL: the close box), or "次へ＞" when none is left.
struct PreviewShown {
    std::string caption;
    std::string text;
    std::size_t boxesBefore;  // message boxes shown before it
};
std::vector<PreviewShown> gPreviews;
std::vector<int> gPreviewAnswers;
// The answer to a Yes/No warning (a mailbox about to be replaced), and the texts of the
// buttons of each such box ("はい/いいえ").
int gYesNoAnswer = IDNO;
std::vector<std::string> gButtons;

void AnswerPreview(HWND dialog) {
    wchar_t caption[256] = {};
    GetWindowTextW(dialog, caption, 256);
    HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    gPreviews.push_back({Narrow(caption), Narrow(text), gMessages.size()});
    int answer = IDOK;
    if (!gPreviewAnswers.empty()) {
        answer = gPreviewAnswers.front();
        gPreviewAnswers.erase(gPreviewAnswers.begin());
    }
    if (answer == IDCANCEL)
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    else  // the buttons lie on the panel along the bottom
        PostMessageW(FindWindowExW(FindWindowExW(dialog, nullptr, L"TavoriPanel", nullptr), nullptr,
                                   L"Button", Wide(answer == IDOK ? "次へ＞" : "終了").c_str()),
                     BM_CLICK, 0, 0);
}

LRESULT CALLBACK AnswerMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t cls[16] = {};
        GetClassNameW(box, cls, 16);
        if (std::wstring(cls) == L"#32770" && !GetDlgItem(box, 0xFFFF)) {
            AnswerPreview(box);  // no message text: the preview dialog
        } else if (std::wstring(cls) == L"#32770") {
            wchar_t text[1024] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 1024);
            gMessages.push_back(Narrow(text));
            // The box's icon control, and the icons IDI_WARNING and IDI_ERROR.
            constexpr int kIcon = 1088;
            const auto icon =
                reinterpret_cast<HICON>(SendDlgItemMessageW(box, kIcon, STM_GETICON, 0, 0));
            gKinds.push_back(icon == LoadIconW(nullptr, MAKEINTRESOURCEW(32515))   ? "warning"
                             : icon == LoadIconW(nullptr, MAKEINTRESOURCEW(32513)) ? "error"
                                                                                   : "other");
            if (GetDlgItem(box, IDYES)) {
                std::string buttons;
                for (int id : {IDYES, IDNO, IDCANCEL}) {
                    wchar_t caption[64] = {};
                    if (!GetDlgItemTextW(box, id, caption, 64)) continue;
                    buttons += (buttons.empty() ? "" : "/") + Narrow(caption);
                }
                gButtons.push_back(buttons);
            }
            PostMessageW(box, WM_COMMAND, GetDlgItem(box, IDYES) ? gYesNoAnswer : IDOK, 0);
        }
    }
    return CallNextHookEx(gHook, code, wParam, lParam);
}

std::string WindowsPath(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Every file of the demo store with its content, to show that no test changes it.
std::map<std::wstring, std::string> Snapshot(const std::string& folder) {
    std::map<std::wstring, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(folder))) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);  // wide names: Japanese folders
        files[entry.path().wstring()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

class MainFormTest : public testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        gMessages.clear();
        gKinds.clear();
        gPreviews.clear();
        gPreviewAnswers.clear();
        gYesNoAnswer = IDNO;
        gButtons.clear();
        gHook = SetWindowsHookExW(WH_CBT, AnswerMessageBoxes, nullptr, GetCurrentThreadId());
        before_ = Snapshot(kStore);
        hive_ = "Software\\TavoriFormTest\\" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount64());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, hive_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &scratch_, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratch_), ERROR_SUCCESS);
        SetString("Software\\RIMArts\\Rebecca\\Settings", "HomeDir", WindowsPath(kStore) + "\\");
        SetString("Software\\RIMArts\\Rebecca\\Users\\0", "Account", "山田太郎 (仕事)");
        SetString("Software\\RIMArts\\Rebecca\\Users\\3", "Account", "山田太郎 (家族)");
        exeFolder_ = dir_.Path();
        options_.exeFolder = exeFolder_;
        options_.settingsFile = dir_.File("Tavori.ini");
    }
    void TearDown() override {
        form_.reset();
        SetDpiForTests(0);
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(scratch_);
        RegDeleteTreeA(HKEY_CURRENT_USER, hive_.c_str());
        UnhookWindowsHookEx(gHook);
        EXPECT_EQ(Snapshot(kStore), before_) << "the demo store was changed";
    }
    void SetString(const std::string& key, const char* name, const std::string& text) {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExA(scratch_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(h);
    }
    TMainForm& Open() {
        form_ = std::make_unique<TMainForm>(options_);
        PumpMessages();
        return *form_;
    }
    // Selects the tree node of the given text among the root's users, or a child of it.
    void SelectNode(const std::string& user, const std::string& folder = "") {
        TreeView& tree = *form_->BeckyUser;
        HTREEITEM item = tree.FirstChild(tree.FirstChild(TVI_ROOT));
        while (item && reinterpret_cast<TreeNode*>(tree.Data(item))->text != user)
            item = tree.NextSibling(item);
        ASSERT_NE(item, nullptr) << user;
        tree.Select(item);
        PumpMessages();
        if (folder.empty()) return;
        item = tree.FirstChild(item);
        while (item && reinterpret_cast<TreeNode*>(tree.Data(item))->text != folder)
            item = tree.NextSibling(item);
        ASSERT_NE(item, nullptr) << folder;
        tree.Select(item);
        PumpMessages();
    }
    void SelectRows(const std::vector<int>& rows) {
        for (int row : rows) form_->FolderList->SetSelected(row, true);
        PumpMessages();
    }
    void TypeFileName(const std::string& name) {
        form_->TabSheet1->TagFile->SetText(name);
        PumpMessages();
    }
    // The file type as the user picks it: the list is read again, then the page follows.
    void ChooseFileType(int type) {
        SendMessageW(form_->TabSheet3->FileType->Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(type),
                     0);
        form_->TabSheet3->FileType->OnCommand(CBN_SELCHANGE);
        PumpMessages();
    }
    // A mail store of one user with the empty folder "Box"; returns that folder's path.
    std::string UseEmptyStore(const ScratchDir& store) {
        fs::create_directories(fs::path(store.File("User0\\Box")));
        SetString("Software\\RIMArts\\Rebecca\\Settings", "HomeDir", store.Path());
        return store.File("User0\\Box\\");
    }

    const std::string kStore = std::string(TAVORI_SAMPLES) + "/data";
    ScratchDir dir_;
    std::string exeFolder_;
    MainFormOptions options_;
    std::unique_ptr<TMainForm> form_;
    std::map<std::wstring, std::string> before_;
    std::string hive_;
    HKEY scratch_ = nullptr;
};

TEST_F(MainFormTest, FirstStartTakesTheDefaults) {
    TMainForm& form = Open();
    EXPECT_EQ(form.TabSheet1->OutputDir, exeFolder_);
    EXPECT_EQ(form.TabSheet3->ImportDir, exeFolder_);
    EXPECT_EQ(form.TabSheet1->WordCount->Value(), 40);
    EXPECT_FALSE(form.TabSheet1->HyperRef->Checked());
    EXPECT_EQ(form.TabSheet3->MailBegin->Text(), "Subject:");
    EXPECT_EQ(form.TabSheet3->MailEnd->Text(), "[前");
    EXPECT_TRUE(form.TabSheet1->TagFile->Items().empty());
    EXPECT_EQ(form.TabSheet1->TagFile->Text(),
              "");  // the first listing of the output folder empties it
    EXPECT_FALSE(form.TabSheet1->ExportBtn->Enabled());
    EXPECT_FALSE(form.StopBtn1->Enabled());
    EXPECT_EQ(form.PageControl1->ActivePage(), 0);
    EXPECT_EQ(form.Profile.Root().children.size(), 2u);
    EXPECT_TRUE(gMessages.empty());
}

TEST_F(MainFormTest, SavedFolderThatVanishedIsReplacedByTheProgramsFolder) {
    WriteFile(options_.settingsFile, "[Convert]\r\nTOMOHOME=" + dir_.File("gone") +
                                         "\\\r\nIMPORTDIR=" + exeFolder_ + "\r\nWCOUNT=0x48\r\n");
    TMainForm& form = Open();
    EXPECT_EQ(form.TabSheet1->OutputDir, exeFolder_);
    EXPECT_EQ(form.TabSheet1->WordCount->Value(), 72);
}

TEST_F(MainFormTest, ButtonsFollowTheSelections) {
    TMainForm& form = Open();
    struct Case {
        const char* user;
        std::vector<int> rows;
        const char* fileName;
        bool exportEnabled;
        const char* reason;
    };
    const Case cases[] = {
        {"山田太郎 (家族)", {}, "Out.REN", false, "no row selected"},
        {"山田太郎 (家族)", {0}, "", false, "no file name"},
        {"山田太郎 (家族)", {0}, "Out.REN", true, "a row and a name"},
    };
    for (const Case& c : cases) {
        SelectNode(c.user);
        SelectRows(c.rows);
        TypeFileName(c.fileName);
        EXPECT_EQ(form.TabSheet1->ExportBtn->Enabled(), c.exportEnabled) << c.reason;
        EXPECT_EQ(form.TabSheet2->SplitBtn->Enabled(), !c.rows.empty()) << c.reason;
        EXPECT_FALSE(form.TabSheet3->ImportBtn->Enabled())
            << c.reason << ": no file to import selected";
        EXPECT_FALSE(form.StopBtn1->Enabled()) << c.reason;
    }
    // The root lists no folder: no rows, no export.
    form.BeckyUser->Select(form.BeckyUser->FirstChild(TVI_ROOT));
    PumpMessages();
    EXPECT_EQ(form.FolderList->Count(), 0);
    EXPECT_FALSE(form.TabSheet1->ExportBtn->Enabled());
}

TEST_F(MainFormTest, SelectedRowsGetTheMarker) {
    TMainForm& form = Open();
    SelectNode("山田太郎 (家族)");
    ASSERT_GE(form.FolderList->Count(), 1);
    SelectRows({0});
    const UINT state = static_cast<UINT>(
        SendMessageW(form.FolderList->Hwnd(), LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK));
    EXPECT_NE(state, 0u);
    form.FolderList->SetSelected(0, false);
    PumpMessages();
    EXPECT_EQ(SendMessageW(form.FolderList->Hwnd(), LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK), 0);
}

// The window's export gives the very file the command-line tool gives for the same mailboxes.
// In both modes: as stored, and decoded.
TEST_F(MainFormTest, ExportEqualsTheCommandLineTools) {
    TMainForm& form = Open();
    SelectNode("山田太郎 (家族)", "家族");
    ASSERT_GE(form.FolderList->Count(), 1);
    for (const bool decode : {false, true}) {
        const std::string name = decode ? "Decoded" : "Family";
        SelectRows({0});
        TypeFileName(name + ".txt");
        form.TabSheet1->DecodeMime->SetChecked(decode);
        ASSERT_TRUE(form.TabSheet1->ExportBtn->Enabled());
        SendMessageW(form.TabSheet1->ExportBtn->Hwnd(), BM_CLICK, 0, 0);
        PumpMessages();
        EXPECT_TRUE(gMessages.empty()) << gMessages.front();
        const std::string ren = ReadFile(exeFolder_ + name + ".REN");
        EXPECT_EQ(form.TabSheet1->TagFile->Text(), "");  // the list was read again
        EXPECT_EQ(form.TabSheet1->TagFile->Items().back(), name + ".REN");
        EXPECT_EQ(
            form.TabSheet1->Label8->Text().find("Shift-JIS にない文字: 0 個") != std::string::npos,
            decode);

        const std::string mailbox = form.Profile.MailboxPath(
            reinterpret_cast<TreeNode*>(form.BeckyUser->Data(form.BeckyUser->Selected())),
            form.Profile.Rows()[0]);
        std::string attach = form.Profile.AttachDir();
        attach.pop_back();  // a "\" before the closing quote would escape it
        const std::string cli = std::string(TAVORI_CLI) + " export " + (decode ? "--decode " : "") +
                                "-o \"" + exeFolder_ + "Cli.REN\" --attach-dir \"" + attach +
                                "\" \"" + mailbox + "\"";
        STARTUPINFOW si{sizeof si};
        PROCESS_INFORMATION pi{};
        std::wstring command = Wide(cli);
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi));
        WaitForSingleObject(pi.hProcess, 60000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        EXPECT_EQ(ReadFile(exeFolder_ + "Cli.REN"), ren) << name;
        EXPECT_NE(ren.find("#W40\r\n"), std::string::npos);
    }
}

// A Date that is no date: はい writes the mail without a date and asks again at the next,
// すべてはい for the rest of the run, いいえ ends the run with the error as before.
TEST_F(MainFormTest, BadDateAsksAndWritesTheMailUndated) {
    ScratchDir store;
    const std::string box = UseEmptyStore(store);
    const std::string bad = "Date: Thu, 45 Feb 1969 23:32:54 +0900\r\n";
    WriteFile(box + "a.mbx", "Subject: a\r\n" + bad + "\r\n1\r\n.\r\nSubject: b\r\n\r\n2\r\n.\r\n" +
                                 "Subject: c\r\n" + bad + "\r\n3\r\n.\r\n");
    struct Row {
        int answer;
        std::vector<std::string> kinds;  // of the boxes shown
        int records;
        const char* reason;
    } rows[] = {
        {IDYES, {"warning", "warning"}, 3, "はい: asked for each"},
        {IDNO, {"warning"}, 3, "すべてはい: asked once"},
        {IDCANCEL, {"warning", "error"}, 0, "いいえ: the run ends with the error"},
    };
    TMainForm& form = Open();
    SelectNode("山田太郎 (仕事)", "Box");
    for (const Row& row : rows) {
        gMessages.clear();
        gKinds.clear();
        gButtons.clear();
        gYesNoAnswer = row.answer;
        SelectRows({0});
        TypeFileName("Bad.REN");
        form.TabSheet1->ConvertClick();
        PumpMessages();
        EXPECT_EQ(gKinds, row.kinds) << row.reason;
        ASSERT_FALSE(gMessages.empty()) << row.reason;
        EXPECT_NE(gMessages[0].find("a.mbx\" のメール 1 の日付を変換できません: 「Thu, 45 Feb"),
                  std::string::npos)
            << gMessages[0];
        EXPECT_EQ(gButtons.front(), "はい/すべてはい/いいえ") << row.reason;
        const std::string ren = ReadFile(exeFolder_ + "Bad.REN");
        int records = 0;
        for (std::size_t p = ren.find("#S\r\n"); p != std::string::npos;
             p = ren.find("#S\r\n", p + 1))
            ++records;
        EXPECT_EQ(records, row.records) << row.reason;
    }
}

// A run refused before anything was read is a warning on every page, not an error: here a
// REN file that is a mailbox of the run under another name.
TEST_F(MainFormTest, ExportRefusingToOverwriteAnInputWarns) {
    ScratchDir store;
    const std::string box = UseEmptyStore(store);
    const std::string mail = "Subject: a\r\n\r\nbody\r\n.\r\n";
    WriteFile(box + "a.mbx", mail);
    ASSERT_TRUE(CreateHardLinkW(Wide(exeFolder_ + "Same.REN").c_str(), Wide(box + "a.mbx").c_str(),
                                nullptr));
    TMainForm& form = Open();
    SelectNode("山田太郎 (仕事)", "Box");
    SelectRows({0});
    TypeFileName("Same.REN");
    form.TabSheet1->ConvertClick();
    PumpMessages();
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_NE(gMessages[0].find("a.mbx"), std::string::npos) << gMessages[0];
    EXPECT_EQ(gKinds, std::vector<std::string>{"warning"});
    EXPECT_EQ(ReadFile(box + "a.mbx"), mail);
}

TEST_F(MainFormTest, CountersShowTheLastMailboxAndTheRun) {
    TMainForm& form = Open();
    SelectNode("山田太郎 (仕事)", "Work");
    SelectRows({0});
    TypeFileName("Work.REN");
    form.TabSheet1->ConvertClick();
    PumpMessages();
    const std::string counts = form.MsgLabel->Text();
    EXPECT_EQ(counts.rfind("件数: ", 0), 0u) << counts;
    EXPECT_EQ(form.TabSheet1->Label8->Text().rfind("添付: ", 0), 0u);
    EXPECT_EQ(form.ProgMsg->Text(), "");
    EXPECT_GT(form.ExportTotal, 0);
    EXPECT_EQ(counts, "件数: " + std::to_string(form.ExportTotal) + " / " +
                          std::to_string(form.ExportTotal));
}

// Two mailboxes of three and two mails: the first number counts within the mailbox, the
// second over the run.
TEST_F(MainFormTest, CountersAfterTwoMailboxes) {
    ScratchDir store;
    fs::create_directories(fs::path(store.File("User0\\Box")));
    auto mails = [](int n) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += "Subject: m" + std::to_string(i) + "\r\n\r\nbody\r\n.\r\n";
        return text;
    };
    WriteFile(store.File("User0\\Box\\a.mbx"), mails(3));
    WriteFile(store.File("User0\\Box\\b.mbx"), mails(2));
    SetString("Software\\RIMArts\\Rebecca\\Settings", "HomeDir", store.Path());
    TMainForm& form = Open();
    SelectNode("山田太郎 (仕事)", "Box");
    ASSERT_EQ(form.FolderList->Count(), 2);
    SelectRows({0, 1});
    TypeFileName("Two.REN");
    form.TabSheet1->ConvertClick();
    PumpMessages();
    EXPECT_EQ(form.MsgLabel->Text(), "件数: 2 / 5");
    EXPECT_EQ(form.TabSheet1->Label8->Text(), "添付: 0");
    EXPECT_EQ(form.ExportTotal, 5);
}

// The cleanup page: figures in its two labels, the new mailbox listed in its folder, and a
// name that is one of the selected mailboxes refused with a warning before anything is read.
TEST_F(MainFormTest, CleanupShowsItsFiguresAndRefusesToOverwriteAnInput) {
    ScratchDir store;
    fs::create_directories(fs::path(store.File("User0\\Box")));
    const std::string copy =
        "Subject: same\r\nDate: 5 Mar 1999 12:34:56 +0900\r\nMessage-Id: "
        "<1@x>\r\n\r\nbody\r\n.\r\n";
    const std::string other = "Subject: other\r\n\r\nbody\r\n.\r\n";
    WriteFile(store.File("User0\\Box\\a.mbx"), copy + other);
    WriteFile(store.File("User0\\Box\\b.mbx"), copy);
    SetString("Software\\RIMArts\\Rebecca\\Settings", "HomeDir", store.Path());
    TMainForm& form = Open();
    SelectNode("山田太郎 (仕事)", "Box");
    ASSERT_EQ(form.FolderList->Count(), 2);
    SelectRows({0, 1});
    ASSERT_TRUE(form.TabSheet2->SplitBtn->Enabled());

    form.TabSheet2->OutBox1->SetText("a.txt");  // becomes a.mbx: the first selected mailbox
    form.TabSheet2->SplitBtnClick();
    PumpMessages();
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_NE(gMessages[0].find("a.mbx"), std::string::npos) << gMessages[0];
    EXPECT_EQ(gKinds, std::vector<std::string>{"warning"}) << "refused before anything was read";
    EXPECT_EQ(ReadFile(store.File("User0\\Box\\a.mbx")), copy + other);

    form.TabSheet2->OutBox1->SetText("Origin");
    SelectRows({0, 1});
    form.TabSheet2->SplitBtnClick();
    PumpMessages();
    EXPECT_EQ(form.TabSheet2->OutMsg->Text(), "全件数: 3 件\n\n出力件数: 2");
    EXPECT_EQ(form.TabSheet2->DupLabel->Text(), "重複件数: 1");
    EXPECT_EQ(ReadFile(store.File("User0\\Box\\Origin.mbx")), copy + other);
    EXPECT_EQ(form.FolderList->Count(), 3);  // listed again with the new file
    EXPECT_EQ(ReadFile(store.File("User0\\Box\\b.mbx")), copy);
}

TEST_F(MainFormTest, StopEndsTheRunAfterTheCurrentMail) {
    TMainForm& form = Open();
    SelectNode("山田太郎 (仕事)", "Work");
    SelectRows({0});
    TypeFileName("Stopped.REN");
    // The click waits in the queue and reaches the stop button after the first mail.
    PostMessageW(form.StopBtn1->Hwnd(), BM_CLICK, 0, 0);
    form.TabSheet1->ConvertClick();
    PumpMessages();
    const std::string ren = ReadFile(exeFolder_ + "Stopped.REN");
    std::size_t records = 0;
    for (std::size_t p = 0; (p = ren.find("#S\r\n", p)) != std::string::npos; p += 4) ++records;
    EXPECT_GE(records, 1u);
    EXPECT_EQ(form.ExportTotal, 0);  // the mailbox was not finished
    EXPECT_FALSE(form.StopBtn1->Enabled());
    EXPECT_TRUE(form.BeckyUser->Enabled());
}

// The pages' own enabling rules: the cleanup's second name follows its check box, the
// cut-out strings follow the file type (the list is read again with the type's pattern).
TEST_F(MainFormTest, PageControlsFollowTheirSwitches) {
    WriteFile(dir_.File("a.txt"), "Subject: a\r\n\r\nx");
    WriteFile(dir_.File("b.htm"), "<html></html>");
    TMainForm& form = Open();
    EXPECT_FALSE(form.TabSheet2->DupBox->Enabled());
    form.TabSheet2->DupOut->SetChecked(true);
    form.TabSheet2->DupOutClick();
    EXPECT_TRUE(form.TabSheet2->DupBox->Enabled());

    EXPECT_EQ(form.TabSheet3->FileListBox2->Names(), std::vector<std::string>{"a.txt"});
    EXPECT_FALSE(form.TabSheet3->MailBegin->Enabled());
    EXPECT_FALSE(form.TabSheet3->MailEnd->Enabled());
    SendMessageW(form.TabSheet3->FileType->Hwnd(), CB_SETCURSEL, 1, 0);
    form.TabSheet3->FileType->OnCommand(CBN_SELCHANGE);
    EXPECT_EQ(form.TabSheet3->FileListBox2->Names(), std::vector<std::string>{"b.htm"});
    EXPECT_TRUE(form.TabSheet3->MailBegin->Enabled());
    EXPECT_TRUE(form.TabSheet3->MailEnd->Enabled());
    form.TabSheet3->FileListBox2KeyPress(1);  // Ctrl+A
    EXPECT_EQ(form.TabSheet3->FileListBox2->SelectedNames().size(), 1u);
    EXPECT_FALSE(form.TabSheet3->ImportBtn->Enabled()) << "no user or folder selected";
    EXPECT_TRUE(form.TabSheet3->TestRun->Enabled()) << "an HTML page selected";
}

// The import page's enabling rules after each change of the file type or the selection: the
// list is read again with the type's pattern (nothing selected then), and Ctrl+A selects
// every file with the buttons following as after a click.
TEST_F(MainFormTest, ImportPageFollowsTheFileTypeAndTheSelection) {
    WriteFile(dir_.File("a.txt"), "Subject: a\r\n\r\nx");
    WriteFile(dir_.File("b.eml"), "Subject: b\r\n\r\nx");
    WriteFile(dir_.File("c.htm"), "<html></html>");
    TMainForm& form = Open();
    enum Select { kNone, kFirst, kCtrlA };
    struct Case {
        int type;
        Select select;
        bool userNode;
        bool strings, previews, import;
        std::size_t selected;
        const char* reason;
    };
    const Case cases[] = {
        {0, kNone, true, false, false, false, 0, "text mails, nothing selected"},
        {0, kCtrlA, true, false, false, true, 2, "Ctrl+A: both text mails, no previews for them"},
        {1, kNone, true, true, false, false, 0, "HTML read anew: the strings, no previews yet"},
        {1, kFirst, true, true, true, true, 1, "an HTML page selected"},
        {1, kCtrlA, false, true, true, false, 1, "the root node is no folder to import into"},
        {0, kFirst, true, false, false, true, 1, "back to text mails: previews off again"},
    };
    for (const Case& c : cases) {
        if (c.userNode)
            SelectNode("山田太郎 (仕事)");
        else
            form.BeckyUser->Select(form.BeckyUser->FirstChild(TVI_ROOT));
        ChooseFileType(c.type);
        if (c.select == kFirst) form.TabSheet3->FileListBox2->SetSelected(0, true);
        if (c.select == kCtrlA) SendMessageW(form.TabSheet3->FileListBox2->Hwnd(), WM_CHAR, 1, 0);
        PumpMessages();
        EXPECT_EQ(form.TabSheet3->FileListBox2->SelectedNames().size(), c.selected) << c.reason;
        for (Control* control : std::initializer_list<Control*>{
                 form.TabSheet3->MailBegin.get(), form.TabSheet3->MailEnd.get(),
                 form.TabSheet3->Label9.get(), form.TabSheet3->Label10.get()})
            EXPECT_EQ(control->Enabled(), c.strings) << c.reason;
        const COLORREF back = GetSysColor(c.strings ? COLOR_WINDOW : COLOR_BTNFACE);
        EXPECT_EQ(form.TabSheet3->MailBegin->BackgroundColor(), back) << c.reason;
        EXPECT_EQ(form.TabSheet3->MailEnd->BackgroundColor(), back) << c.reason;
        EXPECT_EQ(form.TabSheet3->TestRun->Enabled(), c.previews) << c.reason;
        EXPECT_EQ(form.TabSheet3->ViewBtn->Enabled(), c.previews) << c.reason;
        EXPECT_EQ(form.TabSheet3->ImportBtn->Enabled(), c.import) << c.reason;
    }
}

RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

// A key as the user presses it: posted to the control with the focus, with Shift and Ctrl
// held as asked, and taken through the message loop (the window's own keys, then the dialog
// manager).
void PressKey(WPARAM key, bool shift = false, bool ctrl = false) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
    PumpMessages();
    state[VK_SHIFT] = state[VK_CONTROL] = 0;
    SetKeyboardState(state);
}

// The name of the control the focus is in (a combo box's edit counts as the combo box).
std::string FocusName(const TMainForm& form) {
    const std::pair<const Control*, const char*> controls[] = {
        {form.BeckyUser.get(), "tree"},
        {form.FolderList.get(), "list"},
        {form.PageControl1.get(), "tabs"},
        {form.StopBtn1.get(), "中止"},
        {form.TabSheet1->FileListBox1.get(), "FileListBox1"},
        {form.TabSheet1->DirSelect.get(), "DirSelect"},
        {form.TabSheet1->TagFile.get(), "TagFile"},
        {form.TabSheet1->WordCount.get(), "WordCount"},
        {form.TabSheet1->HyperRef.get(), "HyperRef"},
        {form.TabSheet1->DecodeMime.get(), "DecodeMime"},
        {form.TabSheet1->ExportBtn.get(), "ExportBtn"},
        {form.TabSheet2->OutBox1.get(), "OutBox1"},
        {form.TabSheet2->DupOut.get(), "DupOut"},
        {form.TabSheet2->DupBox.get(), "DupBox"},
        {form.TabSheet2->SplitBtn.get(), "SplitBtn"},
        {form.TabSheet3->FileListBox2.get(), "FileListBox2"},
        {form.TabSheet3->Button1.get(), "Button1"},
        {form.TabSheet3->FileType.get(), "FileType"},
        {form.TabSheet3->MailBegin.get(), "MailBegin"},
        {form.TabSheet3->MailEnd.get(), "MailEnd"},
        {form.TabSheet3->ViewBtn.get(), "ViewBtn"},
        {form.TabSheet3->TestRun.get(), "TestRun"},
        {form.TabSheet3->ImportName.get(), "ImportName"},
        {form.TabSheet3->ImportBtn.get(), "ImportBtn"},
    };
    for (HWND hwnd = GetFocus(); hwnd; hwnd = GetParent(hwnd))
        for (const auto& [control, name] : controls)
            if (control->Hwnd() == hwnd) return name;
    return GetFocus() ? "(another window)" : "(none)";
}

// Tab visits the tree, the list, the tabs and then the page from top left to bottom right,
// its start button last and then the stop button; Shift+Tab goes back. Ctrl+Tab and
// Ctrl+Shift+Tab switch the pages.
TEST_F(MainFormTest, TabFollowsEachPageFromTopLeftWithItsStartButtonLast) {
    WriteFile(dir_.File("a.htm"), "<body>Subject: a<br><br>a");
    TMainForm& form = Open();
    form.Show(SW_SHOWNORMAL);
    SelectNode("山田太郎 (家族)");
    SelectRows({0});
    TypeFileName("Out.REN");
    ChooseFileType(1);
    form.TabSheet3->FileListBox2->SelectAll();
    PumpMessages();
    const std::vector<std::string> top = {"tree", "list", "tabs"};
    const std::vector<std::vector<std::string>> pages = {
        {"FileListBox1", "TagFile", "WordCount", "HyperRef", "DecodeMime", "DirSelect",
         "ExportBtn"},
        {"OutBox1", "DupOut", "SplitBtn"},  // DupBox only once copies are to be kept
        {"FileType", "FileListBox2", "MailBegin", "ViewBtn", "MailEnd", "TestRun", "ImportName",
         "Button1", "ImportBtn"},
    };
    for (std::size_t page = 0; page < pages.size(); ++page) {
        ASSERT_EQ(form.PageControl1->ActivePage(), static_cast<int>(page));
        std::vector<std::string> expected = top;
        expected.insert(expected.end(), pages[page].begin(), pages[page].end());
        SetFocus(form.BeckyUser->Hwnd());
        std::vector<std::string> visited = {FocusName(form)};
        for (std::size_t k = 1; k < expected.size(); ++k) {
            PressKey(VK_TAB);
            visited.push_back(FocusName(form));
        }
        EXPECT_EQ(visited, expected) << "page " << page;
        PressKey(VK_TAB);
        EXPECT_EQ(FocusName(form), "tree") << "page " << page << ": Tab goes round";
        PressKey(VK_TAB, true);
        EXPECT_EQ(FocusName(form), expected.back()) << "page " << page << ": Shift+Tab goes back";
        SetFocus(form.PageControl1->Hwnd());
        PressKey(VK_TAB, false, true);  // Ctrl+Tab: the next page
    }
    EXPECT_EQ(form.PageControl1->ActivePage(), 0) << "Ctrl+Tab goes round";
    SetFocus(form.TabSheet1->TagFile->Hwnd());
    PressKey(VK_TAB, true, true);
    EXPECT_EQ(form.PageControl1->ActivePage(), 2) << "Ctrl+Shift+Tab: the page before";
    EXPECT_EQ(FocusName(form), "FileType") << "the focus goes along to the page shown";
    // The stop button, enabled while a job runs, comes after the start button.
    form.StopBtn1->SetEnabled(true);
    SetFocus(form.TabSheet3->ImportBtn->Hwnd());
    PressKey(VK_TAB);
    EXPECT_EQ(FocusName(form), "中止");
}

// A page switched to with the mouse takes the focus along when it was on the page hidden:
// typing never goes to a control nobody sees.
TEST_F(MainFormTest, APageSwitchTakesTheFocusOffTheHiddenPage) {
    TMainForm& form = Open();
    form.Show(SW_SHOWNORMAL);
    PumpMessages();
    SetFocus(form.TabSheet1->TagFile->Hwnd());
    // As a click on the tab does (TCM_SETCURFOCUS notifies the switch).
    SendMessageW(form.PageControl1->Hwnd(), TCM_SETCURFOCUS, 1, 0);
    PumpMessages();
    EXPECT_EQ(form.PageControl1->ActivePage(), 1);
    EXPECT_EQ(FocusName(form), "OutBox1");
    PressKey(VK_TAB);
    EXPECT_EQ(FocusName(form), "DupOut") << "Tab stays on the page shown";
    // With the focus on the tabs, switching keeps it there, as the arrow keys switch.
    SetFocus(form.PageControl1->Hwnd());
    SendMessageW(form.PageControl1->Hwnd(), TCM_SETCURFOCUS, 2, 0);
    PumpMessages();
    EXPECT_EQ(FocusName(form), "tabs");
}

// The window keeps every control of its pages in sight: it cannot be made smaller than they
// need, a splitter cannot push them out, and the sizes chosen come back when it grows again.
TEST_F(MainFormTest, TheWindowNeverHidesAPagesControls) {
    TMainForm& form = Open();
    form.Show(SW_SHOWNORMAL);
    PumpMessages();
    const RECT designed = WindowRect(form.Hwnd());
    const auto pageShowsAll = [&form](const char* when) {
        for (int page = 0; page < form.PageControl1->PageCount(); ++page) {
            HWND panel = form.PageControl1->Page(page).Hwnd();
            RECT area{};
            GetClientRect(panel, &area);
            MapWindowPoints(panel, HWND_DESKTOP, reinterpret_cast<POINT*>(&area), 2);
            RECT client{};
            GetClientRect(form.Hwnd(), &client);
            MapWindowPoints(form.Hwnd(), HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
            for (HWND c = GetWindow(panel, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                RECT r{}, in{};
                GetWindowRect(c, &r);
                IntersectRect(&in, &r, &area);
                EXPECT_TRUE(EqualRect(&in, &r)) << when << ": page " << page << " cut";
                IntersectRect(&in, &r, &client);
                EXPECT_TRUE(EqualRect(&in, &r)) << when << ": page " << page << " outside";
            }
        }
    };
    pageShowsAll("as designed");
    SetWindowPos(form.Hwnd(), nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
    const RECT small = WindowRect(form.Hwnd());
    EXPECT_GT(small.right - small.left, 400) << "a minimum width";
    EXPECT_GT(small.bottom - small.top, 300) << "a minimum height";
    EXPECT_LE(small.right - small.left, designed.right - designed.left);
    EXPECT_LE(small.bottom - small.top, designed.bottom - designed.top);
    pageShowsAll("at the smallest");
    EXPECT_GT(form.ProgressBar1->Bounds().bottom - form.ProgressBar1->Bounds().top, 8);
    // The splitters as far as they go: the pages still show whole.
    SendMessageW(form.Splitter1->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    SendMessageW(form.Splitter1->Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(2000, 1));
    SendMessageW(form.Splitter1->Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2000, 1));
    PumpMessages();
    pageShowsAll("the tree splitter dragged right");
    SetWindowPos(form.Hwnd(), nullptr, 0, 0, designed.right - designed.left,
                 designed.bottom - designed.top, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
    EXPECT_EQ(form.Panel1->Bounds().bottom - form.Panel1->Bounds().top, 293)
        << "the pages' height comes back";
    pageShowsAll("grown back");
}

// What a splitter moves is drawn again: the strip under the pages, the list's header and the
// status bar (left blank or with a second size grip before).
TEST_F(MainFormTest, ASplitterDragRedrawsWhatMoved) {
    TMainForm& form = Open();
    form.Show(SW_SHOWNORMAL);
    PumpMessages();
    for (Splitter* splitter : {form.Splitter1.get(), form.Splitter3.get()}) {
        UpdateWindow(form.Hwnd());
        RedrawWindow(form.Hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        SendMessageW(splitter->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        SendMessageW(splitter->Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 20));
        SendMessageW(splitter->Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
        for (const Control* c : std::initializer_list<const Control*>{
                 form.StopBtn1.get(), form.ProgMsg.get(), form.ProgressBar1.get(),
                 form.MsgLabel.get(), form.StatusBar1.get(), form.FolderList.get()}) {
            RECT update{};
            EXPECT_TRUE(GetUpdateRect(c->Hwnd(), &update, FALSE))
                << "not to be drawn again after the drag";
        }
        HWND header =
            reinterpret_cast<HWND>(SendMessageW(form.FolderList->Hwnd(), LVM_GETHEADER, 0, 0));
        RECT update{};
        EXPECT_TRUE(GetUpdateRect(header, &update, FALSE)) << "the list's header";
        PumpMessages();
    }
    // The page area follows the tree splitter: the panel ends at the window's right edge.
    RECT client{};
    GetClientRect(form.Hwnd(), &client);
    EXPECT_EQ(form.Panel1->Bounds().right, client.right);
}

// A folder whose name Shift-JIS cannot hold shows with 〓 for what it lacks, and choosing it
// says why its mailboxes cannot be opened instead of showing an empty list; as does a folder
// holding such mailboxes. Another folder takes the message away again.
TEST_F(MainFormTest, FoldersShiftJisCannotNameAreShownAndExplained) {
    ScratchDir store;
    const std::string box = UseEmptyStore(store);
    const fs::path user = fs::path(box).parent_path().parent_path();
    fs::create_directory(user / u8"한국");
    std::ofstream(user / u8"한국" / u8"a.mbx").put('x');
    std::ofstream(fs::path(box) / u8"x\U0001F600.mbx").put('x');
    TMainForm& form = Open();
    SelectNode("山田太郎 (仕事)");
    TreeView& tree = *form.BeckyUser;
    std::vector<std::string> folders;
    for (HTREEITEM item = tree.FirstChild(tree.Selected()); item; item = tree.NextSibling(item))
        folders.push_back(reinterpret_cast<TreeNode*>(tree.Data(item))->text);
    EXPECT_EQ(folders, (std::vector<std::string>{"〓〓", "Box"}));  // in the locale's order
    const struct {
        const char* folder;
        std::string message;
    } cases[] = {
        {"〓〓",
         "フォルダー「〓〓」は名前に Shift-JIS にない文字 (〓) があるため、このプログラム"
         "では開けません"},
        {"Box",
         "名前に Shift-JIS にない文字があるメールボックス 1 個は、このプログラムでは開け"
         "ないため一覧にありません"},
    };
    for (const auto& c : cases) {
        SelectNode("山田太郎 (仕事)", c.folder);
        EXPECT_EQ(form.StatusBar1->Message(), c.message) << c.folder;
        EXPECT_EQ(form.FolderList->Count(), 0) << c.folder;
    }
    SelectNode("山田太郎 (仕事)");
    EXPECT_EQ(form.StatusBar1->Message(), "");
    EXPECT_TRUE(gMessages.empty());
}

// At 125 % (120 DPI; the test screen holds no larger window) the window is the layout's at
// 96 DPI scaled: the window, the pages' controls, the font. A move to a monitor of another DPI
// (WM_DPICHANGED) lays it out anew at the size the system suggests; at 96 DPI every size is
// the layout's own.
TEST_F(MainFormTest, TheLayoutFollowsTheDpi) {
    struct Expected {
        const Control* control;
        RECT design;  // x, y, width, height at 96 DPI
    };
    const auto check = [](TMainForm& form, UINT dpi, const char* when) {
        const Expected controls[] = {
            {form.TabSheet1->ExportBtn.get(), {360, 150, 90, 26}},
            {form.TabSheet1->TagFile.get(), {216, 26, 234, 0}},
            {form.TabSheet2->OutBox1.get(), {16, 38, 194, 22}},
            {form.TabSheet3->ImportName.get(), {304, 135, 146, 22}},
        };
        for (const auto& [control, d] : controls) {
            const RECT r = control->Bounds();
            EXPECT_EQ(r.left, Scale(d.left, dpi)) << when;
            EXPECT_EQ(r.top, Scale(d.top, dpi)) << when;
            EXPECT_EQ(r.right - r.left, Scale(d.right, dpi)) << when;
            if (d.bottom) {
                EXPECT_EQ(r.bottom - r.top, Scale(d.bottom, dpi)) << when;
            }
        }
        LOGFONTW lf{};
        GetObjectW(reinterpret_cast<HFONT>(
                       SendMessageW(form.TabSheet1->ExportBtn->Hwnd(), WM_GETFONT, 0, 0)),
                   sizeof lf, &lf);
        EXPECT_EQ(lf.lfHeight, -Scale(12, dpi)) << when << ": the font";
        EXPECT_EQ(form.Dpi(), dpi) << when;
    };
    SetDpiForTests(120);
    {
        TMainForm& form = Open();
        const RECT w = WindowRect(form.Hwnd());
        EXPECT_EQ(w.right - w.left, Scale(632, 120));
        EXPECT_EQ(w.bottom - w.top, Scale(591, 120));
        check(form, 120, "opened at 120 DPI");
        form_.reset();
    }
    SetDpiForTests(0);
    TMainForm& form = Open();
    const UINT system = form.Dpi();
    check(form, system, "opened at the system's DPI");
    const RECT w = WindowRect(form.Hwnd());
    const RECT suggested{w.left, w.top, w.left + Scale(632, 120), w.top + Scale(591, 120)};
    SetDpiForTests(120);
    SendMessageW(form.Hwnd(), WM_DPICHANGED, MAKEWPARAM(120, 120),
                 reinterpret_cast<LPARAM>(&suggested));
    PumpMessages();
    check(form, 120, "moved to a monitor at 120 DPI");
    const RECT moved = WindowRect(form.Hwnd());
    EXPECT_TRUE(EqualRect(&moved, &suggested)) << "the size the system suggests";
    SetDpiForTests(0);
}

// A bevelled frame fills every pixel it paints: on every page it must lie under the controls
// it surrounds and keep them out of its paint, or repainting it wipes their borders out (the
// cleanup page's "Origin" box lost its frame so).
TEST_F(MainFormTest, FramesNeverPaintOverTheControlsInThem) {
    TMainForm& form = Open();
    int framed = 0;
    for (int page = 0; page < form.PageControl1->PageCount(); ++page) {
        std::vector<HWND> children;  // from the top of the z-order down
        for (HWND c = GetWindow(form.PageControl1->Page(page).Hwnd(), GW_CHILD); c;
             c = GetWindow(c, GW_HWNDNEXT))
            children.push_back(c);
        for (std::size_t f = 0; f < children.size(); ++f) {
            wchar_t cls[64] = {};
            GetClassNameW(children[f], cls, 64);
            if (std::wstring(cls) != L"TavoriBevelLabel") continue;
            RECT frame{}, inner{}, both{};
            GetWindowRect(children[f], &frame);
            for (std::size_t k = 0; k < children.size(); ++k) {
                GetWindowRect(children[k], &inner);
                if (k == f || !IntersectRect(&both, &frame, &inner) || !EqualRect(&both, &inner))
                    continue;
                ++framed;
                EXPECT_LT(k, f) << "page " << page << ": a control under its frame";
                EXPECT_NE(GetWindowLongPtrW(children[f], GWL_STYLE) & WS_CLIPSIBLINGS, 0)
                    << "page " << page;
            }
        }
    }
    EXPECT_GE(framed, 5) << "the cleanup page's names, option and figures are framed";
}

// Selected files in list order become the mails of the new mailbox (a text with LF line ends
// stored with CR LF, its blank lines around trimmed); a file that is no mail is passed over
// with its warning; the new mailbox is listed in its folder.
TEST_F(MainFormTest, ImportWritesTheMailsAndWarnsForAFileThatIsNoMail) {
    ScratchDir store;
    const std::string box = UseEmptyStore(store);
    WriteFile(dir_.File("a.txt"), "\n\nSubject: a\nFrom: x@example.jp\n\nbody a\n\n");
    WriteFile(dir_.File("b.txt"), "no header, no empty line");
    WriteFile(dir_.File("c.eml"), "Subject: c\r\n\r\nbody c");
    WriteFile(dir_.File("d.txt"), "Subject: d\r\n\r\nnot selected");
    TMainForm& form = Open();
    SelectNode("山田太郎 (仕事)", "Box");
    for (int i : {0, 1, 2}) form.TabSheet3->FileListBox2->SetSelected(i, true);
    form.TabSheet3->ImportName->SetText("mails.txt");
    PumpMessages();
    ASSERT_TRUE(form.TabSheet3->ImportBtn->Enabled());
    SendMessageW(form.TabSheet3->ImportBtn->Hwnd(), BM_CLICK, 0, 0);
    PumpMessages();

    EXPECT_EQ(gMessages, std::vector<std::string>{"b.txt\r\nメールの形式が間違っています"});
    TMailBox mail;
    std::string expected;
    for (const char* text :
         {"Subject: a\r\nFrom: x@example.jp\r\n\r\nbody a", "Subject: c\r\n\r\nbody c"}) {
        mail.SetMessage(text);
        expected += mail.GetMessage();
    }
    EXPECT_EQ(ReadFile(box + "mails.mbx"), expected);
    ASSERT_EQ(form.FolderList->Count(), 1);
    EXPECT_EQ(form.Profile.Rows()[0].caption, "mails");
    EXPECT_EQ(form.ProgMsg->Text(), "");
    EXPECT_TRUE(form.PageControl1->Enabled());
    EXPECT_FALSE(form.StopBtn1->Enabled());
}

// Both previews walk the selected files in list order: "次へ＞" and the close box go on,
// "終了" stops. The cut-out test shows the mail as the import would write it, warning first
// for a page that holds none; the text view shows the page's whole text.
TEST_F(MainFormTest, PreviewsGoOnUntilTheUserStops) {
    WriteFile(dir_.File("a.htm"),
              "<html><body><pre>\nSubject: A\nFrom: x@example.jp\n\nbody a\n[前の記事]</pre>"
              "</body></html>");
    WriteFile(dir_.File("b.htm"), "<html><body><p>no mail here</p></body></html>");
    WriteFile(dir_.File("c.htm"), "<html><body><pre>\nSubject: C\n\nbody c</pre></body></html>");
    TMainForm& form = Open();
    ChooseFileType(1);
    SendMessageW(form.TabSheet3->FileListBox2->Hwnd(), WM_CHAR, 1, 0);  // Ctrl+A
    PumpMessages();
    ASSERT_TRUE(form.TabSheet3->TestRun->Enabled());
    struct Case {
        Button* button;
        std::vector<int> answers;
        std::vector<std::string> shown;
        const char* reason;
    };
    const Case cases[] = {
        {form.TabSheet3->TestRun.get(),
         {IDCANCEL, IDABORT},
         {"メール切出しテスト (a.htm)", "メール切出しテスト (b.htm)"},
         "the close box goes on, 終了 stops"},
        {form.TabSheet3->ViewBtn.get(),
         {IDABORT},
         {"テキスト確認 (a.htm)"},
         "終了 stops the text view"},
    };
    for (const Case& c : cases) {
        gPreviews.clear();
        gMessages.clear();
        gPreviewAnswers = c.answers;
        SendMessageW(c.button->Hwnd(), BM_CLICK, 0, 0);
        PumpMessages();
        std::vector<std::string> shown;
        for (const PreviewShown& p : gPreviews) shown.push_back(p.caption);
        EXPECT_EQ(shown, c.shown) << c.reason;
    }
    // The last run of the cut-out test: page a as a mail without what follows the end
    // string, then the warning for page b before its empty preview.
    gPreviews.clear();
    gMessages.clear();
    gPreviewAnswers = {IDOK, IDABORT};
    form.TabSheet3->TestRunClick();
    ASSERT_EQ(gPreviews.size(), 2u);
    TMailBox mail;
    mail.SetMessage("Subject: A\r\nFrom: x@example.jp\r\n\r\nbody a");
    EXPECT_EQ(gPreviews[0].text, mail.GetMessage());
    EXPECT_EQ(gPreviews[1].text, "");
    EXPECT_EQ(gPreviews[1].boxesBefore, 1u);
    EXPECT_EQ(gMessages, std::vector<std::string>{"b.htm\r\nメールの形式が間違っています"});
    // The text view cuts nothing out.
    gPreviews.clear();
    gPreviewAnswers = {IDABORT};
    form.TabSheet3->ViewBtnClick();
    ASSERT_EQ(gPreviews.size(), 1u);
    EXPECT_NE(gPreviews[0].text.find("[前の記事]"), std::string::npos) << gPreviews[0].text;
}

// Both previews show today's pages, UTF-8 and UTF-16, in Shift-JIS as the import reads them.
TEST_F(MainFormTest, PreviewsShowUtf8AndUtf16PagesConverted) {
    const std::u16string page = u"<body><pre>\nSubject: 日本\n\n本文\n[前]</pre>";
    std::string utf16 = "\xFF\xFE";
    for (const char16_t c : page) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    WriteFile(dir_.File("u.htm"),
              reinterpret_cast<const char*>(u8"<body><pre>\nSubject: 日本\n\n本文\n[前]</pre>"));
    WriteFile(dir_.File("w.htm"), utf16);
    TMainForm& form = Open();
    ChooseFileType(1);
    form.TabSheet3->FileListBox2->SelectAll();
    PumpMessages();
    TMailBox mail;
    mail.SetMessage("Subject: 日本\r\n\r\n本文");
    gPreviewAnswers = {IDOK, IDOK};
    form.TabSheet3->TestRunClick();
    ASSERT_EQ(gPreviews.size(), 2u);
    for (const PreviewShown& p : gPreviews) EXPECT_EQ(p.text, mail.GetMessage()) << p.caption;
    gPreviews.clear();
    gPreviewAnswers = {IDOK, IDOK};
    form.TabSheet3->ViewBtnClick();
    ASSERT_EQ(gPreviews.size(), 2u);
    for (const PreviewShown& p : gPreviews)
        EXPECT_EQ(p.text, "Subject: 日本\r\n\r\n本文\r\n[前]") << p.caption;
    EXPECT_TRUE(gMessages.empty());
}

// A mailbox name that is one of the files to import (here through a second link to it) is
// refused with a warning before the mailbox is created, so the file is not emptied.
TEST_F(MainFormTest, ImportRefusesToOverwriteAFileItReads) {
    ScratchDir store;
    const std::string box = UseEmptyStore(store);
    const std::string mail = "Subject: kept\r\n\r\nbody";
    WriteFile(box + "Import.mbx", mail);
    if (!CreateHardLinkW(Wide(dir_.File("linked.txt")).c_str(), Wide(box + "Import.mbx").c_str(),
                         nullptr))
        GTEST_SKIP() << "no hard links here";
    TMainForm& form = Open();
    SelectNode("山田太郎 (仕事)", "Box");
    form.TabSheet3->FileListBox2->SelectAll();
    ASSERT_TRUE(form.TabSheet3->ImportBtn->Enabled());
    form.TabSheet3->ImportBtnClick();
    PumpMessages();
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_NE(gMessages[0].find("Import.mbx"), std::string::npos) << gMessages[0];
    EXPECT_EQ(ReadFile(box + "Import.mbx"), mail);
    EXPECT_FALSE(form.StopBtn1->Enabled());
}

// A mailbox with mails in it is replaced only after a yes to a warning that names it.
TEST_F(MainFormTest, ImportAsksBeforeReplacingAMailboxWithMails) {
    for (const int answer : {IDNO, IDYES}) {
        ScratchDir store;
        const std::string box = UseEmptyStore(store);
        WriteFile(box + "Inbox.mbx", "Subject: years of mail\r\n\r\nbody\r\n.\r\n");
        WriteFile(dir_.File("a.txt"), "Subject: a\r\n\r\nbody a");
        gMessages.clear();
        gYesNoAnswer = answer;
        TMainForm& form = Open();
        SelectNode("山田太郎 (仕事)", "Box");
        form.TabSheet3->FileListBox2->SelectAll();
        form.TabSheet3->ImportName->SetText("Inbox");
        form.TabSheet3->ImportBtnClick();
        PumpMessages();
        ASSERT_EQ(gMessages.size(), 1u) << answer;
        EXPECT_NE(gMessages[0].find(box + "Inbox.mbx\" にはメールが入っています。"),
                  std::string::npos)
            << gMessages[0];
        EXPECT_EQ(ReadFile(box + "Inbox.mbx"), answer == IDYES
                                                   ? "Subject: a\r\n\r\nbody a\r\n.\r\n"
                                                   : "Subject: years of mail\r\n\r\nbody\r\n.\r\n");
        EXPECT_FALSE(form.StopBtn1->Enabled());
        form_.reset();
    }
}

TEST_F(MainFormTest, JobFrameLocksThePagesTheTreeAndTheList) {
    TMainForm& form = Open();
    form.BeginJob();
    EXPECT_FALSE(form.PageControl1->Enabled());
    EXPECT_FALSE(form.TabSheet1->ExportBtn->Enabled());
    EXPECT_TRUE(form.StopBtn1->Enabled());
    EXPECT_FALSE(form.BeckyUser->Enabled());
    EXPECT_FALSE(form.FolderList->Enabled());
    form.AbortBtnClick();
    EXPECT_TRUE(form.AbortRequested);
    form.EndJob();
    EXPECT_TRUE(form.PageControl1->Enabled());
    EXPECT_FALSE(form.StopBtn1->Enabled());
    EXPECT_TRUE(form.BeckyUser->Enabled());
    EXPECT_TRUE(form.FolderList->Enabled());
}

// Closing the window while a job runs asks first: はい stops the job as the stop button does
// and closes the window after it; いいえ lets the job run to its end and the window stay.
TEST_F(MainFormTest, ClosingDuringARunAsksAndStopsOnlyOnYes) {
    std::map<int, std::size_t> written;  // the REN's size after each answer
    for (const int answer : {IDYES, IDNO}) {
        gMessages.clear();
        gYesNoAnswer = answer;
        TMainForm& form = Open();
        SelectNode("山田太郎 (仕事)", "Work");
        SelectRows({0});
        TypeFileName("Closing.REN");
        PostMessageW(form.Hwnd(), WM_CLOSE, 0, 0);  // handled while the first mail is written
        form.TabSheet1->ConvertClick();
        PumpMessages();
        EXPECT_EQ(gMessages, std::vector<std::string>{"処理中です。中止して終了しますか？"});
        EXPECT_EQ(form.Closed(), answer == IDYES);
        written[answer] = ReadFile(exeFolder_ + "Closing.REN").size();
        if (answer == IDYES) {
            EXPECT_TRUE(fs::exists(fs::path(options_.settingsFile)));  // closing saved them
        }
        form_.reset();
    }
    EXPECT_LT(written[IDYES], written[IDNO]) << "はい stops after the mail at hand";
}

TEST_F(MainFormTest, ClosingSavesTheSettings) {
    TMainForm& form = Open();
    form.TabSheet1->WordCount->SetText("300");
    form.TabSheet1->HyperRef->SetChecked(true);
    form.ExitButtonClick();
    PumpMessages();
    ASSERT_TRUE(form.Closed());
    const std::string ini = ReadFile(options_.settingsFile);
    EXPECT_NE(ini.find("WCOUNT=255"), std::string::npos) << ini;
    EXPECT_NE(ini.find("HYPERFIND=1"), std::string::npos) << ini;
    EXPECT_TRUE(gMessages.empty());
}

TEST_F(MainFormTest, SettingsThatCannotBeWrittenWarnOnce) {
    options_.settingsFile = dir_.File("no-such-folder") + "\\Tavori.ini";
    TMainForm& form = Open();
    form.ExitButtonClick();
    PumpMessages();
    EXPECT_TRUE(form.Closed());
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_EQ(gMessages[0], Narrow(Wide(kSettingsWriteWarning)));
}

}  // namespace
}  // namespace tavori::ui
