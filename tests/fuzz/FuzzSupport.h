// What every fuzzing harness shares: a prompter that keeps nothing (a reader may show a message for
// every bad element it meets) and the support files of the build (the harnesses lie beside them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Paths.h"
#include "platform/Prompter.h"

namespace kalidor::fuzz {

// Answers every question with its first button and forgets the text.
class QuietPrompter : public Prompter {
public:
    Answer Message(const std::string&, const std::string&, Buttons buttons, MessageIcon) override
    {
        ++messages;
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
    }
    long messages = 0;
};

// Installs the quiet prompter for the whole run (the harness functions are called many times).
inline QuietPrompter& Quiet()
{
    static QuietPrompter prompter;
    static const bool installed = (SetCurrentPrompter(&prompter), true);
    (void)installed;
    return prompter;
}

inline std::string Text(const std::uint8_t* data, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A property of the code under test that does not hold: a finding like a crash.
[[noreturn]] inline void Broken(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "fuzz property broken: %s\n%s\n", what, detail.substr(0, 2000).c_str());
    std::abort();
}

}  // namespace kalidor::fuzz
