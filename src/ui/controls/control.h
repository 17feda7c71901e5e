#pragma once
// The base of the control wrappers: one object owns one child window (destroyed with the
// object) and receives the WM_COMMAND and WM_NOTIFY messages that the window sends to its
// parent, which the parent passes on through RouteToControl. Texts are Shift-JIS.
#include <windows.h>

#include <string>
#include <vector>

namespace tavori::ui {

class Control {
  public:
    Control() = default;
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND Hwnd() const { return hwnd_; }
    // Virtual for controls made of more than one window (an edit with its up-down arrows).
    virtual void SetBounds(int x, int y, int width, int height);
    // Bounds of the layout, given at 96 DPI: set at the parent's DPI now, and again at the
    // DPI given to Rescale (when the window moves to a monitor of another DPI).
    void Place(int x, int y, int width, int height);
    void Rescale(UINT dpi);
    // The controls given their bounds by Place inside root, for its change of DPI.
    static std::vector<Control*> PlacedWithin(HWND root);
    RECT Bounds() const;  // in the parent's client coordinates
    virtual void SetEnabled(bool enabled);
    bool Enabled() const;
    void SetVisible(bool visible);
    // Puts the control below its siblings: a frame drawn around others must not cover them.
    void SendToBack();
    void SetText(const std::string& sjis);
    std::string Text() const;
    void SetFont(HFONT font);

    // The control's notifications, as its parent received them.
    virtual void OnCommand(WORD /*code*/) {}
    virtual LRESULT OnNotify(NMHDR* /*header*/) { return 0; }

    // The wrapper of a child window made by a Control, or nullptr.
    static Control* FromHwnd(HWND hwnd);

  protected:
    // Creates the child window of a standard class and makes this object its wrapper.
    void Create(const wchar_t* windowClass, const std::string& text, DWORD style, DWORD exStyle,
                HWND parent, int id);
    void Attach(HWND hwnd);

  private:
    HWND hwnd_ = nullptr;
    RECT design_{};
    bool placed_ = false;
};

// For a container window's procedure: passes WM_COMMAND and WM_NOTIFY from a wrapped child
// to its wrapper. True when the message was such a message (result holds the answer).
bool RouteToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

}  // namespace tavori::ui
