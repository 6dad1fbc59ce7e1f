#pragma once

#include <vector>

namespace glimmer {

// The numbers 1..count in order, from which a number is taken out by its rank among those
// still left; the later ones move up by one. A Fenwick tree over "still there" counts finds
// and removes the k-th remaining number in O(log count), so burying nearly every box of a
// large board does not shift an array once per mine.
class CandidateList {
public:
    explicit CandidateList(int count);

    int remaining() const { return remaining_; }

    // Removes the k-th remaining number (counting from 1) and returns it; 0 when k is not
    // in 1..remaining().
    int take(int k);

private:
    std::vector<int> tree_; // 1-based; tree_[i] counts the numbers left in (i - lowbit(i), i]
    int size_ = 0;
    int top_step_ = 0; // the largest power of two not above size_
    int remaining_ = 0;
};

} // namespace glimmer
