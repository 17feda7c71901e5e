#pragma once
// A combo box whose text can only be chosen from its list (the import page's file type).
#include <functional>
#include <string>
#include <vector>

#include "ui/controls/control.h"

namespace tavori::ui {

struct DropDownListArgs {
    HWND parent = nullptr;
    int id = 0;
    std::vector<std::string> items;
};

class DropDownList : public Control {
  public:
    explicit DropDownList(const DropDownListArgs& args);
    int Selected() const;            // -1 when nothing is chosen
    void Select(int index);          // no onChange, as for a choice made by the program
    std::function<void()> onChange;  // the user chose an item
    void OnCommand(WORD code) override;
};

}  // namespace tavori::ui
