// Settings files (KALIDOR.INI and the settings of kalidor-cli): any text is read without harm, and
// the entries read, written as an INI text and read again, are the same.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "platform/Settings.h"

using namespace kalidor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemorySettings first;
    ReadIniText(fuzz::Text(data, size), first);
    (void)first.GetInt("JtagConfig", "PortID", 1);
    const std::string written = IniText(first);
    MemorySettings second;
    ReadIniText(written, second);
    if (second.Entries() != first.Entries())
        fuzz::Broken("settings read back differently", written);
    return 0;
}
