#include "base/XmlParser.h"

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
    if (count_ < 0 || count_ >= kSlots)
        return nullptr;
    slots_[count_] = std::make_unique<CXmlElement>(tag, code);
    return slots_[count_++].get();
}

CXmlElement* CXmlElementTable::FindElement(const std::string& tag)
{
    for (lookupCursor_ = 0; lookupCursor_ < kSlots; ++lookupCursor_) {
        const auto& slot = slots_[lookupCursor_];
        if (slot && slot->GetTag() == tag)
            return slot.get();
    }
    lookupCursor_ = -1;
    return nullptr;
}

CXmlElement* CXmlElementTable::GetElementAt(int index) const
{
    if (index < 0 || index >= kSlots)
        return nullptr;
    return slots_[index].get();
}

void CXmlElementTable::RemoveAll()
{
    for (auto& slot : slots_)
        slot.reset();
    count_ = 0;
    cursor_ = -1;
    lookupCursor_ = -1;
}

CXmlElement* CXmlElementTable::GetFirst()
{
    cursor_ = -1;
    return GetNext();
}

CXmlElement* CXmlElementTable::GetNext()
{
    while (cursor_ < kSlots - 1) {
        ++cursor_;
        if (slots_[cursor_])
            return slots_[cursor_].get();
    }
    cursor_ = kSlots;
    return nullptr;
}

// ---------------------------------------------------------------- parser

void CXmlParser::RemoveAllElements()
{
    table_.RemoveAll();
    current_ = nullptr;
    lastStart_ = nullptr;
    lastEnd_ = nullptr;
}

void CXmlParser::SetText(const char* text, std::size_t length)
{
    if (text)
        buffer_.assign(text, length);
    else
        buffer_.clear();
    pos_ = 0;
    lastResult_ = 0;
}

void CXmlParser::SkipWhite()
{
    while (pos_ < buffer_.size() && IsWhite(buffer_[pos_]))
        ++pos_;
}

int CXmlParser::ParseProlog()
{
    if (pos_ == 0 && StartsAt(buffer_, 0, kByteOrderMark, 3))
        pos_ = 3;
    SkipWhite();
    const std::size_t n = buffer_.size();
    int result;
    if (pos_ >= n) {
        result = kXmlEof;
    } else if (n - pos_ < 2) {
        result = buffer_[pos_] == '<' ? kXmlEof : kXmlSyntax;
    } else if (buffer_[pos_] != '<' || buffer_[pos_ + 1] != '?') {
        result = kXmlSyntax;
    } else {
        const std::size_t f = buffer_.find_first_of("/>", pos_ + 1);
        if (f == std::string::npos) {
            result = kXmlEof;
        } else if (buffer_[f] != '>') {
            result = kXmlSyntax;
        } else {
            pos_ = f + 1;
            result = kXmlProlog;
        }
    }
    lastResult_ = result;
    return result;
}

int CXmlParser::Classify()
{
    SkipWhite();
    const std::size_t n = buffer_.size();
    if (pos_ >= n)
        return kXmlEof;
    const char c = buffer_[pos_];
    if (c != '<')
        return c == '>' ? kXmlClassStrayGt : kXmlClassText;
    if (pos_ + 1 >= n)
        return kXmlClassStart;  // a lone '<' at the end: the tag scan reports the end of text
    switch (buffer_[pos_ + 1]) {
    case '&':
        return kXmlClassAmp;
    case '/':
        return kXmlClassEnd;
    case '!':
        if (StartsAt(buffer_, pos_, kCdataOpen, kOpenLength))
            return kXmlClassCdata;
        if (StartsAt(buffer_, pos_, kDoctypeOpen, kOpenLength))
            return kXmlClassDoctype;
        return kXmlClassBang;
    default:
        return kXmlClassStart;
    }
}

bool CXmlParser::SkipDeclaration()
{
    if (StartsAt(buffer_, pos_, kCommentOpen, 4)) {
        const std::size_t e = buffer_.find(kCommentClose, pos_ + 4);
        if (e == std::string::npos)
            return false;
        pos_ = e + 3;
        return true;
    }
    // "<!DOCTYPE name [ ... ]>" and other "<!...>": up to the first '>' outside brackets.
    int depth = 0;
    for (std::size_t i = pos_ + 2; i < buffer_.size(); ++i) {
        const char c = buffer_[i];
        if (c == '[') {
            ++depth;
        } else if (c == ']') {
            if (depth > 0)
                --depth;
        } else if (c == '>' && depth == 0) {
            pos_ = i + 1;
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
    lastResult_ = result;
    return result;
}

int CXmlParser::ScanTag()
{
    const std::size_t n = buffer_.size();
    if (pos_ >= n)
        return kXmlEof;
    if (buffer_[pos_] != '<')
        return kXmlSyntax;
    int kind = kXmlStartTag;
    std::size_t nameStart = pos_ + 1;
    if (pos_ + 1 < n && buffer_[pos_ + 1] == '/') {
        kind = kXmlEndTag;
        nameStart = pos_ + 2;
    }
    const std::size_t f = buffer_.find_first_of("/>", nameStart);
    if (f == std::string::npos)
        return kXmlEof;
    std::size_t close = f;
    if (buffer_[f] == '/') {
        if (f + 1 >= n)
            return kXmlEof;
        if (buffer_[f + 1] != '>')
            return kXmlSyntax;
        kind = kXmlEmptyTag;
        close = f + 1;
    }
    lastTag_.assign(buffer_, pos_, close - pos_ + 1);
    current_ = table_.FindElement(lastTag_);
    if (!current_)
        return kXmlUnknownTag;
    pos_ = close + 1;
    if (kind == kXmlStartTag)
        lastStart_ = current_;
    else if (kind == kXmlEndTag)
        lastEnd_ = current_;
    return kind;
}

int CXmlParser::ReadText()
{
    if (pos_ >= buffer_.size())
        return kXmlEof;
    const std::size_t lt = buffer_.find('<', pos_ + 1);
    if (lt == std::string::npos)
        return kXmlEof;
    text_.assign(buffer_, pos_, lt - pos_);
    pos_ = lt;
    return kXmlText;
}

int CXmlParser::ReadCdata()
{
    if (pos_ >= buffer_.size())
        return kXmlEof;
    if (!StartsAt(buffer_, pos_, kCdataOpen, kOpenLength))
        return kXmlSyntax;
    const std::size_t start = pos_ + kOpenLength;
    const std::size_t e = buffer_.find(kCdataClose, start);
    if (e == std::string::npos)
        return kXmlEof;
    text_.assign(buffer_, start, e - start);
    pos_ = e + 3;
    return kXmlText;
}

CXmlElement* CXmlParser::NextElement()
{
    const int r = NextToken();
    if (r == kXmlStartTag)
        return lastStart_;
    if (r == kXmlEndTag)
        return lastEnd_;
    return nullptr;
}

int CXmlParser::ReadElementText()
{
    text_.clear();
    // A start tag where the content should be belongs to the caller's next NextElement().
    if (Classify() == kXmlClassStart)
        return 0;
    const int r = NextToken();
    if (r != kXmlText) {
        text_.clear();  // an end tag (empty element) was consumed, or nothing could be read
        return 0;
    }
    // After the content, the element's end tag is taken when it follows directly; white space
    // before it (as after a CDATA section) leaves it for the caller.
    if (StartsAt(buffer_, pos_, "</", 2))
        ScanTag();
    return 0;
}

int CXmlParser::GetTextInto(char* destination, std::size_t capacity) const
{
    if (!destination || capacity == 0)
        return 1;
    const std::size_t len = text_.size() < capacity - 1 ? text_.size() : capacity - 1;
    std::memcpy(destination, text_.data(), len);
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
    return AtoI(text_.data(), text_.size());
}

int CXmlParser::SkipElement(std::string* skipped)
{
    const std::size_t n = buffer_.size();
    const std::size_t start = pos_;
    const int last = lastResult_;
    lastResult_ = 0;  // whatever was pending is dealt with now
    if (skipped)
        skipped->clear();

    switch (last) {
    case kXmlEof:
        lastResult_ = kXmlEof;
        return -1;
    case kXmlStartTag: {
        // Position just after a registered start tag: step over the content and the end tag.
        const std::string end = CXmlReadLoop::EndTagFor(lastTag_);
        if (end.empty())
            return 0;
        const std::size_t e = buffer_.find(end, pos_);
        if (e == std::string::npos)
            return 0;  // no end tag follows: the content is read as it comes
        pos_ = e + end.size();
        break;
    }
    case kXmlUnknownTag: {
        // Position on the unregistered tag itself.
        if (lastTag_.empty() || !StartsAt(buffer_, pos_, lastTag_.data(), lastTag_.size()))
            return 0;
        const std::size_t inner = lastTag_.find('<', 1);
        if (inner != std::string::npos) {
            pos_ += inner;  // a tag broken by another '<': step up to that one
            break;
        }
        const std::size_t tagEnd = pos_ + lastTag_.size();
        const bool startForm = lastTag_.size() >= 3 && lastTag_[1] != '/' && lastTag_[1] != '?' &&
                               lastTag_[1] != '!' && lastTag_[lastTag_.size() - 2] != '/';
        pos_ = tagEnd;
        if (startForm) {
            std::string end = "</" + lastTag_.substr(1);  // "<Foo>" gives "</Foo>"
            std::size_t e = buffer_.find(end, tagEnd);
            if (e == std::string::npos) {
                end = CXmlReadLoop::EndTagFor(lastTag_);  // "<Foo a=1>" gives "</Foo>"
                e = end.empty() ? std::string::npos : buffer_.find(end, tagEnd);
            }
            if (e != std::string::npos)
                pos_ = e + end.size();
        }
        break;
    }
    case kXmlSyntax: {
        // Broken markup at the position: up to the next '<' or past the next '>'.
        if (pos_ >= n)
            return -1;
        const std::size_t lt = buffer_.find('<', pos_ + 1);
        const std::size_t gt = buffer_.find('>', pos_ + 1);
        if (lt == std::string::npos && gt == std::string::npos)
            pos_ = n;
        else if (gt == std::string::npos || (lt != std::string::npos && lt < gt))
            pos_ = lt;
        else
            pos_ = gt + 1;
        break;
    }
    default:
        return 0;  // text and registered end or empty tags are consumed already
    }
    if (skipped)
        skipped->assign(buffer_, start, pos_ - start);
    return pos_ != start ? 1 : 0;
}

int CXmlParser::TakeLine()
{
    const std::size_t e = buffer_.find_first_of("\r\n");
    if (e == std::string::npos)
        return -1;
    std::size_t endLength = 1;
    if (e + 1 < buffer_.size()) {
        const char a = buffer_[e];
        const char b = buffer_[e + 1];
        if ((a == '\r' && b == '\n') || (a == '\n' && b == '\r'))
            endLength = 2;
    }
    lastTag_.assign(buffer_, 0, e);
    const std::size_t removed = e + endLength;
    buffer_.erase(0, removed);
    pos_ = pos_ > removed ? pos_ - removed : 0;
    return 0;
}

void CXmlParser::BlankToLineEnd(std::size_t from)
{
    for (std::size_t i = from; i < buffer_.size() && buffer_[i] != '\r' && buffer_[i] != '\n'; ++i)
        buffer_[i] = ' ';
}

void CXmlParser::NewlinesToBlanks()
{
    for (char& c : buffer_)
        if (c == '\r' || c == '\n')
            c = ' ';
}

// ---------------------------------------------------------------- reading loop

CXmlReadLoop::CXmlReadLoop(CXmlParser& parser, std::string endTag, const CXmlReadLoop* parent,
                           std::vector<std::string> outerEnds)
    : parser_(parser), endTag_(std::move(endTag)), parent_(parent), outerEnds_(std::move(outerEnds))
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
    for (const auto& e : outerEnds_)
        if (e == tag)
            return true;
    for (const CXmlReadLoop* p = parent_; p; p = p->parent_) {
        if (p->endTag_ == tag)
            return true;
        for (const auto& e : p->outerEnds_)
            if (e == tag)
                return true;
    }
    return false;
}

CXmlElement* CXmlReadLoop::Next()
{
    if (endedAtOwn_ || endedAtOuter_)
        return nullptr;
    for (;;) {
        const std::size_t before = parser_.GetPosition();
        CXmlElement* e = parser_.NextElement();
        if (!e) {
            if (parser_.GetLastResult() == kXmlEof)
                return nullptr;
            parser_.SkipElement();  // unregistered or broken markup; text is consumed already
            if (parser_.GetPosition() == before)
                parser_.SetPosition(before + 1);  // whatever it is, the loop moves on
            continue;
        }
        if (parser_.GetLastResult() == kXmlEndTag) {
            if (e->GetTag() == endTag_) {
                endedAtOwn_ = true;
                return nullptr;
            }
            if (IsOuterEnd(e->GetTag())) {
                parser_.SetPosition(before);  // the enclosing loop takes it again
                endedAtOuter_ = true;
                return nullptr;
            }
        }
        return e;
    }
}

}  // namespace kalidor
