#pragma once
// The printed page: the spectrum plot redrawn as vectors in the printer's device
// units, with its axes, the logo, the title line and the facts block (output/page_plan.h
// places everything), on a printer or into a PDF.
//
// Printing plans the whole page before the job begins, so whatever fails on the way
// (a text that cannot be measured, memory) ends the command before anything reaches
// the printer. A PDF file as destination is made in memory and written through the
// program's safe writer: it appears whole or not at all. GUI thread only.

#include "engine/curves.h"
#include "output/page_plan.h"

#include <QFont>
#include <QImage>
#include <QPageLayout>

#include <array>
#include <cstdint>
#include <string>

class QPaintDevice;
class QPainter;
class QPrinter;

namespace zevrin {

class TAxis;

/// What the page shows, gathered from the window (or the command line) at the moment
/// of printing.
struct TPrintSource {
    const TAnalyser* analyser = nullptr;
    TPageAxis xaxis;
    TPageAxis yaxis;
    double timewindow = 0.0; ///< ms
    std::array<uint32_t, ncurves> linecolor{};
    std::array<bool, ncurves> showcurve{};
    bool gridlines = true;
    QImage logo;
    QFont font; ///< the window's font; printed at its point size
    std::string jobtitle;
    std::string printed; ///< date and time of printing
};

/// The axis's mapping and ticks (value, place, the axis's own label).
TPageAxis page_axis(const TAxis& axis);
/// Now, in the user's short date and long time formats.
std::string printed_now();

/// The complete page for a device of its size and resolution (texts measured there).
TPagePlan plan_printed_page(const TPrintSource& s, QPaintDevice& device);
/// Draws a planned page: nothing here can fail but the device itself.
void draw_page(QPainter& p, const TPagePlan& plan, const QImage& logo, const QFont& font);

/// The page as a PDF document, `copies` times, at `resolution` dots per inch.
QByteArray page_pdf(const TPrintSource& s, const QPageLayout& layout, int resolution,
                    int copies = 1);

/// Prints the page with the printer's settings (its job title set from the source):
/// to its PDF file when it prints to one, else on the printer. std::runtime_error
/// with a readable message when the job cannot be made; nothing is printed then.
void print_page(QPrinter& printer, const TPrintSource& s);

/// Writes bytes through the safe writer; std::runtime_error "Cannot write ..." when
/// that fails, and nothing is left at the name.
void write_output_file(const std::string& path, const QByteArray& bytes);

} // namespace zevrin
