#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "device/DeviceConfig.h"
#include "document/Jedec.h"
#include "jtag/JtagRegProgram.h"
#include "platform/Prompter.h"

using namespace kalidor;

namespace {

const char* const kTypes[] = {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"};

// JESD3 checksums, computed here from the standard's rules.
unsigned FuseChecksumOf(const std::string& fuseList)
{
    unsigned sum = 0;
    for (std::size_t k = 0; k < fuseList.size(); k += 8) {
        unsigned word = 0;
        for (std::size_t j = 0; j < 8; ++j)
            if (k + j < fuseList.size() && fuseList[k + j] == '1') word += 1u << j;
        sum += word;
    }
    return sum;
}

unsigned TransmissionChecksumOf(const std::string& file)
{
    const std::size_t stx = file.find('\x02');
    const std::size_t etx = file.find('\x03');
    unsigned sum = 0;
    for (std::size_t i = stx; i <= etx; ++i) sum += static_cast<unsigned char>(file[i]);
    return sum % 65536;
}

std::string Hex4(unsigned v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X", v);
    return buf;
}

// The text between "L0000 " and the following "*".
std::string FuseListOf(const std::string& file)
{
    const std::size_t l = file.find("L0000 ");
    const std::size_t star = file.find('*', l);
    return file.substr(l + 6, star - l - 6);
}

struct Design {
    explicit Design(const std::string& type)
        : device(CreateDeviceConfig(type)), program(CreateRegProgram(type))
    {
        program->SetDevice(device.get());
    }
    std::vector<int> Cells() const
    {
        std::vector<int> v;
        for (int c = 0; c < device->GetCellCount(); ++c) v.push_back(device->E2_GetValue(c));
        return v;
    }
    std::string Export(const JedecDocumentInfo& info = {"T", "A"})
    {
        std::string text;
        EXPECT_TRUE(ComposeJedec(*device, *program, info, text));
        return text;
    }
    int Import(std::string_view text) { return ImportJedecText(text, *device, *program); }

    std::unique_ptr<DeviceConfig> device;
    std::unique_ptr<CJtagRegProgram> program;
};

// A file for a 16-fuse device from the given pieces, with a correct layout around them.
std::string File(const std::string& fields)
{
    return std::string("\x02 header*\r\n") + fields + "\x03" "0000";
}

class JedecTest : public ::testing::Test {
protected:
    RecordingPrompter prompter;
    ScopedPrompter scope{prompter};
};

}  // namespace

TEST_F(JedecTest, HeaderAndLayoutOfASmallImage)
{
    CJedecImage image;
    ASSERT_TRUE(image.Allocate(16));
    image.m_pinCount = 20;
    image.SetFuse(0, 1);
    image.SetFuse(9, 1);
    const std::string header = JedecHeaderText({"T", "A"});
    EXPECT_EQ(header, "Kalidor  Design\r\nTitle: T \r\nAuthor: A \r\n");
    const std::string text = image.Format(header);
    const std::string body =
        "\x02 Kalidor  Design\r\nTitle: T \r\nAuthor: A \r\n*\r\nQF16*\r\nQP20*\r\n"
        "L0000 1000000001000000*\r\nC0003*\r\n\x03";
    EXPECT_EQ(text, body + Hex4(TransmissionChecksumOf(body)));
    EXPECT_EQ(image.m_fuseChecksum, 3u);
}

TEST_F(JedecTest, FuseAccessIsBounded)
{
    CJedecImage image;
    image.Allocate(4);
    EXPECT_EQ(image.GetFuse(4), -1);
    EXPECT_EQ(image.GetFuse(-1), -1);
    image.SetFuse(4, 1);  // ignored
    image.SetFuse(-3, 1);
    image.SetFuse(3, 5);
    EXPECT_EQ(image.GetFuse(3), 1);
    EXPECT_FALSE(image.Allocate(-1));
    EXPECT_FALSE(image.Allocate(kJedecMaxFuses + 1));
    EXPECT_EQ(image.m_fuseCount, 0);
}

TEST_F(JedecTest, ChecksumsAgreeWithTheStandardForManyPatterns)
{
    std::mt19937 rng(7);
    for (int n : {1, 7, 8, 9, 89, 109, 128, 167, 2000}) {
        CJedecImage image;
        image.Allocate(n);
        for (int i = 0; i < n; ++i) image.SetFuse(i, static_cast<int>(rng() & 1));
        const std::string text = image.Format("h\r\n");
        const std::string list = FuseListOf(text);
        ASSERT_EQ(static_cast<int>(list.size()), n);
        const unsigned sum = FuseChecksumOf(list);
        EXPECT_NE(text.find("*\r\nC" + Hex4(sum) + "*\r\n\x03"), std::string::npos) << n;
        EXPECT_EQ(text.substr(text.size() - 4), Hex4(TransmissionChecksumOf(text))) << n;
    }
}

TEST_F(JedecTest, TitleAndAuthorCannotBreakTheFile)
{
    EXPECT_EQ(JedecHeaderText({"a*QF3*\x03", "\x02me"}),
              "Kalidor  Design\r\nTitle: aQF3 \r\nAuthor: me \r\n");
    // Bytes above 127 count as unsigned in the transmission checksum.
    Design d("ZelA");
    const std::string text = d.Export({"Caf\xC3\xA9", "\xFF"});
    EXPECT_EQ(text.substr(text.size() - 4), Hex4(TransmissionChecksumOf(text)));
}

TEST_F(JedecTest, ExportOfEachDeviceTypeFollowsTheFuseNumbering)
{
    const int fuses[] = {109, 89, 128, 167, 167};
    for (int t = 0; t < 5; ++t) {
        Design d(kTypes[t]);
        std::mt19937 rng(t);
        for (int c = 0; c < fuses[t]; ++c) d.device->E2_SetValue(c, static_cast<int>(rng() & 1));
        const std::string text = d.Export();
        EXPECT_NE(text.find("*\r\nQF" + std::to_string(fuses[t]) + "*\r\n"), std::string::npos);
        EXPECT_NE(text.find("*\r\nQP" + std::to_string(d.device->GetNodeCount(0)) + "*\r\n"),
                  std::string::npos);
        const std::string list = FuseListOf(text);
        ASSERT_EQ(static_cast<int>(list.size()), fuses[t]) << kTypes[t];
        for (int c = 0; c < fuses[t]; ++c) {
            const int f = d.device->GetCellFuse(c);
            ASSERT_GE(f, 0);
            ASSERT_LT(f, fuses[t]);
            EXPECT_EQ(list[static_cast<std::size_t>(f)], d.device->E2_GetValue(c) ? '1' : '0')
                << kTypes[t] << " cell " << c;
        }
        EXPECT_NE(text.find("*\r\nC" + Hex4(FuseChecksumOf(list)) + "*\r\n\x03"), std::string::npos);
        EXPECT_EQ(text.substr(text.size() - 4), Hex4(TransmissionChecksumOf(text)));
        EXPECT_EQ(text.rfind("\x02 Kalidor  Design\r\nTitle: T \r\nAuthor: A \r\n*\r\nQF", 0), 0u);
    }
}

TEST_F(JedecTest, ExportThenImportKeepsEveryCell)
{
    for (const char* type : kTypes) {
        Design source(type);
        std::mt19937 rng(11);
        const int n = source.program->GetRegLength(-5);
        for (int c = 0; c < n; ++c) source.device->E2_SetValue(c, static_cast<int>(rng() & 1));
        source.device->CoerceSymbols();  // a legal design
        const std::vector<int> cells = source.Cells();
        const std::string text = source.Export();

        Design target(type);
        const std::vector<int> fresh = target.Cells();
        ASSERT_EQ(target.Import(text), 0) << type;
        const std::vector<int> got = target.Cells();
        for (int c = 0; c < static_cast<int>(got.size()); ++c)
            EXPECT_EQ(got[static_cast<std::size_t>(c)],
                      c < n ? cells[static_cast<std::size_t>(c)] : fresh[static_cast<std::size_t>(c)])
                << type << " cell " << c;
        EXPECT_TRUE(prompter.messages.empty()) << type;
    }
}

TEST_F(JedecTest, ExportRefusesZeroFuses)
{
    Design d("ZelA");
    CJtagRegProgram base;  // knows no registers
    std::ostringstream out;
    EXPECT_FALSE(ExportJedec(out, *d.device, base, {}));
    EXPECT_EQ(out.str(), "");
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_EQ(prompter.Texts()[0], "Internal: Number of fuses cannot be zero.  Aborting export");
}

TEST_F(JedecTest, ParserFieldRules)
{
    CJedecImage image;
    // L fields in pieces, lower-case letters, blanks inside the fuse data, skipped fields.
    ASSERT_TRUE(image.Parse(File("qf16*\r\nQP 20*N note with L1111 *\r\nl0000 01 \t01*\r\n"
                                 "L0004 1*G*D1*C1234*\r\n")));
    EXPECT_TRUE(image.SawFuseCount());
    EXPECT_EQ(image.m_fuseCount, 16);
    EXPECT_EQ(image.m_pinCount, 20);
    const int expect[5] = {0, 1, 0, 1, 1};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(image.GetFuse(i), expect[i]) << i;
    EXPECT_EQ(image.FusesGiven(), 5);
    EXPECT_FALSE(image.FuseGiven(5));
    // F is read, not applied; fuses beyond QF are dropped.
    ASSERT_TRUE(image.Parse(File("QF4*F1*L0002 1111111*")));
    EXPECT_EQ(image.m_defaultFuse, 1);
    EXPECT_EQ(image.GetFuse(0), 0);
    EXPECT_EQ(image.GetFuse(3), 1);
    EXPECT_EQ(image.GetFuse(4), -1);
    EXPECT_EQ(image.FusesGiven(), 2);
    // Parsing stops at ETX, at a second STX and at a Q that is neither QF nor QP.
    ASSERT_TRUE(image.Parse(File("QF4*\x03L0000 1111*")));
    EXPECT_EQ(image.FusesGiven(), 0);
    ASSERT_TRUE(image.Parse(File("QF4*\x02L0000 1111*")));
    EXPECT_EQ(image.FusesGiven(), 0);
    ASSERT_TRUE(image.Parse(File("QF4*QZ*L0000 1111*")));
    EXPECT_EQ(image.FusesGiven(), 0);
    // The design field is never read.
    ASSERT_TRUE(image.Parse("\x02 QF99 L0000 1*QF2*L0 10*\x03"));
    EXPECT_EQ(image.m_fuseCount, 2);
    EXPECT_EQ(image.GetFuse(0), 1);
    EXPECT_FALSE(image.Parse("QF4*L0000 1111*"));
}

TEST_F(JedecTest, ImportFillsUngivenFusesFromTheDefault)
{
    // Only fuse 0 given (as 0), default 1: every other fuse reads 1.
    Design d("ZelB");
    ASSERT_EQ(ImportJedecText(File("QF89*F1*L0000 0*"), *d.device, *d.program, false), 0);
    for (int c = 0; c < 89; ++c)
        EXPECT_EQ(d.device->E2_GetValue(c), d.device->GetCellFuse(c) == 0 ? 0 : 1) << c;
    // Without an F field they read 0.
    Design e("ZelB");
    for (int c = 0; c < 89; ++c) e.device->E2_SetValue(c, 1);
    ASSERT_EQ(ImportJedecText(File("QF89*L0000 1*"), *e.device, *e.program, false), 0);
    for (int c = 0; c < 89; ++c)
        EXPECT_EQ(e.device->E2_GetValue(c), e.device->GetCellFuse(c) == 0 ? 1 : 0) << c;
}

TEST_F(JedecTest, ImportRefusalsLeaveTheDesignAlone)
{
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"QF109*L0000 1*", std::string(kMsgJedecNoStx)},
        {"", std::string(kMsgJedecNoStx)},
        {File("L0000 1111*"), std::string(kMsgJedecNoFuseCount)},
        {File("QF0*L0000 1*"), std::string(kMsgJedecNoFuseCount)},
        {File("QF109*QP20*"), std::string(kMsgJedecNoFuseData)},
        {File("QF99999999999999999999*L0000 1*"), std::string(kMsgJedecFuseCountTooLarge)},
        {File("QF89*L0000 " + std::string(89, '1') + "*"),
         "The JEDEC file has 89 fuses, but a ZelA design needs 109.\nNothing was imported."},
    };
    for (const Case& c : cases) {
        Design d("ZelA");
        const std::vector<int> before = d.Cells();
        prompter.Clear();
        EXPECT_EQ(d.Import(c.text), -1);
        EXPECT_EQ(d.Cells(), before);
        ASSERT_EQ(prompter.Texts().size(), 1u);
        EXPECT_EQ(prompter.Texts()[0], c.message);
    }
}

TEST_F(JedecTest, OversizedFileWarnsAndReadsItsFirst16000Characters)
{
    Design source("ZelD");
    for (int c = 0; c < 167; c += 3) source.device->E2_SetValue(c, 1);
    const std::vector<int> cells = source.Cells();
    std::string text = source.Export();
    text += std::string(20000, 'Z');  // trailing garbage after the checksum
    Design target("ZelD");
    std::istringstream in(text);
    EXPECT_EQ(ImportJedec(in, *target.device, *target.program), 0);
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_EQ(prompter.Texts()[0], "Maximum Jedec File size is 16000 characters.");
    for (int c = 0; c < 167; ++c) EXPECT_EQ(target.device->E2_GetValue(c), cells[c]) << c;

    // Fuse data only beyond the first 16000 characters is never seen.
    prompter.Clear();
    Design other("ZelD");
    const std::string late = File("QF167*N" + std::string(17000, ' ') + "*L0000 1*");
    EXPECT_EQ(other.Import(late), -1);
    ASSERT_EQ(prompter.Texts().size(), 2u);
    EXPECT_EQ(prompter.Texts()[1], std::string(kMsgJedecNoFuseData));
}

TEST_F(JedecTest, TruncatedFileImportsWhatItHas)
{
    Design source("ZelA");
    for (int c = 0; c < 109; ++c) source.device->E2_SetValue(c, 1);
    source.device->CoerceSymbols();
    std::string text = source.Export();
    text.resize(text.find("L0000 ") + 6 + 50);  // cut inside the fuse list
    Design target("ZelA");
    EXPECT_EQ(ImportJedecText(text, *target.device, *target.program, false), 0);
    for (int c = 0; c < 109; ++c) {
        const int f = target.device->GetCellFuse(c);
        if (f < 50) EXPECT_EQ(target.device->E2_GetValue(c), source.device->E2_GetValue(c)) << c;
        else EXPECT_EQ(target.device->E2_GetValue(c), 0) << c;
    }
}

TEST_F(JedecTest, ImportCoercesIllegalValuesWithItsMessage)
{
    // Find a multi-bit ZelA symbol whose cells can hold more than its legal maximum.
    Design source("ZelA");
    int key = -1;
    for (int k = 0; k < source.device->SymbolSlotCount() && key < 0; ++k) {
        if (!source.device->HasRecord(k)) continue;
        const SymbolValue& r = source.device->GetSymbolRecord(k);
        if (r.kind == kSymMultiBit && r.bitCount > 0 && r.bitCount < 16 &&
            r.maxValue < (1 << r.bitCount) - 1 && r.cells[0] < 109)
            key = k;
    }
    ASSERT_GE(key, 0) << "ZelA has no symbol with illegal codes";
    const SymbolValue& r = source.device->GetSymbolRecord(key);
    for (int i = 0; i < r.bitCount; ++i) source.device->E2_SetValue(r.cells[i], 1);
    const std::string text = source.Export();

    Design target("ZelA");
    EXPECT_EQ(target.Import(text), 0);
    EXPECT_LE(target.device->GetSymValue(key), r.maxValue);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Upload successful, however, Kalidor needed to coerce some entries to be within legal range.");
    EXPECT_EQ(prompter.messages[0].icon, MessageIcon::Information);

    // A document that coerces on its own asks for no coercion here.
    prompter.Clear();
    Design raw("ZelA");
    EXPECT_EQ(ImportJedecText(text, *raw.device, *raw.program, false), 0);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_GT(raw.device->GetSymValue(key), r.maxValue);
}

TEST_F(JedecTest, ArbitraryBytesNeverCrashTheReader)
{
    std::mt19937 rng(3);
    const std::string alphabet = "\x02\x03*QqFfPpLlCcNnGg0123456789 \r\n\t\x80\xFF" "01";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int len = static_cast<int>(rng() % 200);
        for (int i = 0; i < len; ++i)
            text.push_back(rng() % 4 == 0 ? static_cast<char>(rng() & 0xFF)
                                          : alphabet[rng() % alphabet.size()]);
        Design d(kTypes[round % 5]);
        const int r = ImportJedecText(text, *d.device, *d.program, round % 2 == 0);
        EXPECT_TRUE(r == 0 || r == -1);
        for (int c = 0; c < d.device->GetCellCount(); ++c) {
            const int v = d.device->E2_GetValue(c);
            ASSERT_TRUE(v == 0 || v == 1) << "cell " << c << " round " << round;
        }
    }
}
