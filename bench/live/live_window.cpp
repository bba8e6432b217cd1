// The program's main window capturing from a named input device for a while, as a
// user runs it: for bench/live/jack_live_cpu.sh, which reads the process's CPU time
// from /proc while this runs. Options: --device TEXT (the first input whose name holds
// it), --bandwidth HZ, --dual, --ltas, --sltas, --seconds S. Prints the frames taken
// and the blocks lost at the end.

#include "app/main_window.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    using namespace zevrin;
    std::string device = "JACK";
    double bandwidth = 23.4375; // at 48 kHz with the Hamming window: frames of 4096
    bool dual = false, ltas = false, sltas = false;
    double seconds = 60;
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        const bool value = i + 1 < argc;
        if (opt == "--device" && value) {
            device = argv[++i];
        } else if (opt == "--bandwidth" && value) {
            bandwidth = std::atof(argv[++i]);
        } else if (opt == "--seconds" && value) {
            seconds = std::atof(argv[++i]);
        } else if (opt == "--dual") {
            dual = true;
        } else if (opt == "--ltas") {
            ltas = true;
        } else if (opt == "--sltas") {
            sltas = true;
        }
    }
    QApplication app(argc, argv);
    set_message_box_handler([](const std::string& text, const std::string&, unsigned) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return 1;
    });
    TForm1 w;
    w.show();
    TAnalyserComponents& c = w.components();
    const std::vector<std::string> inputs = c.MPCRecord1.Devicenames();
    int id = -1;
    for (size_t k = 0; k < inputs.size() && id < 0; ++k) {
        if (inputs[k].find(device) != std::string::npos) {
            id = static_cast<int>(k);
        }
    }
    if (id < 0) {
        std::fprintf(stderr, "live_window: no input device named like '%s'\n", device.c_str());
        return 1;
    }
    std::fprintf(stderr, "input: %s\n", inputs[static_cast<size_t>(id)].c_str());
    c.MPCRecord1.set_DeviceID(id);
    TAnalyser& a = w.analyser();
    a.sampfreq = 48000;
    a.bandwidth = bandwidth;
    a.dualchannels = dual;
    c.FFT1.set_Window(TFFTWindow::Hamming);
    a.set_ltas(ltas);
    a.set_sltas(sltas);
    w.RunExecute();
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QApplication::quit);
    app.exec();
    w.RunExecute();
    std::printf("%s, %s, N = %d: %lld blocks lost\n", dual ? "dual" : "mono",
                inputs[static_cast<size_t>(id)].c_str(), c.FFT1.FFTSize(),
                static_cast<long long>(c.MPCRecord1.lost_chunks()));
    return 0;
}
