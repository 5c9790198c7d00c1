// One criterion of a configuration table: a column (attribute number), the filter type it asks
// for or the two bounds of a range, whether it is in force, and the column's title. Which test an
// attribute gets is the entry's business (CFilterEntry::ApplyFilter); a disabled criterion
// passes every entry.
#pragma once

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
