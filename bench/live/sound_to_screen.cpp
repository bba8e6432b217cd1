// Sound to screen: how long after a click leaves the sound output the spectrum plot
// shows the frame that holds it, per bandwidth; and, with --endurance SECONDS, whether
// any block of sound is lost while the window is resized and repainted all the time.
// --latency MS asks the device for that capture latency instead of the window's setting.
//
// The program's own main window runs on the system's sound server (run it under
// scripts/with_sound_server.sh: a private PulseAudio whose null sink comes back on its
// monitor source; bench/live/sound_to_screen.sh does that and starts an X server). A
// second PortAudio stream of this program plays a click (eight samples at half full
// scale in silence) at a random moment; its callback notes when the click's first
// sample reaches the output (PortAudio's time of the buffer at the converter, plus the
// click's place in the buffer), on the steady clock. The latency is the time from then
// to the end of the first paint of the plot after which the window's current frame
// holds the click. Goal: at most one frame length plus 50 ms.

#include "app/main_window.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace zevrin {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double rate = 48000;
constexpr float click_level = 0.5f;
constexpr int click_samples = 8;
constexpr int threshold = 8000; // half of the click as 16-bit samples

double now_s() {
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// The click's output stream: silence, and a click when asked for.
class ClickPlayer {
public:
    ClickPlayer() {
        Pa_Initialize();
        PaStreamParameters p{};
        p.device = Pa_GetDefaultOutputDevice();
        p.channelCount = 1;
        p.sampleFormat = paFloat32;
        p.suggestedLatency = Pa_GetDeviceInfo(p.device)->defaultLowOutputLatency;
        if (Pa_OpenStream(&fstream, nullptr, &p, rate, paFramesPerBufferUnspecified, paClipOff,
                          &ClickPlayer::callback, this) != paNoError ||
            Pa_StartStream(fstream) != paNoError) {
            std::fprintf(stderr, "sound_to_screen: cannot open the click's output\n");
            std::exit(1);
        }
    }
    ~ClickPlayer() {
        Pa_StopStream(fstream);
        Pa_CloseStream(fstream);
        Pa_Terminate();
    }
    ClickPlayer(const ClickPlayer&) = delete;
    ClickPlayer& operator=(const ClickPlayer&) = delete;

    /// A click after `frames` sample frames of silence; its time is known later.
    void request(long frames) {
        fdelay.store(frames);
        frequested.store(true);
    }
    /// When the click reached the output (steady clock, seconds), or 0 before it did.
    double click_time() const { return fclicktime.load(); }

private:
    static int callback(const void*, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags, void* self) {
        auto* c = static_cast<ClickPlayer*>(self);
        auto* out = static_cast<float*>(output);
        const double steady = now_s();
        if (c->frequested.exchange(false)) {
            c->fclicktime.store(0.0);
            c->fleft = c->fdelay.load();
        }
        for (unsigned long i = 0; i < frames; ++i) {
            out[i] = 0.0f;
            if (c->fclickleft > 0) {
                out[i] = click_level;
                --c->fclickleft;
            } else if (c->fleft == 0) {
                const double delay = time->outputBufferDacTime - time->currentTime;
                c->fclicktime.store(steady + delay + static_cast<double>(i) / rate);
                out[i] = click_level;
                c->fclickleft = click_samples - 1;
                c->fleft = -1;
            } else if (c->fleft > 0) {
                --c->fleft;
            }
        }
        return paContinue;
    }

    PaStream* fstream = nullptr;
    std::atomic<bool> frequested{false};
    std::atomic<long> fdelay{0};
    std::atomic<double> fclicktime{0.0};
    // The callback's own: frames until the click (-1: none due), click samples to come.
    long fleft = -1;
    int fclickleft = 0;
};

// Calls `painted` after every paint event of one widget has been handled.
class App : public QApplication {
public:
    using QApplication::QApplication;
    QWidget* watched = nullptr;
    std::function<void()> painted;
    bool notify(QObject* receiver, QEvent* event) override {
        const bool paint = receiver == watched && event->type() == QEvent::Paint;
        const bool result = QApplication::notify(receiver, event);
        if (paint && painted) {
            painted();
        }
        return result;
    }
};

bool frame_holds_click(const TAnalyser& a) {
    return std::any_of(a.inre1.begin(), a.inre1.end(),
                       [](double v) { return std::abs(v) > threshold; });
}

// A click's latency and the part of it before the analyser took the frame holding it;
// the rest is the wait for the paint and the paint.
struct Latency {
    double total = 0;
    double to_frame = 0;
    bool operator<(const Latency& o) const { return total < o.total; }
};

struct Result {
    double bandwidth = 0, frame = 0;
    std::vector<Latency> latencies;
    int64_t lost = 0;
};

// Runs the window at one bandwidth and measures `clicks` clicks.
Result measure(App& app, TForm1& w, ClickPlayer& player, double bandwidth, int clicks,
               double endurance) {
    TAnalyser& a = w.analyser();
    a.sampfreq = rate;
    a.bandwidth = bandwidth;
    a.set_ltas(true);
    w.RunExecute();
    Result r;
    r.bandwidth = bandwidth;
    r.frame = static_cast<double>(a.inre1.size()) / rate;
    std::mt19937 rng(static_cast<unsigned>(bandwidth * 1000));
    enum class Phase { settle, waiting, clear } phase = Phase::settle;
    double phase_start = now_s();
    const double start = now_s();
    double framed = 0; // when the analyser took the frame holding the click
    const std::function<void()> onframe = a.OnFrame;
    a.OnFrame = [&, before = onframe] {
        if (before) {
            before();
        }
        if (phase == Phase::waiting && framed == 0 && player.click_time() > 0 &&
            frame_holds_click(a)) {
            framed = now_s();
        }
    };
    app.painted = [&] {
        const double t = now_s();
        if (phase == Phase::waiting) {
            const double click = player.click_time();
            if (click > 0 && frame_holds_click(a)) {
                r.latencies.push_back({t - click, framed > 0 ? framed - click : t - click});
                phase = Phase::clear;
                phase_start = t;
            } else if (t - phase_start > 3 * r.frame + 2.0) {
                std::fprintf(stderr, "a click was not seen; waiting for the next\n");
                phase = Phase::clear;
                phase_start = t;
            }
        } else if (phase == Phase::settle ? t - phase_start > 1.0 + r.frame
                                          : !frame_holds_click(a) && t - phase_start > r.frame) {
            std::uniform_real_distribution<double> after(0.05, 0.05 + r.frame);
            player.request(std::lround(after(rng) * rate));
            framed = 0;
            phase = Phase::waiting;
            phase_start = t;
        }
    };
    QTimer resize;
    bool big = false;
    if (endurance > 0) {
        QObject::connect(&resize, &QTimer::timeout, [&] {
            big = !big;
            w.resize(big ? 1400 : 1000, big ? 900 : 650);
            w.repaint();
        });
        resize.start(50);
    }
    // The program's own event loop, left when the run is over.
    QEventLoop loop;
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        const double t = now_s() - start;
        const bool finished =
            endurance > 0 ? t >= endurance : static_cast<int>(r.latencies.size()) >= clicks;
        if (finished || t > 60.0 + clicks * (4 * r.frame + 3.0) + endurance) {
            loop.quit();
        }
    });
    done.start(100);
    loop.exec();
    resize.stop();
    app.painted = nullptr;
    a.OnFrame = onframe;
    w.RunExecute();
    r.lost = w.components().MPCRecord1.lost_chunks();
    return r;
}

void report(const Result& r, double endurance) {
    std::vector<Latency> l = r.latencies;
    std::sort(l.begin(), l.end());
    const double goal = r.frame + 0.050;
    const auto over =
        std::count_if(l.begin(), l.end(), [goal](const Latency& v) { return v.total > goal; });
    std::printf("%6.1f Hz  frame %7.1f ms  clicks %3zu  latency min %7.1f  median %7.1f  max "
                "%7.1f ms  goal %7.1f ms: %s",
                r.bandwidth, r.frame * 1e3, l.size(), l.empty() ? 0 : l.front().total * 1e3,
                l.empty() ? 0 : l[l.size() / 2].total * 1e3, l.empty() ? 0 : l.back().total * 1e3,
                goal * 1e3,
                l.empty()   ? "no click seen"
                : over == 0 ? "met"
                            : "missed");
    if (over > 0) {
        std::printf(" (%ld over, by up to %.1f ms)", static_cast<long>(over),
                    (l.back().total - goal) * 1e3);
    }
    if (endurance > 0) {
        std::printf("; %.0f s with the window resized every 50 ms: %lld blocks lost", endurance,
                    static_cast<long long>(r.lost));
    }
    std::printf("\n");
    if (!l.empty()) {
        // Where the time goes: until the analyser has the frame (the sound's way through
        // the server and the capture), then until the paint is done.
        std::vector<double> to_frame, to_paint;
        for (const Latency& v : l) {
            to_frame.push_back(v.to_frame);
            to_paint.push_back(v.total - v.to_frame);
        }
        std::sort(to_frame.begin(), to_frame.end());
        std::sort(to_paint.begin(), to_paint.end());
        std::printf("          click to frame: median %7.1f  max %7.1f ms; frame to paint: median "
                    "%7.1f  max %7.1f ms\n",
                    to_frame[to_frame.size() / 2] * 1e3, to_frame.back() * 1e3,
                    to_paint[to_paint.size() / 2] * 1e3, to_paint.back() * 1e3);
    }
    for (const Latency& v : l) {
        if (v.total > goal) {
            std::printf("          late: %7.1f ms = %7.1f to the frame + %7.1f to the paint\n",
                        v.total * 1e3, v.to_frame * 1e3, (v.total - v.to_frame) * 1e3);
        }
    }
    std::fflush(stdout);
}

} // namespace
} // namespace zevrin

int main(int argc, char** argv) {
    using namespace zevrin;
    std::vector<double> bandwidths = {50, 20, 10, 5, 2};
    int clicks = 15;
    double endurance = 0;
    double latency_ms = 0; // the window's own setting
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string opt = argv[i];
        if (opt == "--clicks") {
            clicks = std::atoi(argv[i + 1]);
        } else if (opt == "--endurance") {
            endurance = std::atof(argv[i + 1]);
        } else if (opt == "--latency") {
            latency_ms = std::atof(argv[i + 1]);
        } else if (opt == "--bandwidths") {
            bandwidths.clear();
            for (const char* p = argv[i + 1]; *p != '\0';) {
                char* end = nullptr;
                bandwidths.push_back(std::strtod(p, &end));
                p = *end == ',' ? end + 1 : end;
            }
        }
    }
    App app(argc, argv);
    set_message_box_handler([](const std::string& text, const std::string&, unsigned) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return 1;
    });
    ClickPlayer player;
    TForm1 w;
    w.show();
    app.watched = w.PaintBox1;
    w.components().MPCRecord1.set_DeviceID(-1); // PortAudio's default: the sound server
    w.analyser().dualchannels = false;
    w.components().FFT1.set_Window(TFFTWindow::Hamming);
    TMPCRecord& capture = w.components().MPCRecord1;
    if (latency_ms > 0) {
        capture.set_Latency(latency_ms / 1000);
    }
    std::printf("capture latency asked of the device: %.0f ms\n", capture.Latency() * 1000);
    for (double b : bandwidths) {
        report(measure(app, w, player, b, clicks, endurance), endurance);
    }
    return 0;
}
