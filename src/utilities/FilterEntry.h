// One row of a filter configuration table: a stored fifth-order low-pass design for ZelD/ZelE
// with its type, figures of merit and the seven element values (C1, C2, L2, C3, C4, L4, C5).
#pragma once

#include <array>
#include <string>

namespace kalidor {

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
