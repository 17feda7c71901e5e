#include "ui/controls/group_box.h"

namespace tavori::ui {

GroupBox::GroupBox(const GroupBoxArgs& args) {
    // Transparent: the page paints under the box, which never paints its own inside.
    Create(L"BUTTON", args.text, WS_VISIBLE | BS_GROUPBOX, WS_EX_TRANSPARENT, args.parent, args.id);
}

}  // namespace tavori::ui
