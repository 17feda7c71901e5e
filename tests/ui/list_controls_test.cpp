// The tree, list, file list and combo box wrappers driven with the controls' own messages in
// a hidden window, as a user's clicks and keys would drive them.
#include <windows.h>
// The common controls' header needs windows.h first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"
#include "test_window.h"
#include "ui/controls/combo_box.h"
#include "ui/controls/file_list_box.h"
#include "ui/controls/list_view.h"
#include "ui/controls/tree_view.h"

namespace tavori::ui {
namespace {

using Strings = std::vector<std::string>;

class ListControlsTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(host_, nullptr);
        images_ = ImageList_Create(16, 16, ILC_COLOR32, 8, 0);
        HBITMAP blank = CreateBitmap(16 * 8, 16, 1, 32, nullptr);
        ImageList_Add(images_, blank, nullptr);
        DeleteObject(blank);
    }
    void TearDown() override { ImageList_Destroy(images_); }
    static void Pump() { test::TestWindow::Pump(); }
    // What the control itself sends its parent after a user's choice.
    void Notify(const Control& control, WORD code) {
        SendMessageW(host_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control.Hwnd()), code),
                     reinterpret_cast<LPARAM>(control.Hwnd()));
        Pump();
    }

    test::TestWindow window_{400, 300};
    HWND host_ = window_.Hwnd();
    HIMAGELIST images_ = nullptr;
};

TEST_F(ListControlsTest, TreeSelectReportsTheItemAndItemsKeepTheirData) {
    TreeView tree({host_, 101, images_});
    std::vector<HTREEITEM> reported;
    tree.onSelectionChanged = [&](HTREEITEM item) { reported.push_back(item); };
    HTREEITEM root = tree.AddItem(TVI_ROOT, "Becky!", 0, 0, -1, 0);
    HTREEITEM user = tree.AddItem(root, "山田", 5, 5, 5, 7);
    HTREEITEM folder = tree.AddItem(root, "表示", 3, 4, 3, 9);  // 2nd byte of 表 is "\"
    tree.Expand(root);

    tree.Select(user);
    Pump();
    EXPECT_EQ(reported, std::vector<HTREEITEM>{user});
    EXPECT_EQ(tree.Selected(), user);
    EXPECT_EQ(tree.Data(folder), 9);
    EXPECT_EQ(tree.ItemText(folder), "表示");
    EXPECT_EQ(tree.FirstChild(TVI_ROOT), root);
    EXPECT_EQ(tree.NextSibling(tree.FirstChild(root)), folder);
    // The model's image numbers are the control's state numbers; -1 is none.
    auto state = [&](HTREEITEM item) {
        return static_cast<UINT>(SendMessageW(tree.Hwnd(), TVM_GETITEMSTATE,
                                              reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK));
    };
    EXPECT_EQ(state(user), UINT{INDEXTOSTATEIMAGEMASK(5)});
    EXPECT_EQ(state(root), 0u);
}

TEST_F(ListControlsTest, TreeDeleteChildrenKeepsTheItemAndReportsTheNewSelection) {
    TreeView tree({host_, 101, images_});
    HTREEITEM root = tree.AddItem(TVI_ROOT, "Becky!", 0, 0, -1, 0);
    HTREEITEM user = tree.AddItem(root, "user", 5, 5, 5, 1);
    tree.AddItem(user, "sub", 3, 4, 3, 0);
    tree.AddItem(root, "other", 5, 5, 5, 2);
    tree.Expand(root);
    tree.Select(user);
    HTREEITEM last = user;
    tree.onSelectionChanged = [&](HTREEITEM item) { last = item; };

    tree.DeleteChildren(root);
    Pump();
    EXPECT_EQ(tree.FirstChild(root), nullptr);
    EXPECT_EQ(tree.FirstChild(TVI_ROOT), root);
    EXPECT_NE(tree.Selected(), user);
    EXPECT_EQ(last, tree.Selected()) << "the window must not keep a deleted node as selected";
}

TEST_F(ListControlsTest, ListRowsHoldTheirCellsAndCountTheSelection) {
    ListView list({host_, 102, true, images_});
    list.AddColumn("フォルダー名", 150);
    list.AddColumn("サイズ", 80, true);
    list.AddColumn("日付", 140);
    const std::string longName(300, 'n');  // longer than a first guess at the buffer
    std::vector<int> changed;
    list.onItemChanged = [&](int row) { changed.push_back(row); };
    list.AddRow({"受信箱", "12KB", "2024/1/2 3:04:05"}, 6);
    list.AddRow({longName, "0KB"}, 6);
    list.AddRow({"表"}, 6);

    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.CellText(0, 1), "12KB");
    EXPECT_EQ(list.CellText(1, 0), longName);
    EXPECT_EQ(list.CellText(1, 2), "");
    EXPECT_EQ(list.CellText(2, 0), "表");

    changed.clear();
    list.SetSelected(0, true);
    list.SetSelected(2, true);
    Pump();
    EXPECT_EQ(list.SelectedCount(), 2);
    EXPECT_FALSE(list.IsSelected(1));
    std::sort(changed.begin(), changed.end());
    EXPECT_EQ(changed, (std::vector<int>{0, 2}));
}

TEST_F(ListControlsTest, StateImageSetFromTheChangeCallbackFollowsTheSelection) {
    ListView list({host_, 102, true, images_});
    list.AddColumn("name", 100);
    list.AddRow({"a"}, 6);
    list.AddRow({"b"}, 6);
    int calls = 0;
    // As the folder list marks its selected rows: a change made inside the change report.
    list.onItemChanged = [&](int row) {
        ++calls;
        list.SetStateImage(row, list.IsSelected(row) ? 7 : -1);
    };
    auto bits = [&](int row) {
        return static_cast<UINT>(SendMessageW(list.Hwnd(), LVM_GETITEMSTATE,
                                              static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    };

    list.SetSelected(1, true);
    Pump();
    EXPECT_EQ(list.StateImage(1), 7);
    EXPECT_EQ(bits(1), UINT{INDEXTOSTATEIMAGEMASK(8)}) << "state k shows image k - 1";
    EXPECT_EQ(list.StateImage(0), -1);
    list.SetSelected(1, false);
    Pump();
    EXPECT_EQ(bits(1), 0u);
    EXPECT_LT(calls, 10) << "re-setting the image a row has must not loop through the report";
}

void MakeFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    HANDLE h =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    CloseHandle(h);
}

TEST(FileNameOrder, ComparesAsciiWithoutCaseAndDoubleByteCharactersAsTheyAre) {
    const struct {
        std::string before, after, reason;
    } rows[] = {
        {"A.eml", "b.txt", "ASCII letter case is ignored"},
        {"b.txt", "_x.txt", "letters compare as upper case, so they come before _"},
        {"アb.txt", "ヂa.txt", "the second bytes of ア and ヂ are A and a: no case there"},
        {"_x.txt", "アb.txt", "single-byte names before double-byte ones"},
        {"X.txt", "x.txt", "names equal but for case still have one order"},
    };
    for (const auto& row : rows) {
        EXPECT_TRUE(FileNameLess(row.before, row.after)) << row.reason;
        EXPECT_FALSE(FileNameLess(row.after, row.before)) << row.reason;
    }
}

TEST_F(ListControlsTest, FileListListsMatchingFilesSortedAndUnselected) {
    test::ScratchDir dir;
    for (const char* name : {"b.txt", "A.eml", "日本語.txt", "x.REN", "c.htm"})
        MakeFile(dir.File(name));
    MakeFile(dir.File("h.txt"), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(CreateDirectoryA(dir.File("d.txt").c_str(), nullptr));
    FileListBox box({host_, 103, "*.txt;*.eml", true});
    int changes = 0;
    box.onChange = [&] { ++changes; };

    box.SetFolder(dir.Path());
    EXPECT_EQ(box.Names(), (Strings{"A.eml", "b.txt", "日本語.txt"}));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(box.SelectedIndex(), -1);
    box.SelectAll();
    EXPECT_EQ(box.SelectedNames(), box.Names());
    EXPECT_EQ(changes, 2);
    box.SetFolder(dir.Path());
    EXPECT_TRUE(box.SelectedNames().empty()) << "a re-read list has no selection";
    EXPECT_EQ(changes, 3);
    box.SetMask("*.ren");
    EXPECT_EQ(box.Names(), Strings{"x.REN"});
    EXPECT_EQ(changes, 4);
}

TEST_F(ListControlsTest, FileListReportsUserSelectionAndTypedCharacters) {
    test::ScratchDir dir;
    for (const char* name : {"1.txt", "2.txt", "3.txt"}) MakeFile(dir.File(name));
    FileListBox box({host_, 103, "*.txt", true});
    box.SetFolder(dir.Path());
    int changes = 0;
    std::vector<wchar_t> typed;
    box.onChange = [&] { ++changes; };
    box.onKeyPress = [&](wchar_t ch) { typed.push_back(ch); };

    SendMessageW(box.Hwnd(), LB_SETSEL, TRUE, 2);
    SendMessageW(box.Hwnd(), LB_SETSEL, TRUE, 0);
    Notify(box, LBN_SELCHANGE);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(box.SelectedNames(), (Strings{"1.txt", "3.txt"}));
    SendMessageW(box.Hwnd(), WM_CHAR, 1, 0);  // Ctrl+A
    EXPECT_EQ(typed, std::vector<wchar_t>{1});

    FileListBox single({host_, 104, "*.*", false});
    single.SetFolder(dir.Path());
    single.SetSelected(1, true);
    single.SelectAll();
    EXPECT_EQ(single.SelectedNames(), Strings{"2.txt"});
}

TEST_F(ListControlsTest, FileListFolderWithOrWithoutFinalSeparator) {
    test::ScratchDir dir;
    // 表 ends in the byte of "\": taking it for a separator would list the parent's 表*.txt.
    ASSERT_TRUE(CreateDirectoryA(dir.File("表").c_str(), nullptr));
    MakeFile(dir.File("表\\in.txt"));
    MakeFile(dir.File("表m.txt"));
    const struct {
        std::string folder;
        Strings names;
        std::string reason;
    } rows[] = {
        {dir.File("表\\"), {"in.txt"}, "folder as the window passes it"},
        {dir.File("表"), {"in.txt"}, "folder from the folder browser, no final separator"},
        {dir.File("missing\\"), {}, "a folder that cannot be listed"},
        {"", {}, "no folder"},
    };
    FileListBox box({host_, 103, "*.txt", true});
    for (const auto& row : rows) {
        box.SetFolder(row.folder);
        EXPECT_EQ(box.Names(), row.names) << row.reason;
    }
}

TEST_F(ListControlsTest, ComboSetItemsKeepsTheTextAndReportsNothing) {
    ComboBox combo({host_, 105, "TomoText.REN"});
    int changes = 0;
    combo.onTextChanged = [&] { ++changes; };

    combo.SetItems({"a.REN", "表.REN"});
    combo.AddItem("c.REN");
    EXPECT_EQ(combo.Items(), (Strings{"a.REN", "表.REN", "c.REN"}));
    EXPECT_EQ(combo.Text(), "TomoText.REN");
    EXPECT_EQ(changes, 0);
}

TEST_F(ListControlsTest, ComboReportsChosenTypedAndSetTextOncePerChange) {
    ComboBox combo({host_, 105, "Mail"});
    combo.SetItems({"a.REN", "b.REN"});
    Strings seen;
    combo.onTextChanged = [&] { seen.push_back(combo.Text()); };
    COMBOBOXINFO info{sizeof(info)};
    ASSERT_TRUE(GetComboBoxInfo(combo.Hwnd(), &info));

    SendMessageW(info.hwndItem, EM_SETSEL, 4, 4);
    SendMessageW(info.hwndItem, WM_CHAR, L'x', 0);
    EXPECT_EQ(seen, Strings{"Mailx"});
    SendMessageW(combo.Hwnd(), CB_SETCURSEL, 1, 0);
    Notify(combo, CBN_SELCHANGE);
    EXPECT_EQ(seen, (Strings{"Mailx", "b.REN"})) << "the chosen item is the text in the report";
    combo.SetText("Mail.REN");
    combo.SetText("Mail.REN");
    static_cast<Control&>(combo).SetText("");  // as the file list's change handler empties it
    EXPECT_EQ(seen, (Strings{"Mailx", "b.REN", "Mail.REN", ""}));
}

}  // namespace
}  // namespace tavori::ui
