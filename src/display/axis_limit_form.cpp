#include "display/axis_limit_form.h"

#include "display/axis_font.h"
#include "dsp/text.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <cmath>

namespace zevrin {

namespace {

// The written dialog is 182 × 165 pixels including its frame; what a standard
// dialog frame leaves of that is the client area here, the frame being the window
// manager's.
constexpr int client_width = 174;
constexpr int client_height = 138;

double text_value(const QLineEdit* edit, double fallback) {
    try {
        const double v = str_to_float(edit->text().toStdString());
        // "INF" and "NAN" read as numbers, but no axis can show them.
        return std::isfinite(v) ? v : fallback;
    } catch (const EConvertError&) {
        return fallback;
    }
}

QString float_text(double value) {
    return QString::fromStdString(general_text(value, decimal_separator()));
}

} // namespace

TAxisLimitForm::TAxisLimitForm() : form_(std::make_unique<QDialog>()) {
    QDialog* f = form_.get();
    f->setWindowTitle("Axis limits");
    f->setFixedSize(client_width, client_height);
    f->setFont(default_axis_font());
    f->setAutoFillBackground(true);
    f->setBackgroundRole(QPalette::Button);

    Label1_ = new QLabel("High value", f);
    Label1_->move(8, 4);
    Edit1_ = new QLineEdit("High", f);
    Edit1_->setGeometry(4, 20, 157, 21);
    Label2_ = new QLabel("Low value", f);
    Label2_->move(8, 48);
    Edit2_ = new QLineEdit("Low", f);
    Edit2_->setGeometry(4, 64, 157, 21);
    // The captions follow the axis text, which is shown as written, never as markup.
    Label1_->setTextFormat(Qt::PlainText);
    Label2_->setTextFormat(Qt::PlainText);
    Label1_->adjustSize();
    Label2_->adjustSize();

    Button1_ = new QPushButton("&Ok", f);
    Button1_->setGeometry(4, 96, 75, 25);
    Button1_->setDefault(true);
    Button2_ = new QPushButton("&Cancel", f);
    Button2_->setGeometry(88, 96, 75, 25);

    QWidget::setTabOrder(Edit1_, Edit2_);
    QWidget::setTabOrder(Edit2_, Button1_);
    QWidget::setTabOrder(Button1_, Button2_);

    QObject::connect(Button1_, &QPushButton::clicked, f, [this] {
        okclicked = true;
        form_->accept();
    });
    // Escape and the window's close box end the dialog as "&Cancel" does.
    QObject::connect(Button2_, &QPushButton::clicked, f, [this] {
        okclicked = false;
        form_->reject();
    });
}

TAxisLimitForm::~TAxisLimitForm() = default;

double TAxisLimitForm::loval() const {
    return text_value(Edit2_, flovalue);
}

void TAxisLimitForm::set_loval(double value) {
    Edit2_->setText(float_text(value));
    flovalue = value;
}

double TAxisLimitForm::hival() const {
    return text_value(Edit1_, fhivalue);
}

void TAxisLimitForm::set_hival(double value) {
    Edit1_->setText(float_text(value));
    fhivalue = value;
}

bool TAxisLimitForm::showmodal() {
    okclicked = false;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        form_->move(area.center() - QPoint(client_width / 2, client_height / 2));
    }
    Edit1_->setFocus();
    form_->exec();
    return okclicked;
}

} // namespace zevrin
