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
    m_r1 = 50000.0;
    m_r2 = 50000.0;
    for (double& g : m_gm)
        g = 2e-5;
    for (int k = 1; k <= 10; ++k)
        m_p[k] = m_pi * kBandwidth[k];
    m_a0 = 10970.0;
    m_gbw = 4520000.0;
    m_pole2 = m_pi * kSecondPole;
}

int CZelCSimulator::SelectInput(int inputNode)
{
    m_selectedInput = inputNode;
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
    return m_p[k];
}

const CComplexNum& CZelCSimulator::SlotY(int k) const
{
    switch (k) {
    case 1:
    case 2:
        return m_yIa1;
    case 3:
        return m_yIa2;
    case 4:
        return m_yDac1;
    case 5:
        return m_yDac2;
    case 6:
        return m_yIa3;
    default:
        return m_yIa4;
    }
}

double CZelCSimulator::SlotK(int k) const
{
    switch (k) {
    case 1:
    case 2:
        return m_kIa1;
    case 3:
        return m_kIa2;
    case 4:
        return m_kDac1;
    case 5:
        return m_kDac2;
    case 6:
        return m_kIa3;
    default:
        return m_kIa4;
    }
}

int CZelCSimulator::GetSlotCode(int node, int slot) const
{
    if (slot < 1 || slot > kSlots)
        return 0;
    return node == 1 ? m_inV1[slot] : node == 2 ? m_inV2[slot] : 0;
}

void CZelCSimulator::Evaluate(double frequencyHz)
{
    // 1. Frequency.
    m_f = frequencyHz;
    m_pi = kSimPi;
    m_omega = frequencyHz * kSimTwoPi;
    m_s = CComplexNum(0.0, m_omega);

    // 2.-3. Sources: Y = Gm / (s / p + 1) and the signed source gains.
    auto admittance = [this](double gm, double pole) {
        CComplexNum den = m_s * (1.0 / pole);
        den.AddReal(1.0);
        CComplexNum y(gm, 0.0);
        y.Divide(den);
        return y;
    };
    const int gIa1 = GainValue(kKeyZelCIa1Gain);
    const int gIa2 = GainValue(kKeyZelCIa2Gain);
    const int gIa3 = GainValue(kKeyZelCIa3Gain);
    const int gIa4 = GainValue(kKeyZelCIa4Gain);
    m_yIa1 = admittance(m_gm[0], Pole(gIa1));
    m_yIa2 = admittance(m_gm[1], Pole(gIa2));
    m_yDac1 = admittance(m_gm[2], m_p[1]);
    m_yDac2 = admittance(m_gm[3], m_p[1]);
    m_yIa3 = admittance(m_gm[4], Pole(gIa3));
    m_yIa4 = admittance(m_gm[5], Pole(gIa4));
    m_kIa1 = -static_cast<double>(gIa1);
    m_kIa2 = -static_cast<double>(gIa2);
    m_kIa3 = -static_cast<double>(gIa3);
    m_kIa4 = -static_cast<double>(gIa4);
    m_kDac1 = -(SymValue(kKeyZelCDac1) - 128) / 128.0;
    m_kDac2 = -(SymValue(kKeyZelCDac2) - 128) / 128.0;

    // 4.-5. Feedback elements of the output amplifiers.
    m_c1Farads = CapFarads(kKeyZelCOa1Capacitor);
    m_c2Farads = CapFarads(kKeyZelCOa2Capacitor);
    m_r1On = CellValue(kCellInteg1) == 0 ? 1.0 : 0.0;
    m_c1On = CellValue(kCellComp1) == 0 ? 1.0 : 0.0;
    m_r2On = CellValue(kCellInteg2) == 0 ? 1.0 : 0.0;
    m_c2On = CellValue(kCellComp2) == 0 ? 1.0 : 0.0;

    // 6. Slot codes: the routing setting picks the summing node, the interconnect the code.
    for (int k = 0; k <= kSlots; ++k) {
        m_inV1[k] = 0;
        m_inV2[k] = 0;
    }
    auto place = [this](int routingKey, int slot, int code) {
        (SymValue(routingKey) == 0 ? m_inV1 : m_inV2)[slot] = code;
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
    for (int* codes : {m_inV1, m_inV2}) {
        for (int k = 1; k <= kSlots; ++k) {
            int& c = codes[k];
            if (c == kCodeNotConnected || c < 0 || c > kCodeNotConnected)
                c = 0;
            else if (c >= 1 && c <= 4 && c != m_selectedInput)
                c = 0;
        }
    }

    // 8. Output amplifiers: 1 / A(s) = (s / w1 + 1)(s / w2 + 1) / A0.
    const double w1 = (m_gbw / m_a0 + m_gbw / m_a0) * m_pi;
    const double w2 = m_pi * kSecondPole;
    CComplexNum t1 = m_s * (1.0 / w1);
    t1.AddReal(1.0);
    CComplexNum t2 = m_s * (1.0 / w2);
    t2.AddReal(1.0);
    m_invA1 = t1 * t2 * (1.0 / m_a0);
    m_invA2 = m_invA1;
    const double g1 = 1.0 / m_r1;
    const double g2 = 1.0 / m_r2;

    // 9. Connection arrays.
    for (int k = 1; k <= kSlots; ++k) {
        const int a = m_inV1[k];
        const int b = m_inV2[k];
        m_sumI1[k] = (a != 0 && a != kCodeOut1 && a != kCodeOut2) ? 1 : 0;
        m_out1V1[k] = a == kCodeOut1 ? 1 : 0;
        m_out2V1[k] = a == kCodeOut2 ? 1 : 0;
        m_sumV1[k] = a != 0 ? 1 : 0;
        m_sumI2[k] = (b != 0 && b != kCodeOut1 && b != kCodeOut2) ? 1 : 0;
        m_out1V2[k] = b == kCodeOut1 ? 1 : 0;
        m_out2V2[k] = b == kCodeOut2 ? 1 : 0;
        m_sumV2[k] = b != 0 ? 1 : 0;
    }

    // 10. The system: x1, x2 the summing nodes, x3, x4 the negated outputs.
    CComplexNum m11, m13, m14, m22, m23, m24, rhs1, rhs2;
    for (int k = 1; k <= kSlots; ++k) {
        const CComplexNum& y = SlotY(k);
        const CComplexNum ky = y * SlotK(k);
        if (m_sumV1[k])
            m11 += y;
        if (m_out1V1[k])
            m13 += ky;
        if (m_out2V1[k])
            m14 += ky;
        if (m_sumI1[k])
            rhs1 += ky;
        if (m_sumV2[k])
            m22 += y;
        if (m_out1V2[k])
            m23 += ky;
        if (m_out2V2[k])
            m24 += ky;
        if (m_sumI2[k])
            rhs2 += ky;
    }
    const CComplexNum fb1 = CComplexNum(m_r1On * g1, 0.0) + m_s * (m_c1Farads * m_c1On);
    const CComplexNum fb2 = CComplexNum(m_r2On * g2, 0.0) + m_s * (m_c2Farads * m_c2On);
    m11 += fb1;
    m13 += fb1;
    m22 += fb2;
    m24 += fb2;

    m_system.Clear();
    const CComplexNum zero;
    const CComplexNum rows[4][4] = {
        {m11, zero, m13, m14},
        {zero, m22, m23, m24},
        {CComplexNum(-1.0, 0.0), zero, m_invA1, zero},
        {zero, CComplexNum(-1.0, 0.0), zero, m_invA2},
    };
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c)
            m_system.SetElement(r, c, rows[r - 1][c - 1]);
    m_system.SetRhs(1, 1, rhs1);
    m_system.SetRhs(2, 1, rhs2);
    for (int r = 1; r <= 2; ++r)
        for (int c = 1; c <= 4; ++c)
            m_inputA[r][c] = rows[r - 1][c - 1];
    m_inputB[1] = rhs1;
    m_inputB[2] = rhs2;

    // 11.-12. Solve; the outputs are the negated third and fourth components.
    m_system.Solve(4, 1);
    m_vout1 = CComplexNum(0.0, 0.0) - m_system.GetRhs(3, 1);
    m_vout2 = CComplexNum(0.0, 0.0) - m_system.GetRhs(4, 1);
}

int CZelCSimulator::GetGainDb(int outputNode, double* gainDb)
{
    const CComplexNum& v = outputNode == 1 ? m_vout1 : m_vout2;
    return GainDbOf(v.re, v.im, gainDb);
}

int CZelCSimulator::GetPhaseDeg(int outputNode, double* phaseDeg)
{
    const CComplexNum& v = outputNode == 1 ? m_vout1 : m_vout2;
    if (phaseDeg)
        *phaseDeg = PhaseDegOf(v.Argument());
    return 1;
}

int CZelCSimulator::WriteDebugDump(std::string& out)
{
    out += kDumpProlog;
    out += kDumpOpen;
    AppendF(out, kDumpFreq, m_f);

    out += kDumpVout1Open;
    AppendComplex(out, m_vout1);
    out += kDumpVout1Close;
    out += kDumpVout2Open;
    AppendComplex(out, m_vout2);
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
    AppendComplex(out, m_invA1);
    AppendComplex(out, m_invA2);
    out += kDumpIntermediateOpen;
    struct Array {
        const char* name;
        const char* block;
        const int* values;
    };
    const Array arrays[10] = {
        {"inV1", "inV1_SourcesToInputsArray", m_inV1}, {"inV2", "inV2_SourcesToInputsArray", m_inV2},
        {"sumV1", "sumV1_Array", m_sumV1},             {"sumV2", "sumV2_Array", m_sumV2},
        {"out1V1", "out1V1_Array", m_out1V1},          {"out1V2", "out1V2_Array", m_out1V2},
        {"out2V1", "out2V1_Array", m_out2V1},          {"out2V2", "out2V2_Array", m_out2V2},
        {"sumI1", "sumI1_Array", m_sumI1},             {"sumI2", "sumI2_Array", m_sumI2},
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
            AppendComplex(out, m_inputA[r][c]);
    out += kDumpInputAClose;
    out += kDumpInputBOpen;
    AppendComplex(out, m_inputB[1]);
    AppendComplex(out, m_inputB[2]);
    out += kDumpInputBClose;

    out += kDumpMatrixAOpen;
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c)
            AppendComplex(out, m_system.GetElement(r, c));
    out += kDumpMatrixAClose;
    out += kDumpMatrixBOpen;
    AppendComplex(out, m_system.GetRhs(1, 1));
    AppendComplex(out, m_system.GetRhs(2, 1));
    out += kDumpMatrixBClose;
    out += kDumpClose;
    return 1;
}

}  // namespace kalidor
