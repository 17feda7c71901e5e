#pragma once
// The import page (TabSheet3): the folder and the files to import, the file type, the begin
// and end strings of the cut-out from HTML pages, the two previews, the name of the new
// mailbox, and ImportBtnClick running the import job.
#include <memory>
#include <string>

#include "ui/job_page.h"
#include "ui/page_context.h"

namespace tavori {
class TMailBox;
}

namespace tavori::ui {

class TBevelLabel;
class DropDownList;
class Edit;
class FileListBox;
class GroupBox;
class Panel;

class ImportPage final : public JobPage {
  public:
    // mailBox: the window's shared mailbox object, which the cut-out preview uses.
    ImportPage(Panel& page, PageContext context, std::unique_ptr<TMailBox>& mailBox);
    ~ImportPage() override;

    // The folder of the files to import: as saved, or as the folder browser gave it (without
    // a final "\").
    std::string ImportDir;
    void ShowImportDir();  // lists it and shows it in DirLabel2

    void ImportBtnClick() { context_.runJob(*this); }
    void TestRunClick() { PreviewFiles(true); }
    void ViewBtnClick() { PreviewFiles(false); }
    void FileTypeChange();
    void FileListBox2Change();
    void FileListBox2KeyPress(wchar_t ch);
    void Button1Click();

    Button& StartButton() override { return *ImportBtn; }
    bool CanStart(const Selection& selection) const override;
    bool WritesMailboxes() const override { return true; }
    void Run(const Selection& selection, JobHost& host, int& messages) override;
    void LoadSettings(const Settings& settings) override;
    void SaveSettings(Settings& settings) const override;

    // The controls, by their names in the window's design.
    std::unique_ptr<Label> Label6;
    std::unique_ptr<FileListBox> FileListBox2;
    std::unique_ptr<TBevelLabel> DirLabel2;
    std::unique_ptr<Button> Button1;
    std::unique_ptr<Label> Label4;
    std::unique_ptr<DropDownList> FileType;
    std::unique_ptr<Label> Caution;
    std::unique_ptr<GroupBox> MailSeparate;
    std::unique_ptr<Label> Label9;
    std::unique_ptr<Edit> MailBegin;
    std::unique_ptr<Label> Label10;
    std::unique_ptr<Edit> MailEnd;
    std::unique_ptr<Button> ViewBtn;
    std::unique_ptr<Button> TestRun;
    std::unique_ptr<Label> Label5;
    std::unique_ptr<Edit> ImportName;
    std::unique_ptr<Button> ImportBtn;

  private:
    // The previews: each selected file in the dialog, one after the other.
    void PreviewFiles(bool cutOut);

    PageContext context_;
    std::unique_ptr<TMailBox>& mailBox_;
};

}  // namespace tavori::ui
