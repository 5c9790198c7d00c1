#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
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
    EXPECT_STREQ(buf, "/opt/kalidor/bin/SupportFiles/ZelA_GAINWIZ_Config_8.svg");
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

// No file beside the target but the target itself: no temporary file is left behind.
bool OnlyFile(const std::string& dir, const std::string& name)
{
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename() != name)
            return false;
    return true;
}

TEST(AtomicFiles, AFileSizeLimitFailsTheWriteWithoutEndingTheProgram)
{
    TempDir dir;
    const std::string file = dir / "f.zel";
    ASSERT_TRUE(WriteFileAtomically(file, "previous"));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool written = WriteFileAtomically(file, std::string(100000, 'x'), &error);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("File too large"), std::string::npos) << error;
    std::string text;
    ASSERT_TRUE(ReadWholeFile(file, text));
    EXPECT_EQ(text, "previous");
    EXPECT_TRUE(OnlyFile(dir / "", "f.zel"));
}

TEST(AtomicFiles, ThroughASymbolicLinkTheTargetIsReplacedAndTheLinkStays)
{
    TempDir dir;
    fs::create_directories(dir / "real");
    ASSERT_TRUE(WriteFileAtomically(dir / "real/t.zel", "old"));
    fs::create_symlink("real/t.zel", dir / "link.zel");
    fs::create_symlink(dir / "link.zel", dir / "link2.zel");  // a link to a link
    ASSERT_TRUE(WriteFileAtomically(dir / "link2.zel", "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.zel"));
    EXPECT_TRUE(fs::is_symlink(dir / "link2.zel"));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(dir / "real/t.zel", text));
    EXPECT_EQ(text, "new");
    EXPECT_TRUE(OnlyFile(dir / "real", "t.zel"));
    EXPECT_EQ(ResolveLinks(dir / "link2.zel"), dir / "real/t.zel");
    EXPECT_EQ(ResolveLinks(dir / "real/t.zel"), dir / "real/t.zel");
    // A link to a file that does not exist yet makes that file.
    fs::create_symlink("real/new.zel", dir / "dangling.zel");
    ASSERT_TRUE(WriteFileAtomically(dir / "dangling.zel", "made"));
    ASSERT_TRUE(ReadWholeFile(dir / "real/new.zel", text));
    EXPECT_EQ(text, "made");
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.zel"));
}

TEST(AtomicFiles, ReadOnlyFilesAndFolders)
{
    TempDir dir;
    const std::string file = dir / "r.zel";
    ASSERT_TRUE(WriteFileAtomically(file, "x"));
    EXPECT_FALSE(IsReadOnlyFile(file));
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(IsReadOnlyFile(file));  // for root too: the permission bits say so
    EXPECT_FALSE(IsReadOnlyFile(dir / "missing.zel"));
    EXPECT_FALSE(IsReadOnlyFile(dir / ""));  // a folder is not a file

    // A folder without write permission, as a user for whom permissions count: the write fails,
    // says why, and the old file stays.
    fs::create_directories(dir / "ro");
    ASSERT_TRUE(WriteFileAtomically(dir / "ro/f.zel", "old"));
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        std::string error;
        const bool written = WriteFileAtomically(dir / "ro/f.zel", "new", &error);
        _exit(written ? 1 : error.find("Cannot create a temporary file") == 0 ? 0 : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    fs::permissions(dir / "ro", fs::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(dir / "ro/f.zel", text));
    EXPECT_EQ(text, "old");
    EXPECT_TRUE(OnlyFile(dir / "ro", "f.zel"));
}

// A writer killed at any moment before its rename leaves the previous file whole: the target
// holds either all of the old text or all of the new one, never a part.
TEST(AtomicFiles, AWriterKilledBeforeTheRenameLeavesThePreviousFile)
{
    TempDir dir;
    const std::string file = dir / "k.zel";
    const std::string old(1000, 'o');
    const std::string fresh(16u << 20, 'n');
    ASSERT_TRUE(WriteFileAtomically(file, old));
    for (int delayUs : {0, 2000, 20000}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WriteFileAtomically(file, fresh);
            _exit(0);
        }
        usleep(static_cast<useconds_t>(delayUs));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        std::string text;
        ASSERT_TRUE(ReadWholeFile(file, text, 128u << 20));
        EXPECT_TRUE(text == old || text == fresh) << "a target of " << text.size() << " bytes";
        if (text == fresh) {
            ASSERT_TRUE(WriteFileAtomically(file, old));
        }
    }
}

TEST(AtomicFiles, AFolderIsNotReadAsAFile)
{
    TempDir dir;
    std::string text, error;
    EXPECT_FALSE(ReadWholeFile(dir / "", text, 100, &error));
    EXPECT_EQ(error, std::strerror(EISDIR));
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

// The settings reader is bounded, and what it reads it writes back the same.
TEST(SettingsStore, IniTextRoundTripAndBound)
{
    MemorySettings first;
    ReadIniText("x=1\n[A]\n ; note\n# note\nk = v = w \r\nno equals\n[B]\n=empty key\n[a=b]\n", first);
    EXPECT_EQ(first.GetString("", "x", "?"), "1");
    EXPECT_EQ(first.GetString("A", "k", "?"), "v = w");
    EXPECT_EQ(first.GetString("B", "", "?"), "empty key");
    EXPECT_EQ(first.Entries().size(), 3u);
    MemorySettings second;
    ReadIniText(IniText(first), second);
    EXPECT_EQ(second.Entries(), first.Entries());

    TempDir dir;
    ASSERT_TRUE(WriteFileAtomically(dir / "big.ini", "[S]\nk=v\n" + std::string(IniFileSettings::kMaxIniBytes, ';')));
    IniFileSettings big(dir / "big.ini");
    EXPECT_TRUE(big.Entries().empty());
    IniFileSettings folder(dir / "");
    EXPECT_TRUE(folder.Entries().empty());
}

TEST(Prompts, TerminalTextsBeginWithTheProgramName)
{
    EXPECT_EQ(TerminalMessageText("Verify failed", "Kalidor"), "Kalidor: Verify failed");
    EXPECT_EQ(TerminalMessageText("Maximum Jedec File size is 16000 characters.", ""),
              "Kalidor: Maximum Jedec File size is 16000 characters.");
    EXPECT_EQ(TerminalMessageText("x", "Kalidor Internal Error"), "Kalidor: Kalidor Internal Error: x");
    EXPECT_EQ(FormatMessage("The file\n%s\nis read-only.", "/a b"), "The file\n/a b\nis read-only.");
    EXPECT_EQ(FormatMessage("no pattern", "x"), "no pattern");
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
