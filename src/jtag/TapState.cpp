#include "jtag/TapState.h"

namespace kalidor {

namespace {

const char* const kStateNames[kTapStateCount] = {
    "IDLE",     "CAPTURE_DR", "CAPTURE_IR", "EXIT1_IR",  "EXIT1_DR",  "EXIT2_IR",
    "EXIT2_DR", "PAUSE_DR",   "PAUSE_IR",   "RESET",     "SELECT_DR", "SELECT_IR",
    "UPDATE_DR", "UPDATE_IR", "SHIFT_IR",   "SHIFT_DR",
};

// IEEE 1149.1 state diagram: kNext[state][tms].
const int kNext[kTapStateCount][2] = {
    /* IDLE       */ {TAP_IDLE, TAP_SELECT_DR},
    /* CAPTURE_DR */ {TAP_SHIFT_DR, TAP_EXIT1_DR},
    /* CAPTURE_IR */ {TAP_SHIFT_IR, TAP_EXIT1_IR},
    /* EXIT1_IR   */ {TAP_PAUSE_IR, TAP_UPDATE_IR},
    /* EXIT1_DR   */ {TAP_PAUSE_DR, TAP_UPDATE_DR},
    /* EXIT2_IR   */ {TAP_SHIFT_IR, TAP_UPDATE_IR},
    /* EXIT2_DR   */ {TAP_SHIFT_DR, TAP_UPDATE_DR},
    /* PAUSE_DR   */ {TAP_PAUSE_DR, TAP_EXIT2_DR},
    /* PAUSE_IR   */ {TAP_PAUSE_IR, TAP_EXIT2_IR},
    /* RESET      */ {TAP_IDLE, TAP_RESET},
    /* SELECT_DR  */ {TAP_CAPTURE_DR, TAP_SELECT_IR},
    /* SELECT_IR  */ {TAP_CAPTURE_IR, TAP_RESET},
    /* UPDATE_DR  */ {TAP_IDLE, TAP_SELECT_DR},
    /* UPDATE_IR  */ {TAP_IDLE, TAP_SELECT_DR},
    /* SHIFT_IR   */ {TAP_SHIFT_IR, TAP_EXIT1_IR},
    /* SHIFT_DR   */ {TAP_SHIFT_DR, TAP_EXIT1_DR},
};

}  // namespace

const char* TapStateName(int state)
{
    if (state >= 0 && state < kTapStateCount) return kStateNames[state];
    if (state == TAP_NOCHANGE) return "NOCHANGE";
    return "UNKNOWN";
}

int TapNextState(int state, int tms)
{
    if (state < 0 || state >= kTapStateCount) return TAP_ANY;
    return kNext[state][tms ? 1 : 0];
}

bool IsStableTapState(int state)
{
    return state == TAP_RESET || state == TAP_IDLE || state == TAP_PAUSE_DR || state == TAP_PAUSE_IR;
}

}  // namespace kalidor
