#include "sim/Simulator.h"

#include <cmath>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "sim/ZelASimulator.h"
#include "sim/ZelCSimulator.h"
#include "sim/ZelDSimulator.h"

namespace kalidor {

CSimulator::CSimulator(DeviceConfig& values, CGainSource* gains) : m_values(values), m_gains(gains) {}

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

int CSimulator::SymValue(int key) { return m_values.GetSymValue(key); }

int CSimulator::GainValue(int key)
{
    return m_gains ? m_gains->GetGainValue(key) : kalidor::GetGainValue(m_values, key);
}

double CSimulator::CapFarads(int key) { return m_values.GetCapFarads(key); }

int CSimulator::CellValue(int position) { return m_values.E2_GetValue(position); }

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

std::unique_ptr<CSimulator> CreateSimulator(DeviceKind kind, DeviceConfig& values, CGainSource* gains)
{
    switch (FamilyOf(kind)) {
    case DeviceFamily::ZelA:
        return std::make_unique<CZelASimulator>(values, gains);
    case DeviceFamily::ZelB:
        return std::make_unique<CZelBSimulator>(values, gains);
    case DeviceFamily::ZelC:
        return std::make_unique<CZelCSimulator>(values, gains);
    case DeviceFamily::ZelD:
        break;
    }
    return std::make_unique<CZelDSimulator>(values, DeviceKindName(kind), gains);
}

std::unique_ptr<CSimulator> CreateSimulator(const std::string& deviceType, DeviceConfig& values,
                                            CGainSource* gains)
{
    const std::optional<DeviceKind> kind = ParseDeviceKind(deviceType);
    return kind ? CreateSimulator(*kind, values, gains) : nullptr;
}

}  // namespace kalidor
