#include "app/analyse_pictures.h"

#include "app/image_size.h"
#include "dsp/text.h"
#include "shell/artwork.h"

#include <QApplication>

#include <stdexcept>

namespace zevrin {

namespace {

const std::string& option_value(const std::vector<std::string>& args, size_t& i) {
    if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) {
        throw std::invalid_argument(args[i] + " needs a value");
    }
    return args[++i];
}

// The program's start made none: pictures need one, but no display.
QApplication& offscreen_application() {
    static int argc = 3;
    static char name[] = "zevrin";
    static char platform_option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platform_option, platform, nullptr};
    // Lives until the process ends, like the program's own would.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace

bool parse_picture_option(const std::vector<std::string>& args, size_t& i,
                          TPictureOptions& options) {
    const std::string& a = args[i];
    if (a == "--png") {
        options.png = option_value(args, i);
    } else if (a == "--svg") {
        options.svg = option_value(args, i);
    } else if (a == "--pdf") {
        options.pdf = option_value(args, i);
    } else if (a == "--size") {
        const TImageSize size = parse_image_size(a, option_value(args, i));
        options.size = QSize(size.width, size.height);
    } else if (a == "--title") {
        // A title may begin with dashes.
        if (i + 1 >= args.size()) {
            throw std::invalid_argument("--title needs a value");
        }
        options.title = args[++i];
    } else {
        return false;
    }
    return true;
}

std::string picture_usage() {
    return " [--png OUT.png] [--svg OUT.svg] [--pdf OUT.pdf] [--title T] [--spectrogram OUT.png] "
           "[--size WxH]";
}

std::string picture_help() {
    return "  --png OUT.png             the spectrum plot with its axes as the window shows it\n"
           "  --svg OUT.svg             the same as lines and text\n"
           "  --pdf OUT.pdf             the printed page (A4): plot, title and the facts\n"
           "  --title T                 the printed page's title\n"
           "  --spectrogram OUT.png     the spectrogram of the whole file, with the settings'\n"
           "                            frequency and level ranges\n"
           "  --size WxH                the pictures' size in pixels (900x600 for the plot,\n"
           "                            whose level axis takes 37 pixels at the left and\n"
           "                            frequency axis 25 at the bottom; 1200x400 for the\n"
           "                            spectrogram)\n";
}

void write_analysis_pictures(const TPictureOptions& options, TAnalyser& analyser,
                             const std::array<uint32_t, ncurves>& linecolor,
                             const std::array<bool, ncurves>& showcurve) {
    if (!options.any()) {
        return;
    }
    if (QApplication::instance() == nullptr) {
        offscreen_application();
    }
    write_pictures(options, analyser, linecolor, showcurve, program_logo());
}

} // namespace zevrin
