#pragma once
// Tabs over pages: each page is a Panel filling the tabs' display area, and the controls of a
// page are children of that panel. Only the active page is shown.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/controls/control.h"
#include "ui/controls/panel.h"

namespace tavori::ui {

struct PageControlArgs {
    HWND parent = nullptr;
    int id = 0;
};

class PageControl : public Control {
  public:
    explicit PageControl(const PageControlArgs& args);
    ~PageControl() override;

    Panel& AddPage(const std::string& caption);
    int PageCount() const { return static_cast<int>(pages_.size()); }
    Panel& Page(int index);  // throws std::out_of_range for a page that does not exist
    int ActivePage() const;  // -1 without pages
    // Selects the tab and shows its page, hiding the others. Does not call onPageChanged,
    // which reports the user's switches.
    void SetActivePage(int index);

    std::function<void(int index)> onPageChanged;

    void SetBounds(int x, int y, int width, int height) override;  // re-lays the pages
    void SetEnabled(bool enabled) override;  // the tabs and every page (so all on them)
    LRESULT OnNotify(NMHDR* header) override;

  private:
    void ShowOnly(int index);
    RECT DisplayArea() const;

    std::vector<std::unique_ptr<Panel>> pages_;
};

}  // namespace tavori::ui
