#pragma once
// A read-only report list: columns of text, whole rows selected, the selection kept visible
// when the list loses the focus.
#include <windows.h>
// The common controls' header needs windows.h first.
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/controls/control.h"

namespace tavori::ui {

struct ListViewArgs {
    HWND parent = nullptr;
    int id = 0;
    bool multiSelect = true;
    // Row images and state images; stays the caller's (not destroyed here).
    HIMAGELIST smallImages = nullptr;
};

class ListView : public Control {
  public:
    explicit ListView(const ListViewArgs& args);

    // The first column is always left-aligned (the control ignores alignment there).
    void AddColumn(const std::string& text, int width, bool rightAligned = false);
    void SetColumnWidth(int column, int width);
    // Appends a row; cells[0] is the caption, the others the following columns. Returns its index.
    int AddRow(const std::vector<std::string>& cells, int image);
    void Clear();
    int Count() const;
    bool IsSelected(int row) const;
    void SetSelected(int row, bool selected);
    int SelectedCount() const;
    std::string CellText(int row, int column) const;
    // image indexes the image list (0 to 14); -1 removes the state image. Setting the image a
    // row already has sends no change notification, so onItemChanged may call this.
    void SetStateImage(int row, int image);
    int StateImage(int row) const;  // -1 for none

    std::function<void(int row)> onItemChanged;  // any change of a row: selection, text, image

    LRESULT OnNotify(NMHDR* header) override;

  private:
    int columns_ = 0;
};

}  // namespace tavori::ui
