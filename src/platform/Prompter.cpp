#include "platform/Prompter.h"

#include <cstdio>

namespace kalidor {

namespace {

Answer FirstButton(Buttons b)
{
    return (b == Buttons::YesNo || b == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
}

StreamPrompter& DefaultPrompter()
{
    static StreamPrompter prompter;
    return prompter;
}

Prompter* g_current = nullptr;

}  // namespace

Prompter& CurrentPrompter()
{
    return g_current ? *g_current : DefaultPrompter();
}

Prompter* SetCurrentPrompter(Prompter* p)
{
    Prompter* previous = g_current;
    g_current = p;
    return previous;
}

Answer StreamPrompter::Message(const std::string& text, const std::string& caption, Buttons buttons,
                               MessageIcon)
{
    std::FILE* out = m_toStdout ? stdout : stderr;
    const std::string line = TerminalMessageText(text, caption) + "\n";
    std::fwrite(line.data(), 1, line.size(), out);
    return FirstButton(buttons);
}

std::string TerminalMessageText(const std::string& text, const std::string& caption)
{
    std::string s = "Kalidor: ";
    if (!caption.empty() && caption != "Kalidor")
        s += caption + ": ";
    return s + text;
}

Answer RecordingPrompter::Message(const std::string& text, const std::string& caption,
                                  Buttons buttons, MessageIcon icon)
{
    messages.push_back({text, caption, buttons, icon});
    if (answers.empty())
        return FirstButton(buttons);
    Answer a = answers.front();
    answers.pop_front();
    return a;
}

std::vector<std::string> RecordingPrompter::Texts() const
{
    std::vector<std::string> texts;
    for (const auto& m : messages)
        texts.push_back(m.text);
    return texts;
}

std::string FormatMessage(std::string_view pattern, std::string_view value)
{
    const std::size_t at = pattern.find("%s");
    if (at == std::string_view::npos)
        return std::string(pattern);
    std::string s(pattern.substr(0, at));
    s += value;
    s += pattern.substr(at + 2);
    return s;
}

}  // namespace kalidor
