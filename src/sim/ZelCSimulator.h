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

    const CComplexNum& GetVout1() const { return vout1_; }
    const CComplexNum& GetVout2() const { return vout2_; }
    // Source code of slot k (1..8) at summing node 1 or 2 after the clean-up (0 when none).
    int GetSlotCode(int node, int slot) const;

private:
    const CComplexNum& SlotY(int k) const;
    double SlotK(int k) const;
    double Pole(int gain) const;

    // Constants, loaded by Configure.
    double pi_ = 3.141592654;
    double r1_ = 50000.0;
    double r2_ = 50000.0;
    double gm_[6] = {2e-5, 2e-5, 2e-5, 2e-5, 2e-5, 2e-5};  // IA1, IA2, DAC1, DAC2, IA3, IA4
    double p_[11] = {};  // bandwidth by gain magnitude 1..10, rad/s
    double a0_ = 10970.0;
    double gbw_ = 4520000.0;
    double pole2_ = 0.0;

    // Per evaluation.
    double f_ = 0.0;
    double omega_ = 0.0;
    CComplexNum s_;
    int selectedInput_ = 0;
    CComplexNum yIa1_, yIa2_, yDac1_, yDac2_, yIa3_, yIa4_;
    double kIa1_ = 0, kIa2_ = 0, kDac1_ = 0, kDac2_ = 0, kIa3_ = 0, kIa4_ = 0;
    double c1Farads_ = 0.0;
    double c2Farads_ = 0.0;
    double r1On_ = 0.0, c1On_ = 0.0, r2On_ = 0.0, c2On_ = 0.0;
    int inV1_[kSlots + 1] = {};
    int inV2_[kSlots + 1] = {};
    int sumV1_[kSlots + 1] = {}, sumV2_[kSlots + 1] = {};
    int out1V1_[kSlots + 1] = {}, out1V2_[kSlots + 1] = {};
    int out2V1_[kSlots + 1] = {}, out2V2_[kSlots + 1] = {};
    int sumI1_[kSlots + 1] = {}, sumI2_[kSlots + 1] = {};
    CComplexNum invA1_, invA2_;      // 1 / A(s) of the two output amplifiers
    CComplexNum inputA_[3][5];      // rows 1 and 2 of the system before the solve
    CComplexNum inputB_[3];          // right-hand sides 1 and 2 before the solve
    CComplexMatrix system_;
    CComplexNum vout1_, vout2_;
};

}  // namespace kalidor
