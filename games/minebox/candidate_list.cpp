#include "candidate_list.h"

#include <algorithm>

namespace glimmer {

CandidateList::CandidateList(int count)
    : tree_(static_cast<size_t>(std::max(count, 0)) + 1, 0), size_(std::max(count, 0)),
      remaining_(size_) {
    // With every number present, node i covers exactly lowbit(i) of them.
    for (int i = 1; i <= size_; ++i) {
        tree_[i] = i & -i;
    }
    top_step_ = 1;
    while (top_step_ <= size_ / 2) {
        top_step_ *= 2;
    }
}

int CandidateList::take(int k) {
    if (k < 1 || k > remaining_) {
        return 0;
    }
    // Walk down from the top: pos ends as the last number with fewer than k left up to it.
    int pos = 0;
    for (int step = top_step_; step > 0; step /= 2) {
        if (step <= size_ - pos && tree_[pos + step] < k) {
            pos += step;
            k -= tree_[pos];
        }
    }
    const int number = pos + 1;
    for (int i = number; i <= size_; i += i & -i) {
        --tree_[i];
    }
    --remaining_;
    return number;
}

} // namespace glimmer
