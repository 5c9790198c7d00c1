// The ZelC model: four input amplifiers and two multiplying DACs are transconductances Gm with
// one pole each (the pole depends on the amplifier's gain magnitude); eight input slots feed
// two summing nodes, each closed by an output amplifier of finite gain with two poles and a
// switchable feedback resistor and capacitor. The 4 x 4 nodal system is solved by Gauss-Jordan
// elimination; its solution gives both outputs.
#pragma once

#include <string>

#include "sim/Complex.h"
#include "sim/ComplexMatrix.h"
#include "sim/Simulator.h"

namespace kalidor {

class CZelCSimulator : public CSimulator {
public:
    static constexpr int kSlots = 8;

    CZelCSimulator(DeviceConfig& values, CGainSource* gains = nullptr);

    // Loads the model constants; `config` is ignored.
    void Configure(int config) override;
    // Reads the schematic afresh, builds the system and solves it.
    void Evaluate(double frequencyHz) override;
    // Node 1 is output 1; every other node output 2.
    int GetGainDb(int outputNode, double* gainDb) override;
    int GetPhaseDeg(int outputNode, double* phaseDeg) override;
    int SelectInput(int inputNode) override;
    int HasDebugDump(int kind) override { return kind == 0 ? 1 : 0; }
    int WriteDebugDump(std::string& out) override;

    const CComplexNum& GetVout1() const { return m_vout1; }
    const CComplexNum& GetVout2() const { return m_vout2; }
    // Source code of slot k (1..8) at summing node 1 or 2 after the clean-up (0 when none).
    int GetSlotCode(int node, int slot) const;

private:
    const CComplexNum& SlotY(int k) const;
    double SlotK(int k) const;
    double Pole(int gain) const;

    // Constants, loaded by Configure.
    double m_pi = 3.141592654;
    double m_r1 = 50000.0;
    double m_r2 = 50000.0;
    double m_gm[6] = {2e-5, 2e-5, 2e-5, 2e-5, 2e-5, 2e-5};  // IA1, IA2, DAC1, DAC2, IA3, IA4
    double m_p[11] = {};  // bandwidth by gain magnitude 1..10, rad/s
    double m_a0 = 10970.0;
    double m_gbw = 4520000.0;
    double m_pole2 = 0.0;

    // Per evaluation.
    double m_f = 0.0;
    double m_omega = 0.0;
    CComplexNum m_s;
    int m_selectedInput = 0;
    CComplexNum m_yIa1, m_yIa2, m_yDac1, m_yDac2, m_yIa3, m_yIa4;
    double m_kIa1 = 0, m_kIa2 = 0, m_kDac1 = 0, m_kDac2 = 0, m_kIa3 = 0, m_kIa4 = 0;
    double m_c1Farads = 0.0;
    double m_c2Farads = 0.0;
    double m_r1On = 0.0, m_c1On = 0.0, m_r2On = 0.0, m_c2On = 0.0;
    int m_inV1[kSlots + 1] = {};
    int m_inV2[kSlots + 1] = {};
    int m_sumV1[kSlots + 1] = {}, m_sumV2[kSlots + 1] = {};
    int m_out1V1[kSlots + 1] = {}, m_out1V2[kSlots + 1] = {};
    int m_out2V1[kSlots + 1] = {}, m_out2V2[kSlots + 1] = {};
    int m_sumI1[kSlots + 1] = {}, m_sumI2[kSlots + 1] = {};
    CComplexNum m_invA1, m_invA2;      // 1 / A(s) of the two output amplifiers
    CComplexNum m_inputA[3][5];      // rows 1 and 2 of the system before the solve
    CComplexNum m_inputB[3];          // right-hand sides 1 and 2 before the solve
    CComplexMatrix m_system;
    CComplexNum m_vout1, m_vout2;
};

}  // namespace kalidor
