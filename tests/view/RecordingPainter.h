// A painter for tests: keeps every drawing call as one line of text.
#pragma once

#include <string>
#include <vector>

#include "base/Painter.h"

namespace kalidor::test {

class RecordingPainter : public Painter {
public:
    std::vector<std::string> calls;
    int pen = -2, brush = -2, text = -2, weight = 1;

    void SetPen(int c) override { pen = c; }
    void SetBrush(int c) override { brush = c; }
    void SetPenWeight(int w) override { weight = w; }
    void SetTextColor(int c) override { text = c; }
    void Line(LogPoint a, LogPoint b) override {
        Add("line " + P(a) + " " + P(b) + Style());
    }
    void Polyline(const LogPoint* pts, std::size_t n) override { Add("polyline" + Pts(pts, n) + Style()); }
    void Polygon(const LogPoint* pts, std::size_t n) override { Add("polygon" + Pts(pts, n) + Style(true)); }
    void Ellipse(const LogRect& r) override { Add("ellipse " + R(r) + Style(true)); }
    void Rectangle(const LogRect& r) override { Add("rect " + R(r) + Style(true)); }
    void Text(LogPoint p, std::string_view s, int h) override {
        Add("text " + P(p) + " h" + std::to_string(h) + " c" + std::to_string(text) + " '" + std::string(s) + "'");
    }
    void TextInRect(const LogRect& r, std::string_view s, int h) override {
        Add("textrect " + R(r) + " h" + std::to_string(h) + " c" + std::to_string(text) + " '" + std::string(s) + "'");
    }

    static std::string P(LogPoint p) { return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")"; }
    static std::string R(const LogRect& r) {
        return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom) + "]";
    }

private:
    void Add(std::string s) { calls.push_back(std::move(s)); }
    std::string Style(bool filled = false) const {
        std::string s = " pen" + std::to_string(pen) + (weight != 1 ? " w" + std::to_string(weight) : "");
        if (filled) s += " brush" + std::to_string(brush);
        return s;
    }
    static std::string Pts(const LogPoint* pts, std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s += " " + P(pts[i]);
        return s;
    }
};

}  // namespace kalidor::test
