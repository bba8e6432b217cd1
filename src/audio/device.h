#pragma once
// Sound devices as the capture and playback components see them: a set of input and
// output devices, each opened as a stream of its own that moves interleaved 16-bit
// values between the device's thread and a sink or source.
//
// Two sets exist: TDevices::system() (the sound cards PortAudio finds, then the
// virtual loopback on a real-time clock) and any TVirtualLoopback a test creates on a
// manual clock. A component is given its set when it is constructed; the set must
// outlive it.
//
// Error codes: negative codes are PortAudio's, positive ones are TDeviceErrorCode;
// error_text() of any set turns either kind into a readable sentence.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zevrin {

enum TDeviceErrorCode : int {
    err_bad_device_id = 1,
    err_bad_rate = 2,
    err_bad_channels = 3,
    err_device_stopped = 4,
    err_simulated_fault = 5,
    err_device_busy = 6,
};

/// The text of our own codes (TDeviceErrorCode); any other code gives a sentence with
/// its number.
std::string own_error_text(int code);

/// A device call failed; code() is what error_text() explains.
class TDeviceError : public std::runtime_error {
public:
    explicit TDeviceError(int code);
    int code() const { return fcode; }

private:
    int fcode;
};

struct TStreamFormat {
    int rate = 0;     ///< frames per second
    int channels = 0; ///< values per frame
    /// Seconds of sound the device may hold before it is delivered (or played); 0 leaves
    /// it to the device set. On the sound cards it also sets how often blocks arrive.
    double latency = 0.0;
};

/// Where an input stream puts what it captured. Called on the device's thread, never
/// from two threads at once; must not block, allocate or throw.
class TSampleSink {
public:
    /// n interleaved values, channel 1 first, continuing the previous call.
    virtual void write(const int16_t* values, size_t n) noexcept = 0;
    /// The stream has stopped for good because of the error `code`.
    virtual void fail(int code) noexcept = 0;
    /// The host reported that it lost input before the next values (its buffer
    /// overflowed): sound is missing from the stream, in an amount it does not say.
    virtual void lost() noexcept = 0;

protected:
    ~TSampleSink() = default;
};

/// Where an output stream takes what it plays. Same thread rules as TSampleSink.
class TSampleSource {
public:
    /// Fills all n values. Returns false once the end of what is to be played has been
    /// read; the rest of `values` is then silence, as are later reads.
    virtual bool read(int16_t* values, size_t n) noexcept = 0;
    /// After read() returned false: everything read has now been played.
    virtual void drained() noexcept = 0;
    virtual void fail(int code) noexcept = 0;
    /// The host reported that it played something other than what was read before the
    /// next read (its buffer ran empty, or it discarded values).
    virtual void lost() noexcept = 0;

protected:
    ~TSampleSource() = default;
};

/// One open stream. Created stopped; after abort() returns (and in the destructor) the
/// device no longer calls the sink or source. Owner's thread only.
class TAudioStream {
public:
    virtual ~TAudioStream() = default;
    /// Throws TDeviceError.
    virtual void start() = 0;
    /// Stops at once, dropping what is not yet played or delivered. Throws
    /// TDeviceError, but the device has stopped calling back even then.
    virtual void abort() = 0;
    /// Releases the device. Throws TDeviceError; the stream is unusable afterwards.
    virtual void close() = 0;
};

/// A set of devices. Input and output IDs are separate lists; -1 is the default
/// device of its direction. Owner's thread only.
class TDevices {
public:
    virtual ~TDevices() = default;

    /// Asked of the system at every call, so devices that come and go are seen.
    virtual std::vector<std::string> input_names() = 0;
    virtual std::vector<std::string> output_names() = 0;
    /// Opens a stopped stream, or throws TDeviceError (an unknown ID, a format the
    /// device refuses, ...). The sink or source must outlive the stream.
    virtual std::unique_ptr<TAudioStream> open_input(int id, TStreamFormat format,
                                                     TSampleSink& sink) = 0;
    virtual std::unique_ptr<TAudioStream> open_output(int id, TStreamFormat format,
                                                      TSampleSource& source) = 0;
    virtual std::string error_text(int code) const = 0;

    /// The process-wide set: PortAudio's devices of every host API, then the virtual
    /// loopback on a real-time clock, which is also the default where PortAudio finds
    /// no device. Created on first use.
    static TDevices& system();
};

} // namespace zevrin
