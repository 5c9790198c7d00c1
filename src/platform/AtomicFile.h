// Writing a file without ever losing the previous one: the text goes to a temporary file in the
// same folder, is flushed to disk, and then renamed over the old file. Through a symbolic link the
// file it points to is replaced (the temporary file lies beside that one) and the link stays. A
// write beyond the file-size limit fails with its reason instead of ending the program, and no
// temporary file is left behind by a failure.
#pragma once

#include <string>

namespace kalidor {

// Returns false (and leaves any existing file untouched) when any step fails; `error` then says why.
bool WriteFileAtomically(const std::string& path, const std::string& contents,
                         std::string* error = nullptr);

// The file a path names after following its symbolic links (the path itself when it is none).
std::string ResolveLinks(const std::string& path);

// How a save treats an existing file without write permission: it asks the user, refuses, or
// replaces the file (keeping its permissions).
enum class ReadOnlyFile { kAsk, kRefuse, kReplace };

// True when `path` is an existing regular file without write permission (by its permission bits,
// which hold for every user, or for the calling user).
bool IsReadOnlyFile(const std::string& path);

// Reads a whole file; false when it cannot be opened, is a folder or is larger than `maxBytes`.
bool ReadWholeFile(const std::string& path, std::string& contents,
                   size_t maxBytes = 64u * 1024u * 1024u, std::string* error = nullptr);

}  // namespace kalidor
