// Writing a file without ever losing the previous one: the text goes to a temporary file in the
// same folder, is flushed to disk, and then renamed over the old file.
#pragma once

#include <string>

namespace kalidor {

// Returns false (and leaves any existing file untouched) when any step fails; `error` then says why.
bool WriteFileAtomically(const std::string& path, const std::string& contents,
                         std::string* error = nullptr);

// Reads a whole file; false when it cannot be opened or is larger than `maxBytes`.
bool ReadWholeFile(const std::string& path, std::string& contents,
                   size_t maxBytes = 64u * 1024u * 1024u, std::string* error = nullptr);

}  // namespace kalidor
