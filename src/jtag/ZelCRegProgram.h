// The register program of ZelC: a 6-bit instruction register; the registers CFG (112 bits, of which
// the last 40 form CFG-GAIN), UES (16), MAN (16) and CAL (26); three kinds of E2 write (bulk erase,
// latch only, program); and the vendor statements that switch the high programming voltage.
#pragma once

#include "jtag/JtagRegProgram.h"

namespace kalidor {

// Vendor statements executed by the interpreter.
inline constexpr std::string_view kSvfZelCSetSuperVoltage = "NVD_ZELC_SetSuperVoltage;";
inline constexpr std::string_view kSvfZelCClearSuperVoltage = "NVD_ZELC_ClearSuperVoltage;";
// Messages of the operations ZelC does not offer.
inline constexpr std::string_view kMsgCfgVerifyNotImplemented = "JTAGREG_CFGVERIFY not implemented";
inline constexpr std::string_view kMsgEraseNotImplemented = "CreateEraseSVF not implemented";

class CZelCRegProgram : public CJtagRegProgram {
public:
    enum Reg {
        kCfg = 0,
        kCalibrate = 1,
        kCfgGain = 2,
        kCfgLatch = 3,
        kCfgGainLatch = 4,
        kUes = 5,
        kPowerUp = 6,
        kPowerDown = 7,
        kSecureDevice = 8,
        kTrimEn = 9,
        kMan = 10,
        kManLatch = 11,
        kUesLatch = 12,
        kCal = 13,
        JTAGREG_CFGVERIFY = 14,
        kCfgBulkErase = 15,
        kAllBulkProgram = 16,
    };

    int GetRegCount() const override;
    int GetFamilyConstant() const override { return 3; }
    int SecondDesignRegister() const override { return kUes; }
    int GetFrameFlags(int reg) const override;
    int GetRegFlag(int reg) const override;
    void CreateReadSVF(int reg, std::string& buffer) override;
    void CreateWriteSVF(int reg, std::string& buffer) override;
    // ZelC offers no erase through this path: every request shows a message and emits nothing.
    void CreateEraseSVF(int reg, std::string& buffer) override;

protected:
    std::span<const RegInfo> RegTable() const override;
    std::string_view UndefinedRegName() const override;
    bool UploadCells(int reg, RegCells& cells) override;
    std::string_view IdcodeSirLine() const override;
    std::string_view IdcodeSdrLine() const override;

private:
    void CfgWrite(bool program);
    void CfgGainWrite(bool program);
    void CfgRead();
    void CfgGainRead();
    void WriteUes();
    void UesLatch();
    void ReadUes();
    void WriteMan(bool program);
    void ReadMan();
    void Cal();
    void Calibrate();
    void PowerUp();
    void PowerDown();
    void SecureDevice();
    void TrimEn();
    void CfgBulkErase();
    void AllBulkProgram();
};

}  // namespace kalidor
