#include "ui/win32/form1_pictures.h"

#include <cmath>
#include <initializer_list>
#include <vector>

namespace rangwerk::win32 {

namespace {

// Draws with a pen and a brush of the given colours for the lifetime of the object; a null
// brush colour leaves shapes unfilled.
class Ink {
public:
    Ink(HDC dc, COLORREF line, COLORREF fill)
        : dc_(dc), pen_(CreatePen(PS_SOLID, 1, line)), brush_(CreateSolidBrush(fill)) {
        oldPen_ = SelectObject(dc_, pen_);
        oldBrush_ = SelectObject(dc_, brush_);
    }
    ~Ink() {
        SelectObject(dc_, oldBrush_);
        SelectObject(dc_, oldPen_);
        DeleteObject(brush_);
        DeleteObject(pen_);
    }
    Ink(const Ink&) = delete;
    Ink& operator=(const Ink&) = delete;

private:
    HDC dc_;
    HPEN pen_;
    HBRUSH brush_;
    HGDIOBJ oldPen_;
    HGDIOBJ oldBrush_;
};

void Shape(HDC dc, const RECT& area, std::initializer_list<POINT> points) {
    std::vector<POINT> moved;
    for (POINT p : points) moved.push_back({area.left + p.x, area.top + p.y});
    Polygon(dc, moved.data(), static_cast<int>(moved.size()));
}

void Box(HDC dc, const RECT& area, int left, int top, int right, int bottom) {
    Rectangle(dc, area.left + left, area.top + top, area.left + right, area.top + bottom);
}

void Line(HDC dc, const RECT& area, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, area.left + x1, area.top + y1, nullptr);
    LineTo(dc, area.left + x2, area.top + y2);
}

constexpr COLORREF kOutline = RGB(60, 60, 60);

void PaintArrow(HDC dc, const RECT& area, bool toTheRight) {
    const Ink ink(dc, RGB(20, 90, 30), RGB(70, 170, 80));
    std::vector<POINT> arrow{{1, 6}, {10, 6}, {10, 1}, {19, 9}, {10, 17}, {10, 12}, {1, 12}};
    for (POINT& p : arrow) {
        if (!toTheRight)
            p.x = 20 - p.x;
        p.x += area.left;
        p.y += area.top;
    }
    Polygon(dc, arrow.data(), static_cast<int>(arrow.size()));
}

}  // namespace

void PaintNewProjectPicture(HDC dc, const RECT& area) {
    {
        const Ink sheet(dc, kOutline, RGB(255, 255, 255));
        Shape(dc, area, {{6, 2}, {20, 2}, {26, 8}, {26, 29}, {6, 29}});
    }
    {
        const Ink corner(dc, kOutline, RGB(220, 220, 220));
        Shape(dc, area, {{20, 2}, {20, 8}, {26, 8}});
    }
    {
        const Ink lines(dc, RGB(170, 170, 170), RGB(170, 170, 170));
        for (int y = 14; y <= 25; y += 4) Line(dc, area, 10, y, 23, y);
    }
    // The sparkle of something new.
    const Ink star(dc, RGB(200, 130, 0), RGB(255, 210, 40));
    std::vector<POINT> points;
    for (int i = 0; i < 8; ++i) {
        const double r = i % 2 == 0 ? 7.0 : 2.5;
        const double a = i * 3.14159265358979 / 4;
        points.push_back({area.left + static_cast<int>(std::lround(8 + r * std::sin(a))),
                          area.top + static_cast<int>(std::lround(9 - r * std::cos(a)))});
    }
    Polygon(dc, points.data(), static_cast<int>(points.size()));
}

void PaintOpenProjectPicture(HDC dc, const RECT& area) {
    {
        const Ink folder(dc, RGB(150, 100, 10), RGB(230, 180, 60));
        Shape(dc, area, {{2, 7}, {11, 7}, {14, 10}, {27, 10}, {27, 27}, {2, 27}});
    }
    {
        // A sheet sticking out of it.
        const Ink sheet(dc, kOutline, RGB(255, 255, 255));
        Box(dc, area, 8, 4, 25, 19);
    }
    const Ink front(dc, RGB(150, 100, 10), RGB(250, 210, 90));
    Shape(dc, area, {{6, 14}, {30, 14}, {27, 27}, {2, 27}});
}

void PaintInformationPicture(HDC dc, const RECT& area) {
    {
        const Ink disc(dc, RGB(20, 60, 140), RGB(60, 110, 210));
        Ellipse(dc, area.left + 2, area.top + 2, area.left + 30, area.top + 30);
    }
    const Ink letter(dc, RGB(255, 255, 255), RGB(255, 255, 255));
    Ellipse(dc, area.left + 14, area.top + 7, area.left + 19, area.top + 12);
    Box(dc, area, 14, 14, 19, 26);
}

void PaintSavePicture(HDC dc, const RECT& area) {
    {
        const Ink disk(dc, RGB(30, 40, 90), RGB(60, 80, 170));
        Box(dc, area, 1, 1, 15, 15);
    }
    {
        const Ink label(dc, RGB(235, 235, 235), RGB(235, 235, 235));
        Box(dc, area, 4, 2, 12, 7);
    }
    {
        const Ink shutter(dc, RGB(190, 190, 200), RGB(190, 190, 200));
        Box(dc, area, 4, 10, 12, 15);
    }
    const Ink slot(dc, RGB(60, 80, 170), RGB(60, 80, 170));
    Box(dc, area, 9, 11, 11, 14);
}

void PaintPreviousPairPicture(HDC dc, const RECT& area) {
    PaintArrow(dc, area, false);
}

void PaintNextPairPicture(HDC dc, const RECT& area) {
    PaintArrow(dc, area, true);
}

}  // namespace rangwerk::win32
