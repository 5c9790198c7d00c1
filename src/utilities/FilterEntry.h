// One row of a filter configuration table: a stored fifth-order low-pass design for ZelD/ZelE
// with its type, figures of merit and the seven element values (C1, C2, L2, C3, C4, L4, C5).
#pragma once

#include <array>
#include <string>

namespace kalidor {

class CFilterCriteria;

// Shown when a criterion names no attribute of the entry.
extern const char kMsgUnknownFilterCriterion[];

class CFilterEntry {
public:
    static constexpr int kAttributeCount = 9;  // Fc … MaxVin
    static constexpr int kComponentCount = 7;

    enum Attribute {
        kFc = 0,
        kGain2Fc,
        kGain10Fc,
        kFp,
        kPassRipple,
        kFs,
        kStopAtten,
        kFsFpRatio,
        kMaxVin,
    };

    // The table's columns of an entry, in criterion order: 0 ID, 1 filter type, 2 Fc, 3 gain at
    // 2 x Fc, 4 gain at 10 x Fc, 5 Fp, 6 pass-band ripple, 7 Fs, 8 stop-band attenuation,
    // 9 Fs/Fp, 10 MaxVin; column c >= 2 is attribute c - 2.
    static constexpr int kCriteriaCount = 11;
    static constexpr int kFirstAttributeColumn = 2;

    int id = 0;
    int type = -1;  // 0 Bessel … 7 Elliptical, 8 special
    std::array<double, kAttributeCount> attributes{-1, -1, -1, -1, -1, -1, -1, -1, 6.0};
    std::array<double, kComponentCount> components{};  // farads

    // Reads the text of an entry element (numbers separated by blanks and/or commas) for a filter
    // of type `type`. Returns false when fewer numbers than the type carries are present; what
    // was read is kept.
    bool ReadText(int type, const std::string& text);
    // The element as a design file or table holds it: "<Butterworth>id, fc, …</Butterworth>".
    std::string WriteElement() const;
    // The entry's numbers in file order, as ReadText takes them.
    std::string NumbersText() const;
    // A one-line description for the schematic ("Butterworth #12, Fc = 10.00kHz …"), at most 500
    // characters.
    std::string Description() const;

    // Whether the entry passes criterion `c`: a criterion out of force passes; in force, the ID
    // always; the filter type when it equals the criterion's; Fc, Fp, Fs, Fs/Fp and MaxVin within bound1 .. bound2; the gains,
    // ripple and attenuation within bound2 .. bound1 (the first bound is the upper one). Any other
    // attribute number shows kMsgUnknownFilterCriterion and fails.
    bool ApplyFilter(const CFilterCriteria& c) const;
    // The list's text of column 0..10 (see above); a blank for an attribute that does not apply.
    std::string AttributeText(int column) const;
    // The number column 0..10 sorts by.
    double AttributeNumber(int column) const;
    // "%.3fpF" of component 0..6 (C1, C2, L2, C3, C4, L4, C5).
    std::string ComponentText(int component) const;

    // The frequency-range setting a ZelD (threshold 200 kHz) or ZelE (30 kHz) uses for this entry:
    // 1 for the lower range, 0 above the threshold.
    int FrequencyRange(const std::string& deviceType) const;

    // "Bessel", "Linear phase 1", … ; "--unknown--" for others.
    static std::string TypeName(int type);
    // Element tag name of a type ("Bessel", "LinearPhase1", …), "" for none.
    static std::string TypeTag(int type);
    // The type of an element tag, accepting "Linear phase 1"/"Linear phase 2"; -1 for none.
    static int TypeOfTag(const std::string& tag);
};

}  // namespace kalidor
