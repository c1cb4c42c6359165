#pragma once
#include <vector>

// A playlist row followed through edits: it stays on its row while rows are inserted, deleted or
// moved around it. When its row goes it keeps the place where that row stood, between the rows
// that were its neighbours, so that what came before and after it can still be told.
class RowMark {
  public:
    // Before the first row, on no row.
    RowMark() = default;
    // On row i; a negative i gives the mark before the first row.
    static RowMark On(int i);

    // The row it is on, or -1.
    int row() const { return onRow_ ? at_ : -1; }
    // The row it is on or, when its row went, the row that now stands where it stood.
    int here() const { return at_; }
    // The rows just after and just before it (each may lie outside the list).
    int after() const { return onRow_ ? at_ + 1 : at_; }
    int before() const { return at_ - 1; }

    // n rows were inserted at index first.
    void inserted(int first, int n);
    // Rows first..last went.
    void removed(int first, int last);
    // The rows whose flag is set went; the others closed up in their order.
    void removed(const std::vector<char>& gone);
    // The row at old index k now stands at oldToNew[k].
    void moved(const std::vector<int>& oldToNew);
    // Every row went.
    void cleared() { *this = RowMark(); }

  private:
    // The row, or the index of the row that followed the one that went (the list's count when it
    // was the last).
    int at_ = 0;
    bool onRow_ = false;
};
