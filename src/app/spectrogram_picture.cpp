#include "app/spectrogram_picture.h"

#include "display/spectrogram_panel.h"
#include "platform/safe_file.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <stdexcept>

namespace zevrin {

namespace {

// Widgets need an application; a command without a window gets one that draws
// offscreen, whatever display there is, and keeps it to the end of the process.
void ensure_application() {
    if (QCoreApplication::instance() != nullptr) {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
            throw std::runtime_error("cannot draw the spectrogram without a widget application");
        }
        return;
    }
    static int argc = 3;
    static char name[] = "zevrin";
    static char platform[] = "-platform";
    static char offscreen[] = "offscreen";
    static char* argv[] = {name, platform, offscreen, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
}

} // namespace

std::unique_ptr<TSpectrogramRing> spectrogram_ring_for(const TAnalyser& analyser, int64_t samples) {
    const size_t column =
        (analyser.outdb1.size() / 2 + 1) * (analyser.dualchannels ? 2 : 1) * sizeof(int16_t);
    const size_t frames = static_cast<size_t>(std::max<int64_t>(samples, 0)) /
                          std::max<size_t>(1, analyser.inre1.size());
    const size_t bytes =
        std::clamp(frames * column, TSpectrogramRing::default_bytes, largest_file_ring);
    auto ring = std::make_unique<TSpectrogramRing>(bytes);
    start_spectrogram(*ring, analyser);
    return ring;
}

QByteArray spectrogram_png(const TSpectrogramRing& ring, const TAnalyser& analyser,
                           TImageSize size) {
    ensure_application();
    TSpectrogramPanel panel(ring);
    panel.setAttribute(Qt::WA_DontShowOnScreen);
    panel.resize(size.width, size.height);
    // As the window shows a file: the frequency range follows the file's rate when
    // the frequency axis follows the sampling frequency.
    const double fmax = analyser.autoxaxis() ? analyser.sampfreq / 2 : analyser.fmax();
    panel.set_frequency_scale(analyser.fmin(), fmax, analyser.logfscale(), analyser.musicfscale());
    panel.set_level_range(analyser.dbmin(), analyser.dbmax());
    panel.show();
    panel.show_whole();
    const QImage picture = panel.grab().toImage();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        throw std::runtime_error("cannot make the spectrogram's picture");
    }
    return bytes;
}

void write_spectrogram_png(const std::string& path, const TSpectrogramRing& ring,
                           const TAnalyser& analyser, TImageSize size) {
    const QByteArray bytes = spectrogram_png(ring, analyser, size);
    const FileError error = write_file_safely(
        path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (error) {
        throw std::runtime_error(write_failure_text(path, error));
    }
}

} // namespace zevrin
