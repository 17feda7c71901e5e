#pragma once
// A tree of read-only labels with plus/minus buttons and lines (none at the root level), each
// item carrying an integer of the caller's.
#include <windows.h>
// The common controls' header needs windows.h first.
#include <commctrl.h>

#include <functional>
#include <string>

#include "ui/controls/control.h"

namespace tavori::ui {

struct TreeViewArgs {
    HWND parent = nullptr;
    int id = 0;
    // Used for the normal, selected and state images; stays the caller's (not destroyed here).
    HIMAGELIST images = nullptr;
    int indent = 19;
};

class TreeView : public Control {
  public:
    explicit TreeView(const TreeViewArgs& args);

    // parent TVI_ROOT adds a top-level item; the item goes after its siblings. Image numbers
    // index the image list; stateImage -1 is none, and 0 cannot be shown as a state image
    // (state 0 means none to the control).
    HTREEITEM AddItem(HTREEITEM parent, const std::string& text, int image, int selectedImage,
                      int stateImage, LPARAM data);
    void DeleteChildren(HTREEITEM item);
    void Expand(HTREEITEM item);
    HTREEITEM Selected() const;
    void Select(HTREEITEM item);  // reported through onSelectionChanged like a click
    LPARAM Data(HTREEITEM item) const;
    std::string ItemText(HTREEITEM item) const;
    HTREEITEM Parent(HTREEITEM item) const;  // nullptr for a top-level item
    HTREEITEM FirstChild(HTREEITEM item) const;
    HTREEITEM NextSibling(HTREEITEM item) const;

    std::function<void(HTREEITEM)> onSelectionChanged;  // the new selection, maybe nullptr

    LRESULT OnNotify(NMHDR* header) override;
};

}  // namespace tavori::ui
