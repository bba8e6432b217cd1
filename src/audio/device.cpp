#include "audio/device.h"

namespace zevrin {

std::string own_error_text(int code) {
    switch (code) {
    case err_bad_device_id:
        return "The device identifier is out of range.";
    case err_bad_rate:
        return "The device does not support this sampling rate.";
    case err_bad_channels:
        return "The device does not support this number of channels.";
    case err_device_stopped:
        return "The sound device stopped working.";
    case err_simulated_fault:
        return "The virtual loopback failed on purpose (simulated fault).";
    case err_device_busy:
        return "The device is already in use.";
    default:
        return "Unknown sound device error " + std::to_string(code) + ".";
    }
}

TDeviceError::TDeviceError(int code)
    : std::runtime_error("sound device error " + std::to_string(code)), fcode(code) {}

} // namespace zevrin
