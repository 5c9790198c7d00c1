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
    if (!caption.empty())
        std::fprintf(out, "%s: ", caption.c_str());
    std::fprintf(out, "%s\n", text.c_str());
    return FirstButton(buttons);
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

}  // namespace kalidor
