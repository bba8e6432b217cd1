#include "engine/file_analysis.h"

#include "dsp/numeric.h"
#include "dsp/text.h"
#include "engine/setting_limits.h"

#include <string>
#include <vector>

namespace zevrin {

namespace {

// The frame length the analyser would use at the file's rate.
int frame_length_at(const TAnalyser& analyser, int rate) {
    if (analyser.usesltas()) {
        return analyser.sltaspoints;
    }
    const auto window = static_cast<size_t>(analyser.components().FFT1.Window());
    return round_int(rate / analyser.bandwidth * TAnalyser::windowfactors.at(window));
}

// Whole frames of a file in order, each read `ahead` frames before it is handed out, so
// that the reader knows how many follow (up to `ahead`). Reading stops at the first
// frame the file cannot give whole.
class TChunksAhead {
public:
    TChunksAhead(TSoundFile& file, size_t ahead, size_t length, int nchans)
        : ffile(file), flength(length), fnchans(nchans),
          fchunks(ahead + 1, TWaveChunk(length * static_cast<size_t>(nchans))) {
        for (size_t i = 0; i < ahead; ++i) {
            read_one();
        }
    }

    /// The next frame, or null after the last.
    TWaveChunk* next() {
        read_one();
        if (fnext == fread) {
            return nullptr;
        }
        return &fchunks[fnext++ % fchunks.size()];
    }
    /// How many frames follow the one `next` gave last, as far as known (at most `ahead`).
    size_t following() const { return fread - fnext; }

private:
    void read_one() {
        fended = fended ||
                 ffile.read(fchunks[fread % fchunks.size()].data(), flength, fnchans) != flength;
        if (!fended) {
            ++fread;
        }
    }

    TSoundFile& ffile;
    size_t flength;
    int fnchans;
    std::vector<TWaveChunk> fchunks;
    size_t fread = 0; // frames read
    size_t fnext = 0; // frames handed out
    bool fended = false;
};

// Every frame after the analysis computes its spectra again, as a run does.
class TSpectraWanted {
public:
    explicit TSpectraWanted(TAnalyser& analyser) : fanalyser(analyser) {}
    ~TSpectraWanted() { fanalyser.set_spectra_wanted(true); }
    TSpectraWanted(const TSpectraWanted&) = delete;
    TSpectraWanted& operator=(const TSpectraWanted&) = delete;

private:
    TAnalyser& fanalyser;
};

std::string samples_read_text(const TFileAnalysis& result) {
    return std::to_string(result.delivered) + " of the " + std::to_string(result.announced) +
           " samples its header announces could be read";
}

} // namespace

std::string bandwidth_problem(const TAnalyser& analyser, double bandwidth, const TSoundFile& file,
                              const std::string& name) {
    const TFFTWindow window = analyser.components().FFT1.Window();
    const TSettingLimit limit = bandwidth_limit(file.samplerate(), window);
    if (analyser.usesltas() || within(limit, bandwidth)) {
        return {};
    }
    return name + " must be " + range_text(limit) + " for '" + file.path() + "' (" +
           std::to_string(file.samplerate()) + " Hz, " +
           TAnalyser::windownames.at(static_cast<size_t>(window)) + " window), not " +
           readable_number(bandwidth);
}

void check_sound_file(const TAnalyser& analyser, const TSoundFile& file) {
    const std::string name = "'" + file.path() + "'";
    if (analyser.dualchannels && file.channels() < 2) {
        throw ESoundFileError(name + " has one channel; dual-channel analysis needs two");
    }
    if (const std::string problem =
            bandwidth_problem(analyser, analyser.bandwidth, file, "The bandwidth");
        !problem.empty()) {
        throw ESoundFileError(problem);
    }
    const int length = frame_length_at(analyser, file.samplerate());
    if (file.frames() < length) {
        throw ESoundFileError(name + " is shorter than one frame (" +
                              std::to_string(file.frames()) + " samples; a frame is " +
                              std::to_string(length) + " at " + std::to_string(file.samplerate()) +
                              " Hz)");
    }
}

TFileAnalysis analyse_sound_file(TAnalyser& analyser, TSoundFile& file,
                                 const std::function<bool(double)>& progress) {
    check_sound_file(analyser, file);
    analyser.sampfreq = file.samplerate();
    if (analyser.usesltas()) {
        analyser.select_test_partials();
    }
    analyser.prepare_frames();
    const int nchans = analyser.dualchannels ? 2 : 1;
    const auto length = analyser.inre1.size();
    // When nobody sees the frames on the way (no progress, no OnFrame, no window), only
    // the last frame's spectra and the frozen copy of the one before are read: the
    // others need no levels. Reading two chunks ahead tells which frames those are,
    // also in a file that ends before its header says.
    const bool lastonly = !progress && !analyser.OnFrame && !analyser.OnChange;
    TChunksAhead chunks(file, lastonly ? 2 : 0, length, nchans);
    const TSpectraWanted restore(analyser);
    TFileAnalysis result;
    const double total = static_cast<double>(file.frames() / static_cast<int64_t>(length));
    bool last = false;
    while (TWaveChunk* chunk = chunks.next()) {
        analyser.set_spectra_wanted(!lastonly || chunks.following() < 2);
        analyser.MPCRecord1Fetch(*chunk, static_cast<int>(chunk->size()), last);
        ++result.frames;
        if (progress && !progress(static_cast<double>(result.frames) / total)) {
            result.cancelled = true;
            break;
        }
    }
    result.clipped = file.clipped();
    result.announced = file.frames();
    result.delivered = file.frames_read();
    if (result.frames == 0) {
        throw ESoundFileError("'" + file.path() +
                              "' holds no audio that can be read: " + samples_read_text(result) +
                              ", less than one frame (" + std::to_string(length) + " samples)");
    }
    return result;
}

std::string early_end_text(const std::string& path, const TFileAnalysis& result) {
    if (result.cancelled || result.delivered >= result.announced) {
        return std::string();
    }
    return "'" + path + "' ended early: " + samples_read_text(result);
}

} // namespace zevrin
