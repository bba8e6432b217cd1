// The settings dialog's behaviour: filling the controls, the live updates, the
// colours and "&Ok".

#include "settings/settings_dialog.h"

#include "dsp/numeric.h"
#include "dsp/text.h"
#include "engine/setting_limits.h"
#include "platform/message_box.h"
#include "platform/unhandled_error.h"
#include "settings/color_ref.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QSpinBox>

#include <cmath>
#include <stdexcept>

namespace zevrin {

namespace {

// Numbers as the user writes them: the general form with the user's separator.
QString number_text(double x) {
    return QString::fromStdString(general_text(x, decimal_separator()));
}

// The dialog's number parser names the text also when it is empty.
double number_in(const QLineEdit* edit) {
    const std::string text = edit->text().toStdString();
    if (text.empty()) {
        throw EConvertError("'' is not a valid floating point value");
    }
    return str_to_float(text);
}

void set_text(QLineEdit* edit, double x) {
    edit->setText(number_text(x));
}

void select_device(QComboBox* combo, TMPCComponent& device) {
    combo->clear();
    for (const std::string& name : device.Devicenames()) {
        combo->addItem(QString::fromStdString(name));
    }
    // The default device (-1), or an ID the system no longer has, selects nothing.
    const int id = device.DeviceID();
    combo->setCurrentIndex(id >= 0 && id < combo->count() ? id : -1);
}

} // namespace

void TForm2::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        if (!fshowing) {
            handle_unhandled_error(e);
        }
    }
}

void TForm2::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TForm2::FormShow() {
    TAnalyser& a = fvalues.analyser;
    TAnalyserComponents& c = a.components();
    fshowing = true;
    set_text(sfedit, a.sampfreq);
    set_text(bwedit, a.bandwidth);
    windowcombo->clear();
    for (const char* name : TAnalyser::windownames) {
        windowcombo->addItem(name);
    }
    windowcombo->setCurrentIndex(static_cast<int>(a.fftwindow));
    sltaspointsCombo->setCurrentIndex(
        sltaspointsCombo->findText(QString::number(a.sltaspoints), Qt::MatchExactly));
    usesltascheck->setChecked(a.usesltas());
    windowcombo->setCurrentIndex(static_cast<int>(a.fftwindow));
    wavecheck->setChecked(a.showwave);
    bltcheck->setChecked(a.bltplot);
    dualcheck->setChecked(a.dualchannels);
    set_text(dbmaxedit, a.dbmax());
    set_text(dbminedit, a.dbmin());
    xautocheck->setChecked(a.autoxaxis());
    set_text(fmaxedit, a.fmax());
    set_text(fminedit, a.fmin());
    logcheck->setChecked(a.logfscale());
    musicfscalecheck->setChecked(a.musicfscale());
    set_text(excludedblimitedit, a.excludedblimit());
    excludeoverloadedcheck->setChecked(a.excludeoverloaded());
    excludehighpowercheck->setChecked(a.excludehighpower());
    fill_check_list(monoCheckList, monocurves.data(), monocurves.size());
    fill_check_list(StereoCheckList, stereocurves.data(), stereocurves.size());
    set_text(decayedit, a.ltasdecaytime());
    decaycheck->setChecked(a.ltasdecay);
    if (QAbstractButton* choice = partialpatternradio->button(a.partialpattern)) {
        choice->setChecked(true);
    } else if (QAbstractButton* checked = partialpatternradio->checkedButton()) {
        // A pattern that is none of the five selects no choice.
        partialpatternradio->setExclusive(false);
        checked->setChecked(false);
        partialpatternradio->setExclusive(true);
    }
    partialspin->setValue(a.partialsperoctave);
    set_text(chirpinessedit, a.chirpiness);
    set_text(singlesinusfreqedit, a.singlesinusfreq);
    set_text(tiltedit, a.tilt());
    highpasscheck->setChecked(a.highpass());
    guarded([this] { decaycheckClick(); });
    guarded([this] { dualcheckClick(); });
    select_device(recordcardcombo, c.MPCRecord1);
    const double latency = c.MPCRecord1.Latency();
    set_text(latencyedit, latency > 0 ? std::round(latency * 1000) : default_input_latency_ms);
    select_device(playcardcombo, c.MPCPlay1);
    const double gain = 20.0 * log10(a.maxgain);
    maxgainedit->setText(std::isfinite(gain) ? number_text(gain) : QString("50"));
    stretchcheck->setChecked(a.stretchwave);
    gridcheck->setChecked(a.gridlines());
    measurecheck->setChecked(a.measure);
    linecolor = fvalues.linecolor;
    ListBox1->viewport()->update();
    guarded([this] { update_fft_points(); });
    fshowing = false;
}

void TForm2::fill_check_list(QListWidget* list, const int* curves, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const bool shown = fvalues.showcurve[static_cast<size_t>(curves[i])];
        list->item(static_cast<int>(i))->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
    }
}

void TForm2::read_check_list(const QListWidget* list, const int* curves, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        fvalues.showcurve[static_cast<size_t>(curves[i])] =
            list->item(static_cast<int>(i))->checkState() == Qt::Checked;
    }
}

namespace {

// The numbers of the dialog, read and checked before any of them is written back.
struct TDialogNumbers {
    double sampfreq = 0, bandwidth = 0;
    int sltaspoints = 0;
    double dbmax = 0, dbmin = 0, fmax = 0, fmin = 0, excludedblimit = 0, maxgain = 0;
    double decaytime = 0, chirpiness = 0, singlesinusfreq = 0, tilt = 0;
    int partialsperoctave = 0;
    int latency = 0;
};

// The number of an edit within its setting's range; the message names the setting as
// the dialog shows it.
double checked(double value, const char* name, const TSettingLimit& limit) {
    if (!within(limit, value)) {
        throw std::invalid_argument(range_error(name, limit, value));
    }
    return value;
}

double checked(const QLineEdit* edit, const char* name, const char* key) {
    return checked(number_in(edit), name, setting_limit(key));
}

} // namespace

// Every text is read and every value checked first: a text that is no number, or a
// value out of range, stops "&Ok" with its message before anything is written, so the
// window never holds half of the dialog's values.
void TForm2::Button1Click() {
    TAnalyser& a = fvalues.analyser;
    TAnalyserComponents& c = a.components();
    const int selected = windowcombo->currentIndex();
    const TFFTWindow window = selected >= 0 ? static_cast<TFFTWindow>(selected) : a.fftwindow;
    const bool sltas = usesltascheck->isChecked();
    TDialogNumbers n;
    n.sampfreq = checked(sfedit, "Sampling frequency", "SampFreq");
    if (!sltas) {
        n.bandwidth = number_in(bwedit);
    }
    n.sltaspoints = str_to_int(sltaspointsCombo->currentText().toStdString());
    n.sltaspoints =
        static_cast<int>(checked(n.sltaspoints, "FFT points", setting_limit("SLTASPoints")));
    n.dbmax = checked(dbmaxedit, "Max value [dB]", "dBMax");
    n.dbmin = checked(dbminedit, "Min value [dB]", "dBMin");
    n.fmax = checked(fmaxedit, "Max value [Hz]", "fMax");
    n.fmin = checked(fminedit, "Min value [Hz]", "fMin");
    if (logcheck->isChecked() && !(n.fmin > 0)) {
        // The axis refuses it, and would do so after half of the values were written.
        throw std::invalid_argument(
            "Min value [Hz] must be above 0 Hz on a logarithmic axis, not " +
            readable_number(n.fmin));
    }
    n.excludedblimit =
        checked(excludedblimitedit, "Exclude high power frames [dB]", "ExcludedBLimit");
    n.maxgain = checked(maxgainedit, "Gain [dB]", "MaxGain");
    n.latency = static_cast<int>(checked(latencyedit, "Recording latency [ms]", "InLatency"));
    n.decaytime = checked(decayedit, "Decay time (-60dB) [s]", "DecayTime");
    n.partialsperoctave = static_cast<int>(
        checked(partialspin->value(), "Partials per octave", setting_limit("PartialsPerOctave")));
    n.chirpiness = checked(chirpinessedit, "Chirpiness", "Chirpiness");
    n.singlesinusfreq = checked(singlesinusfreqedit, "Sinusoid frequency [Hz]", "SingleSinusFreq");
    n.tilt = checked(tiltedit, "Spectral tilt [dB/oct]", "Tilt");
    // An SLTAS frame is one period, whatever the sampling frequency typed last.
    if (sltas) {
        bw = n.sampfreq / n.sltaspoints;
        bwlabel1->setText(QString::fromStdString(format_float("0.00", bw)));
        n.bandwidth = bw;
    }
    n.bandwidth = checked(n.bandwidth, "Bandwidth [Hz]",
                          bandwidth_limit(n.sampfreq, sltas ? TFFTWindow::rectangle : window));

    a.sampfreq = n.sampfreq;
    a.bandwidth = n.bandwidth;
    c.FFT1.set_Window(sltas ? TFFTWindow::rectangle : window);
    a.sltaspoints = n.sltaspoints;
    a.set_usesltas(sltas);
    a.fftwindow = window;
    a.set_freeze(false);
    a.dualchannels = dualcheck->isChecked();
    a.showwave = wavecheck->isChecked();
    a.bltplot = bltcheck->isChecked();
    fvalues.linecolor = linecolor;
    a.set_dbmax(n.dbmax);
    a.set_dbmin(n.dbmin);
    a.set_autoxaxis(xautocheck->isChecked());
    if (logcheck->isChecked()) {
        a.set_fmax(n.fmax);
        a.set_fmin(n.fmin);
        a.set_logfscale(true);
    } else {
        a.set_logfscale(false);
        a.set_fmax(n.fmax);
        a.set_fmin(n.fmin);
    }
    a.set_musicfscale(musicfscalecheck->isChecked());
    a.set_excludedblimit(n.excludedblimit);
    a.set_excludeoverloaded(excludeoverloadedcheck->isChecked());
    a.set_excludehighpower(excludehighpowercheck->isChecked());
    a.maxgain = pow10(n.maxgain / 20.0);
    a.stretchwave = stretchcheck->isChecked();
    a.set_gridlines(gridcheck->isChecked());
    a.measure = measurecheck->isChecked();
    read_check_list(monoCheckList, monocurves.data(), monocurves.size());
    read_check_list(StereoCheckList, stereocurves.data(), stereocurves.size());
    a.ltasdecay = decaycheck->isChecked();
    a.set_ltasdecaytime(n.decaytime);
    a.sltasdecay = decaycheck->isChecked();
    a.set_sltasdecaytime(n.decaytime);
    if (partialpatternradio->checkedId() >= 0) { // none is checked for a pattern of none
        a.partialpattern = partialpatternradio->checkedId();
    }
    a.partialsperoctave = n.partialsperoctave;
    a.chirpiness = n.chirpiness;
    a.singlesinusfreq = n.singlesinusfreq;
    a.set_tilt(n.tilt);
    a.set_highpass(highpasscheck->isChecked());
    c.MPCRecord1.set_DeviceID(recordcardcombo->currentIndex());
    c.MPCRecord1.set_Latency(n.latency / 1000.0);
    c.MPCPlay1.set_DeviceID(playcardcombo->currentIndex());
    if (fapplied) {
        fapplied();
    }
    accept();
}

// ---- live updates -------------------------------------------------------------------

void TForm2::update_fft_points() {
    QString points = "?";
    const int window = windowcombo->currentIndex();
    try {
        if (window >= 0 && window < static_cast<int>(TAnalyser::windowfactors.size())) {
            const double factor = TAnalyser::windowfactors[static_cast<size_t>(window)];
            points = QString::number(round_int(number_in(sfedit) / number_in(bwedit) * factor));
        }
    } catch (const std::exception&) {
        points = "?"; // a text that is no number, or no frame length that an int can hold
    }
    sizelabel->setText("FFT points: " + points);
}

void TForm2::sfeditChange() {
    update_fft_points();
    xautocheckClick();
}

void TForm2::bweditChange() {
    update_fft_points();
    xautocheckClick();
}

void TForm2::windowcomboChange() {
    update_fft_points();
}

void TForm2::xautocheckClick() {
    const bool manual = !xautocheck->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{fmaxedit, fminedit, fmaxlabel, fminlabel}) {
        w->setEnabled(manual);
    }
    if (manual) {
        return;
    }
    try {
        const double fmax = number_in(sfedit) / 2;
        const double fmin = logcheck->isChecked() ? number_in(bwedit) : 0.0;
        set_text(fmaxedit, fmax);
        set_text(fminedit, fmin);
    } catch (const EConvertError&) {
        fmaxedit->clear();
        fminedit->clear();
    }
}

void TForm2::logcheckClick() {
    xautocheckClick();
    if (!logcheck->isChecked()) {
        musicfscalecheck->setChecked(false);
    }
}

void TForm2::musicfscalecheckClick() {
    if (musicfscalecheck->isChecked()) {
        logcheck->setChecked(true);
    }
}

void TForm2::update_wave_options() {
    const bool wave = wavecheck->isChecked();
    stretchcheck->setVisible(wave);
    const bool gain = wave && stretchcheck->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{maxgainedit, butlabel, butlabel2}) {
        w->setVisible(gain);
    }
}

void TForm2::wavecheckClick() {
    update_wave_options();
}

void TForm2::stretchcheckClick() {
    update_wave_options();
}

void TForm2::dualcheckClick() {
    const bool dual = dualcheck->isChecked();
    monoCheckList->setVisible(!dual);
    StereoCheckList->setVisible(dual);
}

void TForm2::decaycheckClick() {
    const bool decay = decaycheck->isChecked();
    decayedit->setVisible(decay);
    decaylabel->setVisible(decay);
}

void TForm2::update_sltas_group() {
    const bool sltas = usesltascheck->isChecked();
    fft1group->setVisible(!sltas);
    FFT2group->setVisible(sltas);
    sizelabel->setText("FFT points: " + sltaspointsCombo->currentText());
    bw = number_in(sfedit) / str_to_int(sltaspointsCombo->currentText().toStdString());
    bwlabel1->setText(QString::fromStdString(format_float("0.00", bw)));
}

void TForm2::usesltascheckClick() {
    update_sltas_group();
}

void TForm2::sltaspointsComboClick() {
    usesltascheck->setChecked(true);
    update_sltas_group();
}

// ---- colours ------------------------------------------------------------------------

void TForm2::ListBox1DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) {
    const QPalette& palette = ListBox1->palette();
    painter.fillRect(rect, selected ? palette.highlight() : palette.base());
    if (index < 0 || index >= ncurves) {
        return;
    }
    painter.save();
    const int h = rect.height();
    const QRect swatch(rect.left(), rect.top() + 1, h - 2, h - 2);
    painter.fillRect(swatch,
                     from_colorref(static_cast<int32_t>(linecolor[static_cast<size_t>(index)])));
    painter.setPen(Qt::black);
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    painter.setPen(selected ? palette.highlightedText().color() : palette.text().color());
    painter.drawText(QRect(rect.left() + h, rect.top(), rect.width() - h, h),
                     Qt::AlignLeft | Qt::AlignVCenter, ListBox1->item(index)->text());
    painter.restore();
}

void TForm2::colorbuttonClick() {
    const int index = ListBox1->currentRow();
    if (index < 0 || index >= ncurves) {
        return;
    }
    uint32_t& color = linecolor[static_cast<size_t>(index)];
    ColorDialog1->setCurrentColor(from_colorref(static_cast<int32_t>(color)));
    if (ColorDialog1->exec() == QDialog::Accepted) {
        color = static_cast<uint32_t>(to_colorref(ColorDialog1->selectedColor()));
    }
    ListBox1->viewport()->update();
}

void TForm2::defaultbuttonClick() {
    linecolor = fvalues.defaultlinecolor;
    ListBox1->viewport()->update();
}

} // namespace zevrin
