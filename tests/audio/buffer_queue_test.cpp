#include "audio/buffer_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace zevrin {
namespace {

// A device may still hold what it read: the marked buffer comes back only once the
// device says everything has been played.
TEST(PlaybackQueue, MarkedBufferComesBackWhenDrained) {
    TPlaybackQueue q;
    q.resize(2);
    int wakeups = 0;
    q.restart(4, 1, [&] { ++wakeups; });
    std::vector<int16_t> a{1, 2, 3, 4};
    std::vector<int16_t> b{5, 6};
    q.queue(a.data(), a.size(), 0, 0);
    q.queue(b.data(), b.size(), 1, stop_marker);
    std::vector<int16_t> out(8, -1);
    EXPECT_FALSE(q.read(out.data(), out.size()));
    EXPECT_EQ(out, (std::vector<int16_t>{1, 2, 3, 4, 5, 6, 0, 0}));
    TReturnedBuffer r;
    ASSERT_TRUE(q.take(r));
    EXPECT_EQ(r.index, 0);
    EXPECT_EQ(r.count, 4u);
    EXPECT_FALSE(q.take(r)) << "not played out yet";
    q.clear_wake();
    q.drained();
    ASSERT_TRUE(q.take(r));
    EXPECT_EQ(r.user, stop_marker);
    EXPECT_EQ(wakeups, 2);
    EXPECT_EQ(q.lost_total(), 0) << "the end is not an underrun";
}

} // namespace
} // namespace zevrin
