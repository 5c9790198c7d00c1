#include "view/SvgPainter.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace kalidor {
namespace {

// A strict little well-formedness check: balanced and properly nested elements, quoted attribute
// values, and no '<' or stray '&' in text or attribute values. Returns "" or the first fault.
std::string CheckWellFormed(const std::string& doc) {
    std::vector<std::string> stack;
    bool sawRoot = false;
    auto checkChars = [](const std::string& s) -> bool {
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '<') return false;
            if (s[i] == '&') {
                static const char* ents[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
                bool ok = false;
                for (const char* e : ents)
                    if (s.compare(i, std::char_traits<char>::length(e), e) == 0) ok = true;
                if (!ok) return false;
            }
            const auto c = static_cast<unsigned char>(s[i]);
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
        }
        return true;
    };
    std::size_t i = 0;
    if (doc.rfind("<?xml", 0) == 0) {
        i = doc.find("?>");
        if (i == std::string::npos) return "unterminated declaration";
        i += 2;
    }
    while (i < doc.size()) {
        const std::size_t lt = doc.find('<', i);
        const std::string text = doc.substr(i, (lt == std::string::npos ? doc.size() : lt) - i);
        if (!checkChars(text)) return "bad character data: " + text;
        if (stack.empty() && text.find_first_not_of(" \r\n\t") != std::string::npos) return "text outside root";
        if (lt == std::string::npos) break;
        // Find the tag end outside quoted values.
        std::size_t j = lt + 1;
        char quote = 0;
        for (; j < doc.size(); ++j) {
            if (quote) {
                if (doc[j] == quote) quote = 0;
            } else if (doc[j] == '"' || doc[j] == '\'') {
                quote = doc[j];
            } else if (doc[j] == '>') {
                break;
            } else if (doc[j] == '<') {
                return "'<' inside tag";
            }
        }
        if (j >= doc.size()) return "unterminated tag";
        std::string tag = doc.substr(lt + 1, j - lt - 1);
        i = j + 1;
        if (!tag.empty() && tag[0] == '/') {
            const std::string name = tag.substr(1);
            if (stack.empty() || stack.back() != name) return "mismatched end tag " + name;
            stack.pop_back();
            continue;
        }
        const bool empty = !tag.empty() && tag.back() == '/';
        if (empty) tag.pop_back();
        static const std::regex nameRe("^([A-Za-z_][A-Za-z0-9_.:-]*)");
        std::smatch m;
        if (!std::regex_search(tag, m, nameRe)) return "bad tag " + tag;
        const std::string name = m[1];
        std::string rest = tag.substr(name.size());
        static const std::regex attrRe("^\\s+([A-Za-z_][A-Za-z0-9_.:-]*)=\"([^\"]*)\"");
        while (!rest.empty() && rest.find_first_not_of(" \t\r\n") != std::string::npos) {
            if (!std::regex_search(rest, m, attrRe)) return "bad attributes in " + tag;
            if (!checkChars(m[2])) return "bad attribute value in " + tag;
            rest = m.suffix();
        }
        if (stack.empty() && sawRoot) return "second root";
        sawRoot = true;
        if (!empty) stack.push_back(name);
    }
    if (!stack.empty()) return "unclosed " + stack.back();
    if (!sawRoot) return "no root";
    return "";
}

TEST(SvgPainter, WellFormedWithEveryShapeAndEscapedText) {
    SvgPainter p;
    p.SetPen(20);
    p.SetBrush(37);
    const LogPoint tri[] = {{0, 0}, {0, 200}, {200, 100}, {0, 0}};
    p.Polygon(tri, 4);
    p.Polyline(tri, 4);
    p.Line({0, 0}, {100, -100});
    p.Ellipse({-30, 30, 30, -30});
    p.SetBrush(Painter::kNone);
    p.Rectangle({-100, 100, 100, -100});
    p.SetTextColor(42);
    p.Text({0, 0}, "a<b & \"c\" 'd' > e\x01", 200);
    p.TextInRect({0, 1000, 500, 0}, "line1\r\nR&D <2>", 200);
    const std::string doc = p.Document();
    EXPECT_EQ(CheckWellFormed(doc), "") << doc;
    EXPECT_NE(doc.find("a&lt;b &amp; &quot;c&quot; &apos;d&apos; &gt; e</text>"), std::string::npos) << doc;
    EXPECT_NE(doc.find(">R&amp;D &lt;2&gt;</text>"), std::string::npos);
    EXPECT_NE(doc.find("font-family=\"Arial, Helvetica, sans-serif\""), std::string::npos);
    EXPECT_EQ(doc.find('\x01'), std::string::npos);
}

TEST(SvgPainter, CheckerCatchesFaults) {
    // The checker itself must reject what a broken painter could produce.
    EXPECT_NE(CheckWellFormed("<svg><g></svg>"), "");
    EXPECT_NE(CheckWellFormed("<svg><text>a<b</text></svg>"), "");
    EXPECT_NE(CheckWellFormed("<svg><text>a & b</text></svg>"), "");
    EXPECT_NE(CheckWellFormed("<svg x=1/>"), "");
    EXPECT_EQ(CheckWellFormed("<svg x=\"1\"><g/></svg>"), "");
}

TEST(SvgPainter, EscapeKeepsUtf8AndConvertsOtherBytes) {
    EXPECT_EQ(SvgPainter::EscapeXml("\xc2\xb5" "F"), "\xc2\xb5" "F");       // valid UTF-8 kept
    EXPECT_EQ(SvgPainter::EscapeXml("10\xb5" "F"), "10\xc2\xb5" "F");       // Latin-1 micro sign
    EXPECT_EQ(SvgPainter::EscapeXml("\xe2\x82"), "\xc3\xa2\xc2\x82");       // truncated sequence
    EXPECT_EQ(SvgPainter::EscapeXml("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xc2\x80");  // surrogate
    EXPECT_EQ(SvgPainter::EscapeXml("a\tb\nc\x1f"), "a\tb\nc");
}

TEST(SvgPainter, FlipsYAndUsesTableColours) {
    CColorTable colors;
    SvgPainter p(&colors);
    p.SetPageArea({0, 10000, 12000, 0});
    p.SetPen(20);  // blue
    p.Line({100, 200}, {300, 400});
    p.SetPen(Painter::kNone);
    p.SetBrush(40);  // white
    p.Rectangle({10, 50, 30, 20});
    const std::string doc = p.Document();
    EXPECT_NE(doc.find("<line x1=\"100\" y1=\"-200\" x2=\"300\" y2=\"-400\" stroke=\"#0000ff\""), std::string::npos)
        << doc;
    EXPECT_NE(doc.find("<rect x=\"10\" y=\"-50\" width=\"20\" height=\"30\" fill=\"#ffffff\" stroke=\"none\"/>"),
              std::string::npos)
        << doc;
    // The page: 12 x 10 inches at 100 pixels per inch, y flipped in the view box.
    EXPECT_NE(doc.find("width=\"1200.0\" height=\"1000.0\" viewBox=\"0 -10000 12000 10000\""), std::string::npos)
        << doc;

    colors.SetColor(20, CColorTable::Rgb(0x12, 0x34, 0x56));
    SvgPainter q(&colors);
    q.SetPen(20);
    q.Line({0, 0}, {1, 1});
    EXPECT_NE(q.Document().find("stroke=\"#123456\""), std::string::npos);
}

TEST(SvgPainter, PageFollowsDrawnExtent) {
    SvgPainter p;
    p.SetPen(0);
    p.Line({1000, 2000}, {3000, 5000});
    const std::string doc = p.Document();
    const int m = SvgPainter::kMargin;
    const std::string box = "viewBox=\"" + std::to_string(1000 - m) + " " + std::to_string(-(5000 + m)) + " " +
                            std::to_string(2000 + 2 * m) + " " + std::to_string(3000 + 2 * m) + "\"";
    EXPECT_NE(doc.find(box), std::string::npos) << doc;
    // An empty drawing is still a valid document.
    EXPECT_EQ(CheckWellFormed(SvgPainter().Document()), "");
}

TEST(SvgPainter, TextInRectStartsBelowTheTopAndStacksLines) {
    SvgPainter p;
    p.TextInRect({100, 1000, 900, 0}, "one\ntwo", 200);
    const std::string doc = p.Document();
    // First baseline 0.8 of the height below the top, the next 1.15 heights lower (y negated).
    EXPECT_NE(doc.find("<text x=\"100\" y=\"-840\""), std::string::npos) << doc;
    EXPECT_NE(doc.find("<text x=\"100\" y=\"-610\""), std::string::npos) << doc;
}

TEST(SvgPainter, EllipseCentreAndRadii) {
    SvgPainter p;
    p.Ellipse({-30, 30, 30, -30});
    p.Ellipse({0, 1, 3, 0});
    const std::string doc = p.Document();
    EXPECT_NE(doc.find("<ellipse cx=\"0\" cy=\"0\" rx=\"30\" ry=\"30\""), std::string::npos) << doc;
    EXPECT_NE(doc.find("<ellipse cx=\"1.5\" cy=\"-0.5\" rx=\"1.5\" ry=\"0.5\""), std::string::npos) << doc;
}

}  // namespace
}  // namespace kalidor
