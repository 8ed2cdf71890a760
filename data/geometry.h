// Points and rectangles of the toolkit: plain integer geometry, no X types.
#pragma once

namespace velk::math::geom {

template <typename T, int N> struct Point;
template <typename T, int N> struct Rectangle;

template <typename T> struct Point<T, 2> {
    T x = 0;
    T y = 0;

    Point() = default;
    Point(T x, T y) : x(x), y(y) {}

    Point operator+(const Point& o) const { return Point(x + o.x, y + o.y); }
    Point operator-(const Point& o) const { return Point(x - o.x, y - o.y); }
    Point& operator+=(const Point& o) {
        x += o.x;
        y += o.y;
        return *this;
    }
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Point& o) const { return !(*this == o); }
};

// Right and bottom are exclusive: a rectangle (0, 0, 10, 10) covers 10 x 10 pixels.
template <typename T> struct Rectangle<T, 2> {
    T left = 0;
    T top = 0;
    T right = 0;
    T bottom = 0;

    Rectangle() = default;
    Rectangle(T left, T top, T right, T bottom)
        : left(left), top(top), right(right), bottom(bottom) {}
    Rectangle(const Point<T, 2>& topLeft, const Point<T, 2>& bottomRight)
        : left(topLeft.x), top(topLeft.y), right(bottomRight.x), bottom(bottomRight.y) {}

    T Width() const { return right - left; }
    T Height() const { return bottom - top; }
    Point<T, 2> TopLeft() const { return Point<T, 2>(left, top); }
    Point<T, 2> BottomRight() const { return Point<T, 2>(right, bottom); }

    // Edges inclusive on every side, as monitor and pointer tests want it.
    bool ContainsInclusive(const Point<T, 2>& p) const {
        return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
    }
    void Offset(T dx, T dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void Offset(const Point<T, 2>& p) { Offset(p.x, p.y); }
    void Inflate(T d) {
        left -= d;
        top -= d;
        right += d;
        bottom += d;
    }
    // Grows this rectangle to cover o as well.
    void Union(const Rectangle& o) {
        if (o.left < left) left = o.left;
        if (o.top < top) top = o.top;
        if (o.right > right) right = o.right;
        if (o.bottom > bottom) bottom = o.bottom;
    }
    bool operator==(const Rectangle& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Rectangle& o) const { return !(*this == o); }
};

} // namespace velk::math::geom
