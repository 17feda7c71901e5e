// The window's job host redraws and looks at the message queue only now and then: what it
// finally shows must still be the last values, and each file must start afresh.
#include "ui/window_host.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "ui/controls/panel.h"
#include "ui/controls/progress_bar.h"

namespace tavori::ui {
namespace {

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    const LRESULT result = ContainerProc(hwnd, message, wParam, lParam, handled);
    return handled ? result : DefWindowProcW(hwnd, message, wParam, lParam);
}

class WindowHostTest : public testing::Test {
  protected:
    void SetUp() override {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = HostProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TavoriWindowHostTest";
            return RegisterClassExW(&wc) != 0;
        }();
        ASSERT_TRUE(registered);
        window_ = CreateWindowExW(0, L"TavoriWindowHostTest", L"", WS_OVERLAPPEDWINDOW, 0, 0, 640,
                                  480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        progMsg_ = std::make_unique<Label>(LabelArgs{window_, 0, ""});
        bar_ = std::make_unique<ProgressBar>(ProgressBarArgs{window_, 0});
        msgLabel_ = std::make_unique<Label>(LabelArgs{window_, 0, ""});
        label8_ = std::make_unique<Label>(LabelArgs{window_, 0, ""});
        stop_ = std::make_unique<Button>(ButtonArgs{window_, 0, "中止"});
        stop_->SetBounds(0, 0, 80, 24);  // a click lands inside the button
        stop_->onClick = [this] { abort_ = true; };
        host_ = std::make_unique<WindowHost>(*progMsg_, *bar_, *msgLabel_, *label8_, abort_);
    }
    void TearDown() override {
        host_.reset();
        stop_.reset();
        label8_.reset();
        msgLabel_.reset();
        bar_.reset();
        progMsg_.reset();
        DestroyWindow(window_);
    }

    HWND window_ = nullptr;
    std::unique_ptr<Label> progMsg_, msgLabel_, label8_;
    std::unique_ptr<ProgressBar> bar_;
    std::unique_ptr<Button> stop_;
    bool abort_ = false;
    std::unique_ptr<WindowHost> host_;
};

TEST_F(WindowHostTest, FlushShowsTheLastCountersAndPosition) {
    host_->SetProgressMaximum(100);
    host_->SetProgressPosition(10);
    host_->SetCounters("件数: 1 / 1", "添付: 0");
    host_->SetProgressPosition(50);
    host_->SetCounters("件数: 2 / 2", "添付: 1");
    host_->Flush();
    EXPECT_EQ(msgLabel_->Text(), "件数: 2 / 2");
    EXPECT_EQ(label8_->Text(), "添付: 1");
    EXPECT_EQ(bar_->Position(), 50u);
}

TEST_F(WindowHostTest, EachFileStartsWithAnEmptyBar) {
    host_->SetProgressMaximum(100);
    host_->SetProgressPosition(100);
    host_->Flush();
    ASSERT_EQ(bar_->Shown(), ProgressBar::kRange);
    host_->SetProgressMaximum(1000);  // the next file, before its first mail
    EXPECT_EQ(bar_->Shown(), 0);
}

// A stop pressed while a file is opened takes effect after that file's first mail, however
// short the time since the window last looked at its queue.
TEST_F(WindowHostTest, FirstMailOfEachFileHandlesWaitingInput) {
    host_->SetProgressText("ファイル:a.mbx を変換中...");
    host_->ProcessPendingEvents();
    host_->SetProgressText("ファイル:b.mbx を変換中...");
    PostMessageW(stop_->Hwnd(), BM_CLICK, 0, 0);
    host_->ProcessPendingEvents();
    EXPECT_TRUE(host_->AbortRequested());
}

}  // namespace
}  // namespace tavori::ui
