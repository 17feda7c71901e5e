#include "ui/controls/group_box.h"

namespace tavori::ui {

GroupBox::GroupBox(const GroupBoxArgs& args) {
    Create(L"BUTTON", args.text, WS_VISIBLE | BS_GROUPBOX, 0, args.parent, args.id);
}

}  // namespace tavori::ui
