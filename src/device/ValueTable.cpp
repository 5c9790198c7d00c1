#include "device/ValueTable.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace kalidor {

void ValueTable::BuildFromValues(const std::vector<int32_t>& valueByCode)
{
    m_valueByCode = valueByCode;
    const int n = Count();
    // Codes by ascending value, codes of equal value in ascending order: one sort of keys that
    // hold the value above the code. (The tables of ZelD and ZelE have 4096 codes per element, and
    // this is most of what creating such a device costs.)
    std::vector<int64_t> keys(n);
    for (int code = 0; code < n; ++code)
        keys[code] = (static_cast<int64_t>(m_valueByCode[code]) << 32) | static_cast<uint32_t>(code);
    std::sort(keys.begin(), keys.end());
    m_codeBySorted.resize(n);
    for (int i = 0; i < n; ++i)
        m_codeBySorted[i] = static_cast<int32_t>(keys[i] & 0xffffffff);
    IndexSorted();
}

void ValueTable::BuildFromWeights(const std::vector<int32_t>& weights)
{
    const int bits = std::min<int>(static_cast<int>(weights.size()), 15);
    const int entries = 1 << bits;
    std::vector<int32_t> values(entries, 0);
    // A code's value is that of the code without its lowest set bit plus that bit's weight.
    for (int c = 1; c < entries; ++c)
        values[c] = values[c & (c - 1)] + weights[std::countr_zero(static_cast<unsigned>(c))];
    BuildFromValues(values);
}

void ValueTable::BuildFromSorted(const std::vector<std::pair<int32_t, int32_t>>& sorted)
{
    const int n = static_cast<int>(sorted.size());
    m_valueByCode.assign(n, 0);
    m_codeBySorted.resize(n);
    for (int i = 0; i < n; ++i) {
        m_codeBySorted[i] = sorted[i].first;
        m_valueByCode[sorted[i].first] = sorted[i].second;
    }
    IndexSorted();
}

void ValueTable::IndexSorted()
{
    const int n = Count();
    m_sortedByCode.assign(n, 0);
    m_valueBySorted.resize(n);
    for (int i = 0; i < n; ++i) {
        m_sortedByCode[m_codeBySorted[i]] = i;
        m_valueBySorted[i] = m_valueByCode[m_codeBySorted[i]];
    }
}

int ValueTable::ValueByCode(int code) const
{
    return (code >= 0 && code < Count()) ? m_valueByCode[code] : -1;
}

int ValueTable::SortedIndexByCode(int code) const
{
    return (code >= 0 && code < Count()) ? m_sortedByCode[code] : -1;
}

int ValueTable::ValueBySorted(int sorted) const
{
    return (sorted >= 0 && sorted < Count()) ? m_valueBySorted[sorted] : -1;
}

int ValueTable::CodeBySorted(int sorted) const
{
    return (sorted >= 0 && sorted < Count()) ? m_codeBySorted[sorted] : -1;
}

// The scan compares each entry with the distance of the entry before it; the values ascend, so
// it ends on the nearest entry, and of two equally near ones on the larger.
int ValueTable::NearestCode(int target) const
{
    if (Count() == 0)
        return -1;
    long long d = std::llabs(static_cast<long long>(m_valueBySorted[0]) - target);
    int answer = m_codeBySorted[0];
    for (int i = 1; i < Count(); ++i) {
        long long di = std::llabs(static_cast<long long>(m_valueBySorted[i]) - target);
        if (di <= d)
            answer = m_codeBySorted[i];
        d = di;
    }
    return answer;
}

int ValueTable::NearestCodeStopping(int target) const
{
    if (Count() == 0)
        return -1;
    if (target == 0)
        return 0;
    long long d = std::llabs(static_cast<long long>(m_valueBySorted[0]) - target);
    int answer = m_codeBySorted[0];
    if (m_valueBySorted[0] >= target)
        return answer;
    for (int i = 1; i < Count(); ++i) {
        long long di = std::llabs(static_cast<long long>(m_valueBySorted[i]) - target);
        if (di <= d)
            answer = m_codeBySorted[i];
        d = di;
        if (m_valueBySorted[i] >= target)
            break;
    }
    return answer;
}

}  // namespace kalidor
