#include "application/MacroCatalog.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace kalidor;
namespace fs = std::filesystem;

namespace {

class MacroFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("kalidor_macros_" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "sub");
    }
    void TearDown() override { fs::remove_all(m_dir); }
    void Make(const std::string& name, bool executable)
    {
        std::ofstream(m_dir / name) << "#!/bin/sh\n";
        fs::permissions(m_dir / name, executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
    }
    fs::path m_dir;
};

}  // namespace

TEST(DesignUtilities, CodesAndDescriptionsFollowTheEntryText)
{
    const struct {
        const char* text;
        int code;
        const char* description;
    } cases[] = {
        {"ZelA Gain Configuration Utility", 101, "Gain Utility for ZelA."},
        {"ZelB Gain Configuration Utility", 103, "Gain Utility for ZelB."},
        {"ZelA Ladder Filter Configurations", 100, "Show possible Ladder filter configurations for ZelA."},
        {"ZelD Filter Configurations", 102, "Show possible filter configurations for ZelD."},
        {"ZelE Filter Configurations", 104, "Show possible filter configurations for ZelE."},
        {"ZelA_Biquad", -1, "Biquad generator for ZelA."},
        {"ZelB_Biquad", -1, "Biquad generator for ZelB."},
        // The tests run in order: the ladder test comes before the others.
        {"ZelA Ladder and ZelD Filter", 100, "Show possible Ladder filter configurations for ZelA."},
        {"My_ZelA_Biquad_v2", -1, "Biquad generator for ZelA."},
        // Any other program of the folder runs, without a description.
        {"Sweep_Report", -1, ""},
        {"zela ladder", -1, ""},
    };
    for (const auto& c : cases) {
        const CUtilityChoice choice = DesignUtilityChoice(c.text);
        EXPECT_EQ(choice.code, c.code) << c.text;
        EXPECT_EQ(choice.description, c.description) << c.text;
    }
}

TEST_F(MacroFolder, TheListShowsTheBuiltInUtilitiesThenTheExecutables)
{
    Make("ZelA_Biquad", true);
    Make("Another", true);
    Make("README.txt", false);
    Make(".hidden", true);
    const std::vector<std::string> expected = {"ZelA Gain Configuration Utility", "ZelB Gain Configuration Utility",
                                               "ZelA Ladder Filter Configurations", "ZelD Filter Configurations",
                                               "ZelE Filter Configurations", "Another", "ZelA_Biquad"};
    EXPECT_EQ(DesignUtilityEntries(m_dir.string()), expected);
    EXPECT_EQ(ExecutableFiles((m_dir / "missing").string()), std::vector<std::string>{});
    EXPECT_EQ(DesignUtilityEntries((m_dir / "missing").string()).size(), 5u);
}

TEST_F(MacroFolder, HelpModesListTheirPatternsAndTheHtmlCounterparts)
{
    for (const char* name : {"ZelA_Biquad.HLP", "ZelA_Biquad.html", "notes.hlp", "ZEL01.HLP", "ZEL02.html", "zel03.HTML",
                             "ZEL100.html", "ZELA.htm", "readme.txt"})
        Make(name, false);
    EXPECT_EQ(HelpFiles(m_dir.string(), CMacroDialogMode::kInstalledMacroHelp),
              (std::vector<std::string>{"ZEL01.HLP", "ZEL02.html", "ZEL100.html", "ZelA_Biquad.HLP", "ZelA_Biquad.html",
                                        "notes.hlp", "zel03.HTML"}));
    EXPECT_EQ(HelpFiles(m_dir.string(), CMacroDialogMode::kDeviceHelp),
              (std::vector<std::string>{"ZEL01.HLP", "ZEL02.html", "zel03.HTML"}));
    EXPECT_STREQ(HelpPattern(CMacroDialogMode::kDeviceHelp), "ZEL??.HLP");
    EXPECT_STREQ(HelpPattern(CMacroDialogMode::kInstalledMacroHelp), "*.HLP");
}

TEST(MacroTexts, DialogModesAndTheStartFailure)
{
    EXPECT_STREQ(MacroDialogTexts(CMacroDialogMode::kRunUserMacro).title, "Run User-Defined Macro");
    EXPECT_STREQ(MacroDialogTexts(CMacroDialogMode::kRunUserMacro).prompt, "Select a User-Defined macro to run:");
    EXPECT_STREQ(MacroDialogTexts(CMacroDialogMode::kInstalledMacroHelp).title, "Help on Installed Macros");
    EXPECT_STREQ(MacroDialogTexts(CMacroDialogMode::kInstalledMacroHelp).prompt, "Select a help file to open:");
    EXPECT_STREQ(MacroDialogTexts(CMacroDialogMode::kDeviceHelp).title, "Help for Zel devices");
    EXPECT_STREQ(MacroDialogTexts(CMacroDialogMode::kDeviceHelp).prompt, "Select a help file to open:");
    EXPECT_EQ(MacroStartFailureText("/opt/k/MACRO/ZelA_Biquad /RunAsMacro", 2),
              "Kalidor was unable to run\n\"/opt/k/MACRO/ZelA_Biquad /RunAsMacro\".\nWinExec returned a result of 2.\n\n"
              "Click OK to continue.");
    EXPECT_EQ(UtilityMissingText("ZelD Filter Configurations"),
              "\"ZelD Filter Configurations\" is not in this version of Kalidor yet.");
    EXPECT_STREQ(kMacroArgument, "/RunAsMacro");
}
