#include "sim/Simulator.h"

#include <cmath>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "sim/ZelASimulator.h"
#include "sim/ZelCSimulator.h"
#include "sim/ZelDSimulator.h"

namespace kalidor {

CSimulator::CSimulator(DeviceConfig& values, CGainSource* gains) : values_(values), gains_(gains) {}

CSimulator::~CSimulator() = default;

void CSimulator::Configure(int) {}
void CSimulator::Evaluate(double) {}
int CSimulator::GetGainDb(int, double*) { return 0; }
int CSimulator::GetPhaseDeg(int, double*) { return 1; }
int CSimulator::SelectInput(int) { return 1; }
void CSimulator::Reserved6() {}
int CSimulator::SetSourceLevel(int, int) { return 0; }
int CSimulator::GetGroupDelay(int, double*) { return 0; }
int CSimulator::Reserved8() { return 1; }
int CSimulator::HasDebugDump(int) { return 0; }
int CSimulator::WriteDebugDump(std::string&) { return 1; }

int CSimulator::SymValue(int key) { return values_.GetSymValue(key); }

int CSimulator::GainValue(int key)
{
    return gains_ ? gains_->GetGainValue(key) : kalidor::GetGainValue(values_, key);
}

double CSimulator::CapFarads(int key) { return values_.GetCapFarads(key); }

int CSimulator::CellValue(int position) { return values_.E2_GetValue(position); }

int CSimulator::GainDbOf(double re, double im, double* gainDb)
{
    const double m = std::sqrt(re * re + im * im);
    // An infinite output is as undefined as one that is not a number: neither can be plotted.
    if (m == 0.0 || !std::isfinite(m))
        return 0;
    if (gainDb)
        *gainDb = 20.0 * std::log10(m);
    return 1;
}

std::unique_ptr<CSimulator> CreateSimulator(const std::string& deviceType, DeviceConfig& values,
                                            CGainSource* gains)
{
    if (deviceType == "ZelA")
        return std::make_unique<CZelASimulator>(values, gains);
    if (deviceType == "ZelB")
        return std::make_unique<CZelBSimulator>(values, gains);
    if (deviceType == "ZelC")
        return std::make_unique<CZelCSimulator>(values, gains);
    if (deviceType == "ZelD" || deviceType == "ZelE")
        return std::make_unique<CZelDSimulator>(values, deviceType, gains);
    return nullptr;
}

}  // namespace kalidor
