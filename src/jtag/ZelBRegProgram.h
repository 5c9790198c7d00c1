// The register program of ZelB: a 5-bit instruction register and the registers USR (81 bits), DAC (8),
// CAL (26) and MAN (50), plus the self-timed calibration and the trim operations.
#pragma once

#include "jtag/JtagRegProgram.h"

namespace kalidor {

class CZelBRegProgram : public CJtagRegProgram {
public:
    enum Reg {
        kUsr = 0,
        kCalibrate = 1,
        kDac = 2,
        kCal = 3,
        kMan = 4,
        kUsrNoPrgm = 5,
        kManNoPrgm = 6,
        kTrTop = 7,
        kTrBot = 8,
        kTrimEn = 9,
    };

    int GetRegCount() const override;
    int GetFamilyConstant() const override { return 4; }
    int SecondDesignRegister() const override { return kDac; }
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
    void WriteUsr(bool program);
    void ReadUsr();
    void EraseUsr();
    void WriteDac(bool idcode);
    void ReadDac();
    void EraseDac();
    void Cal();
    void Calibrate();
    void WriteMan(bool program);
    void ReadMan();
    void EraseMan();
    void TrTop();
    void TrBot();
    void TrimEn();
};

}  // namespace kalidor
