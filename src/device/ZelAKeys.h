// Symbol keys of ZelA. The four analog blocks XT, XB, YT and YB have the same ten settings, at the
// same offsets from the block's first key.
#pragma once

namespace kalidor {

inline constexpr int kZelABlockCount = 4;
// The first key of blocks XT, XB, YT and YB; the key before it labels the block's opamp.
inline constexpr int kKeyZelABlockFirst[kZelABlockCount] = {1, 12, 23, 34};

// Offsets from a block's first key.
inline constexpr int kZelAOffsetZt1 = 0;       // zt_1 (also a UES bit)
inline constexpr int kZelAOffsetZt2 = 1;       // zt_2 (also a UES bit)
inline constexpr int kZelAOffsetFeedback = 2;  // zt_3: feedback switch, 0 closed
inline constexpr int kZelAOffsetGain1 = 3;     // T1 gain magnitude
inline constexpr int kZelAOffsetGain2 = 4;     // T2 gain magnitude
inline constexpr int kZelAOffsetCapacitor = 5;
inline constexpr int kZelAOffsetPolarity1 = 6;  // T1 polarity: 1 positive, 0 negative
inline constexpr int kZelAOffsetPolarity2 = 7;  // T2 polarity
inline constexpr int kZelAOffsetInput1 = 8;     // input selection of the block's first amplifier
inline constexpr int kZelAOffsetInput2 = 9;     // input selection of the second

inline constexpr int kKeyZelASecurity = 44;
inline constexpr int kKeyZelACommonModeFirst = 45;  // cmov of XT, XB, YT, YB: 45..48
inline constexpr int kKeyZelACalibrationFirst = 49;  // cal of XT, XB, YT, YB: 49..52
inline constexpr int kKeyZelAUes = 53;

// The key of a setting of block `block` (0 = XT .. 3 = YB).
constexpr int ZelABlockKey(int block, int offset) { return kKeyZelABlockFirst[block] + offset; }

// Blocks YT and YB reach IN3/IN4 and OUT3/OUT4 where XT and XB reach IN1/IN2 and OUT1/OUT2: the
// input selections of the Y blocks list other contacts.
constexpr bool IsZelAYBlockInputKey(int key)
{
    return key == ZelABlockKey(2, kZelAOffsetInput1) || key == ZelABlockKey(2, kZelAOffsetInput2) ||
           key == ZelABlockKey(3, kZelAOffsetInput1) || key == ZelABlockKey(3, kZelAOffsetInput2);
}

}  // namespace kalidor
