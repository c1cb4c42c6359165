// Heap freed in the middle of the arena goes back to the system; nothing else is touched.
#include "TrimWorkingSet.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

// Anonymous memory of this process that is resident, in kB.
long residentAnonKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("RssAnon:", 0) == 0) return std::stol(line.substr(8));
    return -1;
}

} // namespace

TEST(TrimWorkingSet, FreedHeapBelowALiveBlockIsGivenBack) {
    constexpr int kBlocks = 16384; // 64 MB in blocks too small for their own mappings
    std::vector<char*> blocks;
    for (int i = 0; i < kBlocks; ++i) {
        blocks.push_back(new char[4000]);
        for (int k = 0; k < 4000; k += 512)
            blocks.back()[k] = char(i + k);
    }
    // A live block above them keeps free() from returning the space by itself.
    char* guard = new char[4000];
    guard[0] = 1;
    for (char* b : blocks)
        delete[] b;
    const long before = residentAnonKb();
    ASSERT_GT(before, 60 * 1024);

    TrimWorkingSet();

    EXPECT_LT(residentAnonKb(), before - 48 * 1024);
    EXPECT_EQ(guard[0], 1);
    delete[] guard;
}
