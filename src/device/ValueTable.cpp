#include "device/ValueTable.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace kalidor {

void ValueTable::BuildFromWeights(const std::vector<int32_t>& weights)
{
    const int bits = std::min<int>(static_cast<int>(weights.size()), 15);
    const int entries = 1 << bits;
    std::vector<int32_t> values(entries, 0);
    // A code's value is that of the code without its lowest set bit plus that bit's weight.
    for (int c = 1; c < entries; ++c)
        values[c] = values[c & (c - 1)] + weights[std::countr_zero(static_cast<unsigned>(c))];
    // The codes in value order, bit by bit without sorting: the codes of the lower bits in order,
    // merged with the same codes plus the next bit. Those are all larger codes, and the merge
    // takes from the first list on equal values, so codes of equal value stay in ascending order.
    std::vector<int32_t> order{0}, raised, merged;
    order.reserve(entries);
    for (int b = 0; b < bits; ++b) {
        raised.assign(order.begin(), order.end());
        for (int32_t& code : raised)
            code |= 1 << b;
        merged.resize(order.size() * 2);
        std::merge(order.begin(), order.end(), raised.begin(), raised.end(), merged.begin(),
                   [&](int32_t a, int32_t c) { return values[a] < values[c]; });
        order.swap(merged);
    }
    m_valueByCode = std::move(values);
    m_codeBySorted = std::move(order);
    IndexSorted();
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
