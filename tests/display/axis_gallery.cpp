// A window with the three kinds of axis scale, each horizontal and vertical, their
// markers, and the six drag cursors: for screenshots and for looking at by eye.
//
//     axis_gallery               shows the window until it is closed
//     axis_gallery --grab FILE   writes the window's picture to FILE (PNG) and ends

#include "display/axis.h"
#include "display/axis_cursors.h"
#include "display/axis_drag.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <cstring>

namespace {

using zevrin::TAxis;
using zevrin::tposition;

constexpr int plot_width = 480;
constexpr int plot_height = 300;
constexpr int vertical_pitch = 60;
constexpr int top = 22;
constexpr int left = 3 * vertical_pitch + 20;

TAxis* add_axis(QWidget* window, tposition position, QRect geometry, double lo, double hi,
                const char* caption, double marker) {
    auto* axis = new TAxis(window);
    axis->set_Position(position);
    axis->setGeometry(geometry);
    axis->set_TickSpaceAim(50);
    axis->set_hilovalues(lo, hi);
    axis->set_AxisText(caption);
    axis->set_AllowMidScroll(true);
    axis->set_AllowDoubleClick(true);
    axis->set_MarkerVisible(true);
    axis->set_MarkerValue(marker);
    return axis;
}

void add_caption(QWidget* window, QPoint at, const char* text) {
    auto* label = new QLabel(text, window);
    label->move(at);
}

void build(QWidget& window) {
    window.setWindowTitle("Zevrin axes");
    window.setFixedSize(left + plot_width + 10, top + plot_height + 10);

    // Three vertical axes side by side, the horizontal ones right of them.
    const char* kinds[] = {"linear", "log", "notes"};
    for (int i = 0; i < 3; ++i) {
        add_caption(&window, QPoint(4 + vertical_pitch * i, 4), kinds[i]);
    }
    add_axis(&window, tposition::posleft, QRect(4, top, 44, plot_height), -25, 75, "[dB]", 60);
    TAxis* log_v = add_axis(&window, tposition::posleft,
                            QRect(4 + vertical_pitch, top, 44, plot_height), 0.01, 100, "[V]", 1);
    log_v->set_Logarithmic(true);
    TAxis* notes_v =
        add_axis(&window, tposition::posright, QRect(4 + 2 * vertical_pitch, top, 44, plot_height),
                 55, 880, "[Hz]", 440);
    notes_v->set_Logarithmic(true);
    notes_v->set_MusicScale(true);

    int y = top;
    add_axis(&window, tposition::posunder, QRect(left, y + 14, plot_width, 25), 0, 8000, "[Hz]",
             3000);
    add_caption(&window, QPoint(left, y), "linear 0 .. 8000");
    y += 45;
    TAxis* log_h = add_axis(&window, tposition::posunder, QRect(left, y + 14, plot_width, 25), 20,
                            20000, "[Hz]", 1000);
    log_h->set_Logarithmic(true);
    add_caption(&window, QPoint(left, y), "logarithmic 20 .. 20000");
    y += 45;
    TAxis* notes_h = add_axis(&window, tposition::posover, QRect(left, y + 14, plot_width, 25),
                              27.5, 4186, "[Hz]", 261.63);
    notes_h->set_Logarithmic(true);
    notes_h->set_MusicScale(true);
    add_caption(&window, QPoint(left, y), "notes 27.5 .. 4186 (over its plot)");
    y += 45;
    TAxis* reversed = add_axis(&window, tposition::posunder, QRect(left, y + 14, plot_width, 25), 0,
                               100, "[ms]", 25);
    reversed->set_Reverse(true);
    add_caption(&window, QPoint(left, y), "linear, reversed");

    y += 60;
    add_caption(&window, QPoint(left, y),
                "drag cursors: vertical upper, lower, middle; "
                "horizontal upper, lower, middle");
    for (int n = zevrin::crVUpper; n <= zevrin::crHMiddle; ++n) {
        auto* label = new QLabel(&window);
        label->setPixmap(QPixmap::fromImage(zevrin::axis_cursor_image(n)));
        label->setGeometry(left + 40 * (n - zevrin::crVUpper), y + 18, 32, 32);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    build(window);
    window.show();
    if (argc == 3 && std::strcmp(argv[1], "--grab") == 0) {
        if (!window.grab().save(argv[2], "PNG")) {
            std::fprintf(stderr, "axis_gallery: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    return app.exec();
}
