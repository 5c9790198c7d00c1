#include "document/SummaryInfo.h"

namespace kalidor {

std::string CSummaryInfo::StripAngles(const std::string& v)
{
    std::string out;
    out.reserve(v.size());
    for (char c : v)
        if (c != '<' && c != '>')
            out += c;
    return out;
}

void CSummaryInfo::SetComments(const std::string& v)
{
    m_comments.clear();
    m_comments.reserve(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        m_comments += v[i];
        if (v[i] == ']' && i >= 1 && v[i - 1] == ']' && i + 1 < v.size() && v[i + 1] == '>')
            m_comments += ' ';
    }
}

}  // namespace kalidor
