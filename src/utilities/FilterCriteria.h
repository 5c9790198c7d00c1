// One criterion of a configuration table: a column (attribute number), the filter type it asks
// for or the two bounds of a range, whether it is in force, and the column's title. Which test an
// attribute gets is the entry's business (CFilterEntry::ApplyFilter); a disabled criterion
// passes every entry.
#pragma once

#include <optional>
#include <string>

namespace kalidor {

class CFilterCriteria {
public:
    CFilterCriteria() = default;
    CFilterCriteria(int attribute, std::string title) : attribute(attribute), title(std::move(title)) {}

    int attribute = 0;
    int typeValue = -1;
    double bound1 = 0.0;
    double bound2 = 0.0;
    bool enabled = false;
    std::string title;

    // bound1 <= v <= bound2 (frequencies, ratios).
    bool Within(double v) const { return bound1 <= v && v <= bound2; }
    // bound2 <= v <= bound1: for gains and attenuations in dB the first bound is the upper one.
    bool WithinUpperFirst(double v) const { return bound2 <= v && v <= bound1; }

    // What every table's entries share: a criterion out of force passes, the ID criterion
    // (attribute 0) always passes, the filter-type criterion (1) when the entry's type is its
    // value. Empty for any other attribute, which the entry decides.
    std::optional<bool> PassesIdOrType(int entryType) const
    {
        if (!enabled || attribute == 0)
            return true;
        if (attribute == 1)
            return entryType == typeValue;
        return std::nullopt;
    }

    // Puts a range criterion in force / a filter-type criterion in force / out of force.
    void SetRange(double first, double second)
    {
        bound1 = first;
        bound2 = second;
        enabled = true;
    }
    void SetType(int type)
    {
        typeValue = type;
        enabled = true;
    }
    void Disable() { enabled = false; }
};

}  // namespace kalidor
