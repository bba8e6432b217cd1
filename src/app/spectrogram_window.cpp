#include "app/spectrogram_window.h"

#include "dsp/numeric.h"
#include "dsp/text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace zevrin {

namespace {

constexpr int initial_width = 900;
constexpr int initial_height = 460;

std::string history_text(const TSpectrogramRing& ring) {
    const double mib = static_cast<double>(ring.bytes()) / (1024.0 * 1024.0);
    std::string text = "History of " + format_float("0", mib) + " MiB";
    if (ring.capacity() > 0 && ring.frame_seconds() > 0.0) {
        const double minutes = static_cast<double>(ring.capacity()) * ring.frame_seconds() / 60.0;
        text += ": " + format_float("0.0", minutes) + " min of " +
                (ring.channels() == 2 ? "two channels" : "one channel") + " at " +
                format_float("0.###", ring.sampfreq()) + " Hz";
    }
    return text;
}

} // namespace

TSpectrogramWindow::TSpectrogramWindow(QWidget* parent, size_t bytes)
    : QWidget(parent, Qt::Window), fring(std::make_unique<TSpectrogramRing>(bytes)) {
    setWindowTitle("Spectrogram");
    create_controls();
    resize(initial_width, initial_height);
    fill_channels();
    Readout->setText(QString::fromStdString(readout_text(nullptr)));
}

TSpectrogramWindow::~TSpectrogramWindow() = default;

void TSpectrogramWindow::create_controls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QHBoxLayout;
    ChannelBox = new QComboBox(this);
    ChannelBox->setObjectName("ChannelBox");
    ColorMapBox = new QComboBox(this);
    ColorMapBox->setObjectName("ColorMapBox");
    for (const char* name : color_map_names) {
        ColorMapBox->addItem(name);
    }
    FollowBox = new QCheckBox("Follow", this);
    FollowBox->setObjectName("FollowBox");
    FollowBox->setChecked(true);
    bar->addWidget(new QLabel("Channel:", this));
    bar->addWidget(ChannelBox);
    bar->addSpacing(12);
    bar->addWidget(new QLabel("Colours:", this));
    bar->addWidget(ColorMapBox);
    bar->addSpacing(12);
    bar->addWidget(FollowBox);
    bar->addStretch(1);
    layout->addLayout(bar);
    Panel = new TSpectrogramPanel(*fring, this);
    Panel->setObjectName("SpectrogramPanel");
    layout->addWidget(Panel, 1);
    Readout = new QLabel(this);
    Readout->setObjectName("Readout");
    layout->addWidget(Readout);

    connect(ChannelBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { channel_chosen(index); });
    connect(ColorMapBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        Panel->set_color_map(static_cast<TColorMap>(std::max(0, index)));
    });
    connect(FollowBox, &QCheckBox::toggled, this, [this](bool on) { Panel->set_follow(on); });
    Panel->OnFollowChanged = [this](bool on) { FollowBox->setChecked(on); };
    Panel->plot->OnCursor = [this](bool shown, QPoint at) { show_reading(shown, at); };
}

// One channel shows itself; two show left, right or their difference.
void TSpectrogramWindow::fill_channels() {
    const int channels = fring->channels();
    if (channels == fchannels) {
        return;
    }
    fchannels = channels;
    const QSignalBlocker quiet(ChannelBox);
    ChannelBox->clear();
    if (channels == 2) {
        ChannelBox->addItems({"Left", "Right", "L-R"});
    } else {
        ChannelBox->addItem("Mono");
    }
    ChannelBox->setCurrentIndex(0);
    channel_chosen(0);
}

void TSpectrogramWindow::channel_chosen(int index) {
    static constexpr TSpectrogramSource sources[] = {
        TSpectrogramSource::channel1, TSpectrogramSource::channel2, TSpectrogramSource::difference};
    Panel->set_source(sources[std::clamp(index, 0, 2)]);
}

void TSpectrogramWindow::frames_started(const TAnalyser& analyser, bool live) {
    start_spectrogram(*fring, analyser);
    fill_channels();
    Panel->frames_started(live);
    Readout->setText(QString::fromStdString(readout_text(nullptr)));
}

void TSpectrogramWindow::record_frame(const TAnalyser& analyser) {
    record_spectrogram_frame(*fring, analyser);
    Panel->frame_added();
}

void TSpectrogramWindow::file_analysed() {
    Panel->show_whole();
}

void TSpectrogramWindow::follow_axes(const TAxis& frequencyaxis, const TAxis& levelaxis) {
    const double lo = frequencyaxis.LoValue();
    const double hi = frequencyaxis.HiValue();
    const bool log = frequencyaxis.Logarithmic();
    const bool music = frequencyaxis.MusicScale();
    if (lo != ffreqlo || hi != ffreqhi || log != flog || music != fmusic) {
        ffreqlo = lo;
        ffreqhi = hi;
        flog = log;
        fmusic = music;
        Panel->set_frequency_scale(lo, hi, log, music);
    }
    if (levelaxis.LoValue() != flevello || levelaxis.HiValue() != flevelhi) {
        flevello = levelaxis.LoValue();
        flevelhi = levelaxis.HiValue();
        Panel->set_level_range(flevello, flevelhi);
    }
}

std::string TSpectrogramWindow::readout_text(const TSpectrogramReading* r) const {
    if (r == nullptr) {
        return history_text(*fring);
    }
    std::string text =
        format_float("0.000", r->time) + " s   " + format_float("0.0", r->frequency) + " Hz";
    if (Panel->frequencyaxis->MusicScale()) {
        text += " (" + freq_to_notename(true, r->frequency) + ")";
    }
    text += "   ";
    text += r->valid ? format_float("0.00", r->level) + " dB" : "no data";
    return text;
}

void TSpectrogramWindow::show_reading(bool shown, QPoint at) {
    if (!shown) {
        Readout->setText(QString::fromStdString(readout_text(nullptr)));
        return;
    }
    const TSpectrogramReading r = Panel->plot->reading_at(at.x(), at.y());
    Readout->setText(QString::fromStdString(readout_text(&r)));
}

// A minimised main window hides this one too; that is no closing.
void TSpectrogramWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous() && OnShownChanged) {
        OnShownChanged(true);
    }
}

void TSpectrogramWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous() && OnShownChanged) {
        OnShownChanged(false);
    }
}

} // namespace zevrin
