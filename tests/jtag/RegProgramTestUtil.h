// Helpers shared by the register program tests.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "device/DeviceConfig.h"
#include "jtag/JtagRegProgram.h"

namespace kalidor::test {

// The wait line and the IDCODE frame lines, spelled out here on their own.
inline const std::string kWait = "RUNTEST  80000 TCK  80.0E-3 SEC; ";

// Joins lines, each followed by a line feed.
inline std::string Lines(std::initializer_list<std::string_view> lines)
{
    std::string s;
    for (std::string_view l : lines) {
        s.append(l);
        s.push_back('\n');
    }
    return s;
}

// A device model and its register program, bound together.
struct Bench {
    explicit Bench(const std::string& type, const std::string& programName = {})
        : device(CreateDeviceConfig(type)),
          program(CreateRegProgram(programName.empty() ? type : programName))
    {
        if (program && programName.empty()) program->SetDeviceTypeName(type);
        if (program) program->SetDevice(device.get());
    }
    // Sets every cell of [first, first+count) to `value`.
    void Fill(int first, int count, int value)
    {
        for (int c = first; c < first + count; ++c) device->E2_SetValue(c, value);
    }
    std::string Write(int reg)
    {
        std::string s;
        program->CreateWriteSVF(reg, s);
        return s;
    }
    std::string Read(int reg)
    {
        std::string s;
        program->CreateReadSVF(reg, s);
        return s;
    }
    std::string Erase(int reg)
    {
        std::string s;
        program->CreateEraseSVF(reg, s);
        return s;
    }
    std::string Idcode()
    {
        std::string s;
        program->CreateIdcodeSVF(s);
        return s;
    }
    // Hexadecimal text of a register image computed here from the cells: bit b of the image is
    // the value of the cell whose register bit is b (`byIndex`: the cell's offset in the register).
    std::string ExpectedHex(int first, int count, bool byIndex = false)
    {
        std::string bits(static_cast<std::size_t>(count), '0');
        for (int c = first; c < first + count; ++c) {
            const int b = byIndex ? c - first : device->GetCellBit(c);
            if (b >= 0 && b < count && device->E2_GetValue(c) == 1)
                bits[static_cast<std::size_t>(b)] = '1';
        }
        static const char kDigits[] = "0123456789ABCDEF";
        std::string hex;
        for (int d = (count + 3) / 4 - 1; d >= 0; --d) {
            int v = 0;
            for (int k = 0; k < 4; ++k)
                if (d * 4 + k < count && bits[static_cast<std::size_t>(d * 4 + k)] == '1') v |= 1 << k;
            hex.push_back(kDigits[v]);
        }
        return hex;
    }
    // The '0'/'1' text of the same image, bit 0 last.
    std::string ExpectedBitText(int first, int count, bool byIndex = false)
    {
        std::string text(static_cast<std::size_t>(count), '0');
        for (int c = first; c < first + count; ++c) {
            const int b = byIndex ? c - first : device->GetCellBit(c);
            if (b >= 0 && b < count && device->E2_GetValue(c) == 1)
                text[static_cast<std::size_t>(count - 1 - b)] = '1';
        }
        return text;
    }

    std::unique_ptr<DeviceConfig> device;
    std::unique_ptr<CJtagRegProgram> program;
};

// Replaces every "%s" of `pattern` by `hex`.
inline std::string Fill(std::string pattern, const std::string& hex)
{
    for (std::size_t at; (at = pattern.find("%s")) != std::string::npos;) pattern.replace(at, 2, hex);
    return pattern;
}

}  // namespace kalidor::test
