// The simulation setup of a design: four curves, each with its own input node, output node,
// configuration and logarithmic frequency range, one of them the active curve, plus the plot's
// run options. It is what the design file stores in its SimulationSetup element (the computed
// points are not stored). Curve numbers seen by users and automation are 1..4; here, as in the
// design file, curves are indexed 0..3.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kalidor {

class CXmlParser;
class CXmlReadLoop;
class DeviceConfig;

struct CurveSetting {
    int32_t valid = 0;      // 1 while the curve holds a complete result
    int32_t configAB = 0;   // 0 = configuration A, 1 = B
    int32_t inputNode = 1;  // from 1
    int32_t outputNode = 1; // from 1
    int32_t startFrequency = 10;        // Hz
    int32_t stopFrequency = 10000000;   // Hz
    int32_t pointsPerDecade = 500;
};

class CSimulationSetup {
public:
    static constexpr int kCurveCount = 4;

    CSimulationSetup() = default;
    // Takes the node counts of the device (inputs, outputs, configurations).
    explicit CSimulationSetup(const DeviceConfig& device) { SetNodeCounts(device); }

    // --- curves ---
    // Index 0..3; anything else is brought into range (the nearest curve).
    CurveSetting& Curve(int index);
    const CurveSetting& Curve(int index) const;
    int GetActiveCurve() const { return m_activeCurve; }
    // Index 0..3; values outside are brought to the nearest curve.
    void SetActiveCurve(int index);
    CurveSetting& Active() { return Curve(m_activeCurve); }
    const CurveSetting& Active() const { return Curve(m_activeCurve); }
    // Restores every curve's defaults and makes curve 0 active.
    void ResetCurves();

    // --- automation rules (active curve) ---
    // A node is stored when it is below 5 and not 0 (negative nodes are stored too: the run
    // then drives or observes nothing and stops with the zero-output message).
    void SetActiveInputNode(int node);
    void SetActiveOutputNode(int node);

    // --- node counts of the device, for the property pages ---
    void SetNodeCounts(const DeviceConfig& device);
    void SetNodeCounts(int inputs, int outputs, int configurations);
    int GetInputNodeCount() const { return m_inputNodeCount; }
    int GetOutputNodeCount() const { return m_outputNodeCount; }
    int GetConfigurationCount() const { return m_configurationCount; }

    // --- run options ---
    int GetAutoRun() const { return m_autoRun; }
    void SetAutoRun(int on) { m_autoRun = on ? 1 : 0; }
    int GetSimulatorOption() const { return m_simulatorOption; }
    void SetSimulatorOption(int option) { m_simulatorOption = option; }
    double GetStepFactor() const { return m_stepFactor; }
    void SetStepFactor(double step) { m_stepFactor = step; }

    // --- design file ---
    // The SimulationSetup element with its leading blank line, CR LF line ends.
    std::string WriteXml() const;
    // Reads the content of a SimulationSetup element whose start tag was just read, up to its
    // end tag (or an end tag of `parent` / `outerEnds`). Every Curve is read; its CurveNum must
    // come first: other children before it, and a whole Curve whose CurveNum lies outside 0..3,
    // are ignored. Returns the number of curves stored.
    int ReadXml(CXmlParser& parser, const CXmlReadLoop* parent = nullptr,
                std::vector<std::string> outerEnds = {});
    // Registers the tags ReadXml needs that `parser` does not know yet.
    static void RegisterXmlTags(CXmlParser& parser);

    // --- formatted-text export ---
    // The BeginSimulationSetup ... EndSimulationSetup block.
    std::string WriteTextBlock() const;

private:
    std::array<CurveSetting, kCurveCount> m_curves{};
    int32_t m_activeCurve = 0;
    int32_t m_inputNodeCount = 1;
    int32_t m_outputNodeCount = 1;
    int32_t m_configurationCount = 0;
    int32_t m_autoRun = 0;
    int32_t m_simulatorOption = 0;
    double m_stepFactor = 0.0;
};

// The short form of a setting frequency as the property pages show it: "10", "5K", "100K",
// "10M", "1G". Values the short form does not cover (0, negative) read as plain decimals.
std::string FrequencySettingText(int hz);

// Parses typed frequency text ("5K", "20k", "100 kHz", "10M"): true and a positive value in
// hertz, or false (the caller shows kFrequencyEntryIncorrect).
bool ParseFrequencyText(const std::string& text, int* hz);

extern const char kFrequencyEntryIncorrect[];  // "Frequency Entry Incorrect"

}  // namespace kalidor
