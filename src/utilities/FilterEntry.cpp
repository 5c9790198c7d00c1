#include "utilities/FilterEntry.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "device/DeviceKind.h"
#include "platform/Prompter.h"
#include "utilities/ConfigTable.h"
#include "utilities/FilterCriteria.h"

namespace kalidor {

const char kMsgUnknownFilterCriterion[] = "Internal software error:  unknown case in CFilterEntry::ApplyFilter";

namespace {

const char* const kTypeNames[9] = {"Bessel",    "Linear phase 1", "Linear phase 2",
                                   "Gaussian",  "Legendre",       "Butterworth",
                                   "Chebyshev", "Elliptical",     "special"};
const char* const kTypeTags[8] = {"Bessel",   "LinearPhase1", "LinearPhase2", "Gaussian",
                                  "Legendre", "Butterworth",  "Chebyshev",    "Elliptical"};

// Which attributes a type carries, in file order after the ID.
std::vector<int> AttributesOf(int type)
{
    std::vector<int> a = {CFilterEntry::kFc, CFilterEntry::kGain2Fc, CFilterEntry::kGain10Fc};
    if (type == 6 || type == 7 || type == 8) {
        a.push_back(CFilterEntry::kFp);
        a.push_back(CFilterEntry::kPassRipple);
    }
    if (type == 7 || type == 8) {
        a.push_back(CFilterEntry::kFs);
        a.push_back(CFilterEntry::kStopAtten);
        a.push_back(CFilterEntry::kFsFpRatio);
    }
    a.push_back(CFilterEntry::kMaxVin);
    return a;
}

// An identifier from a number of the file: whole numbers beyond the int range saturate, and a
// value that is not a number counts as 0.
int IdentifierOf(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace

bool CFilterEntry::ReadText(int t, const std::string& text)
{
    type = t;
    const std::vector<double> n = ParseNumberList(text.substr(0, 500));
    const std::vector<int> attrs = AttributesOf(t);
    size_t i = 0;
    if (i < n.size())
        id = IdentifierOf(n[i++]);
    for (int a : attrs)
        if (i < n.size())
            attributes[a] = n[i++];
    for (int c = 0; c < kComponentCount; ++c)
        if (i < n.size())
            components[c] = n[i++];
    return n.size() >= 1 + attrs.size() + kComponentCount;
}

std::string CFilterEntry::NumbersText() const
{
    std::string s = std::to_string(id);
    for (int a : AttributesOf(type))
        s += ", " + TableNumberText(attributes[a]);
    for (double c : components)
        s += ", " + TableNumberText(c);
    return s;
}

std::string CFilterEntry::WriteElement() const
{
    const std::string tag = TypeTag(type).empty() ? "Butterworth" : TypeTag(type);
    return "<" + tag + ">" + NumbersText() + "</" + tag + ">";
}

std::string CFilterEntry::Description() const
{
    char buf[512];
    std::snprintf(buf, sizeof buf, "%s #%d, Fc = %.2fkHz, %.2fdB @ 2 X Fc, %.2fdB @ 10 X Fc",
                  TypeName(type).c_str(), id, attributes[kFc] / 1000.0, attributes[kGain2Fc],
                  attributes[kGain10Fc]);
    std::string s = buf;
    if (s.size() > 500)
        s.resize(500);
    return s;
}

bool CFilterEntry::ApplyFilter(const CFilterCriteria& c) const
{
    if (const auto common = c.PassesIdOrType(type))
        return *common;
    switch (c.attribute) {
    case 2:
    case 5:
    case 7:
    case 9:
    case 10:
        return c.Within(attributes[c.attribute - kFirstAttributeColumn]);
    case 3:
    case 4:
    case 6:
    case 8:
        return c.WithinUpperFirst(attributes[c.attribute - kFirstAttributeColumn]);
    default:
        CurrentPrompter().Message(kMsgUnknownFilterCriterion, "Kalidor", Buttons::Ok, MessageIcon::Error);
        return false;
    }
}

std::string CFilterEntry::AttributeText(int column) const
{
    char buf[64];
    if (column == 0)
        return std::to_string(id);
    if (column == 1)
        return TypeName(type);
    if (column < kFirstAttributeColumn || column >= kCriteriaCount)
        return {};
    const double v = attributes[column - kFirstAttributeColumn];
    if (column >= 5 && v == -1.0)
        return " ";
    switch (column) {
    case 2:
    case 5:
    case 7:
        std::snprintf(buf, sizeof buf, "%.2fkHz", v / 1000.0);
        break;
    case 3:
    case 4:
    case 6:
    case 8:
        std::snprintf(buf, sizeof buf, "%.2fdB", v);
        break;
    default:
        std::snprintf(buf, sizeof buf, "%.2f", v);
        break;
    }
    return buf;
}

double CFilterEntry::AttributeNumber(int column) const
{
    if (column == 0)
        return id;
    if (column == 1)
        return type;
    if (column < kFirstAttributeColumn || column >= kCriteriaCount)
        return 0.0;
    return attributes[column - kFirstAttributeColumn];
}

std::string CFilterEntry::ComponentText(int component) const
{
    if (component < 0 || component >= kComponentCount)
        return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3fpF", components[component] * 1e12);
    return buf;
}

int CFilterEntry::FrequencyRange(const std::string& deviceType) const
{
    // The range edge of the device type (ZelD's for another name).
    const DeviceTraits* device = FindDeviceTraits(deviceType);
    const double threshold = (device ? *device : TraitsOf(DeviceKind::ZelD)).rangeEdgeHz;
    return attributes[kFc] > threshold ? 0 : 1;
}

std::string CFilterEntry::TypeName(int t)
{
    return (t >= 0 && t < 9) ? kTypeNames[t] : "--unknown--";
}

std::string CFilterEntry::TypeTag(int t)
{
    return (t >= 0 && t < 8) ? kTypeTags[t] : "";
}

int CFilterEntry::TypeOfTag(const std::string& tag)
{
    if (tag == "Linear phase 1")
        return 1;
    if (tag == "Linear phase 2")
        return 2;
    for (int t = 0; t < 8; ++t)
        if (tag == kTypeTags[t])
            return t;
    return -1;
}

}  // namespace kalidor
