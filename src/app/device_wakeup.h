#pragma once
// Wakes the GUI thread from a sound device's thread, without allocating or locking
// there: wake() sets an atomic flag and, when the flag was clear, adds 1 to an
// eventfd; a QSocketNotifier on the GUI thread sees the eventfd become readable,
// clears both, and calls the pump. Wakes that come before the pump has run cost only
// the flag's exchange. (Posting a Qt event instead would allocate the event and take
// the event queue's lock on the device's thread.)
//
// Where no eventfd can be had (the process is out of file descriptors), a timer on
// the GUI thread looks at the flag every few milliseconds instead.

#include <QObject>

#include <atomic>
#include <functional>

class QSocketNotifier;
class QTimer;

namespace zevrin {

class TDeviceWakeup : public QObject {
public:
    /// `pump` runs on the thread that creates the object, once per wake-up seen.
    TDeviceWakeup(std::function<void()> pump, QObject* parent);
    ~TDeviceWakeup() override;
    TDeviceWakeup(const TDeviceWakeup&) = delete;
    TDeviceWakeup& operator=(const TDeviceWakeup&) = delete;

    /// Any thread, also the device's: neither allocates nor locks nor throws.
    void wake() noexcept;
    /// A wake-up function for a capture or playback component, calling wake().
    std::function<void()> function() {
        return [this] { wake(); };
    }

private:
    void take();

    std::function<void()> fpump;
    int ffd = -1;
    std::atomic<bool> fpending{false};
    QSocketNotifier* fnotifier = nullptr;
    QTimer* fpoll = nullptr;
};

} // namespace zevrin
