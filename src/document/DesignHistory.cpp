#include "document/DesignHistory.h"

namespace kalidor {

void CDesignHistory::Push(Step step)
{
    m_steps.resize(static_cast<std::size_t>(m_index));
    if (m_clean > m_index)
        m_clean = -1;
    m_steps.push_back(std::move(step));
    ++m_index;
    if (Count() > kMaxSteps) {
        m_steps.erase(m_steps.begin());
        --m_index;
        // The state before the forgotten step cannot be reached any more.
        m_clean = m_clean > 0 ? m_clean - 1 : -1;
    }
}

bool CDesignHistory::CanJoin(std::uint64_t group) const
{
    return group != 0 && m_index > 0 && m_index == Count() && m_clean != m_index && m_steps.back().group == group;
}

void CDesignHistory::Join(CDesignState after, const std::string& text, bool schematic)
{
    if (m_steps.empty())
        return;
    Step& last = m_steps.back();
    last.after = std::move(after);
    last.text = text;
    last.schematic = last.schematic || schematic;
}

const CDesignHistory::Step* CDesignHistory::UndoStep() const
{
    return CanUndo() ? &m_steps[static_cast<std::size_t>(m_index - 1)] : nullptr;
}

const CDesignHistory::Step* CDesignHistory::RedoStep() const
{
    return CanRedo() ? &m_steps[static_cast<std::size_t>(m_index)] : nullptr;
}

void CDesignHistory::StepBack()
{
    if (CanUndo())
        --m_index;
}

void CDesignHistory::StepForward()
{
    if (CanRedo())
        ++m_index;
}

std::string CDesignHistory::UndoText() const
{
    const Step* s = UndoStep();
    return s ? s->text : std::string();
}

std::string CDesignHistory::RedoText() const
{
    const Step* s = RedoStep();
    return s ? s->text : std::string();
}

void CDesignHistory::Clear()
{
    m_steps.clear();
    m_index = 0;
    m_clean = 0;
}

}  // namespace kalidor
