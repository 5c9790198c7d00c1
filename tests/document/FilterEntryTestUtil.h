// A filter configuration entry for tests, with identifier `id`, corner frequency `fc` and the
// seven element values 1 pF … 7 pF.
#pragma once

#include <string>

#include "utilities/FilterEntry.h"

namespace kalidor::test {

inline CFilterEntry Butterworth(int id, double fc)
{
    CFilterEntry e;
    e.ReadText(5, std::to_string(id) + ", " + std::to_string(fc) +
                      ", -12.3, -80.1, 6.0, 1e-12, 2e-12, 3e-12, 4e-12, 5e-12, 6e-12, 7e-12");
    return e;
}

}  // namespace kalidor::test
