#include <gtest/gtest.h>

#include <string>

#include "jtag/JtagBits.h"

using kalidor::CJtagBits;

namespace {

CJtagBits OnlyBit(int n, int bit)
{
    CJtagBits b(n);
    b.SetBit(bit, 1);
    return b;
}

}  // namespace

TEST(JtagBits, AllocateGivesZeroBitsAndBoundsAreChecked)
{
    CJtagBits b(13);
    EXPECT_EQ(b.Count(), 13);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(b.GetBit(i), 0);
    EXPECT_EQ(b.GetBit(13), -1);
    EXPECT_EQ(b.GetBit(-1), -1);
    EXPECT_EQ(b.SetBit(13, 1), -1);
    EXPECT_EQ(b.SetBit(-1, 1), -1);
    EXPECT_EQ(b.SetBit(12, 7), 0);
    EXPECT_EQ(b.GetBit(12), 1);  // any non-zero value stores 1
    b.Release();
    EXPECT_EQ(b.Count(), 0);
    EXPECT_EQ(b.GetBit(0), -1);
}

TEST(JtagBits, AllocateRefusesNegativeAndHugeCounts)
{
    CJtagBits b;
    EXPECT_FALSE(b.Allocate(-1));
    EXPECT_EQ(b.Count(), 0);
    EXPECT_FALSE(b.Allocate(CJtagBits::kMaxBits + 1));
    EXPECT_EQ(b.Count(), 0);
    EXPECT_TRUE(b.Allocate(0));
    EXPECT_EQ(b.ToHex(), "");
    EXPECT_EQ(b.ToBitText(), "");
}

TEST(JtagBits, HexTextOfRegisterImages)
{
    // 109 bits all set: a leading 1 and 27 F.
    CJtagBits all(109);
    for (int i = 0; i < 109; ++i) all.SetBit(i, 1);
    EXPECT_EQ(all.ToHex(), "1" + std::string(27, 'F'));
    // 18 bits, only bit 0 set.
    EXPECT_EQ(OnlyBit(18, 0).ToHex(), "00001");
    // 13 bits, only bit 12 set.
    EXPECT_EQ(OnlyBit(13, 12).ToHex(), "1000");
    // Bit order within a digit: bit 0 is the digit's least significant bit.
    CJtagBits b(8);
    b.SetBit(1, 1);
    b.SetBit(3, 1);
    b.SetBit(4, 1);
    b.SetBit(6, 1);
    EXPECT_EQ(b.ToHex(), "5A");
    EXPECT_EQ(CJtagBits::FromHex("5A", 8), b);
}

TEST(JtagBits, HexWithScratchLimit)
{
    CJtagBits b(109);
    std::string out = "junk";
    EXPECT_FALSE(b.ToHex(out, 27));
    EXPECT_EQ(out, "");
    EXPECT_TRUE(b.ToHex(out, 28));
    EXPECT_EQ(out, std::string(28, '0'));
}

TEST(JtagBits, LoadHexAcceptsBothCasesAndCountsOthersAsZero)
{
    CJtagBits a = CJtagBits::FromHex("aBcD", 16);
    EXPECT_EQ(a.ToHex(), "ABCD");
    CJtagBits g = CJtagBits::FromHex("1G2", 12);  // 'G' counts as 0
    EXPECT_EQ(g.ToHex(), "102");
    // Missing leading digits leave their bits 0.
    CJtagBits s = CJtagBits::FromHex("F", 12);
    EXPECT_EQ(s.ToHex(), "00F");
    EXPECT_EQ(s.ToBitText(), "000000001111");
}

TEST(JtagBits, SurplusHexDigitsGoToSpareBitsAndAreIgnoredByComparison)
{
    // The read filler of a 109-bit register has 31 digits: 15 bits too many.
    const CJtagBits filler = CJtagBits::FromHex("0102030405060708091011121314156", 109);
    EXPECT_EQ(filler.Count(), 109);
    // The 28th digit from the right is '2': bit 108 is 0, bit 109 (spare) is 1.
    EXPECT_EQ(filler.ToHex(), "0030405060708091011121314156");
    EXPECT_EQ(filler.GetStoredBit(109), 1);
    // Over 18 bits the leftmost digit 'C' has only its bits 18 and 19 set: both go spare.
    const CJtagBits man = CJtagBits::FromHex("C1020", 18);
    EXPECT_EQ(man.ToHex(), "01020");
    EXPECT_EQ(man.GetStoredBit(18), 1);
    EXPECT_EQ(man.GetStoredBit(19), 1);
    EXPECT_EQ(man.GetBit(19), -1);
    EXPECT_EQ(man, CJtagBits::FromHex("01020", 18));
    // More surplus than the spare storage holds is dropped without harm.
    const CJtagBits big = CJtagBits::FromHex(std::string(200, 'F'), 4);
    EXPECT_EQ(big.ToHex(), "F");
    EXPECT_EQ(big.GetStoredBit(4 + CJtagBits::kSpareBits - 1), 1);
    EXPECT_EQ(big.GetStoredBit(4 + CJtagBits::kSpareBits), -1);
}

TEST(JtagBits, BitTextRoundTripAndLoadingRules)
{
    const CJtagBits b = CJtagBits::FromBitText("1100101");
    EXPECT_EQ(b.Count(), 7);
    EXPECT_EQ(b.GetBit(0), 1);
    EXPECT_EQ(b.GetBit(1), 0);
    EXPECT_EQ(b.GetBit(6), 1);
    EXPECT_EQ(b.ToBitText(), "1100101");
    EXPECT_EQ(b.ToHex(), "65");
    // Anything but '0' counts as 1.
    EXPECT_EQ(CJtagBits::FromBitText("0x0 ").ToBitText(), "0101");
    EXPECT_EQ(CJtagBits::FromBitText("").Count(), 0);
}

TEST(JtagBits, EqualityNeedsSameCountAndSameBits)
{
    EXPECT_EQ(CJtagBits::FromBitText("0101"), CJtagBits::FromHex("5", 4));
    EXPECT_NE(CJtagBits::FromBitText("0101"), CJtagBits::FromBitText("00101"));
    EXPECT_NE(CJtagBits::FromBitText("0101"), CJtagBits::FromBitText("0100"));
    EXPECT_NE(CJtagBits::FromBitText("1101"), CJtagBits::FromBitText("0101"));
    EXPECT_EQ(CJtagBits(), CJtagBits(0));
}

TEST(JtagBits, HexAndBitTextAgreeOverManyLengths)
{
    for (int n = 1; n <= 70; ++n) {
        CJtagBits b(n);
        for (int i = 0; i < n; ++i) b.SetBit(i, ((i * 7 + n) % 3) == 0);
        const CJtagBits viaHex = CJtagBits::FromHex(b.ToHex(), n);
        const CJtagBits viaText = CJtagBits::FromBitText(b.ToBitText());
        EXPECT_EQ(viaHex, b) << n;
        EXPECT_EQ(viaText, b) << n;
        EXPECT_EQ(static_cast<int>(b.ToHex().size()), (n + 3) / 4);
    }
}
