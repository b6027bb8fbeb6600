#include "ui/win32/gdi_painting.h"

#include <algorithm>

#include "base/wide_text.h"
#include "drawing/info_banner.h"

namespace rangwerk::win32 {

COLORREF ColorRefOf(Color color) {
    // Both keep red in the low byte, then green, then blue.
    return RGB(RedOf(color), GreenOf(color), BlueOf(color));
}

RECT WinRect(const Rect& rect) {
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

Rect LayoutRect(const RECT& rect) {
    return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

MeasureText MeasureWith(HDC dc) {
    return [dc](const std::string& text) {
        const std::wstring wide = WideFromUtf8(text);
        SIZE size{};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        return static_cast<int>(size.cx);
    };
}

int TextHeight(HDC dc) {
    SIZE size{};
    GetTextExtentPoint32W(dc, L"T", 1, &size);
    return size.cy;
}

void DrawPlacedText(HDC dc, const PlacedText& text, int y, bool opaque) {
    const std::wstring wide = WideFromUtf8(text.text);
    const int oldMode = SetBkMode(dc, opaque ? OPAQUE : TRANSPARENT);
    TextOutW(dc, text.x, y, wide.c_str(), static_cast<int>(wide.size()));
    SetBkMode(dc, oldMode);
}

void FillWithColor(HDC dc, const Rect& rect, Color color) {
    const RECT area = WinRect(rect);
    HBRUSH brush = CreateSolidBrush(ColorRefOf(color));
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void DrawOutlinedBar(HDC dc, const Rect& rect, Color fill) {
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    FillWithColor(dc, rect, Rgb(0, 0, 0));
    if (rect.right - rect.left > 2 && rect.bottom - rect.top > 2)
        FillWithColor(dc, Rect{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1}, fill);
}

void DrawFrame(HDC dc, const Rect& rect, Color color) {
    const RECT area = WinRect(rect);
    HBRUSH brush = CreateSolidBrush(ColorRefOf(color));
    FrameRect(dc, &area, brush);
    DeleteObject(brush);
}

void PaintRankingRow(HDC dc, const RankingRowLayout& row) {
    if (row.rankNumber)
        DrawPlacedText(dc, *row.rankNumber, row.textY, true);
    DrawPlacedText(dc, row.name, row.textY, true);
    if (row.bar) {
        const RowBar& bar = *row.bar;
        DrawOutlinedBar(dc, Rect{bar.left, bar.top, bar.right, bar.bottom}, bar.fill);
    }
    DrawPlacedText(dc, row.score, row.textY, false);
}

void PaintDiagramRow(HDC dc, const DiagramRow& row) {
    if (!row.draw)
        return;
    if (row.rank)
        DrawPlacedText(dc, *row.rank, row.textY, true);
    DrawPlacedText(dc, row.name, row.textY, true);
    if (row.bar) {
        const DiagramBar& bar = *row.bar;
        DrawOutlinedBar(
            dc, Rect{std::min(bar.x1, bar.x2), bar.top, std::max(bar.x1, bar.x2), bar.bottom},
            bar.color);
    }
    DrawPlacedText(dc, row.value, row.textY, false);
}

void PaintBannerGradient(HDC dc, int width, int height) {
    for (int x = 0; x <= width; ++x)
        FillWithColor(dc, Rect{x, 0, x + 1, height}, BannerGradientColor(x, width));
}

void PaintListRow(const DRAWITEMSTRUCT& item,
                  const std::function<void(HDC dc, const Rect& row)>& paintRow) {
    HDC dc = item.hDC;
    const RECT& area = item.rcItem;
    if (item.itemAction == ODA_FOCUS) {
        DrawFocusRect(dc, &area);
        return;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF background = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const COLORREF text = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    const COLORREF oldText = SetTextColor(dc, text);
    const COLORREF oldBackground = SetBkColor(dc, background);
    if (item.itemID != static_cast<UINT>(-1))
        paintRow(dc, LayoutRect(area));
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBackground);
    if ((item.itemState & ODS_FOCUS) != 0)
        DrawFocusRect(dc, &area);
}

}  // namespace rangwerk::win32
