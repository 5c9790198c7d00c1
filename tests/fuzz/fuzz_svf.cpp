// SVF lines through the interpreter on a virtual cable (a chain of a ZelA, a foreign device and a
// ZelD, in virtual time): any text runs to its end or stops at a bad line, without harm, and the
// run report names only lines of the text.
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/cables/VirtualCable.h"

using namespace kalidor;

namespace {

// Scans of millions of bits are legal and only slow: they would make every input that names one
// take seconds, and find nothing that a short scan does not.
bool HasHugeNumber(const std::string& text)
{
    std::size_t digits = 0;
    for (char c : text) {
        digits = (c >= '0' && c <= '9') ? digits + 1 : 0;
        if (digits > 5)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    if (HasHugeNumber(fuzz::Text(data, size)))
        return 0;
    std::unique_ptr<CVirtualTapPort> port = CreateVirtualTapPort("virtual:ZelA,foreign:7,ZelD", "");
    CTapSvfInterpreter svf;
    svf.AttachPort(port.get(), 0);
    const std::string text = fuzz::Text(data, size);
    const SvfRunReport report = ExecuteSvfText(svf, text);
    int lines = 1;
    for (char c : text)
        lines += c == '\n';
    for (const SvfLineFailure& f : report.failures)
        if (f.line < 1 || f.line > lines)
            fuzz::Broken("a reported line is not a line of the text");
    (void)FormatSvfRunReport(report);
    (void)svf.IncomingDRText();
    return 0;
}
