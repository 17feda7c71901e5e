// The duplicate cleanup page: the names of the two new mailboxes and the result figures.
#include "jobs/dedupe_job.h"
#include "ui/bevel_label.h"
#include "ui/controls/button.h"
#include "ui/controls/edit.h"
#include "ui/controls/label.h"
#include "ui/controls/list_view.h"
#include "ui/controls/panel.h"
#include "ui/controls/tree_view.h"
#include "ui/main_form.h"
#include "ui/window_host.h"

namespace tavori::ui {

void TMainForm::CreateDedupePage(Panel& page) {
    HWND p = page.Hwnd();
    // Three frames group the names, the option and the figures.
    BevelLabelArgs frame;
    frame.parent = p;
    Bevel1 = std::make_unique<TBevelLabel>(frame);
    Bevel1->SetBounds(8, 8, 210, 64);
    Bevel2 = std::make_unique<TBevelLabel>(frame);
    Bevel2->SetBounds(8, 80, 210, 64);
    Bevel3 = std::make_unique<TBevelLabel>(frame);
    Bevel3->SetBounds(226, 8, 224, 136);

    Label1 = std::make_unique<Label>(LabelArgs{p, 0, "抽出先メールボックス名"});
    Label1->SetBounds(16, 16, 194, 16);
    OutBox1 = std::make_unique<Edit>(EditArgs{p, 0, "Origin"});
    OutBox1->SetBounds(16, 38, 194, 22);
    DupOut = std::make_unique<Button>(ButtonArgs{p, 0, "重複メールを出力する", true});
    DupOut->SetBounds(16, 88, 194, 18);
    DupOut->onClick = [this] { DupOutClick(); };
    Label2 = std::make_unique<Label>(LabelArgs{p, 0, "出力先"});
    Label2->SetBounds(16, 114, 50, 16);
    DupBox = std::make_unique<Edit>(EditArgs{p, 0, "DupBox"});
    DupBox->SetBounds(70, 112, 140, 22);
    OutMsg = std::make_unique<Label>(LabelArgs{p, 0, ""});
    OutMsg->SetBounds(236, 18, 206, 64);
    DupLabel = std::make_unique<Label>(LabelArgs{p, 0, ""});
    DupLabel->SetBounds(236, 88, 206, 50);
    SplitBtn = std::make_unique<Button>(ButtonArgs{p, 0, "整理開始"});
    SplitBtn->SetBounds(360, 164, 90, 26);
    SplitBtn->onClick = [this] { SplitBtnClick(); };
    DupOutClick();  // DupBox disabled, in the button face colour, as designed
}

void TMainForm::SplitBtnClick() {
    if (jobRunning_) return;
    OutMsg->SetText("");
    DupLabel->SetText("");
    RunMailboxJob([this] {
        TreeNode* node = SelectedNode();
        // The job's inputs and outputs as they are now: the tree and the list stay locked.
        std::string folder;
        Profile.GetFolderPath(node, folder);
        std::vector<std::string> mailboxes;
        for (int row = 0; row < FolderList->Count(); ++row)
            if (FolderList->IsSelected(row) && row < static_cast<int>(Profile.Rows().size()))
                mailboxes.push_back(Profile.MailboxPath(node, Profile.Rows()[row]));
        DedupeOptions options;
        options.uniquePath = folder + MailboxFileName(OutBox1->Text());
        if (DupOut->Checked()) options.duplicatePath = folder + MailboxFileName(DupBox->Text());
        DedupeJob job(std::move(mailboxes), options, *host_);
        try {
            job.Run();
        } catch (...) {
            ExportTotal = job.MessageCount();
            throw;
        }
        ExportTotal = job.MessageCount();
    });
}

void TMainForm::DupOutClick() {
    const bool enabled = DupOut->Checked();
    DupBox->SetEnabled(enabled);
    DupBox->SetColors(GetSysColor(COLOR_WINDOWTEXT),
                      GetSysColor(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
}

}  // namespace tavori::ui
