#include "engine/transfer_export.h"

#include "dsp/text.h"
#include "engine/curve_export.h"

#include <cmath>
#include <limits>

namespace zevrin {

namespace {

void put_row(std::ostream& out, std::initializer_list<double> values) {
    bool first = true;
    for (double v : values) {
        if (!first) {
            out << ',';
        }
        put_table_number(out, v);
        first = false;
    }
    out << '\n';
}

constexpr double none = std::numeric_limits<double>::quiet_NaN();

} // namespace

void write_transfer_csv(const TTransferFunction& tf, const TDistortion& distortion,
                        std::ostream& out) {
    out << "frequency_hz,magnitude_db,phase_deg,unwrapped_phase_deg,group_delay_ms,coherence,"
           "distortion_db,noise_db\n";
    const size_t half = static_cast<size_t>(tf.length) / 2;
    size_t j = 0; // the next measured partial
    size_t u = 0; // the next unused bin
    for (size_t k = 1; k <= half; ++k) {
        const double f = static_cast<double>(k) * tf.sampfreq / static_cast<double>(tf.length);
        while (j < tf.bins.size() && tf.bins[j] < k) {
            ++j;
        }
        while (u < distortion.bins.size() && distortion.bins[u] < k) {
            ++u;
        }
        if (j < tf.bins.size() && tf.bins[j] == k) {
            put_row(out, {f, tf.magnitude_db[j], tf.phase_deg[j], tf.unwrapped_deg[j],
                          tf.group_delay_ms[j], tf.coherence[j], none, none});
        } else if (u < distortion.bins.size() && distortion.bins[u] == k) {
            put_row(out, {f, none, none, none, none, none, distortion.distortion_db[u],
                          distortion.noise_db[u]});
        } else {
            put_row(out, {f, none, none, none, none, none, none, none});
        }
    }
}

void write_impulse_csv(const TTransferFunction& tf, std::ostream& out) {
    out << "time_ms,impulse,etc_db\n";
    const tdoublearr& etc = tf.etc_db();
    for (size_t n = 0; n < tf.impulse.size(); ++n) {
        put_row(out, {tf.time_ms[n], tf.impulse[n], etc[n]});
    }
}

std::string transfer_summary(const TTransferFunction& tf, const TDistortion& distortion) {
    std::string text;
    if (!tf.valid()) {
        text += tf.problem() + "\n";
    } else {
        const char* what = tf.dual ? "Delay" : "Capture offset";
        if (tf.delay_found) {
            text += std::string(what) + ": " + std::to_string(tf.delay) + " samples (" +
                    format_float("0.###", tf.delay_ms) +
                    " ms), taken out of the phase and the group delay\n";
        } else {
            text += std::string(what) + ": not found with one partial\n";
        }
        text += "Impulse response: peak " + format_significant(6, tf.peak) + " at " +
                format_float("0.###", tf.time_ms[static_cast<size_t>(tf.peak_index)]) + " ms\n";
    }
    if (distortion.valid()) {
        text += "Frames averaged: " + format_float("0.#", distortion.weight) + " (effective " +
                format_float("0.#", distortion.effective_frames) + ")\n";
        if (std::isnan(distortion.thd) && std::isnan(distortion.thdn)) {
            text += "THD and THD+N: no unused bin between the partials\n";
        } else {
            const std::string thd = distortion.single ? "THD (harmonics)" : "THD (unused bins)";
            text += thd + ": " + ratio_text(distortion.thd) +
                    ", THD+N: " + ratio_text(distortion.thdn) + "\n";
        }
    }
    return text;
}

} // namespace zevrin
