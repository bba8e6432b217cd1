#include "output/printed_page.h"

#include "display/axis.h"
#include "display/color_ref.h"
#include "output/print_facts.h"
#include "platform/safe_file.h"

#include <QBuffer>
#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <stdexcept>

namespace zevrin {

TPageAxis page_axis(const TAxis& axis) {
    TPageAxis page{axis.scale(), {}};
    for (int i = 0; i < axis.nTickMarks(); ++i) {
        page.ticks.push_back({axis.TickMark(i), axis.TickMarkPosition(i), axis.TickMarkText(i)});
    }
    return page;
}

std::string printed_now() {
    const QLocale locale;
    const QDateTime now = QDateTime::currentDateTime();
    return (locale.toString(now.date(), QLocale::ShortFormat) + " " +
            locale.toString(now.time(), QLocale::LongFormat))
        .toStdString();
}

TPagePlan plan_printed_page(const TPrintSource& s, QPaintDevice& device) {
    const QFontMetrics metrics(s.font, &device);
    const TextMeasure measure = [&metrics](const std::string& text) {
        return TextExtent{metrics.horizontalAdvance(QString::fromStdString(text)),
                          metrics.height()};
    };
    TPageInput in;
    in.width = device.width();
    in.height = device.height();
    in.jobtitle = s.jobtitle;
    in.facts = fact_lines(print_facts(*s.analyser, s.timewindow, s.printed));
    in.xaxis = s.xaxis;
    in.yaxis = s.yaxis;
    in.gridlines = s.gridlines;
    in.levelunit = s.analyser->calibration.axis_text();
    in.logowidth = s.logo.width();
    in.logoheight = s.logo.height();
    TPagePlan plan = plan_page(in, measure);
    plan.curves = page_curves(*s.analyser, s.showcurve, s.linecolor, plan.frame, s.xaxis.scale,
                              s.yaxis.scale);
    return plan;
}

namespace {

QPen page_pen(const QColor& color, int width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

void draw_page(QPainter& p, const TPagePlan& plan, const QImage& logo, const QFont& font) {
    const TPageFrame& f = plan.frame;
    p.setPen(page_pen(Qt::black, plan.framepen));
    p.setBrush(Qt::white);
    p.drawRect(QRect(f.L, f.T, f.W, f.H));
    p.setBrush(Qt::NoBrush);
    const TPageRect& r = plan.logo;
    p.drawImage(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), logo);
    p.setPen(page_pen(Qt::black, plan.tickpen));
    for (const TPageLine& l : plan.ticklines) {
        p.drawLine(l.from.x, l.from.y, l.to.x, l.to.y);
    }
    p.setFont(font);
    const int ascent = QFontMetrics(font, p.device()).ascent();
    for (const TPageText& t : plan.texts) {
        p.drawText(t.x, t.y + ascent, QString::fromStdString(t.text));
    }
    QPolygon polyline;
    for (const TPageCurve& c : plan.curves) {
        p.setPen(page_pen(color_ref(c.color), c.width));
        polyline.resize(static_cast<int>(c.points.size()));
        for (size_t i = 0; i < c.points.size(); ++i) {
            polyline.setPoint(static_cast<int>(i), c.points[i].x, c.points[i].y);
        }
        p.drawPolyline(polyline);
    }
}

QByteArray page_pdf(const TPrintSource& s, const QPageLayout& layout, int resolution, int copies) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(layout);
        writer.setResolution(resolution);
        writer.setTitle(QString::fromStdString(s.jobtitle));
        writer.setCreator("Zevrin");
        const TPagePlan plan = plan_printed_page(s, writer);
        QPainter p;
        if (!p.begin(&writer)) {
            throw std::runtime_error("Cannot make the PDF document");
        }
        for (int copy = 0; copy < std::max(1, copies); ++copy) {
            if (copy > 0) {
                writer.newPage();
            }
            draw_page(p, plan, s.logo, s.font);
        }
        p.end();
    }
    return bytes;
}

void write_output_file(const std::string& path, const QByteArray& bytes) {
    const FileError error = write_file_safely(
        path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (error) {
        throw std::runtime_error(write_failure_text(path, error));
    }
}

namespace {

void print_on_printer(QPrinter& printer, const TPrintSource& s) {
    const TPagePlan plan = plan_printed_page(s, printer);
    QPainter p;
    if (!p.begin(&printer)) {
        throw std::runtime_error("The printer \"" + printer.printerName().toStdString() +
                                 "\" cannot start the job");
    }
    try {
        draw_page(p, plan, s.logo, s.font);
    } catch (...) {
        printer.abort();
        throw;
    }
    p.end();
    if (printer.printerState() == QPrinter::Error) {
        throw std::runtime_error("The printer \"" + printer.printerName().toStdString() +
                                 "\" could not print the page");
    }
}

} // namespace

void print_page(QPrinter& printer, const TPrintSource& s) {
    printer.setDocName(QString::fromStdString(s.jobtitle));
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        // A file holds its copies as pages.
        write_output_file(
            printer.outputFileName().toStdString(),
            page_pdf(s, printer.pageLayout(), printer.resolution(), printer.copyCount()));
        return;
    }
    print_on_printer(printer, s);
}

} // namespace zevrin
