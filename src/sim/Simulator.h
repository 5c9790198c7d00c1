// The frequency-response engine: one simulator per design, chosen by device type. For a chosen
// input node, output node and frequency it gives the gain in dB and the phase in degrees of the
// output relative to a unit input. The simulator owns no schematic data: it reads the device
// model's symbol values (and the signed gains) afresh in every Configure.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/DeviceKind.h"

namespace kalidor {

class DeviceConfig;

// Where a simulator reads the signed gain of an amplifier symbol (magnitude = setting + 1,
// negative when the stage's polarity symbol is 0). The document may hand in its schematic
// builder's; without one the simulator asks the device model through GetGainValue.
class CGainSource {
public:
    virtual ~CGainSource() = default;
    virtual int GetGainValue(int key) = 0;
};

// pi as the engine's frequency and phase conversions write it.
inline constexpr double kSimPi = 3.1415926;
inline constexpr double kSimTwoPi = 6.2831852;

class CSimulator {
public:
    // `values` and `gains` are not owned and must outlive the simulator; `gains` may be null.
    explicit CSimulator(DeviceConfig& values, CGainSource* gains = nullptr);
    virtual ~CSimulator();
    CSimulator(const CSimulator&) = delete;
    CSimulator& operator=(const CSimulator&) = delete;

    // Reads the schematic's values and builds the model for configuration `config` (0 = A, 1 = B).
    virtual void Configure(int config);
    // Solves the model at one frequency.
    virtual void Evaluate(double frequencyHz);
    // 1 and the gain in dB of output `outputNode`; 0 (nothing written) when that output is zero
    // or undefined.
    virtual int GetGainDb(int outputNode, double* gainDb);
    // 1 and the phase in degrees of output `outputNode`.
    virtual int GetPhaseDeg(int outputNode, double* phaseDeg);
    // 1 and the group delay -d(phase)/d(omega) in seconds of output `outputNode` at the last
    // evaluated frequency, where the model has an exact derivative; 0 (nothing written) where it
    // has none, or where the output is zero there. The plot then derives it from the phase.
    virtual int GetGroupDelay(int outputNode, double* seconds);
    // Drives input node `inputNode` (from 1) with the unit source; the others are silent.
    virtual int SelectInput(int inputNode);
    // Kept for the place it holds among the operations; does nothing in every simulator.
    virtual void Reserved6();
    virtual int SetSourceLevel(int index, int level);
    // Kept for the place it holds among the operations; returns 1 in every simulator.
    virtual int Reserved8();
    // 1 when WriteDebugDump produces output for `kind`.
    virtual int HasDebugDump(int kind);
    // Appends the debug dump of the last evaluation to `out`.
    virtual int WriteDebugDump(std::string& out);

    // The simulator option of the owning plot, handed over before every run.
    void SetOption(int option) { m_option = option; }
    int GetOption() const { return m_option; }
    // The device type name (kept by the ZelD/ZelE simulator only).
    const std::string& GetDeviceName() const { return m_deviceName; }
    void SetDeviceName(const std::string& name) { m_deviceName = name; }

protected:
    int SymValue(int key);
    int GainValue(int key);
    double CapFarads(int key);
    int CellValue(int position);

    // The common gain/phase rules: fails for a magnitude that is 0 or not a finite number.
    static int GainDbOf(double re, double im, double* gainDb);
    static double PhaseDegOf(double argumentRadians) { return argumentRadians * 180.0 / kSimPi; }

    int32_t m_option = 0;
    DeviceConfig& m_values;
    CGainSource* m_gains;
    std::string m_deviceName;
};

// The simulator of a device type; nullptr for an unknown type name. ZelD and ZelE share one model
// and keep the type name, which sets the filter's time constant.
std::unique_ptr<CSimulator> CreateSimulator(DeviceKind kind, DeviceConfig& values, CGainSource* gains = nullptr);
std::unique_ptr<CSimulator> CreateSimulator(const std::string& deviceType, DeviceConfig& values,
                                            CGainSource* gains = nullptr);

}  // namespace kalidor
