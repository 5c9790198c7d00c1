// The XML reader on any text: tokens, element texts, skipping, nested reading loops and the line
// operations. Every loop must end; every step of a loop over the elements must consume input.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "base/XmlParser.h"

using namespace kalidor;

namespace {

void Register(CXmlParser& p)
{
    int code = 1;
    for (const char* name : {"Design", "Title", "Comments", "Foo", "SummaryInformation", "a", "Linear phase 1"}) {
        p.AddElement(std::string("<") + name + ">", code++);
        p.AddElement(std::string("</") + name + ">", code++);
    }
    p.AddElement("<Foo/>", code++);
    p.AddElement("</UnknownTag", code++);
    p.AddElement(kXmlEofSentinel, -1);
}

// Reads the children of the element just started, recursing into registered start tags.
void ReadChildren(CXmlParser& p, const std::string& endTag, const CXmlReadLoop* parent, int depth)
{
    CXmlReadLoop loop(p, endTag, parent);
    std::size_t last = p.GetPosition();
    int steps = 0;
    while (CXmlElement* e = loop.Next()) {
        if (++steps > static_cast<int>(p.GetBuffer().size()) + 2)
            fuzz::Broken("a reading loop did not end");
        if (p.GetLastResult() == kXmlStartTag) {
            const std::string end = CXmlReadLoop::EndTagFor(e->GetTag());
            if (depth < 8 && (e->GetCode() == 1 || e->GetCode() == 9)) {
                ReadChildren(p, end, &loop, depth + 1);
            } else {
                p.ReadElementText();
                char buf[16];
                p.GetTextInto(buf, sizeof buf);
                (void)p.GetInt();
            }
        }
        if (p.GetPosition() < last && !loop.EndedAtOuterTag())
            fuzz::Broken("the position went back");
        last = p.GetPosition();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = fuzz::Text(data, size);

    // Token by token, skipping what the caller does not take.
    {
        CXmlParser p;
        Register(p);
        p.SetText(text);
        p.ParseProlog();
        const std::size_t limit = 2 * text.size() + 4;
        for (std::size_t n = 0;; ++n) {
            if (n > limit)
                fuzz::Broken("token loop did not end");
            const std::size_t before = p.GetPosition();
            CXmlElement* e = p.NextElement();
            if (p.GetLastResult() == kXmlEof)
                break;
            if (e && p.GetLastResult() == kXmlStartTag && (n & 1))
                p.ReadElementText();
            else if (!e)
                p.SkipElement();
            if (p.GetPosition() == before && p.GetLastResult() != kXmlStartTag)
                p.SetPosition(before + 1);
            if (p.GetPosition() > p.GetBuffer().size())
                fuzz::Broken("position beyond the text");
        }
    }
    // Nested reading loops, as the readers of the formats use them.
    {
        CXmlParser p;
        Register(p);
        p.SetText(text);
        p.ParseProlog();
        ReadChildren(p, "</Design>", nullptr, 0);
    }
    // The line operations of the text imports.
    {
        CXmlParser p;
        p.SetText(text);
        if (!text.empty())
            p.BlankToLineEnd(text.size() / 2);
        std::size_t lines = 0;
        while (p.TakeLine() == 0)
            if (++lines > text.size())
                fuzz::Broken("TakeLine did not end");
        p.NewlinesToBlanks();
    }
    return 0;
}
