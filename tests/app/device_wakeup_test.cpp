// The wake-up that a sound device's thread gives the GUI thread: on the way from the
// device's callback through the buffer queue it allocates nothing, and the GUI thread
// pumps once for every burst of wake-ups, from any thread.

#include "app/device_wakeup.h"
#include "audio/buffer_queue.h"
#include "support/allocation_counter.h"
#include "support/qt_app.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace zevrin {
namespace {

void settle() {
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
}

TEST(DeviceWakeup, TheCallbackPathAllocatesNothingAndEachBurstPumpsOnce) {
    test::qt_app();
    int pumped = 0;
    TDeviceWakeup wakeup([&pumped] { ++pumped; }, nullptr);
    constexpr size_t unit = 64;
    TCaptureQueue queue;
    queue.resize(4);
    queue.restart(unit, 1, wakeup.function());
    std::vector<int16_t> ring(4 * unit);
    for (int i = 0; i < 4; ++i) {
        queue.queue(ring.data() + i * unit, unit, i, i);
    }
    const std::vector<int16_t> sound(3 * unit, 7);
    // What the device's callback does: hand over values, which complete buffers.
    const long allocations = testing::allocations_in([&] {
        TSampleSink& sink = queue;
        sink.write(sound.data(), sound.size());
        wakeup.wake(); // a second wake-up before the GUI thread ran
    });
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(pumped, 0); // nothing runs on the device's thread
    settle();
    EXPECT_EQ(pumped, 1);
    settle();
    EXPECT_EQ(pumped, 1);
    // The pump re-arms the queue; the next buffer wakes the GUI thread again.
    queue.clear_wake();
    queue.write(sound.data(), unit);
    settle();
    EXPECT_EQ(pumped, 2);
    // From another thread, as a real device calls it.
    std::thread device([&wakeup] {
        for (int i = 0; i < 5; ++i) {
            wakeup.wake();
        }
    });
    device.join();
    settle();
    EXPECT_EQ(pumped, 3);
}

} // namespace
} // namespace zevrin
