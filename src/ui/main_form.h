#pragma once
// TMainForm: the program's one window. The user tree and the folder list on top, the three
// job pages with the stop button and the progress area below, the job frame that runs any
// page's job (RunJob), the buttons that follow the selections, start-up and closing. The
// jobs themselves live in src/jobs, the pages in their own files; the window only gathers
// the selection and shows the progress.
#include <windows.h>

#include <commctrl.h>

// windows.h's GetMessage macro would rename TMailBox::GetMessage in the window's code; the
// window reads its message queue through the wide functions by name.
#undef GetMessage

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "mailstore/mailbox.h"
#include "mailstore/profile.h"
#include "ui/dedupe_page.h"
#include "ui/export_page.h"
#include "ui/import_page.h"

namespace tavori::platform {
class Registry;
}

namespace tavori::ui {

class TAboutDialog;
class Button;
class Hints;
class Label;
class ListView;
class PageControl;
class Panel;
class ProgressBar;
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
    // The job frame: page's job for the selection as it is now, with the controls locked, a
    // refused run a warning and any other error an error box.
    void RunJob(JobPage& page);
    void AbortBtnClick();
    // Shows page index as Ctrl+Tab does: the focus, when it was on a page, goes to the new
    // page's first control.
    void SelectPage(int index);
    // The controls Tab visits, in order: the tree, the folder list, the tab strip, the active
    // page's controls from top left to bottom right with its start button last, and the stop
    // button; of them only those shown, enabled and taking the focus.
    std::vector<HWND> TabOrder() const;
    void ExitButtonClick();
    void About1Click();

    // The window's state, as the jobs and the settings use it.
    std::string SettingsFileName;
    int ExportTotal = 0;
    bool AbortRequested = false;
    std::unique_ptr<TMailBox> MailBox;
    MailProfile Profile;  // HomeDir, AttachDir, the user tree and the folder list rows

    // The controls, by their names in the window's design; each page owns its own.
    std::unique_ptr<TreeView> BeckyUser;
    std::unique_ptr<Splitter> Splitter1;
    std::unique_ptr<ListView> FolderList;
    std::unique_ptr<Splitter> Splitter3;
    std::unique_ptr<Panel> Panel1;
    std::unique_ptr<PageControl> PageControl1;
    std::unique_ptr<ExportPage> TabSheet1;
    std::unique_ptr<DedupePage> TabSheet2;
    std::unique_ptr<ImportPage> TabSheet3;
    std::unique_ptr<Button> StopBtn1;
    std::unique_ptr<Label> ProgMsg;
    std::unique_ptr<ProgressBar> ProgressBar1;
    std::unique_ptr<Label> MsgLabel;
    std::unique_ptr<StatusBar> StatusBar1;

    std::unique_ptr<TAboutDialog> AboutDialog1;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    // A new page of PageControl1 with its caption, made by Page from the page's panel and
    // what every page is given (and args).
    template <class Page, class... Args>
    std::unique_ptr<Page> AddPage(const std::string& caption, Args&&... args) {
        auto page = std::make_unique<Page>(NewPagePanel(caption), PageContextOfWindow(),
                                           std::forward<Args>(args)...);
        pages_.push_back(page.get());
        return page;
    }
    Panel& NewPagePanel(const std::string& caption);
    PageContext PageContextOfWindow();
    void Layout();
    int S(int designPixels) const { return MulDiv(designPixels, static_cast<int>(dpi_), 96); }
    HFONT CreateWindowFont() const;
    std::vector<int> StatusWidths() const;
    // The window moved to a monitor of another DPI (WM_DPICHANGED): fonts, the controls of the
    // layout, the columns and panels at the new DPI, and the window at the size suggested.
    void ApplyDpi(UINT dpi, const RECT* suggested);

  public:
    UINT Dpi() const { return dpi_; }

  private:
    // The smallest Panel1 that shows every control of every page and the strip under them.
    SIZE PanelMinimum() const;
    // WM_GETMINMAXINFO: no smaller than the tree, the list and that panel need.
    void MinimumTrackSize(MINMAXINFO& info) const;
    void LayoutPanel(int width, int height);
    void FormCreate();
    void FormClose();
    // Shows node's children in the tree as the profile holds them, in its order.
    void ShowChildren(HTREEITEM item, const TreeNode& node);
    TreeNode* SelectedNode() const;
    Selection CurrentSelection();
    void SetLocked(bool locked);
    // Tab, Shift+Tab, Ctrl+Tab and Ctrl+Shift+Tab (kTranslateKey); true when msg was one.
    bool TranslateKey(const MSG& msg);
    // After a page switch: a focus left on a page that is hidden now goes to the new page.
    void KeepFocusOnShownPage(bool always);

    MainFormOptions options_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HIMAGELIST images_ = nullptr;
    HMENU menu_ = nullptr;
    std::unique_ptr<Hints> hints_;
    std::unique_ptr<WindowHost> host_;
    std::vector<JobPage*> pages_;  // in the order of their tabs
    UINT dpi_ = 96;
    int treeWidth_ = 151;  // at dpi_
    int panelHeight_ = 293;
    int dragStart_ = 0;
    bool jobRunning_ = false;
    bool closeAfterJob_ = false;
    bool askingToClose_ = false;  // the question to stop the job for closing is open
    bool waitCursor_ = false;     // the hourglass stays over the window while the cleanup runs
};

}  // namespace tavori::ui
