// The bevelled label: rings, fill and text checked pixel by pixel on a memory bitmap, and the
// control's repaint on every change.
#include "ui/bevel_label.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace tavori::ui {
namespace {

constexpr COLORREF kFill = RGB(10, 200, 30);  // no system colour

// A 32-bit DIB section selected into a memory DC.
class Canvas {
  public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
        dc_ = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    RECT Rect() const { return {0, 0, width_, height_}; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    // The bounds of the pixels inside area that are not the fill colour (all zero: none).
    RECT Ink(RECT area) const {
        RECT ink{area.right, area.bottom, area.left, area.top};
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (At(x, y) != kFill)
                    ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y),
                           std::max<LONG>(ink.right, x + 1), std::max<LONG>(ink.bottom, y + 1)};
        return ink.right > ink.left ? ink : RECT{};
    }
    int Count(COLORREF color) const {
        int n = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) n += At(x, y) == color;
        return n;
    }

  private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// A crisp font, so that text pixels are exactly the text colours.
struct TestFont {
    HFONT handle =
        CreateFontW(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma");
    ~TestFont() { DeleteObject(handle); }
};

BevelStyle Make(TBevelCut outer, TBevelCut inner, int bevelWidth = 1, int borderWidth = 0) {
    BevelStyle style;
    style.bevelOuter = outer;
    style.bevelInner = inner;
    style.bevelWidth = bevelWidth;
    style.borderWidth = borderWidth;
    style.color = kFill;
    return style;
}

// A label with a raised outer bevel after Down was set to each value in turn.
BevelStyle AfterDown(std::initializer_list<bool> values) {
    BevelStyle style = Make(bvRaised, bvLowered);
    for (bool down : values) SetDown(style, down);
    return style;
}

RECT InkOf(const BevelStyle& style, const std::string& text, int width, int height,
           const TestFont& font) {
    Canvas canvas(width, height);
    PaintBevelLabel(canvas.Dc(), canvas.Rect(), style, text, font.handle, true);
    return canvas.Ink({1, 1, width - 1, height - 1});  // inside a one-pixel ring, if any
}

enum Ring { S, H, C };  // button shadow, button highlight, the label's colour

TEST(BevelLabelPaint, RingsFromOutsideIn) {
    struct Case {
        const char* reason;
        BevelStyle style;
        std::vector<Ring> topLeft;  // from the top edge down and from the left edge right
        std::vector<Ring> bottomRight;
    };
    const Case cases[] = {
        {"defaults: one lowered ring, then the fill", Make(bvNone, bvLowered), {S, C}, {H, C}},
        {"comment box: outer lowered only", Make(bvLowered, bvNone), {S, C}, {H, C}},
        {"border ring in the label's colour between the bevels",
         Make(bvRaised, bvLowered, 1, 2),
         {H, C, C, S, C},
         {S, C, C, H, C}},
        {"bevel width for both bevels",
         Make(bvLowered, bvRaised, 2),
         {S, S, H, H, C},
         {H, H, S, S, C}},
        {"space bevel in the raised colours", Make(bvSpace, bvNone), {H, C}, {S, C}},
        {"no bevel: fill only", Make(bvNone, bvNone), {C}, {C}},
        {"down: lowered inner bevel, outer removed", AfterDown({true}), {S, C}, {H, C}},
        {"up again: raised inner bevel", AfterDown({true, false}), {H, C}, {S, C}},
        {"up on a new label changes nothing", AfterDown({false}), {H, S, C}, {S, H, C}},
    };
    const auto color = [](Ring r) {
        return r == S   ? GetSysColor(COLOR_BTNSHADOW)
               : r == H ? GetSysColor(COLOR_BTNHIGHLIGHT)
                        : kFill;
    };
    constexpr int kW = 40, kH = 30;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        Canvas canvas(kW, kH);
        PaintBevelLabel(canvas.Dc(), canvas.Rect(), c.style, "", nullptr, true);
        for (int i = 0; i < static_cast<int>(c.topLeft.size()); ++i) {
            EXPECT_EQ(canvas.At(kW / 2, i), color(c.topLeft[i])) << "top " << i;
            EXPECT_EQ(canvas.At(i, kH / 2), color(c.topLeft[i])) << "left " << i;
        }
        for (int i = 0; i < static_cast<int>(c.bottomRight.size()); ++i) {
            EXPECT_EQ(canvas.At(kW / 2, kH - 1 - i), color(c.bottomRight[i])) << "bottom " << i;
            EXPECT_EQ(canvas.At(kW - 1 - i, kH / 2), color(c.bottomRight[i])) << "right " << i;
        }
    }
}

TEST(BevelLabelPaint, CommentBoxWrapsItsTextInsideAFourPixelMargin) {
    TestFont font;
    const std::string text = "aaa bbb ccc ddd eee fff";
    BevelStyle style = Make(bvLowered, bvNone);
    const RECT bare = InkOf(style, text, 90, 120, font);
    style.textBorder = 4;
    style.wordWrap = true;
    const RECT boxed = InkOf(style, text, 90, 120, font);
    EXPECT_LE(bare.left, 4) << "text starts at the top left";
    EXPECT_EQ(boxed.left - bare.left, 4);
    EXPECT_EQ(boxed.top - bare.top, 4);
    EXPECT_GT(boxed.bottom - boxed.top, 2 * (bare.bottom - bare.top)) << "wrapped into lines";
}

TEST(BevelLabelPaint, VerticalLayoutMovesTheTextByTheInclusiveHeightDifference) {
    TestFont font;
    Canvas probe(10, 10);
    SelectObject(probe.Dc(), font.handle);
    RECT line{0, 0, 100, 100};
    DrawTextW(probe.Dc(), L"M", 1, &line, DT_CALCRECT);
    // Both parities of the difference, so that halving has something to round.
    for (const int height : {50, 51}) {
        const BevelStyle top = Make(bvNone, bvNone);
        BevelStyle bottom = top, centre = top;
        bottom.layout = tlBottom;
        centre.layout = tlCenter;
        const LONG d = (height + 1) - line.bottom;
        const LONG topInk = InkOf(top, "M", 60, height, font).top;
        EXPECT_EQ(InkOf(bottom, "M", 60, height, font).top - topInk, d) << height;
        EXPECT_EQ(InkOf(centre, "M", 60, height, font).top - topInk, d / 2) << height;
    }
}

TEST(BevelLabelPaint, AmpersandIsShownAsItself) {
    TestFont font;
    // As an access key "&A" would show as an underlined "A", no wider than "A" alone.
    const RECT a = InkOf(Make(bvNone, bvNone), "A", 60, 30, font);
    const RECT b = InkOf(Make(bvNone, bvNone), "&A", 60, 30, font);
    EXPECT_GT(b.right - b.left, a.right - a.left + 4);
}

TEST(BevelLabelPaint, DisabledTextIsEngravedInHighlightAndShadow) {
    TestFont font;
    Canvas canvas(80, 30);
    PaintBevelLabel(canvas.Dc(), canvas.Rect(), Make(bvNone, bvNone), "MM", font.handle, false);
    EXPECT_GT(canvas.Count(GetSysColor(COLOR_BTNHIGHLIGHT)), 0);
    EXPECT_GT(canvas.Count(GetSysColor(COLOR_BTNSHADOW)), 0);
    EXPECT_EQ(canvas.Count(GetSysColor(COLOR_WINDOWTEXT)), 0);
}

// The control on a visible top-level window.
class BevelLabelControl : public testing::Test {
  protected:
    void SetUp() override {
        host_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(host_, nullptr);
    }
    void TearDown() override { DestroyWindow(host_); }
    HWND host_ = nullptr;
};

TEST_F(BevelLabelControl, PaintsItsStyleCaptionAndFont) {
    TestFont font;
    TBevelLabel label(BevelLabelArgs{host_, 7, "MM", Make(bvNone, bvLowered)});
    label.SetBounds(0, 0, 80, 30);
    label.SetFont(font.handle);
    Canvas canvas(80, 30);
    SendMessageW(label.Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.At(40, 0), GetSysColor(COLOR_BTNSHADOW));
    const RECT ink = canvas.Ink({1, 1, 79, 29});
    const RECT expected = InkOf(Make(bvNone, bvLowered), "MM", 80, 30, font);
    EXPECT_GT(ink.right, ink.left) << "caption drawn";
    EXPECT_TRUE(EqualRect(&ink, &expected)) << "in the label's font";
}

TEST_F(BevelLabelControl, EveryChangeRepaints) {
    const std::pair<const char*, std::function<void(TBevelLabel&)>> cases[] = {
        {"caption", [](TBevelLabel& l) { l.SetText("フォルダー"); }},
        {"down", [](TBevelLabel& l) { l.SetDown(true); }},
        {"inner bevel", [](TBevelLabel& l) { l.SetBevelInner(bvRaised); }},
        {"outer bevel", [](TBevelLabel& l) { l.SetBevelOuter(bvLowered); }},
        {"bevel width", [](TBevelLabel& l) { l.SetBevelWidth(2); }},
        {"border width", [](TBevelLabel& l) { l.SetBorderWidth(3); }},
        {"text border", [](TBevelLabel& l) { l.SetTextBorder(4); }},
        {"enabled", [](TBevelLabel& l) { l.SetEnabled(false); }},
    };
    for (const auto& [what, change] : cases) {
        TBevelLabel label(BevelLabelArgs{host_, 0, "", {}});
        label.SetBounds(0, 0, 80, 30);
        ValidateRect(label.Hwnd(), nullptr);
        change(label);
        EXPECT_TRUE(GetUpdateRect(label.Hwnd(), nullptr, FALSE)) << what;
    }
}

}  // namespace
}  // namespace tavori::ui
