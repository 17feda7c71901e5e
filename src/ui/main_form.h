#pragma once
// TMainForm: the program's one window. The user tree and the folder list on top, the three
// job pages with the stop button and the progress area below, the job frame (BeginJob,
// EndJob), the buttons that follow the selections, start-up and closing. The jobs themselves
// live in src/jobs; the window only gathers their inputs and shows their progress.
#include <windows.h>

#include <commctrl.h>

// windows.h's GetMessage macro would rename TMailBox::GetMessage in the window's code; the
// window reads its message queue through the wide functions by name.
#undef GetMessage

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mailstore/mailbox.h"
#include "mailstore/profile.h"

namespace tavori::platform {
class Registry;
}

namespace tavori::ui {

class TAboutDialog;
class TBevelLabel;
class Button;
class ComboBox;
class DropDownList;
class Edit;
class FileListBox;
class GroupBox;
class Hints;
class Label;
class ListView;
class PageControl;
class Panel;
class ProgressBar;
class SpinEdit;
class Splitter;
class StatusBar;
class TreeView;
class WindowHost;

struct MainFormOptions {
    std::string settingsFile;  // empty: the executable's path with ".ini"
    std::string exeFolder;     // empty: the executable's folder, ending in "\"
    // The registry to read the mail client's users from; empty: the current user's.
    std::shared_ptr<const platform::Registry> registry;
    bool quitOnClose = false;  // the program's one window ends the message loop when it goes
};

class TMainForm {
  public:
    explicit TMainForm(MainFormOptions options = {});
    ~TMainForm();
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    HWND Hwnd() const { return hwnd_; }
    void Show(int cmdShow);
    // True once the window is gone (closed by the user, the menu or a test).
    bool Closed() const { return hwnd_ == nullptr; }

    // The handlers, named after their control and event.
    void BeckyUserChange();
    void FolderListChange(int row);
    void UpdateButtons();
    void BeginJob();
    void EndJob();
    // A job that writes mailbox files (cleanup, import) in the job frame, under the wait
    // cursor: a refused run is a warning, any other error an error box; afterwards the tree
    // is read again so the new mailboxes are listed.
    void RunMailboxJob(const std::function<void()>& job);
    void AbortBtnClick();
    void SetOutputDir(const std::string& dir);
    void DirSelectClick();
    void FileListBox1Change();
    void TagFileChange();
    void ExitButtonClick();
    void About1Click();
    void ConvertClick();
    void SplitBtnClick();
    void DupOutClick();
    void ImportBtnClick();
    void TestRunClick();
    void ViewBtnClick();
    void FileTypeChange();
    void FileListBox2Change();
    void FileListBox2KeyPress(wchar_t ch);
    void Button1Click();

    bool JobRunning() const { return jobRunning_; }

    // The window's state, as the jobs and the settings use it.
    std::string SettingsFileName;
    std::string OutputDir;
    std::string ImportDir;
    int ExportTotal = 0;
    bool AbortRequested = false;
    std::unique_ptr<TMailBox> MailBox;
    MailProfile Profile;  // HomeDir, AttachDir, the user tree and the folder list rows

    // The controls, by their names in the window's design.
    std::unique_ptr<TreeView> BeckyUser;
    std::unique_ptr<Splitter> Splitter1;
    std::unique_ptr<ListView> FolderList;
    std::unique_ptr<Splitter> Splitter3;
    std::unique_ptr<Panel> Panel1;
    std::unique_ptr<PageControl> PageControl1;
    std::unique_ptr<Button> StopBtn1;
    std::unique_ptr<Label> ProgMsg;
    std::unique_ptr<ProgressBar> ProgressBar1;
    std::unique_ptr<Label> MsgLabel;
    std::unique_ptr<StatusBar> StatusBar1;
    // Export page
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
    std::unique_ptr<Label> Label8;
    std::unique_ptr<Button> ExportBtn;
    // Duplicate cleanup page
    std::unique_ptr<Label> Label1;
    std::unique_ptr<Edit> OutBox1;
    std::unique_ptr<Button> DupOut;
    std::unique_ptr<Label> Label2;
    std::unique_ptr<Edit> DupBox;
    std::unique_ptr<TBevelLabel> Bevel1, Bevel2, Bevel3;
    std::unique_ptr<Label> OutMsg;
    std::unique_ptr<Label> DupLabel;
    std::unique_ptr<Button> SplitBtn;
    // Import page
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

    std::unique_ptr<TAboutDialog> AboutDialog1;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    void CreateExportPage(Panel& page);
    void CreateDedupePage(Panel& page);
    void CreateImportPage(Panel& page);
    void Layout();
    void LayoutPanel(int width, int height);
    void FormCreate();
    void FormClose();
    void ShowError(const std::string& text);
    void ShowWarning(const std::string& text);
    // Shows node's children in the tree as the profile holds them, in its order.
    void ShowChildren(HTREEITEM item, const TreeNode& node);
    TreeNode* SelectedNode() const;
    std::string ChooseFolder(const std::string& prompt);
    // The previews: each selected file of the import list in the dialog, one after the other.
    void PreviewFiles(bool cutOut);
    void SetLocked(bool locked);

    MainFormOptions options_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HIMAGELIST images_ = nullptr;
    HMENU menu_ = nullptr;
    std::unique_ptr<Hints> hints_;
    std::unique_ptr<WindowHost> host_;
    int treeWidth_ = 151;
    int panelHeight_ = 293;
    int dragStart_ = 0;
    bool jobRunning_ = false;
    bool closeAfterJob_ = false;
    bool waitCursor_ = false;  // the hourglass stays over the window while the cleanup runs
};

}  // namespace tavori::ui
