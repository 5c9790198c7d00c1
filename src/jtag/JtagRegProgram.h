// Register programs: the generators of the SVF text that erases, programs, reads, verifies,
// calibrates, trims and identifies one device. One concrete class per device family knows its
// instruction-register length, opcodes, data-register lengths, wait statements and order of steps,
// and turns the current E2 cell image of a design into the hexadecimal TDI strings of SDR
// statements. It also goes the other way: bits shifted out of the device during a read program are
// written back into the E2 cells (upload) or compared with them (verify).
//
// Every generator appends lines, each followed by a single line feed, to the caller's text buffer.
// The texts are fixed by the silicon and are produced character for character, including runs of
// blanks, trailing blanks and missing semicolons.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "device/DeviceKind.h"
#include "jtag/JtagBits.h"

namespace kalidor {

class DeviceConfig;

// Register numbers common to every family.
constexpr int kJtagRegJedec = -5;  // "JEDEC": the whole fuse image
constexpr int kJtagRegAll = -4;    // "ALL": everything a download writes

// Lines shared by every family.
inline constexpr std::string_view kSvfWait = "RUNTEST  80000 TCK  80.0E-3 SEC; ";
inline constexpr std::string_view kSvfIdcodeBegin = "! --- IDCODE";
inline constexpr std::string_view kSvfIdcodeEnd = "! --- end IDCODE  ";
inline constexpr std::string_view kSvfStateIdle = "STATE IDLE;";
inline constexpr std::string_view kSvfResetOn = "TRST ON;";
inline constexpr std::string_view kSvfResetOff = "TRST OFF;";
inline constexpr std::string_view kSvfSelfTimed =
    "! Device is self-timed.  Wait for it to complete cycle. ";
inline constexpr std::string_view kSvfEndIrIdle = "ENDIR IDLE;";
inline constexpr std::string_view kRegNameNotDerived = "-undefined-not-derived-";

// Scratch sizes of the hexadecimal formatting area, by register.
constexpr std::size_t kHexScratchWide = 500;   // ZelC CFG and CFG-GAIN, ZelD/ZelE USRA and USRB
constexpr std::size_t kHexScratchUsr = 200;    // ZelA USR, ZelB USR
constexpr std::size_t kHexScratchSmall = 80;   // every other register

class CJtagRegProgram {
public:
    CJtagRegProgram() = default;
    CJtagRegProgram(const CJtagRegProgram&) = delete;
    CJtagRegProgram& operator=(const CJtagRegProgram&) = delete;

    // One row of a family's register table: number, display name, data length in bits.
    struct RegInfo {
        int reg;
        const char* name;
        int length;
    };

    // --- the operations, in slot order ---
    virtual ~CJtagRegProgram() = default;
    virtual void SetDevice(DeviceConfig* device) { m_device = device; }
    virtual void SetMode(int mode) { m_mode = mode; }
    virtual int GetMode() const { return m_mode; }
    // Number of registers offered in the JTAG debug menus, counted from register 0.
    virtual int GetRegCount() const { return 0; }
    // A constant of the family (read by no programming path).
    virtual int GetFamilyConstant() const { return 0; }
    // Length in bits of register `reg`; 0 for a number outside the family's table.
    virtual int GetRegLength(int reg) const;
    // Copies the display name of `reg` into `name`; returns 0 (base: -1000).
    virtual int GetRegName(int reg, std::string& name) const;
    // Which parts of the common frame a write of `reg` gets (see JtagFrame.h).
    virtual int GetFrameFlags(int reg) const;
    // A per-register flag (read by no programming path): 1 or 65535.
    virtual int GetRegFlag(int reg) const;
    // Set the text buffer and append the read, write or erase program of `reg`.
    virtual void CreateReadSVF(int reg, std::string& buffer);
    virtual void CreateWriteSVF(int reg, std::string& buffer);
    virtual void CreateEraseSVF(int reg, std::string& buffer);
    // Sets the text buffer and appends the IDCODE block, whatever the IDCODE-check switch says.
    virtual void CreateIdcodeSVF(std::string& buffer);
    // Appends "TRST ON;" and "TRST OFF;" to the current text buffer.
    virtual void CreateResetSVF();
    // Upload: writes the '0'/'1' read-back text `bits` into the E2 cells of `reg`. True when the
    // register number maps onto cells, else false (nothing changed).
    virtual bool SetRegFromBits(int reg, std::string_view bits);
    // Verify: true when the read-back text equals the register image built from the E2 cells.
    virtual bool CompareRegWithBits(int reg, std::string_view bits);
    // The E2 cell that bit `bit` of register `reg` holds, or -1 (a fixed bit, or a register that
    // maps onto no cells).
    int CellOfBit(int reg, int bit);

    // --- where a design lives, for the download, upload and verify sequences ---
    // Register 0 holds the design's configuration (ZelA/ZelB USR, ZelC CFG, ZelD/ZelE USRA). The
    // register that holds the rest of it, written together with register 0 by "ALL" and read
    // back on its own (ZelB's DAC code, ZelC's signature); -1 when register 0 holds it all.
    virtual int SecondDesignRegister() const { return -1; }
    // True for the devices with two stored configurations (ZelD/ZelE), whose register 2 holds
    // configuration B and which take their own sequences.
    virtual bool HasTwoConfigurations() const { return false; }

    // --- plain accessors ---
    // 1: program operations re-read the register right after programming (default 1).
    int GetInlineVerify() const { return m_inlineVerify; }
    void SetInlineVerify(int on) { m_inlineVerify = on; }
    // 1: the programs that carry an IDCODE block include it (default 1).
    int GetIdcodeCheck() const { return m_idcodeCheck; }
    void SetIdcodeCheck(int on) { m_idcodeCheck = on; }
    const std::string& GetDeviceTypeName() const { return m_deviceTypeName; }
    void SetDeviceTypeName(const std::string& name) { m_deviceTypeName = name; }
    DeviceConfig* GetDevice() const { return m_device; }
    // The last register image built from the cells and the last bits handed in from a read.
    const CJtagBits& ExpectedBits() const { return m_expectedBits; }
    const CJtagBits& ReadBits() const { return m_readBits; }
    // Convenience: the display name as a string.
    std::string RegName(int reg);

protected:
    // Where a register's cells lie, and how its bit positions are found.
    struct RegCells {
        int first = 0;
        int count = 0;
        bool positionIsIndex = false;  // bit position = cell index (ZelC CFG) instead of GetCellBit
        std::size_t scratch = kHexScratchSmall;
    };

    // The family's register table and the name it gives a number that is not in it. A program
    // without a table answers every length and name query with -1000.
    virtual std::span<const RegInfo> RegTable() const { return {}; }
    virtual std::string_view UndefinedRegName() const { return kRegNameNotDerived; }

    // Upload/verify mapping: the cells of `reg`, or false when the number maps onto none.
    virtual bool UploadCells(int reg, RegCells& cells);
    // The two family-specific IDCODE lines: the SIR line and the SDR line (empty: no SDR line).
    virtual std::string_view IdcodeSirLine() const { return {}; }
    virtual std::string_view IdcodeSdrLine() const { return {}; }

    // Appends `line` and a line feed to the text buffer (nothing without a buffer).
    void Line(std::string_view line);
    void Wait() { Line(kSvfWait); }
    // The IDCODE block when the IDCODE-check switch is on.
    void IdcodeBlock();
    void IdcodeLines();
    // Builds the image of `cells` into the expected bits and returns its hexadecimal text (empty
    // when the digits do not fit the scratch area).
    std::string Image(const RegCells& cells);
    // Replaces each "%s" of `pattern` by `hex`, in order, and appends the result as a line.
    void LineWithImage(std::string_view pattern, const std::string& hex);
    void SetBuffer(std::string& buffer) { m_text = &buffer; }

    int m_mode = 0;
    CJtagBits m_expectedBits;
    CJtagBits m_readBits;
    std::string* m_text = nullptr;  // the caller's buffer, not owned
    DeviceConfig* m_device = nullptr;  // not owned
    int m_inlineVerify = 1;
    int m_idcodeCheck = 1;
    std::string m_deviceTypeName;
};

// Creates the register program of a device type, with its device type name set; nullptr for an
// unknown name.
std::unique_ptr<CJtagRegProgram> CreateRegProgram(DeviceKind kind);
std::unique_ptr<CJtagRegProgram> CreateRegProgram(const std::string& deviceTypeName);

}  // namespace kalidor
