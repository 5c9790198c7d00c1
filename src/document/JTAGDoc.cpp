#include "document/JTAGDoc.h"

#include <algorithm>
#include <cstdio>

#include "base/XmlParser.h"
#include "device/DeviceKind.h"
#include "document/SchDoc.h"
#include "jtag/JtagChainScan.h"
#include "platform/AtomicFile.h"
#include "platform/CommonMessages.h"
#include "platform/Prompter.h"

namespace kalidor {

const char kMsgChainCorrupted[] = "Error: JTAG Chain file is wrong version or corrupted!";
const char kMsgNameConflict[] = "Name conflict, Please use another name.";
const char kMsgCannotDeleteOpen[] = "Cannot delete open schematic from JTAG Chain";
const char kMsgCannotRenameOpen[] = "Cannot rename schematic when it is open.";
const char kMsgEmbeddedNotSupported[] = "Embedded device is a %s device.\n%s devices are not supported by Kalidor %s";
const char kMsgSchematicAlreadyOpen[] = "Schematic already open.";
const char kMsgNotZelNoSchematic[] = "Not a Zel device: there is no schematic to edit";
const char kMsgNotZelCopy[] = "Not a Zel device: Can not perform copy action.";
const char kMsgNotZelCut[] = "Not a Zel device: Can not perform cut action.";
const char kMsgCloseSchematicWindow[] = "Please close Schematic Window.";
const char kMsgChainCloseRefused[] =
    "The JTAG Chain cannot be closed while embedded schematics are open.  Close all schematics embedded in "
    "this chain.";
const char kMsgSaveChainChanges[] = "Save changes to %s?";
const char kMsgEmbeddedNotSaved[] = "Embedded Schematic is not saved.  Do you want to save it?";
const char kMsgChainTooLarge[] =
    "The JTAG Chain is too large to be saved (its file would exceed 16 MB).\nThe file on disk has not been "
    "changed.";
const char kMsgChainReadOnlyKept[] = "The file\n%s\nis read-only; the JTAG Chain was not saved.";
const char kMsgNotAChainElement[] = "The clipboard does not hold a Zel device of a JTAG Chain.";

const char kEmbeddedTitleSuffix[] = " (Embedded)";

const char kStepInsertDevice[] = "Insert Zel Device";
const char kStepInsertForeign[] = "Insert Foreign Device";
const char kStepDeleteDevice[] = "Delete Device";
const char kStepRenameDevice[] = "Rename Device";
const char kStepPasteDevice[] = "Paste Device";
const char kStepCutDevice[] = "Cut Device";
const char kStepEmbedDesign[] = "Embed Design";
const char kStepScanChain[] = "Scan Chain";

namespace {

constexpr const char* kCaption = "Kalidor";
// The version the "not supported" message names.
constexpr const char* kProgramVersion = "1.3";
// Steps the chain's history keeps (each holds the element list twice, designs included).
constexpr std::size_t kMaxChainSteps = 100;

constexpr const char kCrLf[] = "\r\n";
constexpr const char kDesignStart[] = "<ZelDesignData>";
constexpr const char kDesignEnd[] = "</ZelDesignData>";

void Tell(const std::string& text, MessageIcon icon = MessageIcon::Warning)
{
    CurrentPrompter().Message(text, kCaption, Buttons::Ok, icon);
}

std::string AfterLastDash(const std::string& name)
{
    const std::size_t dash = name.rfind('-');
    return dash == std::string::npos ? name : name.substr(dash + 1);
}

void AppendTag(std::string& out, const char* tag, const std::string& value)
{
    out += '<';
    out += tag;
    out += '>';
    out += value;
    out += "</";
    out += tag;
    out += '>';
    out += kCrLf;
}

// One element in its file form.
void WriteElement(std::string& out, const CJtagChainElement& e)
{
    out += "<JtagChainElement>\r\n";
    AppendTag(out, "EndOfChain", std::to_string(e.GetEndOfChain()));
    AppendTag(out, "ForeignDevice", std::to_string(e.GetForeignDevice()));
    AppendTag(out, "IR_Length", std::to_string(e.GetIR_Length()));
    AppendTag(out, "HIR_Sum", std::to_string(e.GetHIR_Sum()));
    AppendTag(out, "TIR_Sum", std::to_string(e.GetTIR_Sum()));
    AppendTag(out, "HDR_Sum", std::to_string(e.GetHDR_Sum()));
    AppendTag(out, "TDR_Sum", std::to_string(e.GetTDR_Sum()));
    AppendTag(out, "Name", e.GetName());
    AppendTag(out, "DeviceType", e.GetDeviceType());
    if (e.GetEndOfChain() == 0 && e.GetForeignDevice() == 0)
        out += e.GetDesign();
    out += "</JtagChainElement>\r\n\r\n";
}

// A fresh design of a device type as the chain embeds it (without the XML declaration: the
// embedded text begins with its own "<ZelDesignData>").
bool NewDesignText(const std::string& deviceType, std::string& text)
{
    CSchDoc doc;
    if (!doc.OnNewDocument(deviceType))
        return false;
    doc.SetWriteProlog(false);
    text = doc.WriteDesign();
    return true;
}

enum ChainTag {
    kRoot = 1, kRootEnd, kVersion, kVersionEnd, kType, kTypeEnd, kElement, kElementEnd,
    kEndOfChain, kEndOfChainEnd, kForeign, kForeignEnd, kIrLength, kIrLengthEnd,
    kHir, kHirEnd, kTir, kTirEnd, kHdr, kHdrEnd, kTdr, kTdrEnd, kName, kNameEnd, kDesign,
};

void RegisterChainTags(CXmlParser& p)
{
    const struct { const char* name; int code; } tags[] = {
        {"ZelJtagChainDesignData", kRoot}, {"DocFmtVersion", kVersion}, {"DeviceType", kType},
        {"JtagChainElement", kElement}, {"EndOfChain", kEndOfChain}, {"ForeignDevice", kForeign},
        {"IR_Length", kIrLength}, {"HIR_Sum", kHir}, {"TIR_Sum", kTir}, {"HDR_Sum", kHdr},
        {"TDR_Sum", kTdr}, {"Name", kName},
    };
    for (const auto& t : tags) {
        p.AddElement(std::string("<") + t.name + ">", t.code);
        p.AddElement(std::string("</") + t.name + ">", t.code + 1);
    }
    p.AddElement(kDesignStart, kDesign);
}

std::string ReadString(CXmlParser& parser)
{
    parser.ReadElementText();
    std::string text = parser.GetText();
    if (text.size() > kMaxChainNameLength)
        text.resize(kMaxChainNameLength);
    return text;
}

int ReadInt(CXmlParser& parser)
{
    parser.ReadElementText();
    return parser.GetInt();
}

}  // namespace

// Reads the chain file into an element list.
class CChainFileReader {
public:
    static bool Read(const std::string& text, std::vector<std::unique_ptr<CJtagChainElement>>& out)
    {
        CXmlParser parser;
        RegisterChainTags(parser);
        parser.SetText(text);
        parser.ParseProlog();
        CXmlElement* root = parser.NextElement();
        if (!root || root->GetCode() != kRoot)
            return false;
        CXmlReadLoop loop(parser, "</ZelJtagChainDesignData>");
        while (CXmlElement* e = loop.Next()) {
            switch (e->GetCode()) {
            case kVersion:
                ReadInt(parser);  // not compared
                break;
            case kType:
                ReadString(parser);  // dropped
                break;
            case kElement: {
                if (out.size() >= static_cast<std::size_t>(kMaxChainDevices) + 2)
                    return false;
                auto element = std::make_unique<CJtagChainElement>();
                if (!ReadElement(parser, loop, *element))
                    return false;
                out.push_back(std::move(element));
                break;
            }
            default:
                break;
            }
        }
        return loop.EndedAtOwnTag() && Sound(out);
    }

private:
    static bool ReadElement(CXmlParser& parser, const CXmlReadLoop& parent, CJtagChainElement& e)
    {
        CXmlReadLoop loop(parser, "</JtagChainElement>", &parent);
        while (CXmlElement* t = loop.Next()) {
            switch (t->GetCode()) {
            case kEndOfChain: e.m_endOfChain = ReadInt(parser); break;
            case kForeign: e.m_foreignDevice = ReadInt(parser); break;
            case kIrLength: e.m_irLength = ReadInt(parser); break;
            case kHir: e.m_hirSum = ReadInt(parser); break;
            case kTir: e.m_tirSum = ReadInt(parser); break;
            case kHdr: e.m_hdrSum = ReadInt(parser); break;
            case kTdr: e.m_tdrSum = ReadInt(parser); break;
            case kName: e.m_name = ReadString(parser); break;
            case kType: e.m_deviceType = ReadString(parser); break;
            case kDesign: {
                // The design is copied as it stands, with the line ends after it, so that the
                // chain writes it back byte for byte.
                const std::string& buffer = parser.GetBuffer();
                const std::size_t start = parser.GetPosition() - (sizeof kDesignStart - 1);
                const std::size_t end = buffer.find(kDesignEnd, parser.GetPosition());
                if (end == std::string::npos)
                    return false;
                std::size_t stop = end + (sizeof kDesignEnd - 1);
                while (stop < buffer.size() && (buffer[stop] == '\r' || buffer[stop] == '\n'))
                    ++stop;
                e.m_design = buffer.substr(start, stop - start);
                parser.SetPosition(stop);
                break;
            }
            default:
                break;
            }
        }
        return loop.EndedAtOwnTag();
    }

    // A chain begins with "[Chain TDI]" and ends with "[Chain TDO]", has no terminal between them
    // and no instruction register outside what a device can have: anything else is not a chain
    // this program (or any other writer of the format) wrote.
    static bool Sound(const std::vector<std::unique_ptr<CJtagChainElement>>& list)
    {
        if (list.size() < 2 || !list.front()->IsTerminal() || !list.back()->IsTerminal())
            return false;
        for (std::size_t i = 1; i + 1 < list.size(); ++i) {
            const CJtagChainElement& e = *list[i];
            if (e.IsTerminal() || e.GetIR_Length() < 1 || e.GetIR_Length() > kMaxChainIrLength)
                return false;
        }
        return true;
    }
};

// ================================================================ CJtagChainElement

CJtagChainElement::~CJtagChainElement()
{
    // A schematic that outlives its chain forgets it and stays open as a design of its own.
    if (m_openSchematic)
        m_openSchematic->SetEmbedded(nullptr);
}

std::unique_ptr<CJtagChainElement> CJtagChainElement::Terminal(const std::string& name)
{
    auto e = std::make_unique<CJtagChainElement>();
    e->m_endOfChain = 1;
    e->m_foreignDevice = 1;
    e->m_name = name;
    return e;
}

std::unique_ptr<CJtagChainElement> CJtagChainElement::ZelDevice(const std::string& name, const std::string& deviceType,
                                                                std::string design)
{
    auto e = std::make_unique<CJtagChainElement>();
    e->m_irLength = deviceType == DeviceKindName(DeviceKind::ZelC) ? kZelCIrLength : kZelIrLength;
    e->m_name = name;
    e->m_deviceType = deviceType;
    e->m_design = std::move(design);
    return e;
}

std::unique_ptr<CJtagChainElement> CJtagChainElement::Foreign(const std::string& name, int irLength)
{
    auto e = std::make_unique<CJtagChainElement>();
    e->m_foreignDevice = 1;
    e->m_irLength = irLength;
    e->m_name = name;
    e->m_deviceType = kForeignDeviceType;
    return e;
}

std::unique_ptr<CJtagChainElement> CJtagChainElement::Clone() const
{
    auto e = std::make_unique<CJtagChainElement>();
    e->m_endOfChain = m_endOfChain;
    e->m_foreignDevice = m_foreignDevice;
    e->m_irLength = m_irLength;
    e->m_hirSum = m_hirSum;
    e->m_tirSum = m_tirSum;
    e->m_hdrSum = m_hdrSum;
    e->m_tdrSum = m_tdrSum;
    e->m_name = m_name;
    e->m_deviceType = m_deviceType;
    e->m_design = m_design;
    e->m_modified = m_modified;
    e->m_id = m_id;
    return e;
}

void CJtagChainElement::StoreDesign(const std::string& text)
{
    m_design = text;
    m_modified = 1;
    if (m_chain) {
        m_chain->SetModifiedFlag(true);
        m_chain->UpdateAllViews();
    }
}

void CJtagChainElement::SchematicClosed(int /*code*/)
{
    m_schematicOpen = 0;
    m_openSchematic = nullptr;
    if (m_chain)
        m_chain->UpdateAllViews();
}

// ================================================================ CJTAGDoc

struct CJTAGDoc::Snapshot {
    std::vector<std::unique_ptr<CJtagChainElement>> elements;
    Snapshot() = default;
    Snapshot(Snapshot&&) = default;
    Snapshot& operator=(Snapshot&&) = default;
};

struct CJTAGDoc::Step {
    std::string text;
    Snapshot before;
    Snapshot after;
};

CJTAGDoc::CJTAGDoc()
{
    m_elements.push_back(CJtagChainElement::Terminal(kChainTdiName));
    m_elements.push_back(CJtagChainElement::Terminal(kChainTdoName));
    for (auto& e : m_elements)
        Adopt(*e);
}

CJTAGDoc::~CJTAGDoc()
{
    m_observers.clear();
}

void CJTAGDoc::Adopt(CJtagChainElement& element)
{
    element.m_chain = this;
    if (element.m_id == 0)
        element.m_id = m_nextId++;
}

CJtagChainElement* CJTAGDoc::GetElement(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_elements[static_cast<std::size_t>(index)].get();
}

int CJTAGDoc::FindElement(const std::string& name) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (m_elements[static_cast<std::size_t>(i)]->m_name == name)
            return i;
    return -1;
}

std::string CJTAGDoc::ProposeName(const std::string& base) const
{
    for (int n = 0;; ++n) {
        const std::string candidate = base + std::to_string(n);
        const bool taken = std::any_of(m_elements.begin(), m_elements.end(), [&](const auto& e) {
            return AfterLastDash(e->m_name) == candidate;
        });
        if (!taken)
            return candidate;
    }
}

bool CJTAGDoc::IsNameFree(const std::string& name, int except) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (i != except && m_elements[static_cast<std::size_t>(i)]->m_name == name)
            return false;
    return true;
}

int CJTAGDoc::InsertionIndex(int selected) const
{
    if (selected < 0 || selected >= GetCount() - 1)
        return GetCount() - 1;
    return selected + 1;
}

int CJTAGDoc::Insert(int position, std::unique_ptr<CJtagChainElement> element)
{
    const int at = std::clamp(position, 1, GetCount() - 1);
    Adopt(*element);
    m_elements.insert(m_elements.begin() + at, std::move(element));
    ++m_devicesAdded;
    return at;
}

// ---------------------------------------------------------------- editing

int CJTAGDoc::AskUntilNameFree(std::string name, const std::function<bool(std::string&)>& ask,
                               const std::function<int(const std::string&)>& insert)
{
    while (ask(name)) {
        if (!name.empty() && IsNameFree(name))
            return insert(name);
        Tell(kMsgNameConflict);
    }
    return -1;
}

int CJTAGDoc::AddDevice(int position, CJtagChainDialogs& dialogs)
{
    std::string type = DeviceKindName(DeviceKind::ZelA);
    return AskUntilNameFree(
        ProposeName(kDeviceNameBase), [&](std::string& name) { return dialogs.AskZelDevice(name, type); },
        [&](const std::string& name) { return InsertZelDevice(position, name, type); });
}

int CJTAGDoc::AddForeignDevice(int position, CJtagChainDialogs& dialogs)
{
    int ir = 8;
    return AskUntilNameFree(
        ProposeName(kForeignNameBase), [&](std::string& name) { return dialogs.AskForeignDevice(name, ir); },
        [&](const std::string& name) { return InsertForeignDevice(position, name, ir); });
}

int CJTAGDoc::InsertZelDevice(int position, const std::string& name, const std::string& deviceType)
{
    if (name.empty() || !IsNameFree(name)) {
        Tell(kMsgNameConflict);
        return -1;
    }
    if (GetCount() - 2 >= kMaxChainDevices)
        return -1;
    std::string design;
    if (!NewDesignText(deviceType, design))
        return -1;  // the document has said why (a type that is not installed)
    int at = -1;
    Change(kStepInsertDevice, [&] {
        at = Insert(position, CJtagChainElement::ZelDevice(name, deviceType, std::move(design)));
        return true;
    });
    return at;
}

int CJTAGDoc::InsertForeignDevice(int position, const std::string& name, int irLength)
{
    if (name.empty() || !IsNameFree(name)) {
        Tell(kMsgNameConflict);
        return -1;
    }
    if (irLength < 1 || irLength > kMaxChainIrLength || GetCount() - 2 >= kMaxChainDevices)
        return -1;
    int at = -1;
    Change(kStepInsertForeign, [&] {
        at = Insert(position, CJtagChainElement::Foreign(name, irLength));
        return true;
    });
    return at;
}

bool CJTAGDoc::RenameDevice(int index, CJtagChainDialogs& dialogs)
{
    CJtagChainElement* e = GetElement(index);
    if (!e || e->IsTerminal())
        return false;
    if (e->IsSchematicOpen()) {
        Tell(kMsgCannotRenameOpen);
        return false;
    }
    std::string name = e->m_name;
    while (dialogs.AskName(name)) {
        if (name.empty() || name == e->m_name)
            return false;
        if (IsNameFree(name, index))
            return SetDeviceName(index, name);
        Tell(kMsgNameConflict);
    }
    return false;
}

bool CJTAGDoc::SetDeviceName(int index, const std::string& name)
{
    CJtagChainElement* e = GetElement(index);
    if (!e || e->IsTerminal())
        return false;
    if (e->IsSchematicOpen()) {
        Tell(kMsgCannotRenameOpen);
        return false;
    }
    if (name.empty() || name == e->m_name)
        return false;
    if (!IsNameFree(name, index)) {
        Tell(kMsgNameConflict);
        return false;
    }
    return Change(kStepRenameDevice, [&] {
        e->m_name = name;
        return true;
    });
}

bool CJTAGDoc::DeleteDevice(int index)
{
    CJtagChainElement* e = GetElement(index);
    if (!e || e->IsTerminal())
        return false;
    if (!e->m_foreignDevice && e->IsSchematicOpen()) {
        Tell(kMsgCannotDeleteOpen);
        return false;
    }
    return Change(kStepDeleteDevice, [&] {
        m_elements.erase(m_elements.begin() + index);
        return true;
    });
}

bool CJTAGDoc::EmbedDesign(int index, const std::string& designText)
{
    CJtagChainElement* e = GetElement(index);
    if (!e || !e->IsZelDevice()) {
        Tell(kMsgNotZelNoSchematic);
        return false;
    }
    if (e->IsSchematicOpen()) {
        Tell(kMsgCloseSchematicWindow);
        return false;
    }
    CSchDoc doc;
    if (!doc.ReadDesign(designText))
        return false;  // the corrupted-file message has been shown
    if (doc.GetDeviceType() != e->m_deviceType) {
        char text[256];
        std::snprintf(text, sizeof text, "The design is a %s design; %s is a %s device.",
                      doc.GetDeviceType().c_str(), e->m_name.c_str(), e->m_deviceType.c_str());
        Tell(text);
        return false;
    }
    doc.SetWriteProlog(false);
    const std::string text = doc.WriteDesign();
    return Change(kStepEmbedDesign, [&] {
        e->m_design = text;
        e->m_modified = 1;
        return true;
    });
}

bool CJTAGDoc::BuildFromScan(const std::vector<CScannedDevice>& devices)
{
    if (GetCount() != 2 || devices.empty() || static_cast<int>(devices.size()) > kMaxChainDevices)
        return false;
    for (const CScannedDevice& d : devices)
        if (d.irLength < 1 || d.irLength > kMaxChainIrLength)
            return false;
    std::vector<std::unique_ptr<CJtagChainElement>> found;
    for (const CScannedDevice& d : devices) {
        std::string design;
        if (!d.deviceType.empty() && NewDesignText(d.deviceType, design))
            found.push_back(CJtagChainElement::ZelDevice({}, d.deviceType, std::move(design)));
        else
            found.push_back(CJtagChainElement::Foreign({}, d.irLength));
    }
    return Change(kStepScanChain, [&] {
        for (auto& e : found) {
            e->m_name = ProposeName(e->m_foreignDevice ? kForeignNameBase : kDeviceNameBase);
            Insert(GetCount() - 1, std::move(e));
        }
        return true;
    });
}

// ---------------------------------------------------------------- clipboard

bool CJTAGDoc::CopyDevice(int index, std::string& clip) const
{
    const CJtagChainElement* e = GetElement(index);
    if (!e)
        return false;
    if (!e->IsZelDevice()) {
        Tell(kMsgNotZelCopy);
        return false;
    }
    if (e->IsSchematicOpen()) {
        Tell(kMsgCloseSchematicWindow);
        return false;
    }
    clip.clear();
    WriteElement(clip, *e);
    return true;
}

bool CJTAGDoc::CutDevice(int index, std::string& clip)
{
    const CJtagChainElement* e = GetElement(index);
    if (!e)
        return false;
    if (!e->IsZelDevice()) {
        Tell(kMsgNotZelCut);
        return false;
    }
    if (!CopyDevice(index, clip))
        return false;
    return Change(kStepCutDevice, [&] {
        m_elements.erase(m_elements.begin() + index);
        return true;
    });
}

int CJTAGDoc::PasteDevice(int position, const std::string& clip)
{
    // The clip is one element; it is read as the only device of a chain.
    std::vector<std::unique_ptr<CJtagChainElement>> list;
    std::string wrapped;
    wrapped += "<ZelJtagChainDesignData>\r\n";
    WriteElement(wrapped, *CJtagChainElement::Terminal(kChainTdiName));
    wrapped += clip;
    WriteElement(wrapped, *CJtagChainElement::Terminal(kChainTdoName));
    wrapped += "</ZelJtagChainDesignData>\r\n";
    if (clip.size() > kMaxChainFileBytes || !CChainFileReader::Read(wrapped, list) || list.size() != 3 ||
        !list[1]->IsZelDevice() || GetCount() - 2 >= kMaxChainDevices) {
        Tell(kMsgNotAChainElement);
        return -1;
    }
    std::unique_ptr<CJtagChainElement> element = std::move(list[1]);
    if (element->m_name.empty() || !IsNameFree(element->m_name)) {
        const std::string base = element->m_name;
        for (int n = 1; !IsNameFree(element->m_name = std::to_string(n) + "-" + base); ++n) {}
    }
    element->m_modified = 1;
    int at = -1;
    Change(kStepPasteDevice, [&] {
        at = Insert(position, std::move(element));
        return true;
    });
    return at;
}

// ---------------------------------------------------------------- embedded schematics

std::unique_ptr<CSchDoc> CJTAGDoc::OpenEmbeddedSchematic(int index)
{
    CJtagChainElement* e = GetElement(index);
    if (!e)
        return nullptr;
    if (!e->IsZelDevice()) {
        Tell(kMsgNotZelNoSchematic);
        return nullptr;
    }
    if (!IsDeviceTypeName(e->m_deviceType)) {
        char text[512];
        const std::string type = e->m_deviceType.substr(0, kMaxChainNameLength);
        std::snprintf(text, sizeof text, kMsgEmbeddedNotSupported, type.c_str(), type.c_str(), kProgramVersion);
        Tell(text);
        return nullptr;
    }
    if (e->IsSchematicOpen()) {
        Tell(kMsgSchematicAlreadyOpen);
        return nullptr;
    }
    auto doc = std::make_unique<CSchDoc>();
    if (!doc->ReadDesign(e->m_design))
        return nullptr;  // the corrupted-design message has been shown
    doc->SetEmbedded(e);
    doc->SetChainCounts(e->ChainCounts());
    e->m_schematicOpen = 1;
    e->m_openSchematic = doc.get();
    UpdateAllViews();
    return doc;
}

bool CJTAGDoc::HasOpenSchematics() const
{
    return std::any_of(m_elements.begin(), m_elements.end(), [](const auto& e) { return e->IsSchematicOpen(); });
}

bool CJTAGDoc::CanClose(const std::function<bool()>& save)
{
    if (HasOpenSchematics()) {
        Tell(kMsgChainCloseRefused);
        return false;
    }
    if (!m_modified)
        return true;
    char text[512];
    std::snprintf(text, sizeof text, kMsgSaveChainChanges, DisplayName().c_str());
    switch (CurrentPrompter().Message(text, kCaption, Buttons::YesNoCancel, MessageIcon::Question)) {
    case Answer::Yes: return save && save();
    case Answer::No: return true;
    default: return false;
    }
}

// ---------------------------------------------------------------- sums

void CJTAGDoc::RecomputeSums()
{
    const int first = 1;
    const int last = GetCount() - 2;
    int irBefore = 0;
    for (int i = first; i <= last; ++i) {
        CJtagChainElement& e = *m_elements[static_cast<std::size_t>(i)];
        e.m_tirSum = irBefore;
        e.m_tdrSum = i - first;
        irBefore += e.m_irLength;
    }
    int irAfter = 0;
    for (int i = last; i >= first; --i) {
        CJtagChainElement& e = *m_elements[static_cast<std::size_t>(i)];
        e.m_hirSum = irAfter;
        e.m_hdrSum = last - i;
        irAfter += e.m_irLength;
    }
    for (auto& e : m_elements)
        if (!e->m_foreignDevice && e->m_openSchematic)
            e->m_openSchematic->SetChainCounts(e->ChainCounts());
}

// ---------------------------------------------------------------- the chain file

std::string CJTAGDoc::WriteChain() const
{
    std::string out;
    out += "<?xml version=\"1.0\"?>\r\n\r\n";
    out += "<ZelJtagChainDesignData>\r\n\r\n";
    out += "<DocFmtVersion>1</DocFmtVersion>\r\n";
    for (const auto& e : m_elements)
        WriteElement(out, *e);
    out += "</ZelJtagChainDesignData>\r\n\r\n";
    return out;
}

int CJTAGDoc::ParseChain(const std::string& text)
{
    std::vector<std::unique_ptr<CJtagChainElement>> list;
    if (!CChainFileReader::Read(text, list))
        return -1;
    m_elements = std::move(list);
    for (auto& e : m_elements)
        Adopt(*e);
    m_steps.clear();
    m_undoPos = 0;
    return 0;
}

bool CJTAGDoc::ReadChain(const std::string& text)
{
    if (HasOpenSchematics() || ParseChain(text) != 0) {
        Tell(kMsgChainCorrupted, MessageIcon::Error);
        return false;
    }
    UpdateAllViews();
    return true;
}

bool CJTAGDoc::OnOpenDocument(const std::string& path)
{
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, kMaxChainFileBytes, &error)) {
        Tell(CannotOpenMessage(path, error), MessageIcon::Error);
        return false;
    }
    if (!ReadChain(text))
        return false;
    m_path = path;
    m_modified = false;
    for (auto& e : m_elements)
        e->m_modified = 0;
    for (auto* o : std::vector<CJTAGDocObserver*>(m_observers))
        o->OnChainStateChanged();
    return true;
}

bool CJTAGDoc::OnSaveDocument(const std::string& path, ReadOnlyFile readOnly)
{
    const std::string text = WriteChain();
    if (text.size() > kMaxChainFileBytes) {
        Tell(kMsgChainTooLarge, MessageIcon::Error);
        return false;
    }
    if (!MayWriteOver(path, readOnly, kMsgChainReadOnlyKept))
        return false;
    std::string error;
    if (!WriteFileAtomically(path, text, &error)) {
        Tell("The JTAG Chain could not be saved.\n" + error + "\nThe file on disk has not been changed.",
             MessageIcon::Error);
        return false;
    }
    m_path = path;
    for (auto& e : m_elements)
        e->m_modified = 0;
    SetModifiedFlag(false);
    return true;
}

// ---------------------------------------------------------------- history

CJTAGDoc::Snapshot CJTAGDoc::Capture() const
{
    Snapshot s;
    for (const auto& e : m_elements)
        s.elements.push_back(e->Clone());
    return s;
}

bool CJTAGDoc::Restore(const Snapshot& snapshot)
{
    auto findIn = [](const std::vector<std::unique_ptr<CJtagChainElement>>& list, int id) -> CJtagChainElement* {
        for (const auto& e : list)
            if (e->m_id == id)
                return e.get();
        return nullptr;
    };
    for (const auto& live : m_elements) {
        if (!live->IsSchematicOpen())
            continue;
        const CJtagChainElement* kept = findIn(snapshot.elements, live->m_id);
        if (!kept || kept->m_name != live->m_name) {
            Tell(kMsgCloseSchematicWindow);
            return false;
        }
    }
    std::vector<std::unique_ptr<CJtagChainElement>> list;
    for (const auto& s : snapshot.elements) {
        auto it = std::find_if(m_elements.begin(), m_elements.end(), [&](const auto& e) { return e && e->m_id == s->m_id; });
        if (it != m_elements.end()) {
            // The element stays (with its design and its open schematic); its place and fields
            // come back.
            std::unique_ptr<CJtagChainElement> e = std::move(*it);
            e->m_endOfChain = s->m_endOfChain;
            e->m_foreignDevice = s->m_foreignDevice;
            e->m_irLength = s->m_irLength;
            e->m_hirSum = s->m_hirSum;
            e->m_tirSum = s->m_tirSum;
            e->m_hdrSum = s->m_hdrSum;
            e->m_tdrSum = s->m_tdrSum;
            e->m_name = s->m_name;
            e->m_deviceType = s->m_deviceType;
            list.push_back(std::move(e));
        } else {
            list.push_back(s->Clone());
        }
    }
    m_elements = std::move(list);
    for (auto& e : m_elements)
        Adopt(*e);
    for (auto& e : m_elements)
        if (e->m_openSchematic)
            e->m_openSchematic->SetChainCounts(e->ChainCounts());
    return true;
}

bool CJTAGDoc::Change(const std::string& text, const std::function<bool()>& change)
{
    Snapshot before = Capture();
    if (!change())
        return false;
    RecomputeSums();
    Step step{text, std::move(before), Capture()};
    m_steps.resize(static_cast<std::size_t>(m_undoPos));
    m_steps.push_back(std::move(step));
    if (m_steps.size() > kMaxChainSteps)
        m_steps.erase(m_steps.begin());
    m_undoPos = static_cast<int>(m_steps.size());
    SetModifiedFlag(true);
    UpdateAllViews();
    return true;
}

bool CJTAGDoc::MoveInHistory(bool back)
{
    if (back ? !CanUndo() : !CanRedo())
        return false;
    const Step& step = m_steps[static_cast<std::size_t>(back ? m_undoPos - 1 : m_undoPos)];
    if (!Restore(back ? step.before : step.after))
        return false;
    m_undoPos += back ? -1 : 1;
    SetModifiedFlag(true);
    UpdateAllViews();
    return true;
}

bool CJTAGDoc::CanUndo() const { return m_undoPos > 0; }
bool CJTAGDoc::CanRedo() const { return m_undoPos < static_cast<int>(m_steps.size()); }
bool CJTAGDoc::Undo() { return MoveInHistory(true); }
bool CJTAGDoc::Redo() { return MoveInHistory(false); }

std::string CJTAGDoc::UndoText() const
{
    return CanUndo() ? m_steps[static_cast<std::size_t>(m_undoPos - 1)].text : std::string();
}

std::string CJTAGDoc::RedoText() const
{
    return CanRedo() ? m_steps[static_cast<std::size_t>(m_undoPos)].text : std::string();
}

// ---------------------------------------------------------------- flag, path, views

void CJTAGDoc::SetModifiedFlag(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    for (auto* o : std::vector<CJTAGDocObserver*>(m_observers))
        o->OnChainStateChanged();
}

void CJTAGDoc::SetPathName(const std::string& path)
{
    m_path = path;
    for (auto* o : std::vector<CJTAGDocObserver*>(m_observers))
        o->OnChainStateChanged();
}

std::string CJTAGDoc::DisplayName() const
{
    if (m_path.empty())
        return "JTAGCHN" + std::to_string(m_untitledNumber);
    const std::size_t slash = m_path.find_last_of('/');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

void CJTAGDoc::AddObserver(CJTAGDocObserver* o)
{
    if (o && std::find(m_observers.begin(), m_observers.end(), o) == m_observers.end())
        m_observers.push_back(o);
}

void CJTAGDoc::RemoveObserver(CJTAGDocObserver* o)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), o), m_observers.end());
}

void CJTAGDoc::UpdateAllViews()
{
    for (auto* o : std::vector<CJTAGDocObserver*>(m_observers))
        o->OnChainUpdate();
}

}  // namespace kalidor
