#include "app/device_wakeup.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zevrin {

namespace {

constexpr int poll_interval_ms = 5;

} // namespace

TDeviceWakeup::TDeviceWakeup(std::function<void()> pump, QObject* parent)
    : QObject(parent), fpump(std::move(pump)), ffd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (ffd >= 0) {
        fnotifier = new QSocketNotifier(ffd, QSocketNotifier::Read, this);
        connect(fnotifier, &QSocketNotifier::activated, this, [this] { take(); });
    } else {
        fpoll = new QTimer(this);
        connect(fpoll, &QTimer::timeout, this, [this] {
            if (fpending.load(std::memory_order_acquire)) {
                take();
            }
        });
        fpoll->start(poll_interval_ms);
    }
}

TDeviceWakeup::~TDeviceWakeup() {
    delete fnotifier;
    if (ffd >= 0) {
        ::close(ffd);
    }
}

void TDeviceWakeup::wake() noexcept {
    if (fpending.exchange(true, std::memory_order_acq_rel) || ffd < 0) {
        return;
    }
    const uint64_t one = 1;
    ssize_t written = 0;
    do {
        written = ::write(ffd, &one, sizeof one);
    } while (written < 0 && errno == EINTR);
}

// The flag is cleared before the pump looks for work: a wake-up during the pump
// writes again, so nothing that arrives then waits for the next one.
void TDeviceWakeup::take() {
    if (ffd >= 0) {
        uint64_t count = 0;
        while (::read(ffd, &count, sizeof count) < 0 && errno == EINTR) {
        }
    }
    fpending.exchange(false, std::memory_order_acq_rel);
    fpump();
}

} // namespace zevrin
