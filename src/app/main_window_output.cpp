// The main window's output: "Print..." with the title and the facts of the
// measurement, "Copy image", and the cursor log on the clipboard.

#include "app/main_window.h"

#include "dsp/text.h"
#include "output/copy_image.h"
#include "output/print_facts.h"
#include "output/printed_page.h"
#include "shell/artwork.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>

namespace zevrin {

void TForm1::create_output_actions() {
    Printaction =
        make_action("Print...", QKeySequence(Qt::CTRL | Qt::Key_P), &TForm1::PrintactionExecute);
    add_idle_action(Printaction);
    CopyImageAction = make_action("Copy image", QKeySequence(Qt::CTRL | Qt::Key_C),
                                  &TForm1::CopyImageActionExecute);
    Newlog1 =
        make_action("Copy/new log", QKeySequence(Qt::SHIFT | Qt::Key_F5), &TForm1::Newlog1Click);
    Logcursor1 = make_action("Copy/log cursor(s)", Qt::Key_F5, &TForm1::Logcursor1Click);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->setPixmap(QPixmap::fromImage(program_logo()));
    Image1->setFixedSize(150, 100);
    Image1->hide();
}

void TForm1::create_edit_menu() {
    Edit1 = menuBar()->addMenu("&Edit");
    for (QAction* a : {CopyImageAction, Newlog1, Logcursor1}) {
        Edit1->addAction(a);
    }
}

// ---- printing -------------------------------------------------------------------------

void TForm1::PrintactionExecute() {
    QPrinter printer(QPrinter::HighResolution);
    // Without a printer the dialog offers only a PDF file: offer one by name, not the
    // home folder it would show.
    if (printer.printerName().isEmpty()) {
        printer.setOutputFileName(QDir::home().filePath("Zevrin.pdf"));
    }
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    bool ok = false;
    const QString title =
        QInputDialog::getText(this, "Title", "Title for the printout", QLineEdit::Normal,
                              QString::fromStdString(printtitlestr), &ok);
    if (!ok) {
        return;
    }
    print_to(printer, title.toStdString());
}

void TForm1::print_to(QPrinter& printer, const std::string& title) {
    printtitlestr = trim(title);
    guarded([&] {
        TPrintSource s;
        s.analyser = &fanalyser;
        s.xaxis = page_axis(*xaxis);
        s.yaxis = page_axis(*yaxis);
        s.timewindow = taxis->HiValue();
        s.linecolor = linecolor;
        s.showcurve = showcurve;
        s.gridlines = fanalyser.gridlines();
        s.logo = Image1->pixmap().toImage();
        s.font = font();
        s.jobtitle = print_job_title(printtitlestr);
        s.printed = printed_now();
        print_page(printer, s);
    });
}

// ---- clipboard ------------------------------------------------------------------------

QImage TForm1::copy_image() {
    TCopyImageInput in;
    in.heading = StatusBar1->text(0) + " " + StatusBar1->text(1);
    in.showwave = fanalyser.showwave;
    in.wavewidth = PaintBox2->width();
    in.waveheight = PaintBox2->height();
    in.taxisheight = taxis->height();
    in.plotwidth = PaintBox1->width();
    in.plotheight = PaintBox1->height();
    in.yaxiswidth = yaxis->width();
    in.yaxisheight = yaxis->height();
    in.xaxisheight = xaxis->height();
    in.tticks = shown_ticks(*taxis);
    in.yticks = shown_ticks(*yaxis);
    in.xticks = shown_ticks(*xaxis);
    const TCopyImagePlan plan = plan_copy_image(in, screen_text_measure(xaxis->Font()));
    const QImage wave = in.showwave ? PaintBox2->grab().toImage() : QImage();
    return compose_copy_image(plan, wave, PaintBox1->grab().toImage(), xaxis->Font());
}

void TForm1::CopyImageActionExecute() {
    guarded([this] { QGuiApplication::clipboard()->setImage(copy_image()); });
}

void TForm1::Newlog1Click() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(cliplog.new_log()));
}

void TForm1::Logcursor1Click() {
    QGuiApplication::clipboard()->setText(QString::fromStdString(cliplog.log(clipboardstr())));
}

} // namespace zevrin
