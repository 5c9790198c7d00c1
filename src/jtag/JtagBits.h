// A JTAG bit string: one element per bit, each 0 or 1, bit 0 being the least significant bit and the
// first bit shifted into TDI (or out of TDO). It converts to and from the two text forms the JTAG
// code uses:
//
//  * SVF hexadecimal text: most significant digit first; the rightmost digit holds bits 0..3 with
//    bit 0 as its least significant bit. Writing gives ceil(n/4) upper-case digits, the unused high
//    bits of the leftmost digit being 0.
//  * Bit text: '0'/'1' characters, most significant bit first (the last character is bit 0).
//
// Beyond its bit count the string keeps kSpareBits spare bits which take the surplus digits of a
// hexadecimal text longer than the count needs; they never take part in a comparison and are
// reachable only through GetStoredBit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kalidor {

class CJtagBits {
public:
    // Surplus bits of a hexadecimal text that are kept beyond the bit count.
    static constexpr int kSpareBits = 30;
    // The largest bit count a string accepts; a larger request allocates nothing and fails.
    static constexpr int kMaxBits = 1 << 24;

    CJtagBits() = default;
    // A string of n bits, all 0 (n outside 0..kMaxBits gives an empty string).
    explicit CJtagBits(int n) { Allocate(n); }

    // Makes room for n bits, all 0, spare bits included. Returns false (and leaves an empty
    // string) when n is negative or above kMaxBits.
    bool Allocate(int n);
    // Empties the string.
    void Release();

    // Number of bits.
    int Count() const { return m_count; }
    bool Empty() const { return m_count == 0; }

    // Bit i (0 or 1), or -1 when i is not below the count.
    int GetBit(int i) const;
    // Sets bit i to 0 (v == 0) or 1 (any other v). Returns 0, or -1 (nothing changed) when i is not
    // below the count.
    int SetBit(int i, int v);
    // Bit i of the storage including the spare bits (i below Count() + kSpareBits), else -1.
    int GetStoredBit(int i) const;

    // Equal only when both bit counts are equal and every bit below the count is equal; spare bits
    // are ignored.
    bool operator==(const CJtagBits& other) const;
    bool operator!=(const CJtagBits& other) const { return !(*this == other); }

    // --- bit text ('0'/'1', most significant bit first) ---
    // The bit count becomes the text length; any character other than '0' counts as 1.
    void LoadBitText(std::string_view text);
    // The bits as '0'/'1' text, Count() characters, bit 0 last.
    std::string ToBitText() const;

    // --- SVF hexadecimal text ---
    // Allocates `length` bits (all 0) and fills them from `hex`: digits are taken from the right,
    // each giving the next four bits, bit 0 first; 0-9, a-f and A-F are accepted and any other
    // character counts as 0. Digits beyond the length fill the spare bits (up to kSpareBits) and
    // any still further left are ignored; missing leading digits leave their bits 0. Returns false
    // when the length cannot be allocated.
    bool LoadHex(std::string_view hex, int length);
    // The bits as ceil(Count()/4) upper-case hexadecimal digits, most significant first
    // (empty for an empty string).
    std::string ToHex() const;
    // As ToHex, into `out`, but fails (returns false, `out` empty) when the digit count exceeds
    // `scratchSize`, the size of the caller's formatting area.
    bool ToHex(std::string& out, std::size_t scratchSize) const;

    // Convenience constructors.
    static CJtagBits FromBitText(std::string_view text);
    static CJtagBits FromHex(std::string_view hex, int length);

private:
    std::vector<unsigned char> m_bits;  // Count() + kSpareBits elements, each 0 or 1
    int m_count = 0;
};

// Value of one hexadecimal digit character (0..15), or -1 when it is not one.
int HexDigitValue(char c);

}  // namespace kalidor
