#pragma once
// The duplicate cleanup page (TabSheet2): the names of the two new mailboxes and the result
// figures, and SplitBtnClick running the cleanup job.
#include <memory>

#include "ui/job_page.h"
#include "ui/page_context.h"

namespace tavori::ui {

class TBevelLabel;
class Edit;
class Panel;

class DedupePage final : public JobPage {
  public:
    DedupePage(Panel& page, PageContext context);
    ~DedupePage() override;

    void SplitBtnClick() { context_.runJob(*this); }
    void DupOutClick();

    Button& StartButton() override { return *SplitBtn; }
    bool CanStart(const Selection& selection) const override { return selection.AnyMailbox(); }
    bool WritesMailboxes() const override { return true; }
    void Run(const Selection& selection, JobHost& host, int& messages) override;
    void ShowFigures(const JobFigures& figures) override;

    // The controls, by their names in the window's design.
    std::unique_ptr<Label> Label1;
    std::unique_ptr<Edit> OutBox1;
    std::unique_ptr<Button> DupOut;
    std::unique_ptr<Label> Label2;
    std::unique_ptr<Edit> DupBox;
    std::unique_ptr<TBevelLabel> Bevel1, Bevel2, Bevel3;
    std::unique_ptr<Label> OutMsg;
    std::unique_ptr<Label> DupLabel;
    std::unique_ptr<Button> SplitBtn;

  private:
    PageContext context_;
};

}  // namespace tavori::ui
