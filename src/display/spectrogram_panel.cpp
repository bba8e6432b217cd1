#include "display/spectrogram_panel.h"

#include "display/spectrogram_render.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace zevrin {

namespace {

constexpr int margin = 2;
constexpr int axis_gap = 4;
constexpr int time_axis_height = 25;
constexpr int scale_gap = 8;
constexpr int scale_width = 14;

void fixed_axis(TAxis& axis, tposition position, const char* caption) {
    axis.set_Position(position);
    axis.set_AllowLoScroll(false);
    axis.set_AllowHiScroll(false);
    axis.set_AllowMidScroll(false);
    axis.set_TickSpaceAim(50);
    axis.set_AxisText(caption);
    axis.set_Autosize(true);
}

} // namespace

/// The colours of the map from the level axis's low value (bottom) to its high value.
class TColorScale : public QWidget {
public:
    explicit TColorScale(QWidget* parent) : QWidget(parent) {}
    void set_map(TColorMap map) {
        fmap = map;
        update();
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter p(this);
        const int h = height();
        for (int y = 0; y < h; ++y) {
            const double t = h > 1 ? 1.0 - static_cast<double>(y) / (h - 1) : 0.0;
            const TRgb c = color_map_rgb(fmap, t);
            p.setPen(QColor(c.r, c.g, c.b));
            p.drawLine(0, y, width() - 1, y);
        }
    }

private:
    TColorMap fmap = TColorMap::viridis;
};

TSpectrogramPanel::TSpectrogramPanel(const TSpectrogramRing& ring, QWidget* parent)
    : QWidget(parent), fring(ring) {
    frequencyaxis = new TAxis(this);
    frequencyaxis->setObjectName("frequencyaxis");
    fixed_axis(*frequencyaxis, tposition::posleft, "[Hz]");
    // Room for five-digit frequencies beside their tick marks.
    frequencyaxis->set_Autosize(false);
    frequencyaxis->set_Width(QFontMetrics(frequencyaxis->Font()).horizontalAdvance("20000") +
                             2 * frequencyaxis->TickMarkSize() + 2);
    levelaxis = new TAxis(this);
    levelaxis->setObjectName("levelaxis");
    fixed_axis(*levelaxis, tposition::posright, "[dB]");
    timeaxis = new TAxis(this);
    timeaxis->setObjectName("timeaxis");
    timeaxis->set_Position(tposition::posunder);
    timeaxis->set_Height(time_axis_height);
    timeaxis->set_TickSpaceAim(80);
    timeaxis->set_AllowMidScroll(true);
    timeaxis->set_AxisText("[s]");
    timeaxis->set_MinValueDifference(1e-3);
    const auto moved = [this](TAxis*) { time_axis_moved(); };
    timeaxis->OnScaleChanging = moved;
    timeaxis->OnScaleChanged = moved;
    plot = new TSpectrogramPlot(ring, *frequencyaxis, *timeaxis, this);
    plot->setObjectName("spectrogram");
    fscale = new TColorScale(this);
    set_frequency_scale(0, 8000, false, false);
    set_level_range(-25, 75);
    layout_children();
}

void TSpectrogramPanel::set_frequency_scale(double lo, double hi, bool logarithmic, bool music) {
    TAxis& a = *frequencyaxis;
    try {
        if (!logarithmic) {
            a.set_Logarithmic(false);
        }
        a.set_hilovalues(lo, hi);
        a.set_Logarithmic(logarithmic);
        a.set_MusicScale(music);
    } catch (const std::exception&) {
        // A logarithmic range from 0 cannot be shown; keep the linear scale instead.
        a.set_Logarithmic(false);
    }
    plot->update();
}

void TSpectrogramPanel::set_level_range(double lo, double hi) {
    levelaxis->set_hilovalues(lo, hi);
    plot->set_level_range(lo, hi);
}

void TSpectrogramPanel::set_color_map(TColorMap map) {
    plot->set_color_map(map);
    fscale->set_map(map);
}

void TSpectrogramPanel::set_source(TSpectrogramSource source) {
    plot->set_source(source);
}

void TSpectrogramPanel::set_follow(bool value) {
    floading = false;
    if (value == plot->follow()) {
        return;
    }
    plot->set_follow(value);
    if (value) {
        follow_time_axis();
    }
    if (OnFollowChanged) {
        OnFollowChanged(value);
    }
}

void TSpectrogramPanel::frames_started(bool live) {
    set_follow(live);
    floading = !live;
    if (live) {
        follow_time_axis();
    }
    plot->update();
}

void TSpectrogramPanel::frame_added() {
    if (floading || !isVisible()) {
        return;
    }
    if (plot->follow()) {
        follow_time_axis();
    }
    plot->add_column();
}

void TSpectrogramPanel::show_whole() {
    set_follow(false);
    const double dt = fring.frame_seconds();
    const double lo = static_cast<double>(fring.first()) * dt;
    const double hi = static_cast<double>(fring.count()) * dt;
    set_time_range(lo, hi > lo ? hi : lo + 1.0);
    plot->update();
}

// One column per frame, the centre of the newest frame on the last pixel.
void TSpectrogramPanel::follow_time_axis() {
    const double dt = fring.frame_seconds() > 0.0 ? fring.frame_seconds() : 1.0;
    const double hi = (static_cast<double>(fring.count()) - 0.5) * dt;
    set_time_range(hi - std::max(1, plot->width() - 1) * dt, hi);
}

void TSpectrogramPanel::set_time_range(double lo, double hi) {
    fsettingtime = true;
    timeaxis->set_hilovalues(lo, hi);
    fsettingtime = false;
}

void TSpectrogramPanel::time_axis_moved() {
    if (!fsettingtime) {
        set_follow(false);
        plot->update();
    }
}

void TSpectrogramPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (plot->follow()) {
        follow_time_axis();
    }
}

void TSpectrogramPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layout_children();
}

void TSpectrogramPanel::layout_children() {
    const int left = margin + frequencyaxis->width();
    const int plotwidth =
        std::max(1, width() - left - scale_gap - scale_width - levelaxis->width() - margin);
    const int plotheight = std::max(1, height() - margin - timeaxis->height() - axis_gap);
    frequencyaxis->setGeometry(margin, margin, frequencyaxis->width(), plotheight);
    plot->setGeometry(left, margin, plotwidth, plotheight);
    timeaxis->move(left, margin + plotheight);
    timeaxis->set_Width(plotwidth);
    fscale->setGeometry(left + plotwidth + scale_gap, margin, scale_width, plotheight);
    levelaxis->setGeometry(fscale->geometry().right() + 1, margin, levelaxis->width(), plotheight);
    if (plot->follow()) {
        follow_time_axis();
    }
}

} // namespace zevrin
