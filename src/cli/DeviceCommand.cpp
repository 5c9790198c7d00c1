// "devices" and "device": the device catalogue and the model of one freshly reset device.
#include <cstdio>
#include <memory>

#include "cli/Commands.h"
#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"

namespace kalidor::cli {

int RunDevices(const Args&)
{
    for (const char* name : kDeviceTypeNames) {
        auto config = CreateDeviceConfig(name);
        std::printf("%s\t%d E2 cells\t%d symbol keys\t%d UES bits\n", name, config->GetCellCount(),
                    config->SymbolSlotCount(), config->GetUesCount());
    }
    return 0;
}

int RunDevice(const Args& args)
{
    if (args.empty())
        return UsageError("device: a device type is needed (ZelA, ZelB, ZelC, ZelD or ZelE)");
    auto config = CreateDeviceConfig(args[0]);
    if (!config)
        return UsageError("unknown device type \"" + args[0] + "\"");

    enum { kNone, kCells, kSymbols } listing = kNone;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--cells") {
            listing = kCells;
        } else if (a == "--symbols") {
            listing = kSymbols;
        } else if (a == "--set" || a == "--e2") {
            // Every KEY=VALUE that follows, up to the next option, in order.
            bool any = false;
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
                int key = 0, value = 0;
                const std::string& pair = args[++i];
                if (!ParsePair(pair, key, value))
                    return UsageError("malformed pair \"" + pair + "\" (expected KEY=VALUE)");
                if (a == "--set") {
                    if (!config->TakesValue(key))
                        return UsageError("device " + args[0] + " has no symbol key " +
                                          std::to_string(key));
                    config->SetSymValue(key, value);
                } else {
                    if (key < -1 || key >= config->GetCellCount())
                        return UsageError("device " + args[0] + " has no E2 cell " +
                                          std::to_string(key));
                    config->E2_SetValue(key, value);
                }
                any = true;
            }
            if (!any)
                return UsageError(a + " needs at least one KEY=VALUE");
        } else {
            return UsageError("device: unknown argument \"" + a + "\"");
        }
    }

    if (listing == kCells) {
        for (int p = 0; p < config->GetCellCount(); ++p)
            std::printf("%d\t%s\t%d\t%d\t%d\n", p, config->GetCellName(p).c_str(),
                        config->GetCellReg(p), config->GetCellBit(p), config->E2_GetValue(p));
    } else if (listing == kSymbols) {
        for (int key = 0; key < config->SymbolSlotCount(); ++key) {
            if (!config->HasRecord(key))
                continue;
            const SymbolValue& r = config->GetSymbolRecord(key);
            std::printf("%d\t%s\t%d\t%d\t%s\n", key, r.name.c_str(), r.value, r.maxValue,
                        EscapeLineEnds(GetValueTexts(*config, key).value).c_str());
        }
    } else {
        return UsageError("device: say --cells or --symbols");
    }
    return 0;
}

}  // namespace kalidor::cli
