#pragma once
// TBevelLabel: a text label inside a frame of up to three rings, from the outside in an outer
// bevel, a flat border in the label's colour and an inner bevel, with an optional margin
// between the frame and the text. The window shows folders in it and the version dialog its
// comments. It takes no input focus.
#include <windows.h>

#include <string>

#include "ui/controls/control.h"

namespace tavori::ui {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

struct BevelStyle {
    bool down = false;
    TBevelCut bevelInner = bvLowered;
    TBevelCut bevelOuter = bvNone;
    int bevelWidth = 1;   // each bevel, from 1 up
    int borderWidth = 0;  // the flat ring between the bevels, from 0 up
    int textBorder = 0;   // margin around the text on all sides; negative widens the text area
    TAlignment alignment = taLeftJustify;
    TTextLayout layout = tlTop;
    bool wordWrap = false;
    COLORREF color = GetSysColor(COLOR_BTNFACE);  // the fill of the whole label
};

// The pressed look: a change of down makes the inner bevel lowered (down) or raised (up) and
// removes the outer bevel; setting the current value changes nothing, so a new label keeps
// its lowered inner bevel. True when the style changed.
bool SetDown(BevelStyle& style, bool down);

// Draws the label into client on dc: the rings, the fill, and caption (Shift-JIS) in font
// (nullptr: the DC's font), greyed when not enabled.
void PaintBevelLabel(HDC dc, RECT client, const BevelStyle& style, const std::string& caption,
                     HFONT font, bool enabled);

struct BevelLabelArgs {
    HWND parent = nullptr;
    int id = 0;
    std::string caption;
    BevelStyle style;
};

// The caption is the window text (Control::SetText); every change of it or of a property
// repaints the label. WM_PRINTCLIENT paints it into another DC.
class TBevelLabel : public Control {
  public:
    explicit TBevelLabel(const BevelLabelArgs& args);

    void SetStyle(const BevelStyle& style);
    void SetDown(bool down);
    void SetBevelInner(TBevelCut cut);
    void SetBevelOuter(TBevelCut cut);
    void SetBevelWidth(int width);
    void SetBorderWidth(int width);
    void SetTextBorder(int border);
    void SetAlignment(TAlignment alignment);
    void SetLayout(TTextLayout layout);
    void SetWordWrap(bool wrap);
    void SetColor(COLORREF color);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc);
    void Repaint();

    BevelStyle style_;
    HFONT font_ = nullptr;
};

}  // namespace tavori::ui
