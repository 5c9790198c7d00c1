// TAP controller states as the JTAG code numbers them, their names, and the IEEE 1149.1 state
// table (next state for a TMS level on a rising TCK edge). The interpreter's model, the path table
// and the simulated devices of the virtual cable all use this one table.
#pragma once

namespace kalidor {

enum TapState : int {
    TAP_IDLE = 0,        // Run-Test/Idle
    TAP_CAPTURE_DR = 1,
    TAP_CAPTURE_IR = 2,
    TAP_EXIT1_IR = 3,
    TAP_EXIT1_DR = 4,
    TAP_EXIT2_IR = 5,
    TAP_EXIT2_DR = 6,
    TAP_PAUSE_DR = 7,
    TAP_PAUSE_IR = 8,
    TAP_RESET = 9,       // Test-Logic-Reset
    TAP_SELECT_DR = 10,
    TAP_SELECT_IR = 11,
    TAP_UPDATE_DR = 12,
    TAP_UPDATE_IR = 13,
    TAP_SHIFT_IR = 14,
    TAP_SHIFT_DR = 15,
    TAP_ANY = 16,        // "no change": the state is not known (a path step from/to any state)
    TAP_NOCHANGE = 17,
};

// One TCK cycle of a state path: the state before the clock, the state after it and the TMS level.
// A step of a path that may start anywhere carries TAP_ANY for both states.
struct CStateTransition {
    int m_currentState = TAP_ANY;
    int m_nextState = TAP_ANY;
    int m_tms = 0;
};

// Number of real controller states (0..15).
inline constexpr int kTapStateCount = 16;

// "IDLE", "CAPTURE_DR", ... for 0..15, "NOCHANGE" for 17, "UNKNOWN" for 16 and anything else.
const char* TapStateName(int state);

// The state a TAP controller in `state` (0..15) enters on a rising TCK edge with TMS = `tms`.
// Returns TAP_ANY for a state outside 0..15.
int TapNextState(int state, int tms);

// True for the four states a path table moves between: RESET, IDLE, PAUSE_DR, PAUSE_IR.
bool IsStableTapState(int state);

}  // namespace kalidor
