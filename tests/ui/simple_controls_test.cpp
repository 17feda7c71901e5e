// The small control wrappers, each on a hidden window of its own, driven through the messages
// the real controls send and read back through the controls' own messages.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "test_window.h"
#include "ui/controls/button.h"
#include "ui/controls/edit.h"
#include "ui/controls/hints.h"
#include "ui/controls/label.h"
#include "ui/controls/page_control.h"
#include "ui/controls/panel.h"
#include "ui/controls/progress_bar.h"
#include "ui/controls/spin_edit.h"
#include "ui/controls/splitter.h"
#include "ui/controls/status_bar.h"
#include "ui/text.h"

namespace tavori::ui {
namespace {

void Pump() { test::TestWindow::Pump(); }

bool HasVisibleStyle(HWND hwnd) { return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

class SimpleControls : public testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(host_, nullptr); }
    // Sends the container what a child sends it (lParam: the child).
    LRESULT Command(const Control& child, WORD code) {
        return SendMessageW(GetParent(child.Hwnd()), WM_COMMAND,
                            MAKEWPARAM(GetDlgCtrlID(child.Hwnd()), code),
                            reinterpret_cast<LPARAM>(child.Hwnd()));
    }
    test::TestWindow window_;
    HWND host_ = window_.Hwnd();
};

TEST_F(SimpleControls, PanelRoutesChildButtonClick) {
    Panel panel(PanelArgs{.parent = host_});
    Button button(ButtonArgs{.parent = panel.Hwnd(), .text = "中止"});
    int clicks = 0;
    button.onClick = [&] { ++clicks; };
    button.SetBounds(0, 0, 80, 24);  // a click lands inside the button
    SendMessageW(button.Hwnd(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(clicks, 1);
}

TEST_F(SimpleControls, PanelFrameLiesOutsideTheClientArea) {
    Panel panel(PanelArgs{.parent = host_, .borderWidth = 2});
    int width = -1, height = -1;
    panel.onResize = [&](int w, int h) { width = w, height = h; };
    panel.SetBounds(10, 10, 100, 50);
    EXPECT_EQ(width, 96);
    EXPECT_EQ(height, 46);
}

TEST_F(SimpleControls, ContainerAnswersChildColours) {
    Panel panel(PanelArgs{.parent = host_});
    Label caution(LabelArgs{.parent = panel.Hwnd(), .text = "注意", .textColor = RGB(255, 0, 0)});
    Label plain(LabelArgs{.parent = panel.Hwnd(), .text = "出力先"});
    Edit dupBox(EditArgs{.parent = panel.Hwnd(), .text = "DupBox"});
    dupBox.SetColors(RGB(0, 0, 0), RGB(1, 2, 3));
    dupBox.SetEnabled(false);  // a disabled edit asks with WM_CTLCOLORSTATIC
    HDC dc = CreateCompatibleDC(nullptr);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    struct Row {
        UINT message;
        const Control* child;
        COLORREF text, background;
        const char* reason;
    } rows[] = {
        {WM_CTLCOLORSTATIC, &caution, RGB(255, 0, 0), face, "a label's own text colour"},
        {WM_CTLCOLORSTATIC, &plain, RGB(9, 9, 9), face, "no colour: the dc's text colour stays"},
        {WM_CTLCOLORSTATIC, &dupBox, RGB(0, 0, 0), RGB(1, 2, 3), "a disabled edit's colours"},
        {WM_CTLCOLOREDIT, &dupBox, RGB(0, 0, 0), RGB(1, 2, 3), "an enabled edit's colours"},
    };
    for (const Row& row : rows) {
        SetTextColor(dc, RGB(9, 9, 9));
        SetBkColor(dc, RGB(7, 7, 7));
        const LRESULT brush = SendMessageW(panel.Hwnd(), row.message, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(row.child->Hwnd()));
        EXPECT_NE(brush, 0) << row.reason;
        EXPECT_EQ(GetTextColor(dc), row.text) << row.reason;
        EXPECT_EQ(GetBkColor(dc), row.background) << row.reason;
    }
    DeleteDC(dc);
}

TEST_F(SimpleControls, EditReportsTextChanges) {
    Edit edit(EditArgs{.parent = host_, .text = "Origin"});
    int changes = 0;
    edit.onChange = [&] { ++changes; };
    SendMessageW(edit.Hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Import"));
    Pump();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(edit.Text(), "Import");
}

TEST_F(SimpleControls, SpinEditValueIsTheTextClampedToTheRange) {
    SpinEdit spin(SpinEditArgs{.parent = host_, .minValue = 40, .maxValue = 255, .value = 72});
    struct Row {
        const char* text;
        int expected;
        const char* reason;
    } rows[] = {
        {"100", 100, "inside the range"},
        {"300", 255, "above: the maximum"},
        {"39", 40, "below: the minimum"},
        {"-5", 40, "negative: the minimum"},
        {"99999999999999999999", 255, "beyond any int: the maximum"},
        {" 60 ", 60, "spaces around the number"},
        {"１２０", 120, "full-width digits, as an input method types them"},
        {"abc", 40, "no number: the minimum"},
        {"12a", 40, "trailing letters: no number"},
        {"", 40, "empty: the minimum"},
    };
    for (const Row& row : rows) {
        SendMessageW(spin.Hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(row.text).c_str()));
        EXPECT_EQ(spin.Value(), row.expected) << row.reason;
    }
}

TEST_F(SimpleControls, SpinEditShowsTheUsedValueWhenLeft) {
    SpinEdit spin(SpinEditArgs{.parent = host_});
    spin.SetText("300");
    Command(spin, EN_KILLFOCUS);
    EXPECT_EQ(spin.Text(), "255");
}

TEST_F(SimpleControls, SpinEditArrowsStepWithinTheRange) {
    SpinEdit spin(SpinEditArgs{.parent = host_, .value = 254});
    int changes = 0;
    spin.onChange = [&] { ++changes; };
    auto press = [&](WPARAM key) {
        SendMessageW(spin.Hwnd(), WM_KEYDOWN, key, 0);
        SendMessageW(spin.Hwnd(), WM_KEYUP, key, 0);
        Pump();
    };
    press(VK_UP);
    EXPECT_EQ(spin.Text(), "255");
    EXPECT_GE(changes, 1);
    press(VK_UP);
    EXPECT_EQ(spin.Text(), "255") << "no step beyond the maximum";
    spin.SetText("300");
    press(VK_DOWN);
    EXPECT_EQ(spin.Text(), "254") << "steps from the clamped value";
    spin.SetValue(40);
    press(VK_DOWN);
    EXPECT_EQ(spin.Text(), "40") << "no step below the minimum";
}

TEST_F(SimpleControls, SpinEditIsDisabledAndLaidOutWithItsArrows) {
    SpinEdit spin(SpinEditArgs{.parent = host_});
    spin.SetBounds(10, 20, 60, 20);
    const RECT edit = spin.Bounds();
    RECT arrows{};
    GetWindowRect(spin.ArrowsHwnd(), &arrows);
    MapWindowPoints(HWND_DESKTOP, host_, reinterpret_cast<POINT*>(&arrows), 2);
    EXPECT_EQ(edit.left, 10);
    EXPECT_EQ(edit.right, arrows.left);
    EXPECT_EQ(arrows.right, 70);
    spin.SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(spin.Hwnd()));
    EXPECT_FALSE(IsWindowEnabled(spin.ArrowsHwnd()));
}

class PageControlTest : public SimpleControls {
  protected:
    std::vector<bool> Shown() const {
        std::vector<bool> shown;
        for (int i = 0; i < pages_->PageCount(); ++i)
            shown.push_back(HasVisibleStyle(pages_->Page(i).Hwnd()));
        return shown;
    }
    void MakePages() {
        pages_ = std::make_unique<PageControl>(PageControlArgs{.parent = host_});
        pages_->SetBounds(0, 0, 400, 300);
        for (const char* caption : {"Becky→知子テキスト", "重複メール整理", "外部ファイル取込"})
            pages_->AddPage(caption);
    }
    std::unique_ptr<PageControl> pages_;
};

TEST_F(PageControlTest, ShowsOnlyTheActivePage) {
    MakePages();
    EXPECT_EQ(pages_->ActivePage(), 0);
    EXPECT_EQ(Shown(), (std::vector<bool>{true, false, false}));
    pages_->SetActivePage(2);
    EXPECT_EQ(pages_->ActivePage(), 2);
    EXPECT_EQ(Shown(), (std::vector<bool>{false, false, true}));
}

TEST_F(PageControlTest, UserSwitchShowsThePageAndReportsIt) {
    MakePages();
    std::vector<int> changes;
    pages_->onPageChanged = [&](int index) { changes.push_back(index); };
    SendMessageW(pages_->Hwnd(), TCM_SETCURFOCUS, 1, 0);  // sends TCN_SELCHANGE
    Pump();
    EXPECT_EQ(changes, std::vector<int>{1});
    EXPECT_EQ(Shown(), (std::vector<bool>{false, true, false}));
}

TEST_F(PageControlTest, PagesFillTheDisplayAreaAfterResize) {
    MakePages();
    pages_->SetBounds(0, 0, 500, 250);
    RECT area{};
    GetClientRect(pages_->Hwnd(), &area);
    SendMessageW(pages_->Hwnd(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (int i = 0; i < pages_->PageCount(); ++i) {
        const RECT page = pages_->Page(i).Bounds();
        EXPECT_TRUE(EqualRect(&page, &area)) << "page " << i;
    }
}

TEST_F(PageControlTest, DisablingDisablesEveryPage) {
    MakePages();
    pages_->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(pages_->Hwnd()));
    for (int i = 0; i < pages_->PageCount(); ++i)
        EXPECT_FALSE(IsWindowEnabled(pages_->Page(i).Hwnd())) << "page " << i;
    pages_->SetEnabled(true);
    for (int i = 0; i < pages_->PageCount(); ++i)
        EXPECT_TRUE(IsWindowEnabled(pages_->Page(i).Hwnd())) << "page " << i;
}

// Counts the PBM_SETPOS messages that reach the progress bar.
LRESULT CALLBACK CountSetPos(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR count) {
    if (message == PBM_SETPOS) ++*reinterpret_cast<int*>(count);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST_F(SimpleControls, ProgressBarScalesSixtyFourBitAmounts) {
    constexpr std::uint64_t GiB = 1ULL << 30;
    struct Row {
        std::uint64_t maximum, position;
        int shown;
        const char* reason;
    } rows[] = {
        {5 * GiB, 5 * GiB / 2, ProgressBar::kRange / 2, "past 4 GiB: half is half"},
        {5 * GiB, 0, 0, "nothing read"},
        {5 * GiB, 5 * GiB, ProgressBar::kRange, "all read"},
        {5 * GiB, 6 * GiB, ProgressBar::kRange, "beyond the maximum: full"},
        {~0ULL, 1ULL << 63, ProgressBar::kRange / 2, "the largest amounts do not overflow"},
        {3, 1, ProgressBar::kRange / 3, "rounds down"},
        {0, 10, 0, "no maximum: empty"},
    };
    for (const Row& row : rows) {
        ProgressBar bar(ProgressBarArgs{.parent = host_});
        bar.SetMaximum(row.maximum);
        bar.SetPosition(row.position);
        EXPECT_EQ(bar.Shown(), row.shown) << row.reason;
        EXPECT_EQ(SendMessageW(bar.Hwnd(), PBM_GETPOS, 0, 0), row.shown) << row.reason;
    }
}

TEST_F(SimpleControls, ProgressBarIsToldOnlyOfVisibleMoves) {
    constexpr std::uint64_t GiB = 1ULL << 30;
    ProgressBar bar(ProgressBarArgs{.parent = host_});
    int setPos = 0;
    ASSERT_TRUE(
        SetWindowSubclass(bar.Hwnd(), CountSetPos, 1, reinterpret_cast<DWORD_PTR>(&setPos)));
    bar.SetMaximum(5 * GiB);
    bar.SetPosition(5 * GiB / 2);
    EXPECT_EQ(setPos, 1);
    bar.SetPosition(5 * GiB / 2 + 1000);  // one mail further: the same pixel
    EXPECT_EQ(setPos, 1);
    EXPECT_EQ(bar.Position(), 5 * GiB / 2 + 1000);
    bar.SetPosition(5 * GiB);
    EXPECT_EQ(setPos, 2);
    RemoveWindowSubclass(bar.Hwnd(), CountSetPos, 1);
}

TEST_F(SimpleControls, StatusBarPanelsHaveTheirWidthsAndTexts) {
    StatusBar bar(StatusBarArgs{.parent = host_, .widths = {180, 200, 200}});
    int edges[4] = {};
    ASSERT_EQ(SendMessageW(bar.Hwnd(), SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
    EXPECT_EQ(edges[0], 180);
    EXPECT_EQ(edges[1] - edges[0], 200);
    EXPECT_EQ(edges[2] - edges[1], 200);
    bar.SetPanelText(1, "件数: 表示");  // 表 ends in the byte 0x5C
    EXPECT_EQ(bar.PanelText(1), "件数: 表示");
    EXPECT_EQ(bar.PanelText(0), "");
    EXPECT_GT(bar.Height(), 0);
}

TEST_F(SimpleControls, SplitterReportsTheDragSinceItBegan) {
    for (const bool vertical : {true, false}) {
        Splitter bar(SplitterArgs{.parent = host_, .vertical = vertical});
        bar.SetBounds(100, 100, vertical ? 3 : 200, vertical ? 200 : 3);
        std::vector<int> deltas;
        int starts = 0, ends = 0;
        bar.onDragStart = [&] { ++starts; };
        bar.onDrag = [&](int delta) { deltas.push_back(delta); };
        bar.onDragEnd = [&] { ++ends; };
        // The point across the bar, in its client coordinates.
        auto at = [&](int across) {
            return vertical ? MAKELPARAM(across, 10) : MAKELPARAM(10, across);
        };
        SendMessageW(bar.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at(1));
        SendMessageW(bar.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, at(21));
        // The owner follows the drag: the mouse stays put while the bar moves under it.
        bar.SetBounds(vertical ? 120 : 100, vertical ? 100 : 120, vertical ? 3 : 200,
                      vertical ? 200 : 3);
        SendMessageW(bar.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, at(1));
        SendMessageW(bar.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, at(-9));
        SendMessageW(bar.Hwnd(), WM_LBUTTONUP, 0, at(-9));
        SendMessageW(bar.Hwnd(), WM_MOUSEMOVE, 0, at(50));
        Pump();
        EXPECT_EQ(starts, 1);
        EXPECT_EQ(deltas, (std::vector<int>{20, 10})) << (vertical ? "vertical" : "horizontal");
        EXPECT_EQ(ends, 1);
        EXPECT_FALSE(bar.Dragging());
    }
}

TEST_F(SimpleControls, HintsKeepOneTextPerControl) {
    Button button(ButtonArgs{.parent = host_, .text = "ﾃｷｽﾄ"});
    Hints hints(host_);
    hints.Add(button, "試しに切出しを実行");
    hints.Add(button, "ﾃｷｽﾄ全体を切出します");
    EXPECT_EQ(SendMessageW(hints.Hwnd(), TTM_GETTOOLCOUNT, 0, 0), 1);
    std::wstring text(INFOTIPSIZE, L'\0');
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = host_;
    tool.uId = reinterpret_cast<UINT_PTR>(button.Hwnd());
    tool.lpszText = text.data();
    SendMessageW(hints.Hwnd(), TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(Narrow(text.c_str()), "ﾃｷｽﾄ全体を切出します");
}

}  // namespace
}  // namespace tavori::ui
