// The SVF command list of one device: a register program's text, preceded by the frame lines that
// reset the TAP, set the end states and describe the device's position in its JTAG chain (the
// header and trailer bit counts of the devices around it). The JTAG device object of a schematic
// document builds every run through this class and executes the list line by line; the SVF export
// writes the same list, so that a file carries exactly what a download sends.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace kalidor {

class CJtagRegProgram;

// Frame lines. Note the two blanks in "TRST  ON;" against one in the register programs' reset.
inline constexpr std::string_view kSvfFrameResetOn = "TRST  ON;";
inline constexpr std::string_view kSvfFrameResetOff = "TRST  OFF;";
inline constexpr std::string_view kSvfFrameEndIr = "ENDIR IRPAUSE;";
inline constexpr std::string_view kSvfFrameEndDr = "ENDDR DRPAUSE;";
inline constexpr std::string_view kSvfFrameFrequency = "FREQUENCY 1e6 Hz;";

// Bits of a register program's GetFrameFlags: which frame parts a write gets.
enum JtagFrameFlag {
    kFrameReset = 1,      // "TRST  ON;", "TRST  OFF;"
    kFrameChain = 2,      // the four chain lines
    kFrameEndStates = 4,  // "ENDIR IRPAUSE;", "ENDDR DRPAUSE;", "FREQUENCY 1e6 Hz;"
};

// Bit counts of the chain around a device: instruction and data header bits (devices after it
// towards TDO) and trailer bits (devices before it); all 0 for a single device.
struct CJtagChainCounts {
    int hir = 0;
    int hdr = 0;
    int tir = 0;
    int tdr = 0;
};

// The four chain lines, "HIR  %d; ", "HDR  %d; ", "TIR  %d; ", "TDR  %d; ", in that order.
std::vector<std::string> ChainLines(const CJtagChainCounts& counts);

// Appends `text` to `list`, one entry per line: the text is split at line feeds, the feeds are
// dropped, and a final piece without a line feed is kept when it is not empty.
void AppendProgramLines(std::vector<std::string>& list, std::string_view text);

class CJtagFrame {
public:
    explicit CJtagFrame(CJtagRegProgram* program = nullptr) : m_program(program) {}

    // The register program the lists are built with (not owned).
    void SetRegProgram(CJtagRegProgram* program) { m_program = program; }
    CJtagRegProgram* GetRegProgram() const { return m_program; }
    void SetChainCounts(const CJtagChainCounts& counts) { m_counts = counts; }
    void SetChainCounts(int hir, int hdr, int tir, int tdr) { m_counts = {hir, hdr, tir, tdr}; }
    const CJtagChainCounts& GetChainCounts() const { return m_counts; }

    // Each Build… empties the command list and fills it with the frame and the program. IDCODE,
    // read and erase runs get the full frame (reset, end states without the frequency, chain);
    // a write gets the parts its register's frame flags name (the trim operations none).
    void BuildIdcode();
    void BuildRead(int reg);
    void BuildErase(int reg);
    void BuildWrite(int reg);
    // Empties the command list and puts the single line `line` into it.
    void BuildSingleLine(std::string_view line);
    // Empties the command list.
    void Clear() { m_commands.clear(); }
    // Appends one line to the command list.
    void AppendLine(std::string_view line) { m_commands.emplace_back(line); }

    const std::vector<std::string>& Commands() const { return m_commands; }

    // Builds the write of register -4 ("ALL", everything a download writes) and returns it as SVF
    // text, every line followed by CR LF. The command list keeps the lines.
    std::string SvfProgramText();
    // Writes SvfProgramText() to `out`; false when the stream fails or there is no program.
    bool WriteSvfProgram(std::ostream& out);

private:
    void FullFrame();

    CJtagRegProgram* m_program = nullptr;
    CJtagChainCounts m_counts;
    std::vector<std::string> m_commands;
};

}  // namespace kalidor
