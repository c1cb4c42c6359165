// Heap freed in the middle of the arena goes back to the system, by itself after a press on any of
// the player's widgets; nothing else is touched.
#include "TrimWorkingSet.h"
#include "WaitFor.h"
#include "WorkingSetTrimmer.h"

#include <QMouseEvent>
#include <QWidget>
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

// 64 MB of heap in blocks too small for their own mappings, freed below a live block that keeps
// free() from returning the space by itself. Returns the live block.
char* freedHeapBelowALiveBlock() {
    constexpr int kBlocks = 16384;
    std::vector<char*> blocks;
    for (int i = 0; i < kBlocks; ++i) {
        blocks.push_back(new char[4000]);
        for (int k = 0; k < 4000; k += 512)
            blocks.back()[k] = char(i + k);
    }
    char* guard = new char[4000];
    guard[0] = 1;
    for (char* b : blocks)
        delete[] b;
    return guard;
}

} // namespace

TEST(TrimWorkingSet, FreedHeapBelowALiveBlockIsGivenBack) {
    char* guard = freedHeapBelowALiveBlock();
    const long before = residentAnonKb();
    ASSERT_GT(before, 60 * 1024);

    TrimWorkingSet();

    EXPECT_LT(residentAnonKb(), before - 48 * 1024);
    EXPECT_EQ(guard[0], 1);
    delete[] guard;
}

TEST(TrimWorkingSet, APressOnAnyWidgetGivesTheFreedHeapBack) {
    WorkingSetTrimmer trimmer;
    QWidget box;
    char* guard = freedHeapBelowALiveBlock();
    const long before = residentAnonKb();
    ASSERT_GT(before, 60 * 1024);

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &press);

    EXPECT_TRUE(WaitFor([&] { return residentAnonKb() < before - 48 * 1024; }));
    delete[] guard;
}
