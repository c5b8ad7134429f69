#pragma once
// Points, sizes and rectangles with GDI's conventions: integer logical units, right and bottom
// edges exclusive when a rectangle is filled, y growing downwards unless a mapping mode flips it.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <algorithm>

namespace gdi {

struct Point {
    int x = 0;
    int y = 0;

    constexpr Point() = default;
    constexpr Point(int x_, int y_) : x(x_), y(y_) {}

    constexpr bool operator==(const Point&) const = default;
    constexpr Point operator+(const Point& o) const { return {x + o.x, y + o.y}; }
    constexpr Point operator-(const Point& o) const { return {x - o.x, y - o.y}; }
    QPoint ToQPoint() const { return {x, y}; }
};

struct Size {
    int cx = 0;
    int cy = 0;

    constexpr Size() = default;
    constexpr Size(int cx_, int cy_) : cx(cx_), cy(cy_) {}

    constexpr bool operator==(const Size&) const = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr Rect() = default;
    constexpr Rect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    constexpr Rect(const Point& topLeft, const Size& size)
        : left(topLeft.x), top(topLeft.y), right(topLeft.x + size.cx), bottom(topLeft.y + size.cy) {}

    constexpr bool operator==(const Rect&) const = default;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr Size GetSize() const { return {Width(), Height()}; }
    constexpr Point TopLeft() const { return {left, top}; }
    constexpr Point BottomRight() const { return {right, bottom}; }
    constexpr Point CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }

    // Empty as GDI sees it: no area (also when inverted).
    constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
    constexpr bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    // Right and bottom are outside, as for PtInRect.
    constexpr bool PtInRect(const Point& p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }

    constexpr void SetRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
    constexpr void SetRectEmpty() { left = top = right = bottom = 0; }
    constexpr void OffsetRect(int dx, int dy) { left += dx, right += dx, top += dy, bottom += dy; }
    constexpr void InflateRect(int dx, int dy) { left -= dx, right += dx, top -= dy, bottom += dy; }
    constexpr void InflateRect(int l, int t, int r, int b) { left -= l, top -= t, right += r, bottom += b; }
    constexpr void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    constexpr void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
    constexpr void NormalizeRect() {
        if (left > right)
            std::swap(left, right);
        if (top > bottom)
            std::swap(top, bottom);
    }

    // Both return false and leave an empty rectangle when the result has no area, as the GDI calls do.
    constexpr bool IntersectRect(const Rect& a, const Rect& b) {
        *this = Rect(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                     std::min(a.bottom, b.bottom));
        if (IsRectEmpty()) {
            SetRectEmpty();
            return false;
        }
        return true;
    }
    constexpr bool UnionRect(const Rect& a, const Rect& b) {
        if (a.IsRectEmpty())
            *this = b;
        else if (b.IsRectEmpty())
            *this = a;
        else
            *this = Rect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                         std::max(a.bottom, b.bottom));
        if (IsRectEmpty()) {
            SetRectEmpty();
            return false;
        }
        return true;
    }

    // The pixels a GDI fill of this rectangle covers.
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    static Rect FromQRect(const QRect& r) {
        return Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    }
};

} // namespace gdi
