#include "document/SpiceExport.h"

#include <cctype>
#include <ostream>

#include "base/XmlParser.h"
#include "device/DeviceConfig.h"
#include "document/Exports.h"
#include "document/SchDoc.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "view/Schematic.h"
#include "view/Symbol.h"

namespace kalidor {

namespace {

constexpr const char kCaption[] = "Kalidor";
constexpr const char kCrLf[] = "\r\n";

// Templates are a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxTemplateBytes = 4u * 1024u * 1024u;

constexpr const char kMsgTemplateMissing[] =
    "\nThis Spice model was not found on your machine.\n"
    "The Spice models of the Zel devices can be downloaded from ";
constexpr const char kMsgTemplateInvalid[] =
    "\nis not a Spice model template.\nNothing was exported.";

enum SpiceTag : int {
    kTagModel = 7100,
    kTagModelEnd,
    kTagDocFmtVersion,
    kTagDocFmtVersionEnd,
    kTagDeviceType,
    kTagDeviceTypeEnd,
    kTagModelVersion,
    kTagModelVersionEnd,
    kTagParamLeadin,
    kTagParamLeadinEnd,
    kTagTemplate,
    kTagTemplateEnd,
    kTagUnknown,
    kTagUnknownEnd,
};

bool IsNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A one-line header field: line breaks read as blanks.
std::string OneLine(const std::string& text)
{
    std::string s = text;
    for (char& c : s)
        if (c == '\r' || c == '\n')
            c = ' ';
    return s;
}

// Every line break of the comment as CR LF.
std::string CrLfLines(const std::string& text)
{
    std::string s;
    s.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            s += kCrLf;
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            s += kCrLf;
        } else {
            s += c;
        }
    }
    return s;
}

// A record name as a template writes it: every character other than a letter or digit as '_'.
std::string RecordParamName(const std::string& name)
{
    std::string s = name;
    for (char& c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return s;
}

}  // namespace

std::string SpiceModelName(const std::string& deviceType, const std::string& fileName)
{
    const std::string fallback = deviceType + std::string(kSpiceModelSuffix);
    if (fileName.empty())
        return fallback;
    const std::size_t sep = fileName.find_last_of("\\/");
    const std::string base = sep == std::string::npos ? fileName : fileName.substr(sep + 1);
    std::string name = base.substr(0, base.find('.'));
    if (name.empty())
        return fallback;
    for (char& c : name)
        if (std::isspace(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

std::string SpiceTemplatePath(const std::string& deviceType)
{
    return SupportFolder(std::string(kSpiceFolder)) + "/" + deviceType +
           std::string(kSpiceModelSuffix) + std::string(kSpiceTemplateExtension);
}

std::string SpiceTemplateMissingMessage(const std::string& path)
{
    return path + kMsgTemplateMissing + std::string(kSpiceDownloadAddress) + ".";
}

bool ReadSpiceTemplate(const std::string& xmlText, std::string& templateText)
{
    templateText.clear();
    CXmlParser parser;
    parser.AddElement("<ZelSpiceModel>", kTagModel);
    parser.AddElement("</ZelSpiceModel>", kTagModelEnd);
    parser.AddElement("<DocFmtVersion>", kTagDocFmtVersion);
    parser.AddElement("</DocFmtVersion>", kTagDocFmtVersionEnd);
    parser.AddElement("<DeviceType>", kTagDeviceType);
    parser.AddElement("</DeviceType>", kTagDeviceTypeEnd);
    parser.AddElement("<SpiceModelVersion>", kTagModelVersion);
    parser.AddElement("</SpiceModelVersion>", kTagModelVersionEnd);
    parser.AddElement("<ParamLeadin>", kTagParamLeadin);
    parser.AddElement("</ParamLeadin>", kTagParamLeadinEnd);
    parser.AddElement("<SpiceModelTemplate>", kTagTemplate);
    parser.AddElement("</SpiceModelTemplate>", kTagTemplateEnd);
    parser.AddElement("<UnknownTag>", kTagUnknown);
    parser.AddElement("</UnknownTag>", kTagUnknownEnd);
    parser.SetText(xmlText);
    parser.ParseProlog();
    CXmlElement* root = parser.NextElement();
    if (!root || root->GetCode() != kTagModel || parser.GetLastResult() != kXmlStartTag)
        return false;
    CXmlReadLoop loop(parser, "</ZelSpiceModel>");
    while (CXmlElement* e = loop.Next()) {
        if (parser.GetLastResult() != kXmlStartTag)
            continue;
        if (e->GetCode() == kTagTemplate) {
            parser.ReadElementText();
            templateText = parser.GetText();
        } else {
            // DocFmtVersion, DeviceType, SpiceModelVersion and ParamLeadin are known and unused.
            parser.SkipElement();
        }
    }
    return true;
}

std::string SubstituteSpiceTemplate(const std::string& templateText, const std::string& modelName,
                                    const SpiceValueLookup& lookup)
{
    // "PXXX" reads as the lead-in.
    std::string text = templateText;
    for (std::size_t p = text.find(kSpiceParamLeadinUpper); p != std::string::npos;
         p = text.find(kSpiceParamLeadinUpper, p + kSpiceParamLeadin.size()))
        text.replace(p, kSpiceParamLeadinUpper.size(), kSpiceParamLeadin);

    std::string out;
    out.reserve(text.size() + text.size() / 4);
    std::size_t pos = 0;
    for (std::size_t ref = text.find(kSpiceParamLeadin); ref != std::string::npos;
         ref = text.find(kSpiceParamLeadin, pos)) {
        std::size_t end = ref + kSpiceParamLeadin.size();
        while (end < text.size() && IsNameChar(text[end]))
            ++end;
        out.append(text, pos, ref - pos);

        // The name starts after the lead-in and its separator.
        const std::size_t nameStart = ref + kSpiceParamLeadin.size() + 1;
        std::string name = nameStart < end ? text.substr(nameStart, end - nameStart) : std::string();
        int pin = 0;  // 1 positive, -1 negative
        if (name.size() >= 2 && name[name.size() - 2] == '_') {
            const char last = name.back();
            if (last == 'P' || last == 'p')
                pin = 1;
            else if (last == 'M' || last == 'm')
                pin = -1;
            if (pin != 0)
                name.resize(name.size() - 2);
        }

        const std::string value =
            EqualNoCase(name, kSpiceModelNameParam) ? modelName : (lookup ? lookup(name) : std::string());
        out += value;
        if (pin != 0 && value != kSpiceNodeVref && value != kSpiceNodeCmvin)
            out += pin > 0 ? kSpicePositiveSuffix : kSpiceNegativeSuffix;
        pos = end;
    }
    out.append(text, pos, std::string::npos);
    return out;
}

std::string SpiceSymbolValue(CSchematic& schematic, DeviceConfig* device, const std::string& name)
{
    for (CSymbol* s = schematic.GetFirstSymbol(); s; s = schematic.GetNextSymbol())
        if (s->IsValid() && EqualNoCase(NormalizeExportName(s->GetFullName()), name))
            return s->GetNetlistText();
    if (device && !name.empty()) {
        for (int key = 0; key < device->SymbolSlotCount(); ++key) {
            if (!device->HasRecord(key))
                continue;
            const CSymbol* shown = schematic.GetSymbol(key);
            if (shown && shown->IsValid())
                continue;
            if (EqualNoCase(RecordParamName(device->GetSymbolRecord(key).name), name))
                return std::to_string(device->GetSymValue(key));
        }
    }
    return {};
}

std::string SpiceModelHeader(const std::array<std::string, 5>& summary)
{
    std::string h;
    h += std::string(kSpiceHeaderTitle) + OneLine(summary[0]) + kCrLf;
    h += std::string(kSpiceHeaderSubject) + OneLine(summary[1]) + kCrLf;
    h += std::string(kSpiceHeaderAuthor) + OneLine(summary[2]) + kCrLf;
    h += std::string(kSpiceHeaderKeywords) + OneLine(summary[3]) + kCrLf;

    std::string rest = CrLfLines(summary[4]);
    std::size_t br = rest.find(kCrLf);
    bool prefixWritten = false;
    if (br != std::string::npos && br > 0) {
        h += std::string(kSpiceHeaderComments) + kCrLf;
        prefixWritten = true;
    }
    while (br != std::string::npos) {
        h += kSpiceHeaderCommentLead;
        h.append(rest, 0, br + 2);
        rest.erase(0, br + 2);
        br = rest.find(kCrLf);
    }
    if (rest.empty()) {
        h += "\r\n\r\n";
    } else {
        if (!prefixWritten)
            h += kSpiceHeaderComments;
        h += std::string(kSpiceHeaderCommentLead) + rest + "\r\n\r\n";
    }
    return h;
}

bool ExportSpiceModel(std::ostream& out, CExportContext& context, const std::string& fileName)
{
    if (!context.doc || !context.schematic)
        return false;
    const std::string& deviceType = context.doc->GetDeviceType();
    const std::string path = SpiceTemplatePath(deviceType);
    std::string xml;
    if (!ReadWholeFile(path, xml, kMaxTemplateBytes)) {
        CurrentPrompter().Message(SpiceTemplateMissingMessage(path), kCaption, Buttons::Ok,
                                  MessageIcon::Error);
        return false;
    }
    std::string templateText;
    if (!ReadSpiceTemplate(xml, templateText)) {
        CurrentPrompter().Message(path + kMsgTemplateInvalid, kCaption, Buttons::Ok,
                                  MessageIcon::Error);
        return false;
    }
    // The netlist texts follow the values of the device model.
    context.doc->RefreshValueTexts();
    CSchematic& schematic = *context.schematic;
    DeviceConfig* device = context.device;
    const std::string text = SubstituteSpiceTemplate(
        templateText, SpiceModelName(deviceType, fileName),
        [&schematic, device](const std::string& name) { return SpiceSymbolValue(schematic, device, name); });
    out << SpiceModelHeader(context.doc->LoadedSummary()) << text;
    return static_cast<bool>(out);
}

void InstallSpiceModelExporter(CExportContext& context)
{
    context.spiceExporter = &ExportSpiceModel;
}

}  // namespace kalidor
