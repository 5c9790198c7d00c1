#include "jtag/JtagCable.h"

#include <ostream>

#include "platform/Prompter.h"

namespace kalidor {

std::ostream& operator<<(std::ostream& out, CableStatus status)
{
    return out << static_cast<int>(status);
}

int CJtagCable::Clock(int tms, int tdi)
{
    SetPins(0, tms, tdi);
    const int tdo = ReadTDO();
    SetPins(1, tms, tdi);
    SetPins(0, tms, tdi);
    return tdo;
}

void CJtagCable::Shift(const std::uint8_t* tms, const std::uint8_t* tdi, std::size_t count, std::uint8_t* tdo)
{
    for (std::size_t i = 0; i < count; ++i) {
        const int level = Clock(tms[i], tdi[i]);
        if (tdo) tdo[i] = static_cast<std::uint8_t>(level);
    }
}

int CJtagCable::SupportsRUNTEST(int) const
{
    return 0;
}

void CJtagCable::ExecuteRUNTEST(int)
{
    CurrentPrompter().Message(kMsgPortRuntestNotSupported);
}

}  // namespace kalidor
