// The programmable connections of a device, drawn on the schematic as switches: a feedback switch
// that is open or closed, an input selector that connects an amplifier input to one of several
// sources, an output that is enabled or not. One CInterconnect is one switch bound to one symbol
// key; its contacts carry symbol values, and the contact whose value equals the symbol's value is
// the one drawn as connected. The user drags from the switch's source point to a contact; the
// schematic view then sets the symbol to that contact's value.
//
// Besides the switches that a device's schematic builder creates (BuildSwitches), the document
// owns one interconnect object of the device's family (CreateInterconnect): it keeps the list of
// keys that have switches and an optional manifest table, and it is the object written to and
// read from the <ZelInterconnect> element of the device schematic file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Painter.h"
#include "base/SymbolSwitch.h"
#include "device/DeviceKind.h"

namespace kalidor {

class CManifestTable;
class CXmlElement;
class CXmlParser;
class CXmlReadLoop;
class DeviceConfig;

enum SwitchKind : int32_t {
    kSwitchTwoPosition = 0,     // closed when the symbol is non-zero
    kSwitchTwoPositionOne = 1,  // two-position switch keyed to the value 1
    kSwitchSelector = 2,        // multi-position selector
    kSwitchOutput = 3,          // output switch (ZelC)
};

// Message texts.
inline constexpr const char* kMsgContactKeyMismatch =
    "Internal Software Error in CInterconnect::SetValXYAssoc\nm_symKey != SymKey";
inline constexpr const char* kMsgContactIndexRange =
    "Internal Software Error in CInterconnect::SetValXYAssoc\ncontact index out of range";
inline constexpr const char* kMsgTooManySymKeys =
    "Error: CInterconnect::ParseXmlSymKeysThatHaveInterconnect\ntoo many Symkeys!";

struct SwitchContact {
    int32_t SymbolValue = 0;  // the symbol value this contact selects
    LogPoint TargetXY;        // where it is drawn
    friend bool operator==(const SwitchContact&, const SwitchContact&) = default;
};

// What HitTestContact found.
struct ContactHit {
    int symKey = -1;
    int index = -1;           // contact index 0..9
    SwitchContact contact;
    bool isCurrent = false;   // the contact's value is the switch's ConnValue
    LogPoint source;
};

class CInterconnect : public SymbolSwitch {
public:
    static constexpr int kMaxContacts = 10;
    static constexpr int kMaxSymKeys = 33;
    static constexpr int kHitRadius = 60;   // half-side of the hit squares, schematic units

    // How a switch is drawn. The connected path (the arm from the source to the connected
    // contact, the contact and the pivot) is heavy and in its own colour, so that the routing
    // reads from the drawing alone, on screen and in print; every other contact is an open
    // circle. A two-position switch that is open shows its blade lifted off the contact.
    static constexpr int kColorArm = 35;       // cyan on screen, black in print
    static constexpr int kColorContact = 22;   // white on screen, black in print
    static constexpr int kColorBlade = 25;     // the lifted blade of an open switch
    static constexpr int kArmWeight = 3;
    static constexpr int kContactRadius = 28;  // open contact circle
    static constexpr int kJointRadius = 34;    // the pivot and the connected contact
    // An arm to a contact on the source's own row (where the row's other contacts lie) leaves
    // the row by this much and returns to it at the contact.
    static constexpr int kArmRise = 70;

    CInterconnect();
    ~CInterconnect() override;
    CInterconnect(const CInterconnect&) = delete;
    CInterconnect& operator=(const CInterconnect&) = delete;

    // --- the switch ---
    // Sets key, type and source point; ConnValue and ContactCount become 0.
    void Init(int symKey, int x, int y, int switchType);
    // Stores contact `index` (0..9) and counts it. A key other than the switch's own beeps and
    // shows kMsgContactKeyMismatch, and the contact is stored all the same; an index outside
    // 0..9 shows kMsgContactIndexRange and stores nothing (result 0).
    int SetValXYAssoc(int symKey, int index, int value, int x, int y);
    // 1 and ConnValue = value when `symKey` is this switch's key, else 0.
    int SetConnValue(int symKey, int value);
    int ClearConnValue(int symKey) { return SetConnValue(symKey, 0); }
    // 1 when the key matches and the switch is closed: type 0 with ConnValue != 0, any other type
    // with ConnValue == 0.
    int IsConnected(int symKey) const;
    int GetSourceXY(int symKey, LogPoint& source) const;

    // Hit tests, on a point in schematic units (the view converts from device pixels). A point
    // hits when it lies strictly inside the square of half-side 60 around a contact's target
    // (HitTestContact: the first 2 contacts for types 0 and 1, the first 10 for the others, only
    // those defined, in index order, the first hit wins) or around the source point.
    virtual int HitTestContact(LogPoint p, ContactHit& hit) const;
    virtual int HitTestSource(LogPoint p, int& symKey) const;

    // Rubber-band drag from the switch's source, in device pixels (negative coordinates count
    // as 0). BeginDrag starts it when `symKey` is this switch's key; DragTo reports 1 when the
    // line's end moved (the view redraws the band) and 0 for a move to the same point; EndDrag
    // ends it (1 when a drag was active). The view then applies the contact under the end point.
    int BeginDrag(int x, int y, int symKey);
    int DragTo(int x, int y);
    int EndDrag(int x, int y);
    bool IsDragging() const { return m_dragging; }
    LogPoint GetDragAnchor() const { return m_dragAnchor; }
    LogPoint GetDragEnd() const { return m_dragEnd; }

    // The contact drawn as connected: the first defined one whose value is ConnValue, or -1.
    // A connected contact at the source itself means the switch is open (nothing connected).
    int ConnectedContact() const;
    // True when a contact other than one at the source is connected.
    bool IsClosed() const;

    // Draws this one switch; DrawChain draws it and every switch chained after it.
    void Draw(Painter& painter) const override;
    void DrawChain(Painter& painter) const;

    // The number of switches of the device family (0 here; ZelA 12, ZelB 11, ZelC 19).
    virtual int GetSwitchCount() const { return 0; }

    // --- keys of the symbols that are switches (kept by the document's object) ---
    void ResetSymKeyCursor() { m_symKeyCursor = -1; }
    // The next listed key, or -1 after the last.
    int NextSymKey();
    // Appends `key`; 0 (nothing stored) when 33 keys are listed already.
    int AddSymKey(int key);
    const std::vector<int>& GetSymKeys() const { return m_symKeysThatHaveInterconnect; }

    // --- the <ZelInterconnect> element ---
    // Appends the element to `out`, CR LF line ends. Entry i of the GetSwitchCount() entries
    // takes its fields from switches[i] when the list has one, else from this object.
    void WriteXml(std::string& out, const std::vector<const CInterconnect*>& switches = {}) const;
    // Reads the content of a <ZelInterconnect> element whose start tag was just read, up to its
    // end tag (or an end tag of `parent`, or the end of the text). A switch entry goes to
    // switches[SwitchIndex] when the list has one, else into this object. The key list is
    // replaced by the one read; a <ManifestTable> creates a new manifest table. Returns 0.
    int ReadXml(CXmlParser& parser, CXmlElement* start,
                const std::vector<CInterconnect*>& switches = {},
                const CXmlReadLoop* parent = nullptr);
    // Registers the tags ReadXml needs (and those of the manifest table) that `parser` does not
    // know yet.
    static void RegisterXmlTags(CXmlParser& parser);

    // --- plain accessors ---
    int GetSwitchType() const { return m_switchType; }
    int GetSymKey() const { return m_symKey; }
    int GetConnValue() const { return m_connValue; }
    LogPoint GetSource() const { return m_sourceXY; }
    int GetContactCount() const { return m_contactCount; }
    // Contact `index` (a default contact outside 0..9).
    SwitchContact GetContact(int index) const;
    CInterconnect* GetNext() const { return m_pNext; }
    void SetNext(CInterconnect* next) { m_pNext = next; }
    CManifestTable* GetManifest() const { return m_pManifest.get(); }

private:
    // Contacts that exist, bounded by `limit`.
    int DefinedContacts(int limit) const;
    void DrawTwoPosition(Painter& painter) const;
    void DrawSelector(Painter& painter) const;

    int32_t m_switchType = kSwitchTwoPosition;
    int32_t m_symKey = 0;
    int32_t m_connValue = 0;
    LogPoint m_sourceXY;
    int32_t m_contactCount = 0;
    std::array<SwitchContact, kMaxContacts> m_contacts{};
    CInterconnect* m_pNext = nullptr;  // not owned

    std::vector<int> m_symKeysThatHaveInterconnect;
    int m_symKeyCursor = -1;
    std::unique_ptr<CManifestTable> m_pManifest;

    bool m_dragging = false;
    LogPoint m_dragAnchor;
    LogPoint m_dragEnd;
};

class CZelAInterconnect : public CInterconnect {
public:
    int GetSwitchCount() const override { return 12; }
};

class CZelBInterconnect : public CInterconnect {
public:
    int GetSwitchCount() const override { return 11; }
};

// ZelC reports 19 switches while its schematic has 18. Its output switches (type 3) are hit on
// their two contacts like any other switch.
class CZelCInterconnect : public CInterconnect {
public:
    int GetSwitchCount() const override { return 19; }
};

// The document's interconnect object for a device type: the family's class for ZelA, ZelB and
// ZelC, the base class for ZelD and ZelE, nullptr for an unknown name.
std::unique_ptr<CInterconnect> CreateInterconnect(DeviceKind kind);
std::unique_ptr<CInterconnect> CreateInterconnect(const std::string& deviceType);

// The switches of a device's schematic, with their geometry, in the device's table order (none
// for ZelD, ZelE and unknown names). Switches that share a symbol key are chained through their
// next pointers, the first of them heading the chain, so that the symbol draws them all.
std::vector<std::unique_ptr<CInterconnect>> BuildSwitches(DeviceKind kind);
std::vector<std::unique_ptr<CInterconnect>> BuildSwitches(const std::string& deviceType);

// Shows the device model's symbol values on the switches: every switch with a key of 0 or more
// takes GetSymValue of its key as its ConnValue.
void SyncSwitches(const std::vector<std::unique_ptr<CInterconnect>>& switches, DeviceConfig& config);

}  // namespace kalidor
