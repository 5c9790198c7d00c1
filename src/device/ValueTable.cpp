#include "device/ValueTable.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <numeric>

namespace kalidor {

void ValueTable::BuildFromValues(const std::vector<int32_t>& valueByCode)
{
    valueByCode_ = valueByCode;
    const int n = Count();
    codeBySorted_.resize(n);
    std::iota(codeBySorted_.begin(), codeBySorted_.end(), 0);
    std::stable_sort(codeBySorted_.begin(), codeBySorted_.end(),
                     [&](int32_t a, int32_t b) { return valueByCode_[a] < valueByCode_[b]; });
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
    valueByCode_.assign(n, 0);
    codeBySorted_.resize(n);
    for (int i = 0; i < n; ++i) {
        codeBySorted_[i] = sorted[i].first;
        valueByCode_[sorted[i].first] = sorted[i].second;
    }
    IndexSorted();
}

void ValueTable::IndexSorted()
{
    const int n = Count();
    sortedByCode_.assign(n, 0);
    valueBySorted_.resize(n);
    for (int i = 0; i < n; ++i) {
        sortedByCode_[codeBySorted_[i]] = i;
        valueBySorted_[i] = valueByCode_[codeBySorted_[i]];
    }
}

int ValueTable::ValueByCode(int code) const
{
    return (code >= 0 && code < Count()) ? valueByCode_[code] : -1;
}

int ValueTable::SortedIndexByCode(int code) const
{
    return (code >= 0 && code < Count()) ? sortedByCode_[code] : -1;
}

int ValueTable::ValueBySorted(int sorted) const
{
    return (sorted >= 0 && sorted < Count()) ? valueBySorted_[sorted] : -1;
}

int ValueTable::CodeBySorted(int sorted) const
{
    return (sorted >= 0 && sorted < Count()) ? codeBySorted_[sorted] : -1;
}

// The scan compares each entry with the distance of the entry before it; the values ascend, so
// it ends on the nearest entry, and of two equally near ones on the larger.
int ValueTable::NearestCode(int target) const
{
    if (Count() == 0)
        return -1;
    long long d = std::llabs(static_cast<long long>(valueBySorted_[0]) - target);
    int answer = codeBySorted_[0];
    for (int i = 1; i < Count(); ++i) {
        long long di = std::llabs(static_cast<long long>(valueBySorted_[i]) - target);
        if (di <= d)
            answer = codeBySorted_[i];
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
    long long d = std::llabs(static_cast<long long>(valueBySorted_[0]) - target);
    int answer = codeBySorted_[0];
    if (valueBySorted_[0] >= target)
        return answer;
    for (int i = 1; i < Count(); ++i) {
        long long di = std::llabs(static_cast<long long>(valueBySorted_[i]) - target);
        if (di <= d)
            answer = codeBySorted_[i];
        d = di;
        if (valueBySorted_[i] >= target)
            break;
    }
    return answer;
}

}  // namespace kalidor
