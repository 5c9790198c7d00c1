// The one XML reader of the system: a small pull reader that knows only the exact tag texts its
// caller registered, with an integer code for each. It has no attributes, no entity decoding and
// no name prefixes; it hands out one token at a time and never reads past the end of its text.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>

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

class CXmlElement {
public:
    CXmlElement(std::string tag, int code) : tag_(std::move(tag)), code_(code) {}
    int GetCode() const { return code_; }
    const std::string& GetTag() const { return tag_; }

private:
    std::string tag_;  // the complete tag with its brackets, e.g. "<Title>" or "</Title>"
    int code_;
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
    int GetCount() const { return count_; }
    // Iteration over the non-empty slots.
    CXmlElement* GetFirst();
    CXmlElement* GetNext();

private:
    std::array<std::unique_ptr<CXmlElement>, kSlots> slots_;
    int count_ = 0;
    int cursor_ = -1;
    int lookupCursor_ = -1;
};

class CXmlParser {
public:
    CXmlElement* AddElement(const std::string& tag, int code) { return table_.AddElement(tag, code); }
    CXmlElementTable& GetTable() { return table_; }

    void SetText(const char* text, std::size_t length);
    void SetText(const std::string& text) { SetText(text.data(), text.size()); }

    int ParseProlog();
    // The element of the next tag: the start element for a start tag, the end element for an
    // end tag, nullptr for anything else (text, empty tag, unknown tag, syntax error, end).
    CXmlElement* NextElement();
    // Reads the content of the element whose start tag was just read, and its end tag when it
    // directly follows. Always returns 0.
    int ReadElementText();
    std::string GetText() const { return text_; }
    int GetTextInto(char* destination, std::size_t capacity) const;
    // The text as a signed decimal integer with atoi's rules (0 when there are no digits).
    int GetInt() const;
    std::string GetLastTag() const { return lastTag_; }

    // Line-oriented operations for text imports.
    int TakeLine();
    void BlankToLineEnd(std::size_t from);
    void NewlinesToBlanks();

    // Lower-level steps, public for the readers that need them and for tests.
    int Classify();
    int NextToken();
    int ScanTag();
    int ReadText();
    int ReadCdata();

    std::size_t GetPosition() const { return pos_; }
    void SetPosition(std::size_t pos) { pos_ = pos < buffer_.size() ? pos : buffer_.size(); }
    const std::string& GetBuffer() const { return buffer_; }
    CXmlElement* GetCurrentElement() const { return current_; }
    CXmlElement* GetLastStartElement() const { return lastStart_; }
    CXmlElement* GetLastEndElement() const { return lastEnd_; }

    // Parses atoi-style: leading blanks skipped, optional sign, digits up to the first non-digit.
    static int AtoI(const char* s, std::size_t n);

private:
    void SkipWhite();

    CXmlElementTable table_;
    CXmlElement* current_ = nullptr;
    CXmlElement* lastStart_ = nullptr;
    std::string text_;
    std::string lastTag_;
    CXmlElement* lastEnd_ = nullptr;
    std::string buffer_;
    std::size_t pos_ = 0;
};

}  // namespace kalidor
