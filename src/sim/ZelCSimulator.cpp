#include "sim/ZelCSimulator.h"

#include <cstdio>
#include <cstdlib>

#include "device/ZelCKeys.h"

namespace kalidor {

namespace {

// Bandwidth of an input amplifier by gain magnitude 1..10, in units of pi rad/s.
constexpr double kBandwidth[11] = {0.0,    23.0e6, 27.6e6, 29.2e6, 30.4e6, 31.0e6,
                                   30.8e6, 29.2e6, 25.4e6, 18.82e6, 14.69e6};
constexpr double kSecondPole = 21.0e6;  // of the output amplifiers, in units of pi rad/s

// Source codes of the input slots.
constexpr int kCodeOut1 = 5;
constexpr int kCodeOut2 = 6;
constexpr int kCodeNotConnected = 7;

// Cells of the output amplifiers' feedback switches.
constexpr int kCellInteg1 = 49;
constexpr int kCellComp1 = 48;
constexpr int kCellInteg2 = 42;
constexpr int kCellComp2 = 41;

// Debug dump texts.
constexpr char kDumpProlog[] = "<?xml version=\"1.0\"?>\r\n\r\n";
constexpr char kDumpOpen[] = "<SimVariables>\r\n";
constexpr char kDumpFreq[] = "  <FreqInHz>%lf</FreqInHz>\r\n";
constexpr char kDumpComplex[] = "    <complex> %f,%f </complex>\r\n";
constexpr char kDumpVout1Open[] = "<Vout1>\r\n";
constexpr char kDumpVout1Close[] = "</Vout1>\r\n";
constexpr char kDumpVout2Open[] = "<Vout2>\r\n";
constexpr char kDumpVout2Close[] = "</Vout2>\r\n";
constexpr char kDumpVout1Gain[] = "  <Vout1_Gain_dB>%lf</Vout1_Gain_dB>\r\n";
constexpr char kDumpVout1Phase[] = "  <Vout1_Phase>%lf</Vout1_Phase>\r\n";
constexpr char kDumpVout2Gain[] = "  <Vout2_Gain_dB>%lf</Vout2_Gain_dB>\r\n";
constexpr char kDumpVout2Phase[] = "  <Vout2_Phase>%lf</Vout2_Phase>\r\n";
constexpr char kDumpIntermediateOpen[] = "<SimIntermediateVariables>\r\n\r\n";
constexpr char kDumpIntermediateClose[] = "</SimIntermediateVariables>\r\n\r\n";
constexpr char kDumpInputAOpen[] = "<InputAxx>\r\n";
constexpr char kDumpInputAClose[] = "</InputAxx>\r\n\r\n";
constexpr char kDumpInputBOpen[] = "<InputB>\r\n";
constexpr char kDumpInputBClose[] = "</InputB>\r\n\r\n";
constexpr char kDumpMatrixAOpen[] = "<MatrixA_After>\r\n";
constexpr char kDumpMatrixAClose[] = "</MatrixA_After>\r\n\r\n";
constexpr char kDumpMatrixBOpen[] = "<MatrixB_After>\r\n";
constexpr char kDumpMatrixBClose[] = "</MatrixB_After>\r\n\r\n";
constexpr char kDumpClose[] = "</SimVariables>\r\n\r\n";

void AppendF(std::string& out, const char* format, double v)
{
    char buf[128];
    std::snprintf(buf, sizeof buf, format, v);
    out += buf;
}

void AppendComplex(std::string& out, const CComplexNum& z)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, kDumpComplex, z.re, z.im);
    out += buf;
}

}  // namespace

CZelCSimulator::CZelCSimulator(DeviceConfig& values, CGainSource* gains) : CSimulator(values, gains)
{
    Configure(0);
}

void CZelCSimulator::Configure(int)
{
    r1_ = 50000.0;
    r2_ = 50000.0;
    for (double& g : gm_)
        g = 2e-5;
    for (int k = 1; k <= 10; ++k)
        p_[k] = pi_ * kBandwidth[k];
    a0_ = 10970.0;
    gbw_ = 4520000.0;
    pole2_ = pi_ * kSecondPole;
}

int CZelCSimulator::SelectInput(int inputNode)
{
    selectedInput_ = inputNode;
    return 1;
}

double CZelCSimulator::Pole(int gain) const
{
    // A stored magnitude outside 1..10 (an illegal setting) takes the nearest table entry.
    long long k = gain < 0 ? -static_cast<long long>(gain) : gain;
    if (k < 1)
        k = 1;
    if (k > 10)
        k = 10;
    return p_[k];
}

const CComplexNum& CZelCSimulator::SlotY(int k) const
{
    switch (k) {
    case 1:
    case 2:
        return yIa1_;
    case 3:
        return yIa2_;
    case 4:
        return yDac1_;
    case 5:
        return yDac2_;
    case 6:
        return yIa3_;
    default:
        return yIa4_;
    }
}

double CZelCSimulator::SlotK(int k) const
{
    switch (k) {
    case 1:
    case 2:
        return kIa1_;
    case 3:
        return kIa2_;
    case 4:
        return kDac1_;
    case 5:
        return kDac2_;
    case 6:
        return kIa3_;
    default:
        return kIa4_;
    }
}

int CZelCSimulator::GetSlotCode(int node, int slot) const
{
    if (slot < 1 || slot > kSlots)
        return 0;
    return node == 1 ? inV1_[slot] : node == 2 ? inV2_[slot] : 0;
}

void CZelCSimulator::Evaluate(double frequencyHz)
{
    // 1. Frequency.
    f_ = frequencyHz;
    pi_ = kSimPi;
    omega_ = frequencyHz * kSimTwoPi;
    s_ = CComplexNum(0.0, omega_);

    // 2.-3. Sources: Y = Gm / (s / p + 1) and the signed source gains.
    auto admittance = [this](double gm, double pole) {
        CComplexNum den = s_ * (1.0 / pole);
        den.AddReal(1.0);
        CComplexNum y(gm, 0.0);
        y.Divide(den);
        return y;
    };
    const int gIa1 = GainValue(kKeyZelCIa1Gain);
    const int gIa2 = GainValue(kKeyZelCIa2Gain);
    const int gIa3 = GainValue(kKeyZelCIa3Gain);
    const int gIa4 = GainValue(kKeyZelCIa4Gain);
    yIa1_ = admittance(gm_[0], Pole(gIa1));
    yIa2_ = admittance(gm_[1], Pole(gIa2));
    yDac1_ = admittance(gm_[2], p_[1]);
    yDac2_ = admittance(gm_[3], p_[1]);
    yIa3_ = admittance(gm_[4], Pole(gIa3));
    yIa4_ = admittance(gm_[5], Pole(gIa4));
    kIa1_ = -static_cast<double>(gIa1);
    kIa2_ = -static_cast<double>(gIa2);
    kIa3_ = -static_cast<double>(gIa3);
    kIa4_ = -static_cast<double>(gIa4);
    kDac1_ = -(SymValue(kKeyZelCDac1) - 128) / 128.0;
    kDac2_ = -(SymValue(kKeyZelCDac2) - 128) / 128.0;

    // 4.-5. Feedback elements of the output amplifiers.
    c1Farads_ = CapFarads(kKeyZelCOa1Capacitor);
    c2Farads_ = CapFarads(kKeyZelCOa2Capacitor);
    r1On_ = CellValue(kCellInteg1) == 0 ? 1.0 : 0.0;
    c1On_ = CellValue(kCellComp1) == 0 ? 1.0 : 0.0;
    r2On_ = CellValue(kCellInteg2) == 0 ? 1.0 : 0.0;
    c2On_ = CellValue(kCellComp2) == 0 ? 1.0 : 0.0;

    // 6. Slot codes: the routing setting picks the summing node, the interconnect the code.
    for (int k = 0; k <= kSlots; ++k) {
        inV1_[k] = 0;
        inV2_[k] = 0;
    }
    auto place = [this](int routingKey, int slot, int code) {
        (SymValue(routingKey) == 0 ? inV1_ : inV2_)[slot] = code;
    };
    if (SymValue(kKeyZelCMselAPin) == SymValue(kKeyZelCMux1Select))
        place(kKeyZelCIa1Output, 1, SymValue(kKeyZelCIa1AInput));
    else
        place(kKeyZelCIa1Output, 2, SymValue(kKeyZelCIa1BInput));
    place(kKeyZelCIa2Output, 3, SymValue(kKeyZelCIa2Input));
    place(kKeyZelCDac1Output, 4, SymValue(kKeyZelCDac1Input));
    place(kKeyZelCDac2Output, 5, SymValue(kKeyZelCDac2Input));
    place(kKeyZelCIa3Output, 6, SymValue(kKeyZelCIa3Input));
    if (SymValue(kKeyZelCMselBPin) == SymValue(kKeyZelCMux4Select))
        place(kKeyZelCIa4Output, 7, SymValue(kKeyZelCIa4AInput));
    else
        place(kKeyZelCIa4Output, 8, SymValue(kKeyZelCIa4BInput));

    // 7. Clean-up: "not connected" and inputs other than the driven one carry nothing. A code
    // outside 0..7 (an illegal stored setting) connects nothing either.
    for (int* codes : {inV1_, inV2_}) {
        for (int k = 1; k <= kSlots; ++k) {
            int& c = codes[k];
            if (c == kCodeNotConnected || c < 0 || c > kCodeNotConnected)
                c = 0;
            else if (c >= 1 && c <= 4 && c != selectedInput_)
                c = 0;
        }
    }

    // 8. Output amplifiers: 1 / A(s) = (s / w1 + 1)(s / w2 + 1) / A0.
    const double w1 = (gbw_ / a0_ + gbw_ / a0_) * pi_;
    const double w2 = pi_ * kSecondPole;
    CComplexNum t1 = s_ * (1.0 / w1);
    t1.AddReal(1.0);
    CComplexNum t2 = s_ * (1.0 / w2);
    t2.AddReal(1.0);
    invA1_ = t1 * t2 * (1.0 / a0_);
    invA2_ = invA1_;
    const double g1 = 1.0 / r1_;
    const double g2 = 1.0 / r2_;

    // 9. Connection arrays.
    for (int k = 1; k <= kSlots; ++k) {
        const int a = inV1_[k];
        const int b = inV2_[k];
        sumI1_[k] = (a != 0 && a != kCodeOut1 && a != kCodeOut2) ? 1 : 0;
        out1V1_[k] = a == kCodeOut1 ? 1 : 0;
        out2V1_[k] = a == kCodeOut2 ? 1 : 0;
        sumV1_[k] = a != 0 ? 1 : 0;
        sumI2_[k] = (b != 0 && b != kCodeOut1 && b != kCodeOut2) ? 1 : 0;
        out1V2_[k] = b == kCodeOut1 ? 1 : 0;
        out2V2_[k] = b == kCodeOut2 ? 1 : 0;
        sumV2_[k] = b != 0 ? 1 : 0;
    }

    // 10. The system: x1, x2 the summing nodes, x3, x4 the negated outputs.
    CComplexNum m11, m13, m14, m22, m23, m24, rhs1, rhs2;
    for (int k = 1; k <= kSlots; ++k) {
        const CComplexNum& y = SlotY(k);
        const CComplexNum ky = y * SlotK(k);
        if (sumV1_[k])
            m11 += y;
        if (out1V1_[k])
            m13 += ky;
        if (out2V1_[k])
            m14 += ky;
        if (sumI1_[k])
            rhs1 += ky;
        if (sumV2_[k])
            m22 += y;
        if (out1V2_[k])
            m23 += ky;
        if (out2V2_[k])
            m24 += ky;
        if (sumI2_[k])
            rhs2 += ky;
    }
    const CComplexNum fb1 = CComplexNum(r1On_ * g1, 0.0) + s_ * (c1Farads_ * c1On_);
    const CComplexNum fb2 = CComplexNum(r2On_ * g2, 0.0) + s_ * (c2Farads_ * c2On_);
    m11 += fb1;
    m13 += fb1;
    m22 += fb2;
    m24 += fb2;

    system_.Clear();
    const CComplexNum zero;
    const CComplexNum rows[4][4] = {
        {m11, zero, m13, m14},
        {zero, m22, m23, m24},
        {CComplexNum(-1.0, 0.0), zero, invA1_, zero},
        {zero, CComplexNum(-1.0, 0.0), zero, invA2_},
    };
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c)
            system_.SetElement(r, c, rows[r - 1][c - 1]);
    system_.SetRhs(1, 1, rhs1);
    system_.SetRhs(2, 1, rhs2);
    for (int r = 1; r <= 2; ++r)
        for (int c = 1; c <= 4; ++c)
            inputA_[r][c] = rows[r - 1][c - 1];
    inputB_[1] = rhs1;
    inputB_[2] = rhs2;

    // 11.-12. Solve; the outputs are the negated third and fourth components.
    system_.Solve(4, 1);
    vout1_ = CComplexNum(0.0, 0.0) - system_.GetRhs(3, 1);
    vout2_ = CComplexNum(0.0, 0.0) - system_.GetRhs(4, 1);
}

int CZelCSimulator::GetGainDb(int outputNode, double* gainDb)
{
    const CComplexNum& v = outputNode == 1 ? vout1_ : vout2_;
    return GainDbOf(v.re, v.im, gainDb);
}

int CZelCSimulator::GetPhaseDeg(int outputNode, double* phaseDeg)
{
    const CComplexNum& v = outputNode == 1 ? vout1_ : vout2_;
    if (phaseDeg)
        *phaseDeg = PhaseDegOf(v.Argument());
    return 1;
}

int CZelCSimulator::WriteDebugDump(std::string& out)
{
    out += kDumpProlog;
    out += kDumpOpen;
    AppendF(out, kDumpFreq, f_);

    out += kDumpVout1Open;
    AppendComplex(out, vout1_);
    out += kDumpVout1Close;
    out += kDumpVout2Open;
    AppendComplex(out, vout2_);
    out += kDumpVout2Close;

    double gain1 = 0.0, phase1 = 0.0, gain2 = 0.0, phase2 = 0.0;
    GetGainDb(1, &gain1);
    GetPhaseDeg(1, &phase1);
    GetGainDb(2, &gain2);
    GetPhaseDeg(2, &phase2);
    AppendF(out, kDumpVout1Gain, gain1);
    AppendF(out, kDumpVout1Phase, phase1);
    AppendF(out, kDumpVout2Gain, gain2);
    AppendF(out, kDumpVout2Phase, phase2);

    // The output amplifiers' 1 / A(s), then the connection arrays.
    AppendComplex(out, invA1_);
    AppendComplex(out, invA2_);
    out += kDumpIntermediateOpen;
    struct Array {
        const char* name;
        const char* block;
        const int* values;
    };
    const Array arrays[10] = {
        {"inV1", "inV1_SourcesToInputsArray", inV1_}, {"inV2", "inV2_SourcesToInputsArray", inV2_},
        {"sumV1", "sumV1_Array", sumV1_},             {"sumV2", "sumV2_Array", sumV2_},
        {"out1V1", "out1V1_Array", out1V1_},          {"out1V2", "out1V2_Array", out1V2_},
        {"out2V1", "out2V1_Array", out2V1_},          {"out2V2", "out2V2_Array", out2V2_},
        {"sumI1", "sumI1_Array", sumI1_},             {"sumI2", "sumI2_Array", sumI2_},
    };
    for (const Array& a : arrays) {
        out += '<';
        out += a.block;
        out += ">\r\n";
        for (int k = 1; k <= kSlots; ++k) {
            char buf[160];
            std::snprintf(buf, sizeof buf, "  <%s>%d, %lf</%s>\r\n", a.name, k,
                          static_cast<double>(a.values[k]), a.name);
            out += buf;
        }
        out += "</";
        out += a.block;
        out += ">\r\n\r\n";
    }
    out += kDumpIntermediateClose;

    out += kDumpInputAOpen;
    for (int r = 1; r <= 2; ++r)
        for (int c = 1; c <= 4; ++c)
            AppendComplex(out, inputA_[r][c]);
    out += kDumpInputAClose;
    out += kDumpInputBOpen;
    AppendComplex(out, inputB_[1]);
    AppendComplex(out, inputB_[2]);
    out += kDumpInputBClose;

    out += kDumpMatrixAOpen;
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c)
            AppendComplex(out, system_.GetElement(r, c));
    out += kDumpMatrixAClose;
    out += kDumpMatrixBOpen;
    AppendComplex(out, system_.GetRhs(1, 1));
    AppendComplex(out, system_.GetRhs(2, 1));
    out += kDumpMatrixBClose;
    out += kDumpClose;
    return 1;
}

}  // namespace kalidor
