// The undo history of one design: a list of named steps, each holding the whole design state
// before and after it, the position between the steps done and the steps undone, and the clean
// (saved) position that tells whether the design differs from its file.
//
// The history only keeps the states; the document takes them (CSchDoc::CaptureState) and puts
// them back in place (CSchDoc::RestoreState), so that the objects the windows hold survive.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kalidor {

// Everything of a design that Undo puts back: the design file text (every E2 cell, the security
// fuse, the summary, the filter configurations with their "modified from" state and the curve
// settings) and the two post-upload switches, which the file does not hold.
struct CDesignState {
    std::string design;
    std::array<int, 2> switches{0, 1};
    bool operator==(const CDesignState&) const = default;
};

class CDesignHistory {
public:
    // The oldest steps are forgotten beyond this many (a macro may change a design thousands of
    // times; every step holds two design texts of a few kilobytes).
    static constexpr int kMaxSteps = 1000;

    struct Step {
        std::string text;  // what the Edit menu names: "Undo <text>"
        CDesignState before;
        CDesignState after;
        bool schematic = true;  // the step changes the schematic, not only the summary or the setup
        std::uint64_t group = 0;  // the operation the step belongs to (0: none; see Join)
    };

    // Adds a step after the current position; the steps that were undone are dropped (and with
    // them a clean position among them).
    void Push(Step step);
    // A further change of the operation `group` (not 0) may join the last step instead of adding
    // one when that step is of the same operation, nothing was undone since and it is not the
    // saved position. Joined, the step ends in `after`, is named `text` and changes the schematic
    // when either part did.
    bool CanJoin(std::uint64_t group) const;
    void Join(CDesignState after, const std::string& text, bool schematic);
    // The step Undo reverts / Redo makes again, or nullptr.
    const Step* UndoStep() const;
    const Step* RedoStep() const;
    // Moves the position once the document has put the step's state back.
    void StepBack();
    void StepForward();

    bool CanUndo() const { return m_index > 0; }
    bool CanRedo() const { return m_index < Count(); }
    std::string UndoText() const;
    std::string RedoText() const;
    const std::vector<Step>& Steps() const { return m_steps; }
    int Count() const { return static_cast<int>(m_steps.size()); }
    // Steps done: 0 before the first step, Count() after the last.
    int Index() const { return m_index; }

    // The saved position, -1 when it can no longer be reached (dropped, or forgotten).
    int CleanIndex() const { return m_clean; }
    bool IsClean() const { return m_clean == m_index; }
    void SetClean() { m_clean = m_index; }
    // No steps; the current state is the saved one.
    void Clear();

private:
    std::vector<Step> m_steps;
    int m_index = 0;
    int m_clean = 0;
};

}  // namespace kalidor
