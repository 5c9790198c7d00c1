// A table of capacitor or filter-element values, kept in two views: by code (code → sorted index,
// value) and by ascending value (sorted index → code, value).
#pragma once

#include <cstdint>
#include <vector>

namespace kalidor {

class ValueTable {
public:
    // Builds a filter-element table: entry c is the sum of the weights of the bits set in c
    // (at most 15 bits looked at), for 2^bits entries; entries of equal value in code order.
    void BuildFromWeights(const std::vector<int32_t>& weights);
    // Builds from a fixed list already in ascending order: (code, value) per sorted index.
    void BuildFromSorted(const std::vector<std::pair<int32_t, int32_t>>& sorted);

    int Count() const { return static_cast<int>(m_valueByCode.size()); }
    // Each returns -1 for an index out of range.
    int ValueByCode(int code) const;
    int SortedIndexByCode(int code) const;
    int ValueBySorted(int sorted) const;
    int CodeBySorted(int sorted) const;

    // The code of the entry nearest to `target`; of two equally near entries the larger.
    int NearestCode(int target) const;
    // The filter-element search: 0 for a target of 0, else the scan that stops after the first
    // entry whose value is at least the target.
    int NearestCodeStopping(int target) const;

private:
    void IndexSorted();
    std::vector<int32_t> m_valueByCode;
    std::vector<int32_t> m_sortedByCode;
    std::vector<int32_t> m_codeBySorted;
    std::vector<int32_t> m_valueBySorted;
};

}  // namespace kalidor
