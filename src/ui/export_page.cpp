#include "ui/export_page.h"

#include <windows.h>

#include <commctrl.h>

#include "base/paths.h"
#include "jobs/export_job.h"
#include "platform/locale.h"
#include "ui/bevel_label.h"
#include "ui/controls/button.h"
#include "ui/controls/combo_box.h"
#include "ui/controls/file_list_box.h"
#include "ui/controls/group_box.h"
#include "ui/controls/hints.h"
#include "ui/controls/label.h"
#include "ui/controls/panel.h"
#include "ui/controls/spin_edit.h"
#include "ui/dialogs.h"
#include "ui/settings.h"

namespace tavori::ui {

ExportPage::ExportPage(Panel& page, PageContext context) : context_(std::move(context)) {
    HWND p = page.Hwnd();
    Label7 = std::make_unique<Label>(LabelArgs{p, 0, "出力先のフォルダー内ファイル一覧"});
    Label7->Place(8, 8, 200, 16);
    FileListBox1 = std::make_unique<FileListBox>(FileListBoxArgs{p, 0, "*.ren", false});
    FileListBox1->Place(8, 26, 200, 132);
    FileListBox1->onChange = [this] { FileListBox1Change(); };
    BevelLabelArgs dirArgs;
    dirArgs.parent = p;
    DirLabel1 = std::make_unique<TBevelLabel>(dirArgs);
    DirLabel1->Place(8, 182, 362, 20);
    DirSelect = std::make_unique<Button>(ButtonArgs{p, 0, "参照..."});
    DirSelect->Place(378, 180, 72, 24);
    DirSelect->onClick = [this] { DirSelectClick(); };

    Label3 = std::make_unique<Label>(LabelArgs{p, 0, "知子テキストファイル名"});
    Label3->Place(216, 8, 234, 16);
    TagFile = std::make_unique<ComboBox>(ComboBoxArgs{p, 0, "TomoText.REN"});
    TagFile->Place(216, 26, 234, 200);
    TagFile->onTextChanged = [this] { TagFileChange(); };
    context_.hints->Add(*TagFile, "出力ファイル");

    GroupBox1 = std::make_unique<GroupBox>(GroupBoxArgs{p, 0, "ｵﾌﾟｼｮﾝ"});
    // The group has two more lines for the decoding mode under the references box: its rows
    // stand closer, and the controls below it a little lower.
    GroupBox1->Place(216, 52, 234, 96);
    Label11 = std::make_unique<Label>(LabelArgs{p, 0, "１行の桁数"});
    Label11->Place(226, 72, 64, 16);
    WordCount = std::make_unique<SpinEdit>(SpinEditArgs{p, 0, 40, 255, 72});
    WordCount->Place(294, 69, 60, 20);
    HyperRef = std::make_unique<Button>(ButtonArgs{p, 0, "参照ﾒｰﾙIDを▼...▲で本文に付加する", true});
    HyperRef->Place(226, 94, 220, 16);
    // Its caption is wider than the group: two lines.
    DecodeMime = std::make_unique<Button>(
        ButtonArgs{.parent = p,
                   .text = "MIMEを解読する（件名・本文を読める文字にする）",
                   .checkBox = true,
                   .multiline = true});
    DecodeMime->Place(226, 112, 220, 30);
    Label8 = std::make_unique<Label>(LabelArgs{p, 0, "添付:"});
    Label8->Place(216, 150, 142, 30);
    ExportBtn = std::make_unique<Button>(ButtonArgs{p, 0, "変換開始"});
    ExportBtn->Place(360, 150, 90, 26);
    ExportBtn->onClick = [this] { ConvertClick(); };
}

ExportPage::~ExportPage() = default;

void ExportPage::SetOutputDir(const std::string& dir) {
    OutputDir = dir;
    FileListBox1->SetFolder(dir);
    DirLabel1->SetText(dir);
}

void ExportPage::DirSelectClick() {
    const std::string folder = ChooseFolder(context_.window, "格納先のフォルダーを選択");
    if (folder.empty()) return;
    SetOutputDir(WithFinalSeparator(folder, '\\'));
}

void ExportPage::FileListBox1Change() {
    const std::vector<std::string> chosen = FileListBox1->SelectedNames();
    TagFile->SetText(chosen.empty() ? std::string() : chosen.front());
    context_.changed();
}

bool ExportPage::CanStart(const Selection& selection) const {
    return !TagFile->Text().empty() && selection.AnyMailbox();
}

void ExportPage::Run(const Selection& selection, JobHost& host, int& messages) {
    const std::string name = RenFileName(TagFile->Text());
    TagFile->SetText(name);
    std::vector<std::string> history = TagFile->Items();
    if (AddToNameHistory(history, name)) TagFile->AddItem(name);

    std::vector<ExportSource> sources;
    for (const std::string& path : selection.Mailboxes())
        sources.push_back({path, selection.AttachDir()});
    RecordOptions options;
    options.width = WordCount->Value();
    options.hyperRef = HyperRef->Checked();
    options.decode = DecodeMime->Checked();
    options.dateSeparator = platform::DateSeparator();
    options.timeSeparator = platform::TimeSeparator();
    ExportJob job(OutputDir + name, std::move(sources), options, host);
    messages = 0;
    struct Total {  // the messages of the mailbox files done, also when the job throws
        const ExportJob& job;
        int& messages;
        ~Total() { messages = job.ExportTotal(); }
    } total{job, messages};
    job.Run();
}

void ExportPage::Finished() {
    FileListBox1->SetFolder(OutputDir);  // lists the new file; no file is selected afterwards
}

void ExportPage::ShowFigures(const JobFigures& figures) {
    const auto* f = std::get_if<ExportFigures>(&figures);
    if (!f) return;
    context_.counter->ShowText("件数: " + std::to_string(f->mailboxMessages) + " / " +
                               std::to_string(f->runMessages));
    std::string attachments = "添付: " + std::to_string(f->mailboxAttachments);
    // In the decoding mode, the characters Shift-JIS lacks, on a second line.
    if (f->decoded)
        attachments += "\r\nShift-JIS にない文字: " + std::to_string(f->unmapped) + " 個";
    Label8->ShowText(attachments);
}

void ExportPage::LoadSettings(const Settings& settings) {
    OutputDir = settings.outputDir;
    WordCount->SetValue(settings.wordCount);
    HyperRef->SetChecked(settings.hyperRef);
    DecodeMime->SetChecked(settings.decode);
    TagFile->SetItems(settings.history);
}

void ExportPage::SaveSettings(Settings& settings) const {
    settings.outputDir = OutputDir;
    settings.wordCount = WordCount->Value();
    settings.hyperRef = HyperRef->Checked();
    settings.decode = DecodeMime->Checked();
    settings.history = TagFile->Items();
}

}  // namespace tavori::ui
