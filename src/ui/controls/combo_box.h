#pragma once
// An editable combo box with a drop-down list of choices (the text need not be one of them).
#include <functional>
#include <string>
#include <vector>

#include "ui/controls/control.h"

namespace tavori::ui {

struct ComboBoxArgs {
    HWND parent = nullptr;
    int id = 0;
    std::string text;  // the initial edit text
};

class ComboBox : public Control {
  public:
    explicit ComboBox(const ComboBoxArgs& args);
    ~ComboBox() override;

    // Replaces the drop-down list; the edit text stays as it is.
    void SetItems(const std::vector<std::string>& items);
    std::vector<std::string> Items() const;
    void AddItem(const std::string& item);
    // height is that of the closed box; the open list gets room for a few rows below it.
    void SetBounds(int x, int y, int width, int height) override;

    // The edit text changed: typed, set through SetText / WM_SETTEXT (only when it differs),
    // or an item chosen from the list (always; Text() is already the item's).
    std::function<void()> onTextChanged;

    void OnCommand(WORD code) override;

  private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    std::string ItemText(int index) const;
    void TextChanged();

    int quiet_ = 0;  // inside our own text changes: the control's echo is not the user's typing
};

}  // namespace tavori::ui
