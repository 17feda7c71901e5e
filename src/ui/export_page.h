#pragma once
// The export page (TabSheet1): the output folder and its REN files, the file name with its
// history, the options, and ConvertClick running the export job.
#include <memory>
#include <string>

#include "ui/job_page.h"
#include "ui/page_context.h"

namespace tavori::ui {

class TBevelLabel;
class ComboBox;
class FileListBox;
class GroupBox;
class Panel;
class SpinEdit;

class ExportPage final : public JobPage {
  public:
    ExportPage(Panel& page, PageContext context);
    ~ExportPage() override;

    // The output folder, ending in "\": listed by FileListBox1 and shown by DirLabel1.
    std::string OutputDir;
    void SetOutputDir(const std::string& dir);

    void ConvertClick() { context_.runJob(*this); }
    void DirSelectClick();
    void FileListBox1Change();
    void TagFileChange() { context_.changed(); }

    Button& StartButton() override { return *ExportBtn; }
    bool CanStart(const Selection& selection) const override;
    bool WritesMailboxes() const override { return false; }
    void Run(const Selection& selection, JobHost& host, int& messages) override;
    void Finished() override;
    void ShowFigures(const JobFigures& figures) override;
    void LoadSettings(const Settings& settings) override;
    void SaveSettings(Settings& settings) const override;

    // The controls, by their names in the window's design.
    std::unique_ptr<Label> Label7;
    std::unique_ptr<FileListBox> FileListBox1;
    std::unique_ptr<TBevelLabel> DirLabel1;
    std::unique_ptr<Button> DirSelect;
    std::unique_ptr<Label> Label3;
    std::unique_ptr<ComboBox> TagFile;
    std::unique_ptr<GroupBox> GroupBox1;
    std::unique_ptr<Label> Label11;
    std::unique_ptr<SpinEdit> WordCount;
    std::unique_ptr<Button> HyperRef;
    std::unique_ptr<Button> DecodeMime;  // the decoding mode
    std::unique_ptr<Label> Label8;
    std::unique_ptr<Button> ExportBtn;

  private:
    PageContext context_;
};

}  // namespace tavori::ui
