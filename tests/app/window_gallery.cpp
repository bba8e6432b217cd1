// The main window on a virtual loopback that plays the test signal through a
// simulated system (two filters, a little distortion and noise), in the states the
// screenshots of docs/ show. See README.md for the screenshot script.
//
//     window_gallery SCENE               shows the window until it is closed
//     window_gallery SCENE --grab FILE   writes the window's picture to FILE (PNG)
//     window_gallery SCENE --print FILE  prints the scene's page to FILE (PDF, A4)
//
// SCENE is mono, dual, ltas or sltas; or settings-1 .. settings-4, the settings dialog
// at a first start, on one of its pages (--grab then writes the dialog's picture); or
// transfer and transfer-octave, the "Transfer function" window measuring a simulated
// loudspeaker with every partial or with twelve per octave (--grab writes that window's
// picture).
//
//     window_gallery spectrogram-speech FILE [--grab OUT]
//     window_gallery spectrogram-sweep FILE [--grab OUT]
//
// analyse a sound file and show the spectrogram window (speech on a linear axis to
// 8 kHz, a sweep on a logarithmic one), the pointer resting on it.
//
// With --grab the picture is also checked, so that ctest sees what it shows: every
// curve of a window scene where the plot's placing rules put its points, and on the
// dialog's pages the text of every edit and the swatch of every colour.

#include "app/main_window.h"
#include "app/spectrogram_window.h"
#include "app/transfer_window.h"
#include "audio/virtual_loopback.h"
#include "display/color_ref.h"
#include "dsp/filter_section.h"
#include "engine/curves.h"
#include "settings/settings_dialog.h"
#include "support/temp_home.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPrinter>
#include <QTabWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace zevrin;

// A loudspeaker-like band on the left channel with a little second-order distortion,
// a high-pass on the right.
void simulate_system(TVirtualLoopback& loop, double sampfreq) {
    auto low = std::make_shared<TLPFilterSection>();
    low->set_SampFreq(sampfreq);
    low->set_F0(2500);
    low->set_Q(2.0);
    auto high = std::make_shared<THPFilterSection>();
    high->set_SampFreq(sampfreq);
    high->set_F0(400);
    high->set_Q(0.7);
    loop.set_gain(0.25);
    loop.set_filter([low, high](double v, int channel) {
        if (channel == 0) {
            const double y = low->filter(v);
            return y + 2e-5 * y * y;
        }
        return high->filter(v);
    });
    loop.set_noise(3.0, 11);
}

// A loudspeaker measured against its electrical signal: the left channel takes the
// signal as played, the right one the microphone's: a band between a 100 Hz high-pass
// and a resonant 3 kHz low-pass, some second- and third-order distortion, 2 ms of sound
// path, and noise.
void simulate_loudspeaker(TVirtualLoopback& loop, double sampfreq, double distortion) {
    auto high = std::make_shared<THPFilterSection>();
    high->set_SampFreq(sampfreq);
    high->set_F0(100);
    high->set_Q(0.7);
    auto low = std::make_shared<TLPFilterSection>();
    low->set_SampFreq(sampfreq);
    low->set_F0(3000);
    low->set_Q(1.5);
    const auto path = static_cast<size_t>(0.002 * sampfreq);
    auto line = std::make_shared<std::vector<double>>(path, 0.0);
    auto at = std::make_shared<size_t>(0);
    loop.set_gain(0.5);
    loop.set_filter([=](double v, int channel) {
        if (channel == 0) {
            return v;
        }
        double y = low->filter(high->filter(v)) / 32768.0;
        y = (y + distortion * (y * y - y * y * y)) * 32768.0;
        std::swap(y, (*line)[*at]);
        *at = (*at + 1) % line->size();
        return y;
    });
    loop.set_noise(2.0, 11);
}

void settle() {
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
}

// Seconds of sound through the loopback, delivered as the window would get it.
void run_for(TVirtualLoopback& loop, double seconds, double sampfreq) {
    const auto total = static_cast<size_t>(seconds * sampfreq);
    for (size_t done = 0; done < total; done += 512) {
        loop.advance(512);
        settle();
    }
}

void mouse(TForm1& w, QEvent::Type type, double f, double level) {
    const QPointF at(w.xaxis->value_to_pixel(f), w.yaxis->value_to_pixel(level));
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, w.PaintBox1->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w.PaintBox1, &event);
}

// The frequency of the used partial nearest to f.
double partial_near(const TAnalyser& a, double f) {
    const double spacing = a.sampfreq / static_cast<double>(a.partialused.size());
    double best = 0.0;
    for (size_t i = 0; i < a.partialused.size(); ++i) {
        const double at = static_cast<double>(i) * spacing;
        if (a.partialused[i] && std::abs(at - f) < std::abs(best - f)) {
            best = at;
        }
    }
    return best;
}

void drag_cursors(TForm1& w, double f1, double l1, double f2, double l2) {
    mouse(w, QEvent::MouseButtonPress, f1, l1);
    mouse(w, QEvent::MouseMove, f2, l2);
    mouse(w, QEvent::MouseButtonRelease, f2, l2);
}

bool set_scene(TForm1& w, TVirtualLoopback& loop, const std::string& scene) {
    TAnalyser& a = w.analyser();
    const bool dual = scene != "mono" && scene != "sltas";
    a.dualchannels = dual;
    w.fix_measuremenu();
    if (scene == "sltas") {
        a.set_usesltas(true);
        w.components().FFT1.set_Window(TFFTWindow::rectangle);
        a.bandwidth = a.sampfreq / a.sltaspoints;
        a.set_sltas(true);
    } else if (scene == "ltas") {
        a.set_ltas(true);
    } else if (scene != "mono" && scene != "dual") {
        return false;
    }
    simulate_system(loop, a.sampfreq);
    w.playactionExecute();
    w.RunExecute();
    run_for(loop, scene == "ltas" || scene == "sltas" ? 6.0 : 1.0, a.sampfreq);
    if (scene == "ltas") {
        w.Freeze1Execute();
        run_for(loop, 0.5, a.sampfreq);
    }
    if (scene == "ltas" || scene == "sltas") {
        w.RunExecute(); // the cursors show while the capture is closed
        w.playactionExecute();
        a.set_measurecurveno(scene == "ltas" ? 8 : 11);
        if (scene == "ltas") {
            drag_cursors(w, 1300, 40, 3800, 30);
        } else {
            drag_cursors(w, partial_near(a, 700), 40, partial_near(a, 2500), 40);
        }
    }
    settle();
    return true;
}

// What a check found wrong, one line each.
using Problems = std::vector<std::string>;

bool colour_near(const QImage& image, QPoint at, QRgb colour) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint p = at + QPoint(dx, dy);
            if (image.rect().contains(p) && image.pixel(p) == colour) {
                return true;
            }
        }
    }
    return false;
}

// Entry i of an N-point spectrum lies at i × sampling frequency / N and at its level;
// a sample of the entries 0 to N/2 inside the plot must show the curve's colour there
// (or that of a curve drawn over it later), and a good part of them its own.
void check_curves(TForm1& w, const QImage& picture, Problems& problems) {
    const TAnalyser& a = w.analyser();
    std::array<int, ncurves> order{};
    const int count = curves_to_draw(a, w.showcurve, order);
    if (count == 0) {
        problems.push_back("no curve is drawn");
    }
    const auto n = static_cast<double>(a.outdb1.size());
    const size_t points = a.outdb1.size() / 2 + 1;
    const QPoint origin = w.PaintBox1->mapTo(&w, QPoint(0, 0));
    const QRect inside = w.PaintBox1->rect().adjusted(1, 1, -2, -2);
    tdoublearr levels(points);
    for (int k = 0; k < count; ++k) {
        const int curve = order[static_cast<size_t>(k)];
        std::vector<QRgb> over;
        for (int later = k; later < count; ++later) {
            over.push_back(color_ref(w.linecolor[static_cast<size_t>(order[later])]).rgb());
        }
        curve_levels(a, curve, points, levels);
        int sampled = 0;
        int own = 0;
        int covered = 0;
        for (size_t i = 0; i < points; i += std::max<size_t>(1, points / 97)) {
            const QPoint at(w.xaxis->value_to_pixel(static_cast<double>(i) * a.sampfreq / n),
                            w.yaxis->value_to_pixel(levels[i]));
            if (!std::isfinite(levels[i]) || !inside.contains(at)) {
                continue;
            }
            ++sampled;
            own += colour_near(picture, origin + at, over.front()) ? 1 : 0;
            covered += std::any_of(over.begin(), over.end(),
                                   [&](QRgb c) { return colour_near(picture, origin + at, c); })
                           ? 1
                           : 0;
        }
        const std::string name = curve_names[static_cast<size_t>(curve)];
        if (sampled < 20) {
            problems.push_back(name + ": only " + std::to_string(sampled) + " points in the plot");
        } else if (covered < sampled * 9 / 10 || own < sampled / 4) {
            problems.push_back(name + ": " + std::to_string(own) + " of " +
                               std::to_string(sampled) + " points in its colour, " +
                               std::to_string(covered) + " with later curves");
        }
    }
}

// Pixels inside an edit that differ clearly from its background: its text.
int ink(const QImage& picture, const QRect& r) {
    const QColor background = picture.pixelColor(r.right() - 2, r.center().y());
    int n = 0;
    for (int y = r.top() + 3; y < r.bottom() - 2; ++y) {
        for (int x = r.left() + 3; x < r.right() - 3; ++x) {
            n += std::abs(picture.pixelColor(x, y).lightness() - background.lightness()) > 40;
        }
    }
    return n;
}

// Every edit of the page shows its text; on the "Colors" page every swatch its colour.
void check_page(TForm2& form, const QImage& picture, Problems& problems) {
    QWidget* page = form.PageControl1->currentWidget();
    for (QLineEdit* edit : page->findChildren<QLineEdit*>()) {
        if (!edit->isVisibleTo(&form) || edit->text().isEmpty()) {
            continue;
        }
        const QRect r(edit->mapTo(&form, QPoint(0, 0)), edit->size());
        if (ink(picture, r) < 5) {
            problems.push_back(edit->objectName().toStdString() + " does not show \"" +
                               edit->text().toStdString() + "\"");
        }
    }
    if (!form.ListBox1->isVisibleTo(&form)) {
        return;
    }
    for (int i = 0; i < form.ListBox1->count(); ++i) {
        const QRect item = form.ListBox1->visualItemRect(form.ListBox1->item(i));
        const QPoint swatch(item.left() + item.height() / 2, item.center().y());
        if (!form.ListBox1->viewport()->rect().contains(swatch)) {
            continue;
        }
        const QPoint at = form.ListBox1->viewport()->mapTo(&form, swatch);
        if (picture.pixel(at) != color_ref(form.linecolor[static_cast<size_t>(i)]).rgb()) {
            problems.push_back("the swatch of " + std::string(curve_names[static_cast<size_t>(i)]) +
                               " is not its colour");
        }
    }
}

// Writes the picture, then says what its check found; 0 when all is well.
int grab_and_check(QWidget& widget, const char* file,
                   const std::function<void(const QImage&, Problems&)>& check) {
    const QImage picture = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (!picture.save(file)) {
        std::fprintf(stderr, "window_gallery: cannot write %s\n", file);
        return 1;
    }
    Problems problems;
    check(picture, problems);
    for (const std::string& p : problems) {
        std::fprintf(stderr, "window_gallery: %s\n", p.c_str());
    }
    return problems.empty() ? 0 : 1;
}

// The spectrogram shows data in nearly every pixel, in many colours.
void check_spectrogram(TSpectrogramWindow& s, Problems& problems) {
    const QImage picture = s.Panel->plot->picture();
    const QRgb nodata = s.Panel->plot->palette().color(QPalette::Window).rgb();
    std::vector<QRgb> colours;
    int empty = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            empty += c == nodata ? 1 : 0;
            if (colours.size() < 100 &&
                std::find(colours.begin(), colours.end(), c) == colours.end()) {
                colours.push_back(c);
            }
        }
    }
    if (empty > picture.width() * picture.height() / 50) {
        problems.push_back(std::to_string(empty) + " pixels of the spectrogram show no data");
    }
    if (colours.size() < 50) {
        problems.push_back("the spectrogram shows only " + std::to_string(colours.size()) +
                           " colours");
    }
}

// A sound file analysed, and the spectrogram window over it with the pointer on it.
int show_spectrogram(TForm1& w, const std::string& scene, const char* file, const char* grab) {
    TAnalyser& a = w.analyser();
    try {
        w.analyse_sound_file(file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "window_gallery: %s\n", e.what());
        return 1;
    }
    const bool sweep = scene == "spectrogram-sweep";
    a.set_autoxaxis(false);
    a.set_fmax(std::min(8000.0, a.sampfreq / 2));
    a.set_fmin(sweep ? 50 : 0);
    a.set_logfscale(sweep);
    a.set_dbmin(-10);
    a.set_dbmax(80);
    TSpectrogramWindow& s = *w.SpectrogramForm;
    w.Spectrogram1->trigger();
    s.resize(900, 440);
    s.move(0, 0);
    settle();
    TSpectrogramPlot& plot = *s.Panel->plot;
    const QPointF at(plot.width() * 0.62,
                     s.Panel->frequencyaxis->value_to_pixel(sweep ? 1000 : 500));
    QMouseEvent move(QEvent::MouseMove, at, plot.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&plot, &move);
    settle();
    s.setWindowTitle(QString("Zevrin (%1)").arg(scene.c_str()));
    if (grab != nullptr) {
        return grab_and_check(
            s, grab, [&s](const QImage&, Problems& problems) { check_spectrogram(s, problems); });
    }
    return QApplication::exec();
}

// The settings dialog on page `page` (0 to 3), grabbed into `file` or left open.
int show_settings(TForm1& w, int page, const char* file) {
    if (page < 0 || page >= w.Form2->PageControl1->count()) {
        std::fputs("window_gallery: the settings pages are 1 to 4\n", stderr);
        return 2;
    }
    w.Form2->PageControl1->setCurrentIndex(page);
    w.Form2->show();
    settle();
    if (file != nullptr) {
        return grab_and_check(*w.Form2, file, [&w](const QImage& picture, Problems& problems) {
            check_page(*w.Form2, picture, problems);
        });
    }
    return QApplication::exec();
}

// Each plot of the transfer function window shows its curves where its axes place a
// sample of their points.
void check_transfer(TTransferWindow& t, const QImage& picture, Problems& problems) {
    if (!t.transfer().valid()) {
        problems.push_back("no transfer function: " + t.transfer().problem());
        return;
    }
    for (TPlotPanel* panel :
         {t.MagnitudePanel, t.PhasePanel, t.CoherencePanel, t.DistortionPanel, t.ImpulsePanel}) {
        const auto& series = panel->plot->series();
        std::vector<QRgb> colours;
        for (const TPlotSeries& s : series) {
            colours.push_back(color_ref(s.color).rgb());
        }
        const QPoint origin = panel->plot->mapTo(&t, QPoint(0, 0));
        const QRect inside = panel->plot->rect().adjusted(1, 1, -2, -2);
        int sampled = 0;
        int covered = 0;
        for (const TPlotSeries& s : series) {
            // A sample of the points within the horizontal range.
            const size_t from = first_point_from(s, panel->xaxis->LoValue());
            const size_t to = first_point_from(s, panel->xaxis->HiValue());
            for (size_t i = from; i < to; i += std::max<size_t>(1, (to - from) / 97)) {
                const QPoint at(panel->xaxis->value_to_pixel(s.x[i]),
                                panel->yaxis->value_to_pixel(s.y[i]));
                if (!std::isfinite(s.y[i]) || !inside.contains(at)) {
                    continue;
                }
                ++sampled;
                covered += std::any_of(colours.begin(), colours.end(),
                                       [&](QRgb c) { return colour_near(picture, origin + at, c); })
                               ? 1
                               : 0;
            }
        }
        const std::string name = panel->objectName().toStdString();
        if (sampled < 20 || covered < sampled * 9 / 10) {
            problems.push_back(name + ": " + std::to_string(covered) + " of " +
                               std::to_string(sampled) + " points drawn");
        }
    }
}

void press_and_drag(TCurvePlot& plot, const TAxis& x, const TAxis& y, double x1, double x2) {
    const double level = (y.LoValue() + y.HiValue()) / 2;
    const QPointF from(x.value_to_pixel(x1), y.value_to_pixel(level));
    const QPointF to(x.value_to_pixel(x2), y.value_to_pixel(level));
    QMouseEvent press(QEvent::MouseButtonPress, from, plot.mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&plot, &press);
    QMouseEvent move(QEvent::MouseMove, to, plot.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&plot, &move);
}

// The loudspeaker measured in SLTAS mode with two channels, then the transfer function
// window with cursors on its magnitude.
int show_transfer(TForm1& w, TVirtualLoopback& loop, const std::string& scene, const char* file) {
    TAnalyser& a = w.analyser();
    a.dualchannels = true;
    a.partialpattern = scene == "transfer" ? 0 : 2;
    a.set_usesltas(true);
    w.components().FFT1.set_Window(TFFTWindow::rectangle);
    a.bandwidth = a.sampfreq / a.sltaspoints;
    a.set_sltas(true);
    w.fix_measuremenu();
    // With every partial the distortion's difference tones fall on partials too: keep
    // it small there.
    simulate_loudspeaker(loop, a.sampfreq, scene == "transfer" ? 0.001 : 0.03);
    w.playactionExecute();
    w.RunExecute();
    run_for(loop, 1.0, a.sampfreq);
    a.clearsltasExecute(); // the filters have settled
    w.TransferFunction1->trigger();
    TTransferWindow& t = *w.TransferWindow1;
    t.resize(900, 760);
    t.move(0, 0);
    run_for(loop, 6.0, a.sampfreq);
    w.RunExecute();
    w.playactionExecute();
    t.fit_axes();
    settle();
    press_and_drag(*t.MagnitudePanel->plot, *t.MagnitudePanel->xaxis, *t.MagnitudePanel->yaxis, 200,
                   2000);
    settle();
    t.setWindowTitle(QString("Transfer function (%1)").arg(scene.c_str()));
    if (file != nullptr) {
        return grab_and_check(t, file, [&t](const QImage& picture, Problems& problems) {
            check_transfer(t, picture, problems);
        });
    }
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    // Every scene starts from the first-start settings, whatever the user stored, and
    // leaves the user's stores alone.
    const zevrin::test::TempHome home;
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: window_gallery mono|dual|ltas|sltas|settings-1..4|transfer|"
                   "transfer-octave [--grab FILE | --print FILE]\n"
                   "       window_gallery spectrogram-speech|spectrogram-sweep SOUNDFILE "
                   "[--grab FILE]\n",
                   stderr);
        return 2;
    }
    TVirtualLoopback loop(TLoopbackClock::manual);
    TForm1 window(loop);
    window.resize(820, 620);
    window.move(0, 0);
    window.show();
    settle();
    const std::string scene = argv[1];
    if (scene.rfind("spectrogram-", 0) == 0 && argc >= 3) {
        const bool grabbed = argc == 5 && std::strcmp(argv[3], "--grab") == 0;
        return show_spectrogram(window, scene, argv[2], grabbed ? argv[4] : nullptr);
    }
    const bool grab = argc == 4 && std::strcmp(argv[2], "--grab") == 0;
    if (scene.size() == 10 && scene.rfind("settings-", 0) == 0) {
        return show_settings(window, scene.back() - '1', grab ? argv[3] : nullptr);
    }
    if (scene == "transfer" || scene == "transfer-octave") {
        return show_transfer(window, loop, scene, grab ? argv[3] : nullptr);
    }
    if (!set_scene(window, loop, scene)) {
        std::fprintf(stderr, "window_gallery: unknown scene %s\n", argv[1]);
        return 2;
    }
    window.setWindowTitle(QString("Zevrin (%1)").arg(argv[1]));
    if (grab) {
        return grab_and_check(window, argv[3],
                              [&window](const QImage& picture, Problems& problems) {
                                  check_curves(window, picture, problems);
                              });
    }
    if (argc == 4 && std::strcmp(argv[2], "--print") == 0) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(argv[3]);
        window.print_to(printer, "Loudspeaker on the bench");
        return QFileInfo::exists(argv[3]) ? 0 : 1;
    }
    return QApplication::exec();
}
