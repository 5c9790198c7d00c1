#include <charconv>
#include <cstdio>

#include "cli/Commands.h"
#include "document/SchDoc.h"

namespace kalidor::cli {

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "Kalidor: %s\n", message.c_str());
    return 2;
}

bool ParseInt(const std::string& text, int& value)
{
    if (text.empty())
        return false;
    const char* first = text.data();
    const char* last = first + text.size();
    if (*first == '+')
        ++first;
    auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last;
}

bool ParsePair(const std::string& text, int& key, int& value)
{
    size_t eq = text.find('=');
    if (eq == std::string::npos)
        return false;
    return ParseInt(text.substr(0, eq), key) && ParseInt(text.substr(eq + 1), value);
}

bool SaveDesign(CSchDoc& doc, const std::string& path, bool force)
{
    return doc.OnSaveDocument(path, ReadOnlyMode(force));
}

std::string EscapeLineEnds(const std::string& text)
{
    std::string out;
    for (char ch : text) {
        if (ch == '\r')
            out += "\\r";
        else if (ch == '\n')
            out += "\\n";
        else
            out += ch;
    }
    return out;
}

}  // namespace kalidor::cli
