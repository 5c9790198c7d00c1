// The register program shared by ZelD and ZelE: a 5-bit instruction register; the two stored
// configurations USRA and USRB (96 bits each, overlapping in cells 71 to 95, where the shared
// settings and the wakeup-configuration "A/B bit" lie), CAL (13) and MAN (24). The device type name
// chooses the IDCODE the IDCODE block expects.
#pragma once

#include "jtag/JtagRegProgram.h"

namespace kalidor {

class CZelDRegProgram : public CJtagRegProgram {
public:
    enum Reg {
        kUsrA = 0,
        kCalibrate = 1,
        kUsrB = 2,
        kCal = 3,
        kMan = 4,
        kUsrANoPrgm = 5,
        kManNoPrgm = 6,
        kTrPga = 7,
        kCapTest = 8,
        kTrimEn = 9,
    };
    int GetRegCount() const override;
    int GetFamilyConstant() const override { return 3; }
    bool HasTwoConfigurations() const override { return true; }
    int GetFrameFlags(int reg) const override;
    int GetRegFlag(int reg) const override;
    void CreateReadSVF(int reg, std::string& buffer) override;
    void CreateWriteSVF(int reg, std::string& buffer) override;
    void CreateEraseSVF(int reg, std::string& buffer) override;

protected:
    std::span<const RegInfo> RegTable() const override;
    std::string_view UndefinedRegName() const override;
    bool UploadCells(int reg, RegCells& cells) override;
    std::string_view IdcodeSirLine() const override;
    std::string_view IdcodeSdrLine() const override;

private:
    void UsrWrite(bool usrB, bool program);
    void UsrRead(bool usrB);
    void EraseUsrA();
    void WriteAll();
    void Cal();
    void Calibrate();
    void WriteMan(bool program);
    void ReadMan();
    void EraseMan();
    void TrPga();
    void CapTest();
    void TrimEn();
};

}  // namespace kalidor
