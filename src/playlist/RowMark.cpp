#include "RowMark.h"

#include <algorithm>

RowMark RowMark::On(int i) {
    RowMark mark;
    mark.at_ = std::max(i, 0);
    mark.onRow_ = i >= 0;
    return mark;
}

void RowMark::inserted(int first, int n) {
    // Rows inserted where a row went stand where it stood: they come next after it.
    if (at_ > first || (onRow_ && at_ == first)) at_ += n;
}

void RowMark::removed(int first, int last) {
    if (at_ < first) return;
    if (onRow_ && at_ <= last) {
        at_ = first;
        onRow_ = false;
    } else if (at_ > last) {
        at_ -= last - first + 1;
    } else {
        at_ = first; // a place among the removed rows closes up with them
    }
}

void RowMark::removed(const std::vector<char>& gone) {
    const int end = std::min(at_, int(gone.size()));
    const int goneBefore = int(std::count(gone.begin(), gone.begin() + end, 1));
    if (onRow_ && at_ < int(gone.size()) && gone[size_t(at_)]) onRow_ = false;
    at_ -= goneBefore;
}

void RowMark::moved(const std::vector<int>& oldToNew) {
    // A place keeps to the row that followed it; after the last row it stays at the end.
    if (at_ < int(oldToNew.size())) at_ = oldToNew[size_t(at_)];
}
