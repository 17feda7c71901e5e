// The window's job host redraws and looks at the message queue only now and then: what it
// finally shows must still be the last values, and each file must start afresh.
#include "ui/window_host.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>

#include "test_window.h"
#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "ui/controls/progress_bar.h"

namespace tavori::ui {
namespace {

class WindowHostTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(window_.Hwnd(), nullptr);
        progMsg_ = std::make_unique<Label>(LabelArgs{window_.Hwnd(), 0, ""});
        bar_ = std::make_unique<ProgressBar>(ProgressBarArgs{window_.Hwnd(), 0});
        stop_ = std::make_unique<Button>(ButtonArgs{window_.Hwnd(), 0, "中止"});
        stop_->SetBounds(0, 0, 80, 24);  // a click lands inside the button
        stop_->onClick = [this] { abort_ = true; };
        host_ = std::make_unique<WindowHost>(*progMsg_, *bar_, abort_);
        host_->ShowFiguresWith([this](const JobFigures& figures) {
            drawn_ = std::get<ExportFigures>(figures);
            ++draws_;
        });
    }

    test::TestWindow window_;
    std::unique_ptr<Label> progMsg_;
    std::unique_ptr<ProgressBar> bar_;
    std::unique_ptr<Button> stop_;
    bool abort_ = false;
    std::unique_ptr<WindowHost> host_;
    std::optional<ExportFigures> drawn_;
    int draws_ = 0;
};

TEST_F(WindowHostTest, FlushShowsTheLastFiguresAndPositionOnce) {
    host_->SetProgressMaximum(100);
    host_->SetProgressPosition(10);
    host_->ShowFigures(ExportFigures{1, 1, 0});
    host_->SetProgressPosition(50);
    host_->ShowFigures(ExportFigures{2, 2, 1});
    host_->Flush();
    EXPECT_EQ(drawn_, (ExportFigures{2, 2, 1}));
    EXPECT_EQ(bar_->Position(), 50u);
    const int draws = draws_;
    host_->Flush();
    EXPECT_EQ(draws_, draws) << "figures drawn already are not drawn again";
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
