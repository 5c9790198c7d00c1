// The one XML reader of the system: a small pull reader that knows only the exact tag texts its
// caller registered, with an integer code for each. It has no attributes, no entity decoding and
// no name prefixes; it hands out one token at a time and never reads past the end of its text.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kalidor {

// Token results of the scanning operations.
enum XmlToken : int {
    kXmlEof = -1,         // end of text reached where more was needed
    kXmlProlog = 40,      // "<?...>" skipped
    kXmlSyntax = 70,      // syntax error at the current position (nothing consumed)
    kXmlStartTag = 201,
    kXmlEndTag = 202,
    kXmlEmptyTag = 203,   // "<name/>"
    kXmlUnknownTag = 205, // tag text not registered (nothing consumed)
    kXmlText = 206,       // text or CDATA content read
};

// What the character at the position starts.
enum XmlClass : int {
    kXmlClassText = 11,
    kXmlClassStrayGt = 30,
    kXmlClassCdata = 32,
    kXmlClassDoctype = 33,
    kXmlClassBang = 34,
    kXmlClassStart = 201,
    kXmlClassEnd = 202,
    kXmlClassAmp = 204,
};

// Tag text that readers register with code -1 to stand for the end of the text.
inline constexpr const char* kXmlEofSentinel = "[XML_LEXEME_EOF-sentinel]";

class CXmlElement {
public:
    CXmlElement(std::string tag, int code) : m_tag(std::move(tag)), m_code(code) {}
    int GetCode() const { return m_code; }
    const std::string& GetTag() const { return m_tag; }

private:
    std::string m_tag;  // the complete tag with its brackets, e.g. "<Title>" or "</Title>"
    int m_code;
};

class CXmlElementTable {
public:
    static constexpr int kSlots = 100;

    // Returns the new element, or nullptr when all 100 slots are taken.
    CXmlElement* AddElement(const std::string& tag, int code);
    // The first element whose tag text equals `tag` exactly (case-sensitive), or nullptr.
    CXmlElement* FindElement(const std::string& tag);
    CXmlElement* GetElementAt(int index) const;
    void RemoveAll();
    int GetCount() const { return m_count; }
    // Iteration over the non-empty slots.
    CXmlElement* GetFirst();
    CXmlElement* GetNext();

private:
    std::array<std::unique_ptr<CXmlElement>, kSlots> m_slots;
    // The first slot of each tag text, so that a lookup is one hash probe.
    std::unordered_map<std::string, int> m_firstSlot;
    int m_count = 0;
    int m_cursor = -1;
    int m_lookupCursor = -1;
};

class CXmlParser {
public:
    CXmlElement* AddElement(const std::string& tag, int code) { return m_table.AddElement(tag, code); }
    CXmlElementTable& GetTable() { return m_table; }
    // Empties the element table and forgets every element found so far.
    void RemoveAllElements();

    void SetText(const char* text, std::size_t length);
    void SetText(const std::string& text) { SetText(text.data(), text.size()); }

    int ParseProlog();
    // The element of the next tag: the start element for a start tag, the end element for an
    // end tag, nullptr for anything else (text, empty tag, unknown tag, syntax error, end).
    CXmlElement* NextElement();
    // Reads the content of the element whose start tag was just read, and its end tag when it
    // directly follows. A start tag in place of the content is left for the next NextElement().
    // Always returns 0.
    int ReadElementText();
    std::string GetText() const { return m_text; }
    int GetTextInto(char* destination, std::size_t capacity) const;
    // The text as a signed decimal integer with atoi's rules (0 when there are no digits).
    int GetInt() const;
    std::string GetLastTag() const { return m_lastTag; }

    // The result of the last token taken (by NextElement, ReadElementText or NextToken).
    int GetLastResult() const { return m_lastResult; }
    // Steps over whatever the last token left unread, so that a reading loop always makes
    // progress: after a registered start tag, the element's content up to its end tag; on an
    // unregistered tag, that element whole (or the tag alone when no end tag follows, or when it
    // is an end or empty tag); on a malformed tag, the broken markup. `skipped` receives the
    // text stepped over. Returns 1 when the position moved, 0 when nothing needed skipping,
    // -1 at the end of the text.
    int SkipElement(std::string* skipped = nullptr);

    // Line-oriented operations for text imports.
    int TakeLine();
    void BlankToLineEnd(std::size_t from);
    void NewlinesToBlanks();

    // TakeLine: removes the first line with its line end (CR LF and LF CR count as one) from the
    // buffer; the line without its end becomes the last tag text. Returns 0, or -1 when the
    // buffer holds no line end.

    // Lower-level steps, public for the readers that need them and for tests.
    int Classify();
    int NextToken();
    int ScanTag();
    int ReadText();
    int ReadCdata();

    std::size_t GetPosition() const { return m_pos; }
    void SetPosition(std::size_t pos) { m_pos = pos < m_buffer.size() ? pos : m_buffer.size(); }
    const std::string& GetBuffer() const { return m_buffer; }
    CXmlElement* GetCurrentElement() const { return m_current; }
    CXmlElement* GetLastStartElement() const { return m_lastStart; }
    CXmlElement* GetLastEndElement() const { return m_lastEnd; }

    // Parses atoi-style: leading blanks skipped, optional sign, digits up to the first non-digit.
    static int AtoI(const char* s, std::size_t n);

private:
    void SkipWhite();
    // The first occurrence of the end tag `endTag` ("</Foo>") at or after `from`, or npos. Looked
    // up in an index of every end tag of the text, built on first use, so that skipping any number
    // of elements costs one pass over the text.
    std::size_t FindEndTag(const std::string& endTag, std::size_t from);
    void ForgetEndTags();
    // Steps over "<!--...-->", "<!DOCTYPE ...>" or another "<!...>" at the position; false (and
    // nothing consumed) when the construct is not closed before the end of the text.
    bool SkipDeclaration();

    CXmlElementTable m_table;
    CXmlElement* m_current = nullptr;
    CXmlElement* m_lastStart = nullptr;
    std::string m_text;
    std::string m_lastTag;
    CXmlElement* m_lastEnd = nullptr;
    std::string m_buffer;
    std::size_t m_pos = 0;
    int m_lastResult = 0;
    // Positions of each "</...>" of the buffer, by its text.
    std::unordered_map<std::string, std::vector<std::size_t>> m_endTags;
    bool m_endTagsIndexed = false;
};

// The loop of a reader over the children of one element: Next() hands out registered elements
// one by one, steps over unregistered tags, malformed markup and stray text, and returns nullptr
// when the loop is over: at the element's own end tag (consumed), at the end tag of an enclosing
// loop (left unread, so that the enclosing loop ends too) or at the end of the text. Every call
// consumes input, so a loop over Next() ends on any text, however garbled or truncated.
class CXmlReadLoop {
public:
    // `endTag` is the exact end tag that closes the element ("</Switch>"); `parent` is the loop
    // of the enclosing element, if any; `outerEnds` lists further end tags that close an
    // enclosing element the reader does not loop over itself.
    CXmlReadLoop(CXmlParser& parser, std::string endTag, const CXmlReadLoop* parent = nullptr,
                 std::vector<std::string> outerEnds = {});
    CXmlElement* Next();
    // Why the loop ended.
    bool EndedAtOwnTag() const { return m_endedAtOwn; }
    bool EndedAtOuterTag() const { return m_endedAtOuter; }
    CXmlParser& Parser() const { return m_parser; }
    // The end tag an element's start tag calls for: "<Foo>" gives "</Foo>".
    static std::string EndTagFor(const std::string& startTag);

private:
    bool IsOuterEnd(const std::string& tag) const;

    CXmlParser& m_parser;
    std::string m_endTag;
    const CXmlReadLoop* m_parent;
    std::vector<std::string> m_outerEnds;
    bool m_endedAtOwn = false;
    bool m_endedAtOuter = false;
};

}  // namespace kalidor
