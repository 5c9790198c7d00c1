// The text forms of the verify details and of the upload report.
#include <gtest/gtest.h>

#include "jtag/VerifyReport.h"

namespace kalidor::test {
namespace {

TEST(VerifyReportText, SettingsThenBitsWithFixedBitsNamedSo)
{
    CVerifyReport r;
    EXPECT_EQ(FormatVerifyReport(r), std::string(kVerifyDetailsNone) + "\n");
    r.bits.push_back({0, "USR", 5, -1, "", 1, 0});
    EXPECT_EQ(FormatVerifyReport(r), "Register\tBit\tCell\tDesign\tDevice\nUSR\t5\t(fixed)\t1\t0\n");
    r.symbols.push_back({4, "Block 1 Gain T1", 1, 2, "2", "3"});
    r.bits.push_back({0, "USR", 17, 12, "G1_XT1", 0, 1});
    EXPECT_EQ(FormatVerifyReport(r),
              "Symbol\tDesign\tDevice\nBlock 1 Gain T1\t2\t3\n\n"
              "Register\tBit\tCell\tDesign\tDevice\nUSR\t5\t(fixed)\t1\t0\nUSR\t17\tG1_XT1\t0\t1\n");
}

TEST(UploadReportText, NamesTheDeviceTheCableAndTheChangedSettings)
{
    EXPECT_EQ(FormatUploadReport("ZelA", "Virtual cable (virtual:ZelA)", {}),
              "Upload complete: the ZelA on Virtual cable (virtual:ZelA) was read into the schematic.\n"
              "No setting changed: the schematic already held what the device holds.");
    std::vector<CSymbolDifference> changes;
    changes.push_back({4, "Gain", 1, 2, "2", "3"});
    EXPECT_EQ(FormatUploadReport("ZelB", "C", changes),
              "Upload complete: the ZelB on C was read into the schematic.\n1 setting changed:\nGain: 2 -> 3");
    for (int i = 0; i < 4; ++i) changes.push_back({5 + i, "S" + std::to_string(i), 0, 1, "a", "b"});
    EXPECT_EQ(FormatUploadReport("ZelB", "C", changes, 2),
              "Upload complete: the ZelB on C was read into the schematic.\n5 settings changed:\nGain: 2 -> 3\n"
              "S0: a -> b\n... and 3 more");
}

}  // namespace
}  // namespace kalidor::test
