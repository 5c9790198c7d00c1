#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"

using namespace kalidor;
namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() : path_(fs::temp_directory_path() / ("kalidor-platform-" + std::to_string(getpid())))
    {
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

TEST(SupportFiles, LookupByNumber)
{
    SetProgramDirectory("/opt/kalidor/bin/");
    char buf[260];
    ASSERT_TRUE(SupportFilePath(1100, buf, sizeof buf));
    EXPECT_STREQ(buf, "/opt/kalidor/bin/SupportFiles/ZelA_GainTable.xml");
    ASSERT_TRUE(SupportFilePath(1108, buf, sizeof buf));
    EXPECT_STREQ(buf, "/opt/kalidor/bin/SupportFiles/ZelA_GAINWIZ_Config_8.emf");
    ASSERT_TRUE(SupportFilePath(1200, buf, sizeof buf));
    EXPECT_STREQ(buf, "/opt/kalidor/bin/SupportFiles/ZelB_GainTable.xml");
    EXPECT_FALSE(SupportFilePath(1109, buf, sizeof buf));
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(SupportFolder("SPICE"), "/opt/kalidor/bin/SPICE");
    SetProgramDirectory("");
}

TEST(SupportFiles, APathLongerThanTheBufferFailsTruncated)
{
    SetProgramDirectory("/opt/kalidor/bin");
    const std::string full = "/opt/kalidor/bin/SupportFiles/ZelA_GainTable.xml";
    std::vector<char> exact(full.size() + 1);
    EXPECT_TRUE(SupportFilePath(1100, exact.data(), exact.size()));
    EXPECT_EQ(std::string(exact.data()), full);
    char small[20];
    std::memset(small, 'x', sizeof small);
    EXPECT_FALSE(SupportFilePath(1100, small, sizeof small));
    EXPECT_EQ(std::string(small), full.substr(0, 19));
    std::vector<char> oneShort(full.size());
    EXPECT_FALSE(SupportFilePath(1100, oneShort.data(), oneShort.size()));
    EXPECT_FALSE(SupportFilePath(1100, nullptr, 10));
    SetProgramDirectory("");
}

TEST(SupportFiles, ProgramDirectoryIsTheExecutablesFolder)
{
    const std::string dir = ProgramDirectory();
    EXPECT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(fs::exists(dir + "/test_platform"));
}

TEST(SupportFiles, AnInstalledTreeIsFoundFromTheProgramsFolder)
{
    TempDir tmp;
    const std::string prefix = tmp / "prefix";
    fs::create_directories(prefix + "/bin");
    fs::create_directories(prefix + "/share/kalidor/SupportFiles");
    fs::create_directories(prefix + "/share/kalidor/LIBRARY");
    fs::create_directories(prefix + "/lib/kalidor/MACRO");
    SetProgramDirectory(prefix + "/bin");
    EXPECT_EQ(SupportFolder("SupportFiles"), prefix + "/bin/../share/kalidor/SupportFiles");
    EXPECT_EQ(SupportFile("ZelA_Schematic.XML"), prefix + "/bin/../share/kalidor/SupportFiles/ZelA_Schematic.XML");
    EXPECT_EQ(SupportFolder("LIBRARY"), prefix + "/bin/../share/kalidor/LIBRARY");
    EXPECT_EQ(SupportFolder("MACRO"), prefix + "/bin/../lib/kalidor/MACRO");
    // A folder that is nowhere is named beside the program, where the build tree has it.
    EXPECT_EQ(SupportFolder("SPICE"), prefix + "/bin/SPICE");
    // The build tree's folders beside the program come first.
    fs::create_directories(prefix + "/bin/SupportFiles");
    EXPECT_EQ(SupportFolder("SupportFiles"), prefix + "/bin/SupportFiles");
    // A plain file of that name is no folder.
    fs::remove_all(prefix + "/bin/SupportFiles");
    auto touch = [](const std::string& path) {
        std::FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_TRUE(f);
        std::fclose(f);
    };
    touch(prefix + "/bin/SupportFiles");
    EXPECT_EQ(SupportFolder("SupportFiles"), prefix + "/bin/../share/kalidor/SupportFiles");
    // The programs' own files: beside the program first, then the installed program folder.
    EXPECT_EQ(ProgramFile("plugin.so"), prefix + "/bin/plugin.so");
    touch(prefix + "/lib/kalidor/plugin.so");
    EXPECT_EQ(ProgramFile("plugin.so"), prefix + "/bin/../lib/kalidor/plugin.so");
    touch(prefix + "/bin/plugin.so");
    EXPECT_EQ(ProgramFile("plugin.so"), prefix + "/bin/plugin.so");
    SetProgramDirectory("");
}

TEST(AtomicFiles, WriteReplacesAndFailureKeepsTheOldFile)
{
    TempDir dir;
    std::string text;
    ASSERT_TRUE(WriteFileAtomically(dir / "f.txt", "first"));
    ASSERT_TRUE(ReadWholeFile(dir / "f.txt", text));
    EXPECT_EQ(text, "first");
    ASSERT_TRUE(WriteFileAtomically(dir / "f.txt", std::string("second\0with nul", 15)));
    ASSERT_TRUE(ReadWholeFile(dir / "f.txt", text));
    EXPECT_EQ(text.size(), 15u);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir / "missing/f.txt", "x", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ReadWholeFile(dir / "nothing", text, 100, &error));
    // A file over the limit is not read.
    ASSERT_TRUE(WriteFileAtomically(dir / "big", std::string(1000, 'b')));
    EXPECT_FALSE(ReadWholeFile(dir / "big", text, 999, &error));
    EXPECT_TRUE(ReadWholeFile(dir / "big", text, 1000, &error));
}

TEST(SettingsStore, IntegersAndFallbacks)
{
    MemorySettings s;
    EXPECT_EQ(s.GetInt("JtagConfig", "PortID", 7), 7);
    s.SetInt("JtagConfig", "PortID", -3);
    EXPECT_EQ(s.GetInt("JtagConfig", "PortID", 7), -3);
    s.SetString("JtagConfig", "PortID", "12abc");
    EXPECT_EQ(s.GetInt("JtagConfig", "PortID", 7), 7);
    s.SetString("JtagConfig", "PortID", "");
    EXPECT_EQ(s.GetInt("JtagConfig", "PortID", 7), 7);
    EXPECT_EQ(s.GetString("Settings", "UserName", "Unknown User"), "Unknown User");
}

TEST(SettingsStore, IniFileRoundTrip)
{
    TempDir dir;
    {
        IniFileSettings ini(dir / "KALIDOR.INI");
        ini.SetInt("JtagConfig", "TapPortClass", 2);
        ini.SetString("JtagConfig", "Cable", "virtual:ZelA");
        ini.SetString("Other", "Key", "a = b");
        ASSERT_TRUE(ini.Save());
    }
    IniFileSettings back(dir / "KALIDOR.INI");
    EXPECT_EQ(back.GetInt("JtagConfig", "TapPortClass", 0), 2);
    EXPECT_EQ(back.GetString("JtagConfig", "Cable", ""), "virtual:ZelA");
    EXPECT_EQ(back.GetString("Other", "Key", ""), "a = b");
    std::string text;
    ASSERT_TRUE(ReadWholeFile(dir / "KALIDOR.INI", text));
    EXPECT_EQ(text, "[JtagConfig]\r\nCable=virtual:ZelA\r\nTapPortClass=2\r\n\r\n[Other]\r\nKey=a = b\r\n");
    // A missing file reads as empty settings.
    IniFileSettings none(dir / "none.ini");
    EXPECT_TRUE(none.Entries().empty());
}

TEST(Prompts, RecordingPrompterAnswersFromItsScript)
{
    RecordingPrompter p;
    ScopedPrompter scoped(p);
    p.Script(Answer::No);
    EXPECT_EQ(CurrentPrompter().Message("Save?", "Kalidor", Buttons::YesNoCancel), Answer::No);
    EXPECT_EQ(CurrentPrompter().Message("Again?", "Kalidor", Buttons::YesNo), Answer::Yes);
    EXPECT_EQ(CurrentPrompter().Message("Note"), Answer::Ok);
    {
        WaitCursor wait;
        EXPECT_EQ(p.waitDepth, 1);
    }
    EXPECT_EQ(p.waitDepth, 0);
    EXPECT_EQ(p.Texts(), (std::vector<std::string>{"Save?", "Again?", "Note"}));
    RecordingPrompter inner;
    {
        ScopedPrompter nested(inner);
        CurrentPrompter().Message("inner");
    }
    CurrentPrompter().Message("outer");
    EXPECT_EQ(inner.Texts(), std::vector<std::string>{"inner"});
    EXPECT_EQ(p.messages.back().text, "outer");
}
