// The device type names, their kinds and the traits table, against the catalogue and against the
// models the names create.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "device/DeviceConfig.h"
#include "device/DeviceKind.h"

using namespace kalidor;

TEST(DeviceKind, EveryNameParsesToItsKindAndPrintsBack)
{
    const char* const names[] = {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"};
    ASSERT_EQ(kDeviceKinds.size(), std::size(names));
    for (std::size_t i = 0; i < kDeviceKinds.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const DeviceKind kind = kDeviceKinds[i];
        EXPECT_EQ(static_cast<std::size_t>(kind), i);
        EXPECT_EQ(ParseDeviceKind(names[i]), kind);
        EXPECT_STREQ(DeviceKindName(kind), names[i]);
        EXPECT_STREQ(kDeviceTypeNames[i], names[i]);
        EXPECT_EQ(TraitsOf(kind).kind, kind);
        EXPECT_EQ(FindDeviceTraits(names[i]), &TraitsOf(kind));
        EXPECT_TRUE(IsDeviceTypeName(names[i]));
    }
}

TEST(DeviceKind, OnlyExactNamesParse)
{
    for (const char* text : {"", "Zel", "ZelF", "zela", "ZELA", "ZelA ", " ZelA", "ZelAB", "Foreign(8)"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseDeviceKind(text).has_value());
        EXPECT_EQ(FindDeviceTraits(text), nullptr);
        EXPECT_FALSE(IsDeviceTypeName(text));
    }
    // What users type may differ in letter case, nothing else.
    EXPECT_EQ(ParseDeviceKindIgnoringCase("zela"), DeviceKind::ZelA);
    EXPECT_EQ(ParseDeviceKindIgnoringCase("ZELE"), DeviceKind::ZelE);
    EXPECT_EQ(ParseDeviceKindIgnoringCase("zElC"), DeviceKind::ZelC);
    EXPECT_FALSE(ParseDeviceKindIgnoringCase("zel a").has_value());
    EXPECT_FALSE(ParseDeviceKindIgnoringCase("zelf").has_value());
}

TEST(DeviceKind, FamiliesPairZelDWithZelE)
{
    EXPECT_EQ(FamilyOf(DeviceKind::ZelA), DeviceFamily::ZelA);
    EXPECT_EQ(FamilyOf(DeviceKind::ZelB), DeviceFamily::ZelB);
    EXPECT_EQ(FamilyOf(DeviceKind::ZelC), DeviceFamily::ZelC);
    EXPECT_EQ(FamilyOf(DeviceKind::ZelD), DeviceFamily::ZelD);
    EXPECT_EQ(FamilyOf(DeviceKind::ZelE), DeviceFamily::ZelD);
    for (DeviceKind kind : kDeviceKinds)
        EXPECT_EQ(TraitsOf(kind).filterConfigs, FamilyOf(kind) == DeviceFamily::ZelD) << DeviceKindName(kind);
}

// The counts of the traits are those of the model each name creates, and its kind is the name's.
TEST(DeviceKind, TraitsAgreeWithTheModels)
{
    for (DeviceKind kind : kDeviceKinds) {
        const DeviceTraits& t = TraitsOf(kind);
        SCOPED_TRACE(t.name);
        auto c = CreateDeviceConfig(t.name);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->Kind(), kind);
        EXPECT_EQ(&c->Traits(), &t);
        EXPECT_EQ(c->TypeName(), t.name);
        EXPECT_EQ(c->GetCellCount(), t.cellCount);
        EXPECT_EQ(c->SymbolSlotCount(), t.symbolSlots);
        EXPECT_EQ(c->GetUesCount(), t.uesBits);
    }
}

// An IDCODE names one device type: no two types share a part number.
TEST(DeviceKind, PartNumbersAreDistinct)
{
    std::set<int> parts;
    for (DeviceKind kind : kDeviceKinds)
        EXPECT_TRUE(parts.insert(TraitsOf(kind).idcodePart).second) << DeviceKindName(kind);
}

TEST(DeviceKind, FrequencyRangeEdges)
{
    EXPECT_EQ(TraitsOf(DeviceKind::ZelD).rangeEdgeHz, 200000.0);
    EXPECT_STREQ(TraitsOf(DeviceKind::ZelD).rangeEdgeText, "200kHz");
    EXPECT_EQ(TraitsOf(DeviceKind::ZelE).rangeEdgeHz, 30000.0);
    EXPECT_STREQ(TraitsOf(DeviceKind::ZelE).rangeEdgeText, "30kHz");
    // The text names the edge in kilohertz.
    for (DeviceKind kind : kDeviceKinds) {
        const DeviceTraits& t = TraitsOf(kind);
        EXPECT_EQ(std::to_string(static_cast<int>(t.rangeEdgeHz / 1000)) + "kHz", t.rangeEdgeText) << t.name;
    }
}
