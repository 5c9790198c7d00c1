#include "jtag/JtagFrame.h"

#include <ostream>

#include "jtag/JtagRegProgram.h"

namespace kalidor {

std::vector<std::string> ChainLines(const CJtagChainCounts& counts)
{
    return {
        "HIR  " + std::to_string(counts.hir) + "; ",
        "HDR  " + std::to_string(counts.hdr) + "; ",
        "TIR  " + std::to_string(counts.tir) + "; ",
        "TDR  " + std::to_string(counts.tdr) + "; ",
    };
}

void AppendProgramLines(std::vector<std::string>& list, std::string_view text)
{
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t lf = text.find('\n', from);
        if (lf == std::string_view::npos) {
            list.emplace_back(text.substr(from));
            break;
        }
        list.emplace_back(text.substr(from, lf - from));
        from = lf + 1;
    }
}

void CJtagFrame::FullFrame()
{
    m_commands.clear();
    AppendLine(kSvfFrameResetOn);
    AppendLine(kSvfFrameResetOff);
    AppendLine(kSvfFrameEndIr);
    AppendLine(kSvfFrameEndDr);
    for (const std::string& l : ChainLines(m_counts)) AppendLine(l);
}

void CJtagFrame::BuildIdcode()
{
    FullFrame();
    if (m_program == nullptr) return;
    std::string text;
    m_program->CreateIdcodeSVF(text);
    AppendProgramLines(m_commands, text);
}

void CJtagFrame::BuildRead(int reg)
{
    FullFrame();
    if (m_program == nullptr) return;
    std::string text;
    m_program->CreateReadSVF(reg, text);
    AppendProgramLines(m_commands, text);
}

void CJtagFrame::BuildErase(int reg)
{
    FullFrame();
    if (m_program == nullptr) return;
    std::string text;
    m_program->CreateEraseSVF(reg, text);
    AppendProgramLines(m_commands, text);
}

void CJtagFrame::BuildWrite(int reg)
{
    m_commands.clear();
    if (m_program == nullptr) return;
    const int flags = m_program->GetFrameFlags(reg);
    if (flags & kFrameReset) {
        AppendLine(kSvfFrameResetOn);
        AppendLine(kSvfFrameResetOff);
    }
    if (flags & kFrameEndStates) {
        AppendLine(kSvfFrameEndIr);
        AppendLine(kSvfFrameEndDr);
        AppendLine(kSvfFrameFrequency);
    }
    if (flags & kFrameChain)
        for (const std::string& l : ChainLines(m_counts)) AppendLine(l);
    std::string text;
    m_program->CreateWriteSVF(reg, text);
    AppendProgramLines(m_commands, text);
}

void CJtagFrame::BuildSingleLine(std::string_view line)
{
    m_commands.clear();
    AppendLine(line);
}

std::string CJtagFrame::SvfProgramText()
{
    BuildWrite(kJtagRegAll);
    std::string out;
    for (const std::string& l : m_commands) {
        out.append(l);
        out.append("\r\n");
    }
    return out;
}

bool CJtagFrame::WriteSvfProgram(std::ostream& out)
{
    if (m_program == nullptr) return false;
    const std::string text = SvfProgramText();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}

}  // namespace kalidor
