#include "device/DeviceKind.h"

#include <cctype>

namespace kalidor {

namespace {

constexpr DeviceTraits kTraits[] = {
    // kind, name, family, cells, symbol slots, UES bits, IR length, IDCODE part, filter configs,
    // range edge (Hz, text), pin stimulus dialogs, plain number editor, gain utility, ladder filters
    {DeviceKind::ZelA, "ZelA", DeviceFamily::ZelA, 179, 84, 8, 5, 0x0100, false, 200000.0, "200kHz", false, true, true, true},
    {DeviceKind::ZelB, "ZelB", DeviceFamily::ZelB, 165, 70, 7, 5, 0x0111, false, 200000.0, "200kHz", true, false, true, false},
    {DeviceKind::ZelC, "ZelC", DeviceFamily::ZelC, 170, 84, 16, 6, 0x0130, false, 200000.0, "200kHz", false, true, false, false},
    {DeviceKind::ZelD, "ZelD", DeviceFamily::ZelD, 204, 84, 21, 5, 0x0120, true, 200000.0, "200kHz", false, true, false, false},
    {DeviceKind::ZelE, "ZelE", DeviceFamily::ZelD, 204, 84, 21, 5, 0x0121, true, 30000.0, "30kHz", false, true, false, false},
};

static_assert(std::size(kTraits) == kDeviceKinds.size());

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

const char* const kDeviceTypeNames[5] = {kTraits[0].name, kTraits[1].name, kTraits[2].name,
                                         kTraits[3].name, kTraits[4].name};

const DeviceTraits& TraitsOf(DeviceKind kind)
{
    return kTraits[static_cast<int>(kind)];
}

std::optional<DeviceKind> ParseDeviceKind(std::string_view name)
{
    for (const DeviceTraits& t : kTraits)
        if (name == t.name)
            return t.kind;
    return std::nullopt;
}

std::optional<DeviceKind> ParseDeviceKindIgnoringCase(std::string_view name)
{
    for (const DeviceTraits& t : kTraits)
        if (EqualIgnoringCase(name, t.name))
            return t.kind;
    return std::nullopt;
}

const DeviceTraits* FindDeviceTraits(std::string_view name)
{
    const std::optional<DeviceKind> kind = ParseDeviceKind(name);
    return kind ? &TraitsOf(*kind) : nullptr;
}

}  // namespace kalidor
