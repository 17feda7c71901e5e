#include "ui/main_form.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "base/errors.h"
#include "base/paths.h"
#include "jobs/job_files.h"
#include "platform/file.h"
#include "platform/profile_file.h"
#include "platform/registry.h"
#include "ui/about_box.h"
#include "ui/controls/button.h"
#include "ui/controls/hints.h"
#include "ui/controls/label.h"
#include "ui/controls/list_view.h"
#include "ui/controls/page_control.h"
#include "ui/controls/panel.h"
#include "ui/controls/progress_bar.h"
#include "ui/controls/splitter.h"
#include "ui/controls/status_bar.h"
#include "ui/controls/tree_view.h"
#include "ui/dialogs.h"
#include "ui/dpi.h"
#include "ui/images.h"
#include "ui/resource.h"
#include "ui/settings.h"
#include "ui/text.h"
#include "ui/window_host.h"

namespace tavori::ui {
namespace {

constexpr wchar_t kClassName[] = L"TavoriMainForm";
constexpr int kMenuExit = 100;
constexpr int kMenuAbout = 101;
// The layout at 100 % (96 DPI); S() gives each at the window's DPI.
constexpr int kSplitterSize = 3;
constexpr int kPanelBorder = 2;
constexpr int kProgressStrip = 52;  // the stop button and the progress area under the pages
constexpr int kMinTreeWidth = 60;   // the tree and the folder list never go below these
constexpr int kMinListHeight = 60;
constexpr int kDesignTreeWidth = 151;
constexpr int kDesignPanelHeight = 293;
constexpr int kTreeIndent = 19;
constexpr int kColumnWidths[] = {150, 80, 140};
constexpr int kStatusWidths[] = {180, 200, 200};
constexpr int kFontHeight = 12;

std::string ExecutablePath() {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return Narrow(std::wstring_view(path, n));
}

bool IsFolder(const std::string& path) {
    if (path.empty()) return false;
    try {
        return platform::KindOf(path) == platform::FileKind::kFolder;
    } catch (const Error&) {
        return false;
    }
}

void SetFontOfChildren(HWND parent, HFONT font, bool redraw) {
    struct Font {
        HFONT font;
        bool redraw;
    } f{font, redraw};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM p) -> BOOL {
            const auto* f = reinterpret_cast<const Font*>(p);
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(f->font), f->redraw);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
}

void RegisterWindowClass(WNDPROC procedure) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(IDI_APP));
    wc.lpszClassName = kClassName;
    registered = RegisterClassExW(&wc) != 0;
}

}  // namespace

TMainForm::TMainForm(MainFormOptions options) : options_(std::move(options)) {
    RegisterWindowClass(WindowProc);
    // 632 by 591 at 100 %, centred on the screen, whatever the system's font size.
    dpi_ = WindowDpi(nullptr);
    treeWidth_ = S(kDesignTreeWidth);
    panelHeight_ = S(kDesignPanelHeight);
    const int width = S(632), height = S(591);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    menu_ = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, kMenuExit, Wide("終了(&X)").c_str());
    AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(file), Wide("ファイル(&F)").c_str());
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, kMenuAbout, Wide("バージョン情報").c_str());
    AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(help), Wide("ヘルプ(&H)").c_str());
    CreateWindowExW(0, kClassName, Wide("Becky!ﾒｰﾙ変換ﾂｰﾙ - Tavori!").c_str(),
                    WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, width, height, nullptr, menu_,
                    GetModuleHandleW(nullptr), this);
    if (!hwnd_) throw Error("メイン ウィンドウを作成できません");
    const UINT monitorDpi = WindowDpi(hwnd_);  // the monitor it opened on may be another
    if (monitorDpi != dpi_) {
        const UINT created = dpi_;
        dpi_ = monitorDpi;
        treeWidth_ = S(kDesignTreeWidth);
        panelHeight_ = S(kDesignPanelHeight);
        SetWindowPos(hwnd_, nullptr, 0, 0, MulDiv(width, static_cast<int>(dpi_), created),
                     MulDiv(height, static_cast<int>(dpi_), created),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CreateControls();
    FormCreate();
    Layout();
    SetFocus(BeckyUser->Hwnd());
}

TMainForm::~TMainForm() {
    if (hwnd_) {
        HWND hwnd = hwnd_;
        DestroyWindow(hwnd);
    }
    if (font_) DeleteObject(font_);
    if (images_) ImageList_Destroy(images_);
}

void TMainForm::Show(int cmdShow) {
    ShowWindow(hwnd_, cmdShow);
    UpdateWindow(hwnd_);
}

LRESULT CALLBACK TMainForm::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form =
            static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, message, wParam, lParam);
    return form->HandleMessage(message, wParam, lParam);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    const LRESULT routed = ContainerProc(hwnd_, message, wParam, lParam, handled);
    if (handled) return routed;
    switch (message) {
        case WM_COMMAND:
            if (lParam == 0 && LOWORD(wParam) == kMenuExit) ExitButtonClick();
            if (lParam == 0 && LOWORD(wParam) == kMenuAbout) About1Click();
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_DPICHANGED:
            ApplyDpi(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_GETMINMAXINFO:
            if (StatusBar1) MinimumTrackSize(*reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        case kTranslateKey:
            return TranslateKey(*reinterpret_cast<const MSG*>(lParam)) ? TRUE : FALSE;
        case WM_SETCURSOR:
            if (waitCursor_) {
                SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            if (jobRunning_) {
                // Closing stops the job only if the user says so; the window goes once the
                // job has ended, keeping what it wrote, as the stop button does.
                if (closeAfterJob_ || askingToClose_) return 0;
                askingToClose_ = true;
                const bool stop = AskYesNo(hwnd_, "処理中です。中止して終了しますか？");
                askingToClose_ = false;
                if (stop && jobRunning_) {
                    AbortRequested = true;
                    closeAfterJob_ = true;
                } else if (stop) {
                    PostMessageW(hwnd_, WM_CLOSE, 0, 0);  // the job ended meanwhile
                }
                return 0;
            }
            FormClose();
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY: {
            HWND hwnd = hwnd_;
            hwnd_ = nullptr;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            if (options_.quitOnClose) PostQuitMessage(0);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void TMainForm::CreateControls() {
    font_ = CreateWindowFont();
    images_ = CreateProfileImages();

    BeckyUser = std::make_unique<TreeView>(TreeViewArgs{hwnd_, 0, images_, S(kTreeIndent)});
    BeckyUser->onSelectionChanged = [this](HTREEITEM) { BeckyUserChange(); };
    Splitter1 = std::make_unique<Splitter>(SplitterArgs{hwnd_, 0, true});
    Splitter1->onDrag = [this](int delta) {
        treeWidth_ = std::max(S(kMinTreeWidth), dragStart_ + delta);
        Layout();
        treeWidth_ = BeckyUser->Bounds().right;  // as far as the window let it go
    };
    FolderList = std::make_unique<ListView>(ListViewArgs{hwnd_, 0, true, images_});
    FolderList->AddColumn("フォルダー名", S(kColumnWidths[0]));
    FolderList->AddColumn("サイズ", S(kColumnWidths[1]), true);
    FolderList->AddColumn("日付", S(kColumnWidths[2]));
    FolderList->onItemChanged = [this](int row) { FolderListChange(row); };
    Splitter3 = std::make_unique<Splitter>(SplitterArgs{hwnd_, 0, false});
    Splitter3->onDrag = [this](int delta) {
        panelHeight_ = dragStart_ - delta;
        Layout();
        const RECT panel = Panel1->Bounds();
        panelHeight_ = panel.bottom - panel.top;
    };
    // The drag starts from the sizes as they are when the button goes down.
    auto remember = [this](bool tree) { dragStart_ = tree ? treeWidth_ : panelHeight_; };
    Splitter1->onDragStart = [remember] { remember(true); };
    Splitter3->onDragStart = [remember] { remember(false); };

    Panel1 = std::make_unique<Panel>(PanelArgs{hwnd_, 0, kPanelBorder, false});
    Panel1->onResize = [this](int width, int height) { LayoutPanel(width, height); };
    HWND panel = Panel1->Hwnd();
    PageControl1 = std::make_unique<PageControl>(PageControlArgs{panel, 0});
    StopBtn1 = std::make_unique<Button>(ButtonArgs{panel, 0, "中止"});
    StopBtn1->onClick = [this] { AbortBtnClick(); };
    StopBtn1->SetEnabled(false);
    ProgMsg = std::make_unique<Label>(LabelArgs{panel, 0, ""});
    ProgressBar1 = std::make_unique<ProgressBar>(ProgressBarArgs{panel, 0});
    MsgLabel = std::make_unique<Label>(LabelArgs{panel, 0, "件数:"});
    StatusBar1 = std::make_unique<StatusBar>(StatusBarArgs{hwnd_, 0, StatusWidths()});
    hints_ = std::make_unique<Hints>(hwnd_);

    TabSheet1 = AddPage<ExportPage>("Becky→知子テキスト");
    TabSheet2 = AddPage<DedupePage>("重複メール整理");
    TabSheet3 = AddPage<ImportPage>("外部ファイル取込", MailBox);
    PageControl1->onPageChanged = [this](int) { KeepFocusOnShownPage(false); };
    host_ = std::make_unique<WindowHost>(*ProgMsg, *ProgressBar1, AbortRequested);
    host_->ShowWarningsOver(hwnd_);
    AboutDialog1 = std::make_unique<TAboutDialog>();

    // One font for every control, as the window's design gives it.
    SetFontOfChildren(hwnd_, font_, false);

    // The root node "Becky!" is part of the window's design, there before anything is read.
    BeckyUser->AddItem(TVI_ROOT, Profile.Root().text, 0, 0, -1,
                       reinterpret_cast<LPARAM>(&Profile.Root()));
}

Panel& TMainForm::NewPagePanel(const std::string& caption) {
    return PageControl1->AddPage(caption);
}

PageContext TMainForm::PageContextOfWindow() {
    return {hwnd_, hints_.get(), MsgLabel.get(), [this](JobPage& page) { RunJob(page); },
            [this] { UpdateButtons(); }};
}

SIZE TMainForm::PanelMinimum() const {
    // The room every page's controls take (the design puts its right- and bottommost ones at
    // the edges of the page).
    RECT need{0, 0, 0, 0};
    for (int i = 0; i < PageControl1->PageCount(); ++i) {
        HWND page = PageControl1->Page(i).Hwnd();
        RECT origin{};
        GetWindowRect(page, &origin);
        for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            RECT r{};
            GetWindowRect(c, &r);
            need.right = std::max(need.right, r.right - origin.left);
            need.bottom = std::max(need.bottom, r.bottom - origin.top);
        }
    }
    // The tab control around that display area, then the panel's frame and the strip under it.
    SendMessageW(PageControl1->Hwnd(), TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&need));
    return {need.right - need.left + 2 * S(kPanelBorder),
            need.bottom - need.top + S(kProgressStrip) + 2 * S(kPanelBorder)};
}

void TMainForm::MinimumTrackSize(MINMAXINFO& info) const {
    const SIZE panel = PanelMinimum();
    RECT r{0, 0, S(kMinTreeWidth) + S(kSplitterSize) + panel.cx,
           S(kMinListHeight) + S(kSplitterSize) + panel.cy + StatusBar1->Height()};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    info.ptMinTrackSize = {r.right - r.left, r.bottom - r.top};
}

void TMainForm::Layout() {
    if (!hwnd_ || !StatusBar1) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    StatusBar1->Resize();
    const int width = client.right;
    const int height = client.bottom - StatusBar1->Height();
    // The sizes the user chose stay chosen: a window made small and grown again gets them back.
    // What is laid out now is as near to them as the window lets every page show whole.
    const SIZE minimum = PanelMinimum();
    const int panelWidthMin = static_cast<int>(minimum.cx);
    const int panelHeightMin = static_cast<int>(minimum.cy);
    const int tree =
        std::max(S(kMinTreeWidth), std::min(treeWidth_, width - S(kSplitterSize) - panelWidthMin));
    const int panelHeight = std::max(
        panelHeightMin, std::min(panelHeight_, height - S(kSplitterSize) - S(kMinListHeight)));
    BeckyUser->SetBounds(0, 0, tree, height);
    Splitter1->SetBounds(tree, 0, S(kSplitterSize), height);
    const int right = tree + S(kSplitterSize);
    const int rightWidth = std::max(0, width - right);
    const int panelTop = std::max(0, height - panelHeight);
    FolderList->SetBounds(right, 0, rightWidth, std::max(0, panelTop - S(kSplitterSize)));
    Splitter3->SetBounds(right, panelTop - S(kSplitterSize), rightWidth, S(kSplitterSize));
    Panel1->SetBounds(right, panelTop, rightWidth, height - panelTop);
    // Everything that moved is drawn again, the list's header, the strip under the pages and
    // the status bar's size grip included: moving alone leaves some of them blank or doubled.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TMainForm::LayoutPanel(int width, int height) {
    // The panel's frame lies outside the size it reports.
    const int pagesHeight = std::max(0, height - S(kProgressStrip));
    PageControl1->SetBounds(0, 0, width, pagesHeight);
    const int strip = pagesHeight + S(4);
    StopBtn1->SetBounds(width - S(84), strip + S(2), S(78), S(24));
    ProgMsg->SetBounds(S(6), strip + S(2), std::max(0, width - S(100)), S(16));
    ProgressBar1->SetBounds(S(6), strip + S(26), std::max(0, width - S(230)), S(16));
    MsgLabel->SetBounds(width - S(214), strip + S(27), S(208), S(16));
}

HFONT TMainForm::CreateWindowFont() const {
    LOGFONTW lf{};
    lf.lfHeight = -S(kFontHeight);
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfWeight = FW_NORMAL;
    wcscpy_s(lf.lfFaceName, Wide("ＭＳ Ｐゴシック").c_str());
    return CreateFontIndirectW(&lf);
}

std::vector<int> TMainForm::StatusWidths() const {
    std::vector<int> widths;
    for (int w : kStatusWidths) widths.push_back(S(w));
    return widths;
}

void TMainForm::ApplyDpi(UINT dpi, const RECT* suggested) {
    const UINT old = dpi_;
    dpi_ = dpi;
    // The sizes the user chose keep their share of the window.
    treeWidth_ = MulDiv(treeWidth_, static_cast<int>(dpi), static_cast<int>(old));
    panelHeight_ = MulDiv(panelHeight_, static_cast<int>(dpi), static_cast<int>(old));
    HFONT font = CreateWindowFont();
    SetFontOfChildren(hwnd_, font, true);
    if (font_) DeleteObject(font_);
    font_ = font;
    for (Control* control : Control::PlacedWithin(hwnd_)) control->Rescale(dpi);
    SendMessageW(BeckyUser->Hwnd(), TVM_SETINDENT, static_cast<WPARAM>(S(kTreeIndent)), 0);
    for (int c = 0; c < 3; ++c) FolderList->SetColumnWidth(c, S(kColumnWidths[c]));
    StatusBar1->SetWidths(StatusWidths());
    if (suggested)
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

void TMainForm::FormCreate() {
    std::string exeFolder = options_.exeFolder;
    if (exeFolder.empty()) {
        const std::string exe = ExecutablePath();
        exeFolder = exe.substr(0, FileNameStart(exe));
    }
    try {
        SettingsFileName = options_.settingsFile.empty() ? ui::SettingsFileName(ExecutablePath())
                                                         : options_.settingsFile;
        MailBox = std::make_unique<TMailBox>();
        AboutDialog1->Caption = "Tavori!";
        const Settings settings = LoadSettings(*platform::OpenProfileFile(SettingsFileName));
        for (JobPage* page : pages_) page->LoadSettings(settings);
        if (!IsFolder(TabSheet1->OutputDir)) TabSheet1->OutputDir = exeFolder;
        if (!IsFolder(TabSheet3->ImportDir)) TabSheet3->ImportDir = exeFolder;

        std::shared_ptr<const platform::Registry> registry = options_.registry;
        if (!registry) registry = platform::OpenUserRegistry();
        Profile.ReadStartup(*registry);
        const HTREEITEM root = BeckyUser->FirstChild(TVI_ROOT);
        ShowChildren(root, Profile.Root());
        BeckyUser->Expand(root);

        TabSheet3->ShowImportDir();
        TabSheet1->SetOutputDir(TabSheet1->OutputDir);
        UpdateButtons();
        PageControl1->SetActivePage(0);
    } catch (const std::exception& e) {
        // The rest of the set-up is skipped; the window opens all the same.
        ShowError(hwnd_, e.what());
    }
}

void TMainForm::FormClose() {
    Settings settings;
    for (const JobPage* page : pages_) page->SaveSettings(settings);
    try {
        auto file = platform::OpenProfileFile(SettingsFileName);
        // The width as the export uses it: the text as a number, clamped to 40..255, or 40.
        const std::string width = std::to_string(settings.wordCount);
        if (!SaveSettings(*file, settings, width)) ShowWarning(hwnd_, kSettingsWriteWarning);
    } catch (const std::exception&) {
        ShowWarning(hwnd_, kSettingsWriteWarning);
    }
    MailBox.reset();
}

TreeNode* TMainForm::SelectedNode() const {
    const HTREEITEM item = BeckyUser->Selected();
    return item ? reinterpret_cast<TreeNode*>(BeckyUser->Data(item)) : nullptr;
}

Selection TMainForm::CurrentSelection() { return Selection(Profile, SelectedNode(), *FolderList); }

void TMainForm::ShowChildren(HTREEITEM item, const TreeNode& node) {
    BeckyUser->DeleteChildren(item);
    for (const auto& child : node.children) {
        const HTREEITEM added =
            BeckyUser->AddItem(item, child->text, child->image, child->selectedImage,
                               child->stateImage, reinterpret_cast<LPARAM>(child.get()));
        ShowChildren(added, *child);
    }
}

void TMainForm::BeckyUserChange() {
    TreeNode* node = SelectedNode();
    Profile.ListFolders(node);
    FolderList->Clear();
    for (const FolderRow& row : Profile.Rows())
        FolderList->AddRow({row.caption, row.sizeText, row.dateText}, kImageMailBundle);
    if (node) ShowChildren(BeckyUser->Selected(), *node);
    // Names this program cannot write, said instead of an empty list that would say nothing.
    std::string why;
    if (node && node->unopenable)
        why = "フォルダー「" + node->text +
              "」は名前に Shift-JIS にない文字 (〓) があるため、このプログラムでは開けません";
    else if (Profile.UnopenableMailboxes() > 0)
        why = "名前に Shift-JIS にない文字があるメールボックス " +
              std::to_string(Profile.UnopenableMailboxes()) +
              " 個は、このプログラムでは開けないため一覧にありません";
    StatusBar1->ShowMessage(why);
    UpdateButtons();  // the rows and their selection are gone
}

void TMainForm::FolderListChange(int row) {
    if (row >= 0 && row < FolderList->Count())
        FolderList->SetStateImage(row, FolderList->IsSelected(row) ? kImageSelected : -1);
    UpdateButtons();
}

void TMainForm::UpdateButtons() {
    if (jobRunning_) return;  // the job frame owns the buttons until EndJob
    const Selection selection = CurrentSelection();
    for (JobPage* page : pages_) page->StartButton().SetEnabled(page->CanStart(selection));
    StopBtn1->SetEnabled(false);
}

void TMainForm::SetLocked(bool locked) {
    // While a job runs the tree and the list it walks stay as they are, and the window stays.
    BeckyUser->SetEnabled(!locked);
    FolderList->SetEnabled(!locked);
    EnableMenuItem(menu_, kMenuExit, MF_BYCOMMAND | (locked ? MF_GRAYED : MF_ENABLED));
}

void TMainForm::BeginJob() {
    for (JobPage* page : pages_) page->StartButton().SetEnabled(false);
    PageControl1->SetEnabled(false);
    StopBtn1->SetEnabled(true);
    AbortRequested = false;
    jobRunning_ = true;
    SetLocked(true);
}

void TMainForm::EndJob() {
    host_->Flush();
    ProgressBar1->SetMaximum(0);
    ProgressBar1->SetPosition(0);
    ProgMsg->SetText("");
    PageControl1->SetEnabled(true);
    jobRunning_ = false;
    SetLocked(false);
    UpdateButtons();
    if (closeAfterJob_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void TMainForm::RunJob(JobPage& page) {
    if (jobRunning_) return;
    // A job that writes mailboxes holds the hourglass over the window for its whole run.
    const bool mailboxes = page.WritesMailboxes();
    HCURSOR previous = nullptr;
    if (mailboxes) {
        previous = SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        waitCursor_ = true;
    }
    BeginJob();
    host_->ShowFiguresWith([&page](const JobFigures& figures) { page.ShowFigures(figures); });
    try {
        // The job's inputs as they are now: the tree and the list stay locked while it runs.
        page.Run(CurrentSelection(), *host_, ExportTotal);
    } catch (const ReplaceDeclined&) {
        host_->Flush();  // the user said no: nothing was created, nothing more to say
    } catch (const SameFileError& e) {
        host_->Flush();
        ShowWarning(hwnd_, e.what());  // refused before anything was read or written
    } catch (const std::exception& e) {
        host_->Flush();
        ShowError(hwnd_, e.what());
    }
    page.Finished();
    EndJob();
    if (!mailboxes) return;
    waitCursor_ = false;
    SetCursor(previous);
    BeckyUserChange();  // the new mailboxes are listed
}

void TMainForm::AbortBtnClick() { AbortRequested = true; }

namespace {

bool TakesFocus(HWND hwnd) {
    return IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) &&
           (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_TABSTOP) != 0;
}

// The controls of a page that are Tab stops, in reading order: rows from the top (controls
// whose tops lie within a few pixels of the row's first are on its row), each from the left.
std::vector<HWND> ReadingOrder(HWND page) {
    struct Place {
        HWND hwnd;
        RECT rect;
    };
    std::vector<Place> places;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) == 0) continue;
        RECT r{};
        GetWindowRect(child, &r);
        places.push_back({child, r});
    }
    std::sort(places.begin(), places.end(),
              [](const Place& a, const Place& b) { return a.rect.top < b.rect.top; });
    HDC dc = GetDC(page);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(page, dc);
    const int sameRow = MulDiv(8, dpi, 96);
    for (std::size_t row = 0; row < places.size();) {
        std::size_t end = row + 1;
        while (end < places.size() && places[end].rect.top < places[row].rect.top + sameRow) ++end;
        std::sort(places.begin() + static_cast<std::ptrdiff_t>(row),
                  places.begin() + static_cast<std::ptrdiff_t>(end),
                  [](const Place& a, const Place& b) { return a.rect.left < b.rect.left; });
        row = end;
    }
    std::vector<HWND> order;
    for (const Place& p : places) order.push_back(p.hwnd);
    return order;
}

void FocusControl(HWND hwnd) {
    SetFocus(hwnd);
    // As the dialog manager does: an edit reached by Tab has its text selected.
    HWND focus = GetFocus();
    if (focus && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0)
        SendMessageW(focus, EM_SETSEL, 0, -1);
}

}  // namespace

std::vector<HWND> TMainForm::TabOrder() const {
    std::vector<HWND> order;
    const auto add = [&order](HWND hwnd) {
        if (TakesFocus(hwnd)) order.push_back(hwnd);
    };
    add(BeckyUser->Hwnd());
    add(FolderList->Hwnd());
    add(PageControl1->Hwnd());
    const int active = PageControl1->ActivePage();
    if (active >= 0 && active < static_cast<int>(pages_.size())) {
        HWND start = pages_[static_cast<std::size_t>(active)]->StartButton().Hwnd();
        for (HWND hwnd : ReadingOrder(PageControl1->Page(active).Hwnd()))
            if (hwnd != start) add(hwnd);
        add(start);
    }
    add(StopBtn1->Hwnd());
    return order;
}

bool TMainForm::TranslateKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
    const bool back = GetKeyState(VK_SHIFT) < 0;
    if (GetKeyState(VK_CONTROL) < 0) {
        // The pages stay as they are while a job runs.
        const int count = PageControl1->PageCount();
        if (count > 0 && PageControl1->Enabled())
            SelectPage((PageControl1->ActivePage() + (back ? count - 1 : 1)) % count);
        return true;
    }
    const std::vector<HWND> order = TabOrder();
    if (order.empty()) return true;
    // Where the focus is: the control itself or the control it is part of (a combo box's
    // edit); from nowhere Tab starts at either end.
    auto at = order.end();
    for (HWND hwnd = GetFocus(); hwnd && hwnd != hwnd_ && at == order.end(); hwnd = GetParent(hwnd))
        at = std::find(order.begin(), order.end(), hwnd);
    const auto n = static_cast<std::ptrdiff_t>(order.size());
    std::ptrdiff_t next = back ? n - 1 : 0;
    if (at != order.end()) next = ((at - order.begin()) + (back ? n - 1 : 1)) % n;
    FocusControl(order[static_cast<std::size_t>(next)]);
    return true;
}

void TMainForm::SelectPage(int index) {
    PageControl1->SetActivePage(index);
    KeepFocusOnShownPage(GetFocus() != PageControl1->Hwnd());
}

void TMainForm::KeepFocusOnShownPage(bool always) {
    HWND focus = GetFocus();
    const bool lost = !focus || !IsWindowVisible(focus);
    if (!always && !lost) return;
    const int active = PageControl1->ActivePage();
    HWND page = active >= 0 ? PageControl1->Page(active).Hwnd() : nullptr;
    for (HWND hwnd : TabOrder()) {
        if (page && IsChild(page, hwnd)) {
            FocusControl(hwnd);
            return;
        }
    }
    if (lost) SetFocus(PageControl1->Hwnd());
}

void TMainForm::ExitButtonClick() { SendMessageW(hwnd_, WM_CLOSE, 0, 0); }

void TMainForm::About1Click() { AboutDialog1->Execute(hwnd_); }

}  // namespace tavori::ui
