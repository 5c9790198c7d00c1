#include "view/SvgPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kalidor {

namespace {

constexpr const char* kFontFamily = "Arial, Helvetica, sans-serif";

// Share of the font height above the baseline, and line spacing, for texts placed in rectangles.
constexpr double kAscent = 0.8;
constexpr double kLineSpacing = 1.15;
// Average character width as a share of the height, for the page extent only.
constexpr double kCharWidth = 0.6;

void AppendCodePoint(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when it is not well formed
// (overlong forms, surrogates and values above U+10FFFF included).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, unsigned& cp) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    std::size_t len;
    unsigned min;
    if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; cp = b0 & 0x1F; min = 0x80; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; cp = b0 & 0x0F; min = 0x800; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; cp = b0 & 0x07; min = 0x10000; }
    else return 0;
    if (i + len > text.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

SvgPainter::SvgPainter(const CColorTable* colors) : m_colors(colors ? colors : &m_ownColors) {}

void SvgPainter::SetPageArea(const LogRect& area) {
    m_hasPage = true;
    m_page.left = std::min(area.left, area.right);
    m_page.right = std::max(area.left, area.right);
    m_page.top = std::max(area.top, area.bottom);
    m_page.bottom = std::min(area.top, area.bottom);
}

void SvgPainter::SetPixelsPerInch(int ppi) { m_ppi = std::clamp(ppi, 1, 10000); }
void SvgPainter::SetBackground(std::int64_t rgbOrNone) { m_background = rgbOrNone; }

void SvgPainter::SetPen(int colorIndex) { m_pen = colorIndex; }
void SvgPainter::SetBrush(int colorIndex) { m_brush = colorIndex; }
void SvgPainter::SetTextColor(int colorIndex) { m_text = colorIndex; }
void SvgPainter::SetPenWeight(int weight) { m_weight = std::clamp(weight, 1, 20); }

std::string SvgPainter::ColorText(int colorIndex) const {
    if (colorIndex == kNone) return "none";
    const std::uint32_t c = m_colors->GetColor(colorIndex);
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", CColorTable::Red(c), CColorTable::Green(c),
                  CColorTable::Blue(c));
    return buf;
}

std::string SvgPainter::StrokeAttr() const {
    if (m_pen == kNone) return " stroke=\"none\"";
    // One screen pixel at 100 pixels per inch; pictures made at a higher resolution keep the
    // same visual weight.
    const int width = std::max(1, (m_ppi + 50) / 100) * m_weight;
    std::string attr = " stroke=\"" + ColorText(m_pen) + "\" stroke-width=\"" + std::to_string(width) +
                       "\" vector-effect=\"non-scaling-stroke\"";
    if (m_weight > 1)
        attr += " stroke-linecap=\"round\" stroke-linejoin=\"round\"";
    return attr;
}

std::string SvgPainter::FillAttr() const { return " fill=\"" + ColorText(m_brush) + "\""; }

void SvgPainter::Extend(int x, int y) {
    m_hasExtent = true;
    m_minX = std::min(m_minX, x);
    m_maxX = std::max(m_maxX, x);
    m_minY = std::min(m_minY, y);
    m_maxY = std::max(m_maxY, y);
}

std::string SvgPainter::PointsAttr(const LogPoint* points, std::size_t count) {
    std::string s;
    for (std::size_t i = 0; i < count; ++i) {
        if (i) s += ' ';
        s += Num(points[i].x) + "," + Num(-static_cast<long long>(points[i].y));
        Extend(points[i].x, points[i].y);
    }
    return s;
}

void SvgPainter::Line(LogPoint from, LogPoint to) {
    Extend(from.x, from.y);
    Extend(to.x, to.y);
    m_body += "<line x1=\"" + Num(from.x) + "\" y1=\"" + Num(-static_cast<long long>(from.y)) +
              "\" x2=\"" + Num(to.x) + "\" y2=\"" + Num(-static_cast<long long>(to.y)) + "\"" +
              StrokeAttr() + "/>\n";
}

void SvgPainter::Polyline(const LogPoint* points, std::size_t count) {
    if (!points || count < 2) return;
    m_body += "<polyline points=\"" + PointsAttr(points, count) + "\" fill=\"none\"" + StrokeAttr() + "/>\n";
}

void SvgPainter::Polygon(const LogPoint* points, std::size_t count) {
    if (!points || count < 2) return;
    m_body += "<polygon points=\"" + PointsAttr(points, count) + "\" fill-rule=\"evenodd\"" +
              FillAttr() + StrokeAttr() + "/>\n";
}

void SvgPainter::Ellipse(const LogRect& b) {
    const long long l = std::min(b.left, b.right), r = std::max(b.left, b.right);
    const long long lo = std::min(b.top, b.bottom), hi = std::max(b.top, b.bottom);
    Extend(b.left, b.top);
    Extend(b.right, b.bottom);
    // Centre and radii in half units are exact: write them with one decimal when odd.
    auto half = [](long long twice) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(twice) / 2.0);
        std::string s = buf;
        if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
        return s;
    };
    m_body += "<ellipse cx=\"" + half(l + r) + "\" cy=\"" + half(-(lo + hi)) + "\" rx=\"" + half(r - l) +
              "\" ry=\"" + half(hi - lo) + "\"" + FillAttr() + StrokeAttr() + "/>\n";
}

void SvgPainter::Rectangle(const LogRect& b) {
    const long long l = std::min(b.left, b.right), r = std::max(b.left, b.right);
    const long long lo = std::min(b.top, b.bottom), hi = std::max(b.top, b.bottom);
    Extend(b.left, b.top);
    Extend(b.right, b.bottom);
    m_body += "<rect x=\"" + Num(l) + "\" y=\"" + Num(-hi) + "\" width=\"" + Num(r - l) + "\" height=\"" +
              Num(hi - lo) + "\"" + FillAttr() + StrokeAttr() + "/>\n";
}

void SvgPainter::Text(LogPoint p, std::string_view text, int height) {
    if (text.empty()) return;
    height = std::max(height, 1);
    const std::string escaped = EscapeXml(text);
    Extend(p.x, p.y + height);
    Extend(static_cast<int>(std::min<long long>(INT_MAX, p.x + static_cast<long long>(kCharWidth * height * text.size()))),
           p.y - height / 4);
    m_body += "<text x=\"" + Num(p.x) + "\" y=\"" + Num(-static_cast<long long>(p.y)) + "\" font-family=\"" +
              kFontFamily + "\" font-size=\"" + Num(height) + "\" fill=\"" + ColorText(m_text) +
              "\" xml:space=\"preserve\">" + escaped + "</text>\n";
}

void SvgPainter::TextUp(LogPoint p, std::string_view text, int height) {
    if (text.empty()) return;
    height = std::max(height, 1);
    Extend(p.x - height, p.y);
    Extend(p.x + height / 4,
           static_cast<int>(std::min<long long>(INT_MAX, p.y + static_cast<long long>(kCharWidth * height * text.size()))));
    const std::string x = Num(p.x), y = Num(-static_cast<long long>(p.y));
    m_body += "<text x=\"" + x + "\" y=\"" + y + "\" transform=\"rotate(-90 " + x + " " + y + ")\" font-family=\"" +
              kFontFamily + "\" font-size=\"" + Num(height) + "\" fill=\"" + ColorText(m_text) +
              "\" xml:space=\"preserve\">" + EscapeXml(text) + "</text>\n";
}

void SvgPainter::TextInRect(const LogRect& r, std::string_view text, int height) {
    height = std::max(height, 1);
    const int left = std::min(r.left, r.right);
    const long long top = std::max(r.top, r.bottom);
    long long baseline = top - std::llround(kAscent * height);
    const long long step = std::llround(kLineSpacing * height);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (baseline < INT_MIN) break;
        Text({left, static_cast<int>(baseline)}, line, height);
        baseline -= step;
        start = end + 1;
    }
}

std::string SvgPainter::Document() const {
    long long left, right, top, bottom;
    if (m_hasPage) {
        left = m_page.left;
        right = m_page.right;
        top = m_page.top;
        bottom = m_page.bottom;
    } else if (m_hasExtent) {
        left = static_cast<long long>(m_minX) - kMargin;
        right = static_cast<long long>(m_maxX) + kMargin;
        top = static_cast<long long>(m_maxY) + kMargin;
        bottom = static_cast<long long>(m_minY) - kMargin;
    } else {
        left = 0;
        right = 1000;
        top = 1000;
        bottom = 0;
    }
    const long long w = std::max(1LL, right - left), h = std::max(1LL, top - bottom);
    auto pixels = [this](long long units) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(units) * m_ppi / 1000.0);
        return std::string(buf);
    };
    std::string s;
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + pixels(w) + "\" height=\"" +
         pixels(h) + "\" viewBox=\"" + Num(left) + " " + Num(-top) + " " + Num(w) + " " + Num(h) + "\">\n";
    if (m_background != kNone) {
        const auto c = static_cast<std::uint32_t>(m_background);
        char fill[8];
        std::snprintf(fill, sizeof fill, "#%02x%02x%02x", CColorTable::Red(c), CColorTable::Green(c),
                      CColorTable::Blue(c));
        s += "<rect x=\"" + Num(left) + "\" y=\"" + Num(-top) + "\" width=\"" + Num(w) + "\" height=\"" + Num(h) +
             "\" fill=\"" + fill + "\" stroke=\"none\"/>\n";
    }
    s += "<g stroke-linecap=\"square\" stroke-linejoin=\"miter\">\n";
    s += m_body;
    s += "</g>\n</svg>\n";
    return s;
}

std::string SvgPainter::EscapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += static_cast<char>(c);
                break;
            }
            ++i;
            continue;
        }
        unsigned cp = 0;
        const std::size_t len = DecodeUtf8(text, i, cp);
        if (len == 0 || cp == 0xFFFE || cp == 0xFFFF) {
            AppendCodePoint(out, c);  // a byte of a single-byte (Latin-1) text
            i += 1;
        } else {
            out.append(text.substr(i, len));
            i += len;
        }
    }
    return out;
}

}  // namespace kalidor
