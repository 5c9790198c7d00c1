// A small dictionary of named integer constants that can travel inside the interconnect element
// of a device schematic file. The interconnect object that reads a <ManifestTable> element owns
// the table; nothing else creates one.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace kalidor {

class CXmlElement;
class CXmlParser;
class CXmlReadLoop;

struct ManifestConstant {
    std::string Name;
    int Value = 0;
};

class CManifestTable {
public:
    static constexpr int kSlots = 400;
    static constexpr std::size_t kMaxNameLength = 80;  // characters of <Name> that are kept

    CManifestTable() = default;
    ~CManifestTable() { Clear(); }
    CManifestTable(const CManifestTable&) = delete;
    CManifestTable& operator=(const CManifestTable&) = delete;

    // Appends an entry in the next free slot. When all 400 slots are in use nothing is stored
    // and the result is nullptr.
    ManifestConstant* Add(const std::string& name, int value);
    // The first entry, in slot order, whose name equals `name` exactly (case-sensitive).
    // Uses cursor B.
    ManifestConstant* FindByName(const std::string& name);
    void ResetCursorA() { m_cursorA = -1; }
    ManifestConstant* NextA() { return Next(m_cursorA); }
    void ResetCursorB() { m_cursorB = -1; }
    ManifestConstant* NextB() { return Next(m_cursorB); }
    void Clear();
    int GetCount() const { return m_count; }

    // Reads the content of a <ManifestTable> element whose start tag was just read, up to its
    // end tag: every <ManifestConstant> with its <Name> and <Value> is appended. Other elements
    // are skipped. `parent` is the reading loop of the enclosing element, if any; its end tag
    // also ends this element (a table cut short). Returns the number of constants added.
    int ReadXml(CXmlParser& parser, CXmlElement* start, const CXmlReadLoop* parent = nullptr);
    // Registers the tags ReadXml needs that `parser` does not know yet.
    static void RegisterXmlTags(CXmlParser& parser);

private:
    ManifestConstant* Next(int& cursor);

    std::array<std::unique_ptr<ManifestConstant>, kSlots> m_entries;
    int m_count = 0;
    int m_cursorA = -1;
    int m_cursorB = -1;
};

}  // namespace kalidor
