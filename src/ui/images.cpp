#include "ui/images.h"

#include <functional>

namespace tavori::ui {
namespace {

constexpr int kSize = 16;

void Box(HDC dc, int l, int t, int r, int b, COLORREF fill, COLORREF line) {
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, line);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Rectangle(dc, l, t, r, b);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color) {
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

const COLORREF kDark = RGB(64, 64, 64);
const COLORREF kFolder = RGB(240, 200, 80);
const COLORREF kPaper = RGB(255, 255, 255);

void Computer(HDC dc) {
    Box(dc, 2, 2, 14, 11, RGB(200, 200, 200), kDark);
    Box(dc, 4, 4, 12, 9, RGB(40, 90, 170), kDark);
    Box(dc, 4, 12, 12, 15, RGB(200, 200, 200), kDark);
}

void ClosedFolder(HDC dc) {
    Box(dc, 1, 3, 7, 6, kFolder, kDark);
    Box(dc, 1, 5, 15, 14, kFolder, kDark);
}

void OpenFolder(HDC dc) {
    Box(dc, 1, 3, 7, 6, kFolder, kDark);
    Box(dc, 1, 5, 13, 14, RGB(250, 230, 150), kDark);
    Box(dc, 3, 8, 15, 14, kFolder, kDark);
}

void MailTray(HDC dc) {
    Box(dc, 3, 2, 13, 9, kPaper, kDark);
    Line(dc, 3, 2, 8, 6, kDark);
    Line(dc, 8, 6, 13, 2, kDark);
    Box(dc, 1, 8, 15, 14, RGB(110, 150, 210), kDark);
}

void MailBundle(HDC dc) {
    Box(dc, 4, 2, 15, 10, kPaper, kDark);
    Box(dc, 1, 5, 12, 13, kPaper, kDark);
    Line(dc, 1, 5, 6, 9, kDark);
    Line(dc, 6, 9, 12, 5, kDark);
}

void Marker(HDC dc) {
    const POINT arrow[] = {{4, 3}, {11, 8}, {4, 13}};
    HBRUSH brush = CreateSolidBrush(RGB(200, 30, 30));
    HGDIOBJ old = SelectObject(dc, brush);
    Polygon(dc, arrow, 3);
    SelectObject(dc, old);
    DeleteObject(brush);
}

void Blank(HDC) {}

}  // namespace

HIMAGELIST CreateProfileImages() {
    const std::function<void(HDC)> pictures[] = {Computer,   Blank,    Blank,      ClosedFolder,
                                                 OpenFolder, MailTray, MailBundle, Marker};
    HIMAGELIST list = ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, 8, 0);
    const COLORREF transparent = RGB(255, 0, 255);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    for (const auto& draw : pictures) {
        HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH back = CreateSolidBrush(transparent);
        RECT all{0, 0, kSize, kSize};
        FillRect(dc, &all, back);
        DeleteObject(back);
        draw(dc);
        SelectObject(dc, old);
        ImageList_AddMasked(list, bitmap, transparent);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return list;
}

}  // namespace tavori::ui
