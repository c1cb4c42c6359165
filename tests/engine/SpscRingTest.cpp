// The lock-free hand-overs between the threads: the PCM ring and the
// latest-value triple buffer, including wrap-around and concurrent use.
#include "SpscRing.h"
#include "TripleBuffer.h"

#include <gtest/gtest.h>

#include <thread>

TEST(SpscRing, WrapsAroundKeepingOrderAndRefusesOverfill) {
    SpscRing ring(7); // not a power of two: the wrap is not a bit mask
    ASSERT_EQ(ring.capacityFrames(), 7);
    float next = 0, expected = 0;
    for (int round = 0; round < 20; ++round) {
        // Write 5, read 5: the regions split at the end of the buffer.
        for (int written = 0; written < 5;) {
            auto w = ring.acquireWrite(5 - written);
            ASSERT_GT(w.frames, 0);
            for (int i = 0; i < w.frames; ++i)
                w.data[2 * i] = next, w.data[2 * i + 1] = -next, ++next;
            ring.commitWrite(w.frames);
            written += w.frames;
        }
        EXPECT_EQ(ring.readableFrames(), 5);
        EXPECT_LE(ring.acquireWrite(100).frames + 5, 7);
        for (int read = 0; read < 5;) {
            auto r = ring.acquireRead(5 - read);
            ASSERT_GT(r.frames, 0);
            for (int i = 0; i < r.frames; ++i, ++expected) {
                ASSERT_EQ(r.data[2 * i], expected);
                ASSERT_EQ(r.data[2 * i + 1], -expected);
            }
            ring.commitRead(r.frames);
            read += r.frames;
        }
    }
    // Full: nothing more can be acquired until the reader moves.
    for (int filled = 0; filled < 7;) {
        auto w = ring.acquireWrite(7);
        ring.commitWrite(w.frames);
        filled += w.frames;
    }
    EXPECT_EQ(ring.acquireWrite(1).frames, 0);
    EXPECT_EQ(ring.readableFrames(), 7);
}

TEST(SpscRing, DiscardDropsOnlyWhatCameBeforeTheMark) {
    SpscRing ring(16);
    auto w = ring.acquireWrite(6);
    for (int i = 0; i < 12; ++i)
        w.data[i] = static_cast<float>(i / 2);
    ring.commitWrite(6);
    const std::uint64_t mark = ring.writeCount() - 2; // the last two frames are "new"
    ring.discardUntil(mark);
    EXPECT_EQ(ring.readableFrames(), 2);
    EXPECT_EQ(ring.acquireRead(1).data[0], 4.0f);
    ring.discardUntil(0); // a mark behind the reader changes nothing
    EXPECT_EQ(ring.readableFrames(), 2);
    ring.discardUntil(1000); // nor can a mark skip past what was written
    EXPECT_EQ(ring.readableFrames(), 0);
    EXPECT_EQ(ring.acquireWrite(16).frames, 10); // up to the end of the buffer
}

TEST(SpscRing, ConcurrentProducerAndConsumerSeeEveryFrameOnce) {
    SpscRing ring(61);
    constexpr int kFrames = 50000;
    std::thread producer([&] {
        for (int n = 0; n < kFrames;) {
            auto w = ring.acquireWrite(std::min(37, kFrames - n));
            for (int i = 0; i < w.frames; ++i)
                w.data[2 * i] = w.data[2 * i + 1] = static_cast<float>(n + i);
            ring.commitWrite(w.frames);
            n += w.frames;
            if (w.frames == 0) std::this_thread::yield();
        }
    });
    int seen = 0;
    bool inOrder = true;
    while (seen < kFrames) {
        auto r = ring.acquireRead(29);
        for (int i = 0; i < r.frames; ++i)
            inOrder = inOrder && r.data[2 * i] == static_cast<float>(seen + i);
        ring.commitRead(r.frames);
        seen += r.frames;
        if (r.frames == 0) std::this_thread::yield();
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(ring.readableFrames(), 0);
}

TEST(TripleBuffer, ReaderGetsTheNewestValueNeverATornOne) {
    struct Pair {
        long a = 0, b = 0;
    };
    TripleBuffer<Pair> buffer;
    Pair value;
    EXPECT_FALSE(buffer.read(value));
    buffer.write({1, 1});
    buffer.write({2, 2});
    ASSERT_TRUE(buffer.read(value));
    EXPECT_EQ(value.a, 2);
    EXPECT_FALSE(buffer.read(value)) << "nothing new since the last read";

    std::thread writer([&] {
        for (long i = 3; i < 100000; ++i)
            buffer.write({i, -i});
    });
    long last = 2;
    bool consistent = true, monotonic = true;
    while (last < 99999) {
        if (!buffer.read(value)) continue;
        consistent = consistent && value.a == -value.b;
        monotonic = monotonic && value.a > last;
        last = value.a;
    }
    writer.join();
    EXPECT_TRUE(consistent);
    EXPECT_TRUE(monotonic);
}
