#include <gtest/gtest.h>

#include <string>

#include "jtag/TapState.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/VirtualJtagDevice.h"

namespace kalidor {
namespace {

TEST(TapStateTest, NamesAreTheTraceTexts)
{
    const char* expected[] = {"IDLE",     "CAPTURE_DR", "CAPTURE_IR", "EXIT1_IR",  "EXIT1_DR",  "EXIT2_IR",
                              "EXIT2_DR", "PAUSE_DR",   "PAUSE_IR",   "RESET",     "SELECT_DR", "SELECT_IR",
                              "UPDATE_DR", "UPDATE_IR", "SHIFT_IR",   "SHIFT_DR"};
    for (int s = 0; s < 16; ++s) EXPECT_STREQ(TapStateName(s), expected[s]) << s;
    EXPECT_STREQ(TapStateName(16), "UNKNOWN");
    EXPECT_STREQ(TapStateName(17), "NOCHANGE");
    EXPECT_STREQ(TapStateName(18), "UNKNOWN");
    EXPECT_STREQ(TapStateName(-1), "UNKNOWN");
}

// The IEEE 1149.1 state diagram written out edge by edge, independently of the table under test.
TEST(TapStateTest, NextStateFollowsTheStandardDiagram)
{
    struct Edge {
        int from, tms, to;
    };
    const Edge edges[] = {
        {TAP_RESET, 0, TAP_IDLE},           {TAP_RESET, 1, TAP_RESET},
        {TAP_IDLE, 0, TAP_IDLE},            {TAP_IDLE, 1, TAP_SELECT_DR},
        {TAP_SELECT_DR, 0, TAP_CAPTURE_DR}, {TAP_SELECT_DR, 1, TAP_SELECT_IR},
        {TAP_CAPTURE_DR, 0, TAP_SHIFT_DR},  {TAP_CAPTURE_DR, 1, TAP_EXIT1_DR},
        {TAP_SHIFT_DR, 0, TAP_SHIFT_DR},    {TAP_SHIFT_DR, 1, TAP_EXIT1_DR},
        {TAP_EXIT1_DR, 0, TAP_PAUSE_DR},    {TAP_EXIT1_DR, 1, TAP_UPDATE_DR},
        {TAP_PAUSE_DR, 0, TAP_PAUSE_DR},    {TAP_PAUSE_DR, 1, TAP_EXIT2_DR},
        {TAP_EXIT2_DR, 0, TAP_SHIFT_DR},    {TAP_EXIT2_DR, 1, TAP_UPDATE_DR},
        {TAP_UPDATE_DR, 0, TAP_IDLE},       {TAP_UPDATE_DR, 1, TAP_SELECT_DR},
        {TAP_SELECT_IR, 0, TAP_CAPTURE_IR}, {TAP_SELECT_IR, 1, TAP_RESET},
        {TAP_CAPTURE_IR, 0, TAP_SHIFT_IR},  {TAP_CAPTURE_IR, 1, TAP_EXIT1_IR},
        {TAP_SHIFT_IR, 0, TAP_SHIFT_IR},    {TAP_SHIFT_IR, 1, TAP_EXIT1_IR},
        {TAP_EXIT1_IR, 0, TAP_PAUSE_IR},    {TAP_EXIT1_IR, 1, TAP_UPDATE_IR},
        {TAP_PAUSE_IR, 0, TAP_PAUSE_IR},    {TAP_PAUSE_IR, 1, TAP_EXIT2_IR},
        {TAP_EXIT2_IR, 0, TAP_SHIFT_IR},    {TAP_EXIT2_IR, 1, TAP_UPDATE_IR},
        {TAP_UPDATE_IR, 0, TAP_IDLE},       {TAP_UPDATE_IR, 1, TAP_SELECT_DR},
    };
    ASSERT_EQ(std::size(edges), 32u);
    for (const Edge& e : edges)
        EXPECT_EQ(TapNextState(e.from, e.tms), e.to) << TapStateName(e.from) << " TMS " << e.tms;
    EXPECT_EQ(TapNextState(TAP_ANY, 0), TAP_ANY);
    EXPECT_EQ(TapNextState(99, 1), TAP_ANY);
}

TEST(TapStateTest, FiveTmsOnesResetFromEveryState)
{
    for (int s = 0; s < kTapStateCount; ++s) {
        int state = s;
        for (int i = 0; i < 5; ++i) state = TapNextState(state, 1);
        EXPECT_EQ(state, TAP_RESET) << TapStateName(s);
    }
}

// The simulated TAP controller walks the same diagram: drive it with a long pseudo-random TMS
// sequence and compare it with the table after every clock.
TEST(TapStateTest, VirtualDeviceWalksTheDiagram)
{
    CVirtualForeignDevice dev(4);
    int model = TAP_RESET;
    unsigned lfsr = 0xACE1u;
    for (int i = 0; i < 5000; ++i) {
        lfsr = (lfsr >> 1) ^ (-(lfsr & 1u) & 0xB400u);
        const int tms = lfsr & 1;
        dev.Rise(tms, 0);
        dev.Fall();
        model = TapNextState(model, tms);
        ASSERT_EQ(dev.State(), model) << "clock " << i;
    }
}

TEST(PathTableTest, EveryPathLeadsFromItsStartToItsEnd)
{
    for (int n = 0; n < kPathCount; ++n) {
        const CStatePath& p = CTapSvfInterpreter::Path(n);
        ASSERT_LE(p.m_stepCount, CStatePath::kMaxSteps);
        if (n == kPathAnyToReset) continue;
        int state = p.m_startState;
        for (int i = 0; i < p.m_stepCount; ++i) {
            EXPECT_EQ(p.m_steps[i].m_currentState, state) << "path " << n << " step " << i;
            state = TapNextState(state, p.m_steps[i].m_tms);
            EXPECT_EQ(p.m_steps[i].m_nextState, state) << "path " << n << " step " << i;
        }
        EXPECT_EQ(state, p.m_endState) << "path " << n;
    }
}

TEST(PathTableTest, StablePathsAreNumberedFourTimesFromPlusTo)
{
    const int stable[] = {TAP_RESET, TAP_IDLE, TAP_PAUSE_DR, TAP_PAUSE_IR};
    for (int from = 0; from < 4; ++from)
        for (int to = 0; to < 4; ++to) {
            const CStatePath& p = CTapSvfInterpreter::Path(4 * from + to);
            EXPECT_EQ(p.m_startState, stable[from]);
            EXPECT_EQ(p.m_endState, stable[to]);
        }
}

TEST(PathTableTest, TmsLevelsAsListed)
{
    auto tms = [](int n) {
        std::string s;
        const CStatePath& p = CTapSvfInterpreter::Path(n);
        for (int i = 0; i < p.m_stepCount; ++i) s += p.m_steps[i].m_tms ? '1' : '0';
        return s;
    };
    EXPECT_EQ(tms(0), "");
    EXPECT_EQ(tms(3), "011010");
    EXPECT_EQ(tms(11), "1111010");
    EXPECT_EQ(tms(13), "110");
    EXPECT_EQ(tms(16), "10");
    EXPECT_EQ(tms(19), "0");
    EXPECT_EQ(tms(24), "11111111111");
    const CStatePath& reset = CTapSvfInterpreter::Path(24);
    for (int i = 0; i < reset.m_stepCount; ++i) {
        EXPECT_EQ(reset.m_steps[i].m_currentState, TAP_ANY);
        EXPECT_EQ(reset.m_steps[i].m_nextState, TAP_ANY);
    }
    EXPECT_EQ(CTapSvfInterpreter::Path(25).m_stepCount, 0);
    EXPECT_EQ(CTapSvfInterpreter::Path(-1).m_stepCount, 0);
}

}  // namespace
}  // namespace kalidor
