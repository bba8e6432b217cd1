#include "output/plot_picture.h"

#include "display/axis.h"
#include "display/axis_font.h"
#include "display/spectrum_plot.h"
#include "output/print_facts.h"
#include "output/printed_page.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QScreen>
#include <QSvgGenerator>
#include <QWidget>

namespace zevrin {

namespace {

// The dots per inch that the widgets measure their texts with.
int screen_dpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? qRound(screen->logicalDotsPerInch()) : 96;
}

// Restores a flag however the scope ends.
class TFlagScope {
public:
    TFlagScope(bool& flag, bool value) : fflag(flag), fold(flag) { fflag = value; }
    ~TFlagScope() { fflag = fold; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& fflag;
    bool fold;
};

} // namespace

TPlotPicture::TPlotPicture(TAnalyser& analyser, const std::array<uint32_t, ncurves>& linecolor,
                           const std::array<bool, ncurves>& showcurve, QSize size)
    : fa(analyser), fsize(size), flinecolor(linecolor), fshowcurve(showcurve),
      fholder(std::make_unique<QWidget>()) {
    fyaxis = new TAxis(fholder.get());
    fxaxis = new TAxis(fholder.get());
    fplot =
        new TSpectrumPlot(fa, *fxaxis, *fyaxis, flinecolor, fshowcurve, fcursors, fholder.get());
    const QRect plot = plot_rect();
    fyaxis->setGeometry(0, 0, level_axis_width, plot.height());
    fxaxis->setGeometry(plot.left(), plot.bottom() + 1, plot.width(), frequency_axis_height);
    fplot->setGeometry(plot);
    fholder->resize(fsize);
    set_up_axes();
}

TPlotPicture::~TPlotPicture() = default;

QRect TPlotPicture::plot_rect() const {
    return QRect(level_axis_width, 0, std::max(1, fsize.width() - level_axis_width),
                 std::max(1, fsize.height() - frequency_axis_height));
}

// As the window's form and its first activation set them up, then the ranges and the
// scale in force: a linear scale before the range, a logarithmic one after it.
void TPlotPicture::set_up_axes() {
    TAxis& x = *fxaxis;
    TAxis& y = *fyaxis;
    x.set_Position(tposition::posunder);
    x.set_TickSpaceAim(50);
    x.set_ShowTickmarks(true);
    x.set_MinLoValue(0);
    x.set_MinValueDifference(10);
    x.set_AxisText("[Hz]");
    y.set_Position(tposition::posleft);
    y.set_TickSpaceAim(50);
    y.set_MinLoValue(-200);
    y.set_MaxHiValue(200);
    y.set_MinValueDifference(1);
    y.set_AxisText(fa.calibration.axis_text());
    y.set_LoValue(fa.dbmin());
    y.set_HiValue(fa.dbmax());
    if (!fa.logfscale()) {
        x.set_Logarithmic(false);
    }
    x.set_HiValue(fa.fmax());
    x.set_MaxHiValue(fa.fmax());
    x.set_LoValue(fa.fmin());
    x.set_MaxLoValue(fa.fmax());
    x.set_Logarithmic(fa.logfscale());
    x.set_MusicScale(fa.musicfscale());
}

void TPlotPicture::paint(QPainter& p) {
    p.fillRect(QRect(QPoint(0, 0), fsize), fxaxis->BackgroundColor());
    // Straight onto the painter: lines stay lines in a vector picture.
    const TFlagScope direct(fa.bltplot, false);
    const QRect plot = plot_rect();
    p.save();
    p.translate(plot.topLeft());
    p.setClipRect(QRect(QPoint(0, 0), plot.size()));
    fplot->PaintBox1Paint(p);
    p.restore();
    p.save();
    fyaxis->paint_axis(p);
    p.restore();
    p.save();
    p.translate(fxaxis->pos());
    fxaxis->paint_axis(p);
    p.restore();
}

QByteArray TPlotPicture::png() {
    QImage image(fsize, QImage::Format_RGB32);
    const int dpm = qRound(screen_dpi() / 0.0254);
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    {
        QPainter p(&image);
        paint(p);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray TPlotPicture::svg(const std::string& title) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(fsize);
    generator.setViewBox(QRect(QPoint(0, 0), fsize));
    generator.setResolution(screen_dpi());
    generator.setTitle(QString::fromStdString(print_job_title(title)));
    {
        QPainter p(&generator);
        paint(p);
    }
    return bytes;
}

QByteArray TPlotPicture::pdf(const std::string& title, const QImage& logo) {
    TPrintSource s;
    s.analyser = &fa;
    s.xaxis = page_axis(*fxaxis);
    s.yaxis = page_axis(*fyaxis);
    s.timewindow = fa.taxis_high();
    s.linecolor = flinecolor;
    s.showcurve = fshowcurve;
    s.gridlines = fa.gridlines();
    s.logo = logo;
    s.font = default_axis_font();
    s.jobtitle = print_job_title(title);
    s.printed = printed_now();
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    return page_pdf(s, a4, 1200);
}

void write_pictures(const TPictureOptions& options, TAnalyser& analyser,
                    const std::array<uint32_t, ncurves>& linecolor,
                    const std::array<bool, ncurves>& showcurve, const QImage& logo) {
    TPlotPicture picture(analyser, linecolor, showcurve, options.size.value_or(QSize(900, 600)));
    if (!options.png.empty()) {
        write_output_file(options.png, picture.png());
    }
    if (!options.svg.empty()) {
        write_output_file(options.svg, picture.svg(options.title));
    }
    if (!options.pdf.empty()) {
        write_output_file(options.pdf, picture.pdf(options.title, logo));
    }
}

} // namespace zevrin
