// The Spice model export: a per-device template (support folder SPICE, "<type>_SpiceModel.XML")
// whose parameter references are replaced by the netlist texts of the schematic's symbols, after
// a comment header made of the design's summary.
//
// A reference is the lead-in "Pxxx" (the template may write it "PXXX"), one separator and a name
// made of letters, digits and '_': "Pxxx_Block_1_T1_Gain". The name is a symbol's full name with
// its blanks written as '_', compared without regard to case, or MODEL_NAME. A name ending in "_P"
// or "_M" asks for the positive or negative pin of the node the symbol names ("IN1" gives
// "IN1_P"); the reference nodes VREF and CMVIN have no such pins and stay as they are.
#pragma once

#include <array>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace kalidor {

class CSchematic;
class DeviceConfig;
struct CExportContext;

// The parameter lead-in of the templates, and the spelling that is read as it.
inline constexpr std::string_view kSpiceParamLeadin = "Pxxx";
inline constexpr std::string_view kSpiceParamLeadinUpper = "PXXX";
// The name that stands for the model name.
inline constexpr std::string_view kSpiceModelNameParam = "MODEL_NAME";
// Appended to the device type for the default model name, and (with ".XML") to name the template.
inline constexpr std::string_view kSpiceModelSuffix = "_SpiceModel";
inline constexpr std::string_view kSpiceTemplateExtension = ".XML";
inline constexpr std::string_view kSpiceFolder = "SPICE";
// Pin suffixes, and the nodes that have no pins.
inline constexpr std::string_view kSpicePositiveSuffix = "_P";
inline constexpr std::string_view kSpiceNegativeSuffix = "_M";
inline constexpr std::string_view kSpiceNodeVref = "VREF";
inline constexpr std::string_view kSpiceNodeCmvin = "CMVIN";

// Header lines.
inline constexpr std::string_view kSpiceHeaderTitle = "* Title: ";
inline constexpr std::string_view kSpiceHeaderSubject = "* Subject: ";
inline constexpr std::string_view kSpiceHeaderAuthor = "* Author: ";
inline constexpr std::string_view kSpiceHeaderKeywords = "* Keywords: ";
inline constexpr std::string_view kSpiceHeaderComments = "* Comments: ";
inline constexpr std::string_view kSpiceHeaderCommentLead = "*  ";

// Where the models can be had when one is missing.
inline constexpr std::string_view kSpiceDownloadAddress = "https://www.kalidor.example/support/spice";

// The model name for an export to `fileName` ("" for the clipboard): the file's base name up to
// its first '.', taken after the last '\' or '/'; the device type followed by "_SpiceModel" when
// there is no file name or that text is empty. Blanks in it become '_' (a Spice name is one word).
std::string SpiceModelName(const std::string& deviceType, const std::string& fileName);

// The template file of a device type: <program>/SPICE/<type>_SpiceModel.XML.
std::string SpiceTemplatePath(const std::string& deviceType);

// The message shown when a template cannot be opened.
std::string SpiceTemplateMissingMessage(const std::string& path);

// Reads a template file's text: true and the SpiceModelTemplate text when the first element is
// <ZelSpiceModel>; false (nothing read) otherwise. Every other element is passed over, unknown
// ones without a message.
bool ReadSpiceTemplate(const std::string& xmlText, std::string& templateText);

// Resolves a parameter name (without lead-in, separator and pin suffix) to its value.
using SpiceValueLookup = std::function<std::string(const std::string& name)>;

// The substitution of a template copy: "PXXX" read as "Pxxx", each reference replaced by its
// value with the pin suffix it asks for.
std::string SubstituteSpiceTemplate(const std::string& templateText, const std::string& modelName,
                                    const SpiceValueLookup& lookup);

// The value of `name` in a design: the netlist text of the first valid symbol (slot order) whose
// full name, with blanks as '_', equals it without regard to case. A name that no valid symbol
// carries may name a record of the device model that the schematic does not show (the output
// amplifiers' feedback capacitor codes of ZelC, "OA1_CF"): its setting as a decimal integer.
// Otherwise "".
std::string SpiceSymbolValue(CSchematic& schematic, DeviceConfig* device, const std::string& name);

// The comment header from the summary texts in the order Title, Subject, Author, Keywords,
// Comments. Line breaks inside the first four become blanks; in the comment a lone CR or LF counts
// as CR LF (each comment line must start with '*').
std::string SpiceModelHeader(const std::array<std::string, 5>& summary);

// The exporter installed into the export routing: header, then the substituted template. False
// (after the not-found message) when the template cannot be read.
bool ExportSpiceModel(std::ostream& out, CExportContext& context, const std::string& fileName);

// Installs ExportSpiceModel as the Spice exporter of an export context.
void InstallSpiceModelExporter(CExportContext& context);

}  // namespace kalidor
