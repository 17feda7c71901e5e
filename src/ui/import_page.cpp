// The import page: the folder and the files to import, the file type, the begin and end
// strings of the cut-out from HTML pages, and the name of the new mailbox.
#include "ui/import_page.h"

#include <windows.h>

#include <commctrl.h>

#include <utility>

#include "base/paths.h"
#include "jobs/dedupe_job.h"
#include "jobs/import_job.h"
#include "mailstore/mailbox.h"
#include "mailstore/profile.h"
#include "ui/bevel_label.h"
#include "ui/controls/button.h"
#include "ui/controls/drop_down_list.h"
#include "ui/controls/edit.h"
#include "ui/controls/file_list_box.h"
#include "ui/controls/group_box.h"
#include "ui/controls/hints.h"
#include "ui/controls/label.h"
#include "ui/controls/panel.h"
#include "ui/dialogs.h"
#include "ui/mail_view.h"
#include "ui/settings.h"

namespace tavori::ui {
namespace {

const char* const kMasks[] = {"*.txt;*.eml", "*.htm"};

// A file of the import list. The list's folder may end in a separator or not (the saved
// import folder is kept as the browser gave it); the path has one, as the error messages
// that name the file show it.
std::string PathInList(const FileListBox& list, const std::string& name) {
    return WithFinalSeparator(list.Folder(), '\\') + name;
}

}  // namespace

ImportPage::ImportPage(Panel& page, PageContext context, std::unique_ptr<TMailBox>& mailBox)
    : context_(std::move(context)), mailBox_(mailBox) {
    HWND p = page.Hwnd();
    Label6 = std::make_unique<Label>(LabelArgs{p, 0, "読込みファイル選択"});
    Label6->Place(8, 8, 200, 16);
    FileListBox2 = std::make_unique<FileListBox>(FileListBoxArgs{p, 0, kMasks[0], true});
    FileListBox2->Place(8, 26, 200, 132);
    FileListBox2->onChange = [this] { FileListBox2Change(); };
    FileListBox2->onKeyPress = [this](wchar_t ch) { FileListBox2KeyPress(ch); };
    BevelLabelArgs dirArgs;
    dirArgs.parent = p;
    DirLabel2 = std::make_unique<TBevelLabel>(dirArgs);
    DirLabel2->Place(8, 168, 264, 20);
    Button1 = std::make_unique<Button>(ButtonArgs{p, 0, "参照..."});
    Button1->Place(278, 166, 72, 24);
    Button1->onClick = [this] { Button1Click(); };

    Label4 = std::make_unique<Label>(LabelArgs{p, 0, "入力形式"});
    Label4->Place(216, 10, 52, 16);
    FileType =
        std::make_unique<DropDownList>(DropDownListArgs{p, 0, {"ﾃｷｽﾄ形式のﾒｰﾙ", "HTMLﾌｧｲﾙから"}});
    FileType->Place(272, 6, 178, 200);
    FileType->Select(0);
    FileType->onChange = [this] {
        // The list is read again with the new pattern before the handler runs.
        FileListBox2->SetMask(kMasks[FileType->Selected() == 1 ? 1 : 0]);
        FileTypeChange();
    };
    LabelArgs caution{p, 0, "注意: 1ﾌｧｲﾙ=1ﾒｰﾙとして扱います"};
    caution.textColor = RGB(255, 0, 0);
    Caution = std::make_unique<Label>(caution);
    Caution->Place(216, 34, 234, 16);

    MailSeparate = std::make_unique<GroupBox>(GroupBoxArgs{p, 0, "HTML形式ﾒｰﾙ切出し指定"});
    MailSeparate->Place(216, 54, 234, 74);
    Label9 = std::make_unique<Label>(LabelArgs{p, 0, "開始文字列"});
    Label9->Place(226, 74, 62, 16);
    MailBegin = std::make_unique<Edit>(EditArgs{p, 0, ""});
    MailBegin->Place(290, 72, 88, 20);
    Label10 = std::make_unique<Label>(LabelArgs{p, 0, "終了文字列"});
    Label10->Place(226, 100, 62, 16);
    MailEnd = std::make_unique<Edit>(EditArgs{p, 0, ""});
    MailEnd->Place(290, 98, 88, 20);
    ViewBtn = std::make_unique<Button>(ButtonArgs{p, 0, "ﾃｷｽﾄ"});
    ViewBtn->Place(384, 71, 58, 22);
    ViewBtn->onClick = [this] { ViewBtnClick(); };
    context_.hints->Add(*ViewBtn, "ﾃｷｽﾄ全体を切出します");
    TestRun = std::make_unique<Button>(ButtonArgs{p, 0, "試し..."});
    TestRun->Place(384, 97, 58, 22);
    TestRun->onClick = [this] { TestRunClick(); };
    context_.hints->Add(*TestRun, "試しに切出しを実行");

    Label5 = std::make_unique<Label>(LabelArgs{p, 0, "出力フォルダー"});
    Label5->Place(216, 138, 86, 16);
    ImportName = std::make_unique<Edit>(EditArgs{p, 0, "Import"});
    ImportName->Place(304, 135, 146, 22);
    ImportBtn = std::make_unique<Button>(ButtonArgs{p, 0, "取込開始"});
    ImportBtn->Place(360, 164, 90, 26);
    ImportBtn->onClick = [this] { ImportBtnClick(); };
    FileTypeChange();
}

void ImportPage::FileTypeChange() {
    const bool html = FileType->Selected() == 1;
    MailBegin->SetEnabled(html);
    const COLORREF back = GetSysColor(html ? COLOR_WINDOW : COLOR_BTNFACE);
    MailBegin->SetColors(GetSysColor(COLOR_WINDOWTEXT), back);
    const bool test = html && !FileListBox2->SelectedNames().empty();
    TestRun->SetEnabled(test);
    MailEnd->SetEnabled(html);
    Label9->SetEnabled(html);
    Label10->SetEnabled(html);
    MailEnd->SetColors(GetSysColor(COLOR_WINDOWTEXT), back);
    ViewBtn->SetEnabled(test);
}

ImportPage::~ImportPage() = default;

void ImportPage::ShowImportDir() {
    FileListBox2->SetFolder(ImportDir);
    DirLabel2->SetText(ImportDir);
}

void ImportPage::FileListBox2Change() {
    context_.changed();
    const bool test = FileType->Selected() == 1 && !FileListBox2->SelectedNames().empty();
    TestRun->SetEnabled(test);
    ViewBtn->SetEnabled(test);
}

void ImportPage::FileListBox2KeyPress(wchar_t ch) {
    if (ch != 1) return;  // Ctrl+A; other characters are the list's own
    SendMessageW(FileListBox2->Hwnd(), WM_SETREDRAW, FALSE, 0);
    FileListBox2->SelectAll();
    SendMessageW(FileListBox2->Hwnd(), WM_SETREDRAW, TRUE, 0);
    // The list reports the new selection itself, so the buttons follow it as after a click.
    InvalidateRect(FileListBox2->Hwnd(), nullptr, TRUE);
}

void ImportPage::Button1Click() {
    const std::string folder = ChooseFolder(context_.window, "読込みフォルダーを選択");
    if (folder.empty()) return;
    // The folder as the browser gives it, without a final "\"; the list needs one.
    FileListBox2->SetFolder(WithFinalSeparator(folder, '\\'));
    DirLabel2->SetText(folder);
    ImportDir = folder;
}

bool ImportPage::CanStart(const Selection& selection) const {
    const TreeNode* node = selection.Node();
    return !FileListBox2->SelectedNames().empty() && node && node->level >= 1;
}

void ImportPage::Run(const Selection& selection, JobHost& host, int& /*messages*/) {
    std::vector<ImportFile> files;
    for (const std::string& name : FileListBox2->SelectedNames())
        files.push_back({PathInList(*FileListBox2, name), name});
    ImportOptions options;
    options.targetPath = selection.Folder() + MailboxFileName(ImportName->Text());
    options.type = FileType->Selected() == 1 ? ImportFileType::kHtml : ImportFileType::kTextMail;
    options.strings = {MailBegin->Text(), MailEnd->Text()};
    options.listEntries = static_cast<int>(FileListBox2->Names().size());
    ImportJob(std::move(files), options, host).Run();
}

void ImportPage::LoadSettings(const Settings& settings) {
    ImportDir = settings.importDir;
    MailBegin->SetText(settings.mailBegin);
    MailEnd->SetText(settings.mailEnd);
}

void ImportPage::SaveSettings(Settings& settings) const {
    settings.importDir = ImportDir;
    settings.mailBegin = MailBegin->Text();
    settings.mailEnd = MailEnd->Text();
}

void ImportPage::PreviewFiles(bool cutOut) {
    // The previews write nothing and are no job: the window stays as it is around them.
    TMailView view(context_.window);
    if (!mailBox_) mailBox_ = std::make_unique<TMailBox>();  // a start-up that failed early
    const CutOutStrings strings{MailBegin->Text(), MailEnd->Text()};
    try {
        for (const std::string& name : FileListBox2->SelectedNames()) {
            ImportText text =
                ReadImportText(PathInList(*FileListBox2, name), ImportFileType::kHtml);
            if (cutOut) {
                // The mail exactly as the import would write it, or nothing for no mail.
                mailBox_->SetMessage(MailTextOf(std::move(text), ImportFileType::kHtml, strings));
                view.Text = mailBox_->GetMessage();
                view.Caption = "メール切出しテスト (" + name + ")";
                if (!mailBox_->HasHeader()) ShowWarning(context_.window, NotAMailWarning(name));
            } else {
                view.Text = PlainTextOf(std::move(text));
                view.Caption = "テキスト確認 (" + name + ")";
            }
            if (view.ShowModal() == IDABORT) break;  // the close box goes on, as "次へ＞" does
        }
    } catch (const std::exception& e) {
        ShowError(context_.window, e.what());
    }
}

}  // namespace tavori::ui
