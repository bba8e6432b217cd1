#include "app_start.h"

#include "dsp/vector_isa.h"
#include "register_state.h"

#include <benchmark/benchmark.h>

#if ZEVRIN_BENCH_QT
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#endif

#include <string>

namespace zevrin::bench {

namespace {

// Removes --vector_isa=NAME from the arguments and applies it.
void take_isa_option(int& argc, char** argv) {
    const std::string prefix = "--vector_isa=";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind(prefix, 0) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        const std::string name = arg.substr(prefix.size());
        limit_vector_isa(name == "sse2"  ? TVectorIsa::baseline
                         : name == "avx" ? TVectorIsa::avx
                                         : TVectorIsa::avx2);
    }
    argc = kept;
}

} // namespace

void start_like_the_program(int& argc, char** argv) {
    take_isa_option(argc, argv);
    benchmark::AddCustomContext("processor", processor_description());
#if ZEVRIN_BENCH_QT
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int qtargc = argc;
    // Lives to the end of the process, as the program's does.
    static QApplication* app = new QApplication(qtargc, argv);
    QLabel label("Zevrin 1000 Hz -20 dB");
    label.resize(300, 40);
    QImage image(1200, 700, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        painter.drawLine(0, 0, 1199, 699);
    }
    label.render(&image);
    app->processEvents();
    benchmark::AddCustomContext("upper register state after QApplication and a paint",
                                upper_vector_state_in_use() ? "in use (dirty)" : "clean");
#else
    (void)argc;
    (void)argv;
#endif
}

} // namespace zevrin::bench
