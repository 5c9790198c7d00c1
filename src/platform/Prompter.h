// The host's ways of talking to the user: message boxes with fixed texts, questions, the wait
// cursor, the beep and the status bar. Core code calls the current prompter; the desktop program
// installs one that shows real dialogs, kalidor-cli one that writes to the terminal, and tests a
// RecordingPrompter that answers from a script and keeps every text.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace kalidor {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows `text` and returns the button the user chose.
    virtual Answer Message(const std::string& text, const std::string& caption = {},
                           Buttons buttons = Buttons::Ok,
                           MessageIcon icon = MessageIcon::None) = 0;
    virtual void Beep() {}
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}
    virtual void StatusText(const std::string&) {}
};

// The prompter core code talks to. Never null: without an installed one, messages go to stderr
// and every question is answered with its first button (OK or Yes).
Prompter& CurrentPrompter();
// Installs `p` (not owned) and returns the one it replaces; nullptr restores the default.
Prompter* SetCurrentPrompter(Prompter* p);

// Installs a prompter for the lifetime of a scope.
class ScopedPrompter {
public:
    explicit ScopedPrompter(Prompter& p) : m_previous(SetCurrentPrompter(&p)) {}
    ~ScopedPrompter() { SetCurrentPrompter(m_previous); }
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

private:
    Prompter* m_previous;
};

// A message as a terminal shows it: "Kalidor: " first, then the caption when it is not the
// program's own ("Kalidor Internal Error: ..."), then the text.
std::string TerminalMessageText(const std::string& text, const std::string& caption);

// Writes messages to a stream (stderr by default) and answers with the first button.
class StreamPrompter : public Prompter {
public:
    explicit StreamPrompter(bool toStdout = false) : m_toStdout(toStdout) {}
    Answer Message(const std::string& text, const std::string& caption, Buttons buttons,
                   MessageIcon icon) override;

private:
    bool m_toStdout;
};

// Keeps every message and answers from a script (then with the first button).
class RecordingPrompter : public Prompter {
public:
    struct Record {
        std::string text;
        std::string caption;
        Buttons buttons;
        MessageIcon icon;
    };

    Answer Message(const std::string& text, const std::string& caption, Buttons buttons,
                   MessageIcon icon) override;
    void Beep() override { ++beeps; }
    void BeginWaitCursor() override { ++waitDepth; ++waitCursors; }
    void EndWaitCursor() override { --waitDepth; }
    void StatusText(const std::string& text) override { statusTexts.push_back(text); }

    void Script(Answer a) { answers.push_back(a); }
    std::vector<std::string> Texts() const;
    void Clear() { messages.clear(); beeps = 0; statusTexts.clear(); }

    std::vector<Record> messages;
    std::deque<Answer> answers;
    std::vector<std::string> statusTexts;
    int beeps = 0;
    int waitDepth = 0;
    int waitCursors = 0;
};

// A message pattern with its first "%s" replaced by `value` (no other conversions).
std::string FormatMessage(std::string_view pattern, std::string_view value);

// Shows the wait cursor while it lives.
class WaitCursor {
public:
    WaitCursor() { CurrentPrompter().BeginWaitCursor(); }
    ~WaitCursor() { CurrentPrompter().EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace kalidor
