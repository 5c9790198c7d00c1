#include "base/XmlParser.h"

#include <algorithm>
#include <climits>
#include <cstring>

// Choices of this reader beyond the plain token rules:
// * "<!--" comments are stepped over up to "-->", "<!DOCTYPE ...>" (with an internal subset in
//   brackets) and any other "<!...>" up to their closing '>'; the token after them is returned, so
//   a file with comments or a document type declaration reads like one without. An unclosed
//   construct gives -1 and nothing is consumed.
// * "<&" is ordinary text: it is read, with what follows, up to the next '<'. (Handing out a
//   token without consuming anything would make every reading loop spin on it.)
// * ReadElementText takes the extra end-tag scan only right after text, and only when an end
//   tag stands there; it never swallows the start tag of a following or a child element.
// * GetTextInto never writes more than `capacity` bytes (the text is cut, and always ends in a
//   terminating zero).
// * A UTF-8 byte order mark at the very start is stepped over by ParseProlog.
// * A tag broken by another '<' before its closing '>' ("<Extra <Title>") is an unregistered tag
//   whose text runs up to that '<'; skipping it steps up to the '<'. No registered tag holds a
//   '<' inside, so the answer is the same as with the whole text up to the '>', and a text of
//   many such tags reads in one pass.
// * Skipping is linear in the length of the text, whatever it holds: end tags are looked up in an
//   index built once per text, never searched for from each unregistered tag.

namespace kalidor {

namespace {

constexpr char kCdataOpen[] = "<![CDATA[";
constexpr char kDoctypeOpen[] = "<!DOCTYPE";
constexpr std::size_t kOpenLength = 9;  // both of the above
constexpr char kCdataClose[] = "]]>";
constexpr char kCommentOpen[] = "<!--";
constexpr char kCommentClose[] = "-->";
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

bool IsWhite(char c)
{
    return c == '\r' || c == '\n' || c == ' ';
}

bool StartsAt(const std::string& s, std::size_t pos, const char* what, std::size_t len)
{
    return pos <= s.size() && s.size() - pos >= len && s.compare(pos, len, what, len) == 0;
}

}  // namespace

// ---------------------------------------------------------------- element table

CXmlElement* CXmlElementTable::AddElement(const std::string& tag, int code)
{
    if (m_count < 0 || m_count >= kSlots)
        return nullptr;
    m_slots[m_count] = std::make_unique<CXmlElement>(tag, code);
    m_firstSlot.emplace(tag, m_count);  // an earlier slot with the same text keeps answering
    return m_slots[m_count++].get();
}

CXmlElement* CXmlElementTable::FindElement(const std::string& tag)
{
    const auto it = m_firstSlot.find(tag);
    m_lookupCursor = it == m_firstSlot.end() ? -1 : it->second;
    return m_lookupCursor < 0 ? nullptr : m_slots[m_lookupCursor].get();
}

CXmlElement* CXmlElementTable::GetElementAt(int index) const
{
    if (index < 0 || index >= kSlots)
        return nullptr;
    return m_slots[index].get();
}

void CXmlElementTable::RemoveAll()
{
    for (auto& slot : m_slots)
        slot.reset();
    m_firstSlot.clear();
    m_count = 0;
    m_cursor = -1;
    m_lookupCursor = -1;
}

CXmlElement* CXmlElementTable::GetFirst()
{
    m_cursor = -1;
    return GetNext();
}

CXmlElement* CXmlElementTable::GetNext()
{
    while (m_cursor < kSlots - 1) {
        ++m_cursor;
        if (m_slots[m_cursor])
            return m_slots[m_cursor].get();
    }
    m_cursor = kSlots;
    return nullptr;
}

// ---------------------------------------------------------------- parser

void CXmlParser::RemoveAllElements()
{
    m_table.RemoveAll();
    m_current = nullptr;
    m_lastStart = nullptr;
    m_lastEnd = nullptr;
}

void CXmlParser::SetText(const char* text, std::size_t length)
{
    if (text)
        m_buffer.assign(text, length);
    else
        m_buffer.clear();
    m_pos = 0;
    m_lastResult = 0;
    ForgetEndTags();
}

void CXmlParser::ForgetEndTags()
{
    m_endTags.clear();
    m_endTagsIndexed = false;
}

std::size_t CXmlParser::FindEndTag(const std::string& endTag, std::size_t from)
{
    // An end tag holds no '<' after its first character and ends at its one '>'; anything else
    // is searched for plainly.
    if (endTag.size() < 3 || endTag.compare(0, 2, "</") != 0 || endTag.back() != '>' ||
        endTag.find_first_of("<>", 2) != endTag.size() - 1)
        return m_buffer.find(endTag, from);
    if (!m_endTagsIndexed) {
        // Every "</" that reaches a '>' before any other '<' is an end tag; these spans never
        // overlap, so the index costs one pass and at most the text's size.
        for (std::size_t i = m_buffer.find("</"); i != std::string::npos; i = m_buffer.find("</", i + 2)) {
            const std::size_t g = m_buffer.find_first_of("<>", i + 2);
            if (g == std::string::npos)
                break;
            if (m_buffer[g] == '>')
                m_endTags[m_buffer.substr(i, g - i + 1)].push_back(i);
        }
        m_endTagsIndexed = true;
    }
    const auto it = m_endTags.find(endTag);
    if (it == m_endTags.end())
        return std::string::npos;
    const auto at = std::lower_bound(it->second.begin(), it->second.end(), from);
    return at == it->second.end() ? std::string::npos : *at;
}

void CXmlParser::SkipWhite()
{
    while (m_pos < m_buffer.size() && IsWhite(m_buffer[m_pos]))
        ++m_pos;
}

int CXmlParser::ParseProlog()
{
    if (m_pos == 0 && StartsAt(m_buffer, 0, kByteOrderMark, 3))
        m_pos = 3;
    SkipWhite();
    const std::size_t n = m_buffer.size();
    int result;
    if (m_pos >= n) {
        result = kXmlEof;
    } else if (n - m_pos < 2) {
        result = m_buffer[m_pos] == '<' ? kXmlEof : kXmlSyntax;
    } else if (m_buffer[m_pos] != '<' || m_buffer[m_pos + 1] != '?') {
        result = kXmlSyntax;
    } else {
        const std::size_t f = m_buffer.find_first_of("/>", m_pos + 1);
        if (f == std::string::npos) {
            result = kXmlEof;
        } else if (m_buffer[f] != '>') {
            result = kXmlSyntax;
        } else {
            m_pos = f + 1;
            result = kXmlProlog;
        }
    }
    m_lastResult = result;
    return result;
}

int CXmlParser::Classify()
{
    SkipWhite();
    const std::size_t n = m_buffer.size();
    if (m_pos >= n)
        return kXmlEof;
    const char c = m_buffer[m_pos];
    if (c != '<')
        return c == '>' ? kXmlClassStrayGt : kXmlClassText;
    if (m_pos + 1 >= n)
        return kXmlClassStart;  // a lone '<' at the end: the tag scan reports the end of text
    switch (m_buffer[m_pos + 1]) {
    case '&':
        return kXmlClassAmp;
    case '/':
        return kXmlClassEnd;
    case '!':
        if (StartsAt(m_buffer, m_pos, kCdataOpen, kOpenLength))
            return kXmlClassCdata;
        if (StartsAt(m_buffer, m_pos, kDoctypeOpen, kOpenLength))
            return kXmlClassDoctype;
        return kXmlClassBang;
    default:
        return kXmlClassStart;
    }
}

bool CXmlParser::SkipDeclaration()
{
    if (StartsAt(m_buffer, m_pos, kCommentOpen, 4)) {
        const std::size_t e = m_buffer.find(kCommentClose, m_pos + 4);
        if (e == std::string::npos)
            return false;
        m_pos = e + 3;
        return true;
    }
    // "<!DOCTYPE name [ ... ]>" and other "<!...>": up to the first '>' outside brackets.
    int depth = 0;
    for (std::size_t i = m_pos + 2; i < m_buffer.size(); ++i) {
        const char c = m_buffer[i];
        if (c == '[') {
            ++depth;
        } else if (c == ']') {
            if (depth > 0)
                --depth;
        } else if (c == '>' && depth == 0) {
            m_pos = i + 1;
            return true;
        }
    }
    return false;
}

int CXmlParser::NextToken()
{
    int result;
    for (;;) {
        const int cls = Classify();
        if (cls == kXmlClassStart || cls == kXmlClassEnd) {
            result = ScanTag();
        } else if (cls == kXmlClassCdata) {
            result = ReadCdata();
        } else if (cls == kXmlClassDoctype || cls == kXmlClassBang) {
            if (SkipDeclaration())
                continue;  // each pass consumes input, so this ends
            result = kXmlEof;
        } else if (cls == kXmlEof) {
            result = kXmlEof;
        } else {
            result = ReadText();  // text, a stray '>' or "<&"
        }
        break;
    }
    m_lastResult = result;
    return result;
}

int CXmlParser::ScanTag()
{
    const std::size_t n = m_buffer.size();
    if (m_pos >= n)
        return kXmlEof;
    if (m_buffer[m_pos] != '<')
        return kXmlSyntax;
    int kind = kXmlStartTag;
    std::size_t nameStart = m_pos + 1;
    if (m_pos + 1 < n && m_buffer[m_pos + 1] == '/') {
        kind = kXmlEndTag;
        nameStart = m_pos + 2;
    }
    const std::size_t f = m_buffer.find_first_of("</>", nameStart);
    if (f == std::string::npos)
        return kXmlEof;
    if (m_buffer[f] == '<') {
        // Broken by another tag: unregistered, and its text runs up to that '<'.
        m_lastTag.assign(m_buffer, m_pos, f - m_pos);
        m_current = nullptr;
        return kXmlUnknownTag;
    }
    std::size_t close = f;
    if (m_buffer[f] == '/') {
        if (f + 1 >= n)
            return kXmlEof;
        if (m_buffer[f + 1] != '>')
            return kXmlSyntax;
        kind = kXmlEmptyTag;
        close = f + 1;
    }
    m_lastTag.assign(m_buffer, m_pos, close - m_pos + 1);
    m_current = m_table.FindElement(m_lastTag);
    if (!m_current)
        return kXmlUnknownTag;
    m_pos = close + 1;
    if (kind == kXmlStartTag)
        m_lastStart = m_current;
    else if (kind == kXmlEndTag)
        m_lastEnd = m_current;
    return kind;
}

int CXmlParser::ReadText()
{
    if (m_pos >= m_buffer.size())
        return kXmlEof;
    const std::size_t lt = m_buffer.find('<', m_pos + 1);
    if (lt == std::string::npos)
        return kXmlEof;
    m_text.assign(m_buffer, m_pos, lt - m_pos);
    m_pos = lt;
    return kXmlText;
}

int CXmlParser::ReadCdata()
{
    if (m_pos >= m_buffer.size())
        return kXmlEof;
    if (!StartsAt(m_buffer, m_pos, kCdataOpen, kOpenLength))
        return kXmlSyntax;
    const std::size_t start = m_pos + kOpenLength;
    const std::size_t e = m_buffer.find(kCdataClose, start);
    if (e == std::string::npos)
        return kXmlEof;
    m_text.assign(m_buffer, start, e - start);
    m_pos = e + 3;
    return kXmlText;
}

CXmlElement* CXmlParser::NextElement()
{
    const int r = NextToken();
    if (r == kXmlStartTag)
        return m_lastStart;
    if (r == kXmlEndTag)
        return m_lastEnd;
    return nullptr;
}

int CXmlParser::ReadElementText()
{
    m_text.clear();
    // A start tag where the content should be belongs to the caller's next NextElement().
    if (Classify() == kXmlClassStart)
        return 0;
    const int r = NextToken();
    if (r != kXmlText) {
        m_text.clear();  // an end tag (empty element) was consumed, or nothing could be read
        return 0;
    }
    // After the content, the element's end tag is taken when it follows directly; white space
    // before it (as after a CDATA section) leaves it for the caller.
    if (StartsAt(m_buffer, m_pos, "</", 2))
        ScanTag();
    return 0;
}

int CXmlParser::GetTextInto(char* destination, std::size_t capacity) const
{
    if (!destination || capacity == 0)
        return 1;
    const std::size_t len = m_text.size() < capacity - 1 ? m_text.size() : capacity - 1;
    std::memcpy(destination, m_text.data(), len);
    destination[len] = '\0';
    return 1;
}

int CXmlParser::AtoI(const char* s, std::size_t n)
{
    if (!s)
        return 0;
    std::size_t i = 0;
    while (i < n && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\v' || s[i] == '\f' ||
                     s[i] == '\r'))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    // Accumulated as a negative number so that INT_MIN fits; out-of-range values saturate.
    long long value = 0;
    for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 - (s[i] - '0');
        if (value < static_cast<long long>(INT_MIN) - 1)
            value = static_cast<long long>(INT_MIN) - 1;
    }
    if (!negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

int CXmlParser::GetInt() const
{
    return AtoI(m_text.data(), m_text.size());
}

int CXmlParser::SkipElement(std::string* skipped)
{
    const std::size_t n = m_buffer.size();
    const std::size_t start = m_pos;
    const int last = m_lastResult;
    m_lastResult = 0;  // whatever was pending is dealt with now
    if (skipped)
        skipped->clear();

    switch (last) {
    case kXmlEof:
        m_lastResult = kXmlEof;
        return -1;
    case kXmlStartTag: {
        // Position just after a registered start tag: step over the content and the end tag.
        const std::string end = CXmlReadLoop::EndTagFor(m_lastTag);
        if (end.empty())
            return 0;
        const std::size_t e = FindEndTag(end, m_pos);
        if (e == std::string::npos)
            return 0;  // no end tag follows: the content is read as it comes
        m_pos = e + end.size();
        break;
    }
    case kXmlUnknownTag: {
        // Position on the unregistered tag itself.
        if (m_lastTag.empty() || !StartsAt(m_buffer, m_pos, m_lastTag.data(), m_lastTag.size()))
            return 0;
        if (m_lastTag.back() != '>') {
            m_pos += m_lastTag.size();  // a tag broken by another '<': step up to that one
            break;
        }
        const std::size_t tagEnd = m_pos + m_lastTag.size();
        const bool startForm = m_lastTag.size() >= 3 && m_lastTag[1] != '/' && m_lastTag[1] != '?' &&
                               m_lastTag[1] != '!' && m_lastTag[m_lastTag.size() - 2] != '/';
        m_pos = tagEnd;
        if (startForm) {
            std::string end = "</" + m_lastTag.substr(1);  // "<Foo>" gives "</Foo>"
            std::size_t e = FindEndTag(end, tagEnd);
            if (e == std::string::npos) {
                end = CXmlReadLoop::EndTagFor(m_lastTag);  // "<Foo a=1>" gives "</Foo>"
                e = end.empty() ? std::string::npos : FindEndTag(end, tagEnd);
            }
            if (e != std::string::npos)
                m_pos = e + end.size();
        }
        break;
    }
    case kXmlSyntax: {
        // Broken markup at the position: up to the next '<' or past the next '>'.
        if (m_pos >= n)
            return -1;
        const std::size_t f = m_buffer.find_first_of("<>", m_pos + 1);
        if (f == std::string::npos)
            m_pos = n;
        else if (m_buffer[f] == '<')
            m_pos = f;
        else
            m_pos = f + 1;
        break;
    }
    default:
        return 0;  // text and registered end or empty tags are consumed already
    }
    if (skipped)
        skipped->assign(m_buffer, start, m_pos - start);
    return m_pos != start ? 1 : 0;
}

int CXmlParser::TakeLine()
{
    const std::size_t e = m_buffer.find_first_of("\r\n");
    if (e == std::string::npos)
        return -1;
    std::size_t endLength = 1;
    if (e + 1 < m_buffer.size()) {
        const char a = m_buffer[e];
        const char b = m_buffer[e + 1];
        if ((a == '\r' && b == '\n') || (a == '\n' && b == '\r'))
            endLength = 2;
    }
    m_lastTag.assign(m_buffer, 0, e);
    const std::size_t removed = e + endLength;
    m_buffer.erase(0, removed);
    ForgetEndTags();
    m_pos = m_pos > removed ? m_pos - removed : 0;
    return 0;
}

void CXmlParser::BlankToLineEnd(std::size_t from)
{
    ForgetEndTags();
    for (std::size_t i = from; i < m_buffer.size() && m_buffer[i] != '\r' && m_buffer[i] != '\n'; ++i)
        m_buffer[i] = ' ';
}

void CXmlParser::NewlinesToBlanks()
{
    ForgetEndTags();
    for (char& c : m_buffer)
        if (c == '\r' || c == '\n')
            c = ' ';
}

// ---------------------------------------------------------------- reading loop

CXmlReadLoop::CXmlReadLoop(CXmlParser& parser, std::string endTag, const CXmlReadLoop* parent,
                           std::vector<std::string> outerEnds)
    : m_parser(parser), m_endTag(std::move(endTag)), m_parent(parent), m_outerEnds(std::move(outerEnds))
{
}

std::string CXmlReadLoop::EndTagFor(const std::string& startTag)
{
    if (startTag.size() < 2 || startTag[0] != '<')
        return {};
    std::size_t i = 1;
    while (i < startTag.size() && std::strchr(" \t\r\n/>", startTag[i]) == nullptr)
        ++i;
    if (i == 1)
        return {};
    return "</" + startTag.substr(1, i - 1) + ">";
}

bool CXmlReadLoop::IsOuterEnd(const std::string& tag) const
{
    for (const auto& e : m_outerEnds)
        if (e == tag)
            return true;
    for (const CXmlReadLoop* p = m_parent; p; p = p->m_parent) {
        if (p->m_endTag == tag)
            return true;
        for (const auto& e : p->m_outerEnds)
            if (e == tag)
                return true;
    }
    return false;
}

CXmlElement* CXmlReadLoop::Next()
{
    if (m_endedAtOwn || m_endedAtOuter)
        return nullptr;
    for (;;) {
        const std::size_t before = m_parser.GetPosition();
        CXmlElement* e = m_parser.NextElement();
        if (!e) {
            if (m_parser.GetLastResult() == kXmlEof)
                return nullptr;
            m_parser.SkipElement();  // unregistered or broken markup; text is consumed already
            if (m_parser.GetPosition() == before)
                m_parser.SetPosition(before + 1);  // whatever it is, the loop moves on
            continue;
        }
        if (m_parser.GetLastResult() == kXmlEndTag) {
            if (e->GetTag() == m_endTag) {
                m_endedAtOwn = true;
                return nullptr;
            }
            if (IsOuterEnd(e->GetTag())) {
                m_parser.SetPosition(before);  // the enclosing loop takes it again
                m_endedAtOuter = true;
                return nullptr;
            }
        }
        return e;
    }
}

}  // namespace kalidor
