// The generators' common last step: write a generated file, or check that the committed one is
// exactly what would be written.
#pragma once

#include <cstdio>
#include <string>

#include "platform/AtomicFile.h"

namespace kalidor::tools {

// Writes `text` to `path` (check: compares instead); 0 on success, 1 after saying what failed.
inline int WriteOrCheck(const std::string& path, const std::string& text, bool check, const char* generator)
{
    if (check) {
        std::string existing;
        if (!ReadWholeFile(path, existing, 64u * 1024u * 1024u) || existing != text) {
            std::fprintf(stderr, "%s is not what %s writes\n", path.c_str(), generator);
            return 1;
        }
        return 0;
    }
    std::string error;
    if (!WriteFileAtomically(path, text, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace kalidor::tools
