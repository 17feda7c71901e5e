#include "ui/dedupe_page.h"

#include "base/paths.h"
#include "jobs/dedupe_job.h"
#include "ui/bevel_label.h"
#include "ui/controls/button.h"
#include "ui/controls/edit.h"
#include "ui/controls/label.h"
#include "ui/controls/panel.h"

namespace tavori::ui {
namespace {

// The figures as the page's labels show them.
std::string TotalsText(const DedupeFigures& f) {
    if (!f.totals) return {};
    return "全件数: " + std::to_string(f.total) + " 件\n\n出力件数: " + std::to_string(f.output);
}

std::string OutcomeText(const DedupeFigures& f) {
    using Outcome = DedupeFigures::Outcome;
    switch (f.outcome) {
        case Outcome::kRepeats:
            return "重複件数: " + std::to_string(f.repeatedPairs);
        case Outcome::kNoRepeats:
            return "重複はありませんでした\n\n処理を取り止めます";
        case Outcome::kAborted:
            return "処理を中断しました";
        case Outcome::kNone:
            break;
    }
    return {};
}

}  // namespace

DedupePage::DedupePage(Panel& page, PageContext context) : context_(std::move(context)) {
    HWND p = page.Hwnd();
    // Three frames group the names, the option and the figures.
    BevelLabelArgs frame;
    frame.parent = p;
    Bevel1 = std::make_unique<TBevelLabel>(frame);
    Bevel1->Place(8, 8, 210, 64);
    Bevel2 = std::make_unique<TBevelLabel>(frame);
    Bevel2->Place(8, 80, 210, 64);
    Bevel3 = std::make_unique<TBevelLabel>(frame);
    Bevel3->Place(226, 8, 224, 136);

    Label1 = std::make_unique<Label>(LabelArgs{p, 0, "抽出先メールボックス名"});
    Label1->Place(16, 16, 194, 16);
    OutBox1 = std::make_unique<Edit>(EditArgs{p, 0, "Origin"});
    OutBox1->Place(16, 38, 194, 22);
    DupOut = std::make_unique<Button>(ButtonArgs{p, 0, "重複メールを出力する", true});
    DupOut->Place(16, 88, 194, 18);
    DupOut->onClick = [this] { DupOutClick(); };
    Label2 = std::make_unique<Label>(LabelArgs{p, 0, "出力先"});
    Label2->Place(16, 114, 50, 16);
    DupBox = std::make_unique<Edit>(EditArgs{p, 0, "DupBox"});
    DupBox->Place(70, 112, 140, 22);
    OutMsg = std::make_unique<Label>(LabelArgs{p, 0, ""});
    OutMsg->Place(236, 18, 206, 64);
    DupLabel = std::make_unique<Label>(LabelArgs{p, 0, ""});
    DupLabel->Place(236, 88, 206, 50);
    SplitBtn = std::make_unique<Button>(ButtonArgs{p, 0, "整理開始"});
    SplitBtn->Place(360, 164, 90, 26);
    SplitBtn->onClick = [this] { SplitBtnClick(); };
    DupOutClick();  // DupBox disabled, in the button face colour, as designed
    // The frames lie under what they frame, so that repainting one never covers an edit.
    for (TBevelLabel* frame : {Bevel1.get(), Bevel2.get(), Bevel3.get()}) frame->SendToBack();
}

DedupePage::~DedupePage() = default;

void DedupePage::Run(const Selection& selection, JobHost& host, int& messages) {
    OutMsg->ShowText("");
    DupLabel->ShowText("");
    const std::string folder = selection.Folder();
    DedupeOptions options;
    options.uniquePath = folder + MailboxFileName(OutBox1->Text());
    if (DupOut->Checked()) options.duplicatePath = folder + MailboxFileName(DupBox->Text());
    DedupeJob job(selection.Mailboxes(), options, host);
    struct Count {  // the messages the scan read, also when the job throws
        const DedupeJob& job;
        int& messages;
        ~Count() { messages = job.MessageCount(); }
    } count{job, messages};
    job.Run();
}

void DedupePage::ShowFigures(const JobFigures& figures) {
    const auto* f = std::get_if<DedupeFigures>(&figures);
    if (!f) return;
    context_.counter->ShowText("件数: " + std::to_string(f->counted));
    OutMsg->ShowText(TotalsText(*f));
    DupLabel->ShowText(OutcomeText(*f));
}

void DedupePage::DupOutClick() {
    const bool enabled = DupOut->Checked();
    DupBox->SetEnabled(enabled);
    DupBox->SetColors(GetSysColor(COLOR_WINDOWTEXT),
                      GetSysColor(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
}

}  // namespace tavori::ui
