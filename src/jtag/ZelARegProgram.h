// The register program of ZelA: a 5-bit instruction register and the registers USR (109 bits),
// CAL (52) and MAN (18), plus the self-timed calibration and the trim operations.
#pragma once

#include "jtag/JtagRegProgram.h"

namespace kalidor {

class CZelARegProgram : public CJtagRegProgram {
public:
    enum Reg {
        kUsr = 0,
        kCalibrate = 1,
        kCal = 2,
        kMan = 3,
        kUsrNoPrgm = 4,
        kManNoPrgm = 5,
        kTrTop = 6,
        kTrBot = 7,
        kTrimEn = 8,
    };

    int GetRegCount() const override;
    int GetFamilyConstant() const override { return 3; }
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
