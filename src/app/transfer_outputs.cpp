#include "app/transfer_outputs.h"

#include "audio/sound_file_bytes.h"
#include "dsp/numeric.h"
#include "engine/distortion.h"
#include "engine/transfer_export.h"
#include "engine/transfer_function.h"
#include "platform/safe_file.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <stdexcept>

namespace zevrin {

namespace {

const std::string& file_name(const std::vector<std::string>& args, size_t& i) {
    if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0 || args[i + 1].empty()) {
        throw std::invalid_argument(args[i] + " needs a file name");
    }
    return args[++i];
}

bool csv_name(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    std::string end = name.substr(name.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return end == ".csv";
}

std::unique_ptr<SafeFile> open(const std::string& path, std::string& error) {
    if (path.empty() || !error.empty()) {
        return nullptr;
    }
    auto file = std::make_unique<SafeFile>(path);
    if (file->error()) {
        error = write_failure_text(path, file->error());
    }
    return file;
}

void finish(SafeFile& file, const std::string& bytes) {
    file.write(bytes);
    if (const FileError e = file.commit()) {
        throw std::runtime_error(write_failure_text(file.path(), e));
    }
}

std::string transfer_text(const TTransferFunction& tf, const TDistortion& distortion) {
    std::ostringstream text;
    write_transfer_csv(tf, distortion, text);
    return text.str();
}

void write_whole(const std::string& path, const std::string& bytes) {
    if (const FileError e = write_file_safely(path, bytes)) {
        throw std::runtime_error(write_failure_text(path, e));
    }
}

std::string impulse_bytes(const TTransferFunction& tf, const std::string& path) {
    if (csv_name(path)) {
        std::ostringstream text;
        write_impulse_csv(tf, text);
        return text.str();
    }
    const std::vector<float> samples(tf.impulse.begin(), tf.impulse.end());
    return float_wav_bytes(samples, round_int(tf.sampfreq));
}

} // namespace

void write_transfer_file(const std::string& path, const TTransferFunction& tf,
                         const TDistortion& distortion) {
    write_whole(path, transfer_text(tf, distortion));
}

void write_impulse_file(const std::string& path, const TTransferFunction& tf) {
    write_whole(path, impulse_bytes(tf, path));
}

bool parse_transfer_output(const std::vector<std::string>& args, size_t& i,
                           TTransferOutputs& outputs) {
    if (args[i] == "--transfer") {
        outputs.transfer = file_name(args, i);
    } else if (args[i] == "--impulse") {
        outputs.impulse = file_name(args, i);
    } else {
        return false;
    }
    return true;
}

std::string transfer_outputs_help() {
    return "  --transfer OUT.csv        with --sltas: the transfer function per partial\n"
           "                            (magnitude, phase, unwrapped phase, group delay,\n"
           "                            coherence) and the distortion and noise floors per\n"
           "                            unused bin; in mono against the period that\n"
           "                            --write-test-signal writes\n"
           "  --impulse OUT.wav         with --sltas: the impulse response over one period,\n"
           "                            32-bit float; a name ending in .csv gets a table of\n"
           "                            time, impulse response and energy-time curve\n";
}

TTransferFiles::TTransferFiles(const TTransferOutputs& outputs) : foutputs(outputs) {
    ftransfer = open(outputs.transfer, ferror);
    fimpulse = open(outputs.impulse, ferror);
}

TTransferFiles::~TTransferFiles() = default;

void TTransferFiles::write(TAnalyser& analyser, std::ostream& report) {
    if (!analyser.dualchannels) {
        // The recording answers the period written by --write-test-signal: the first
        // one a fresh start of the program synthesises, dither included.
        set_random_seed(0);
        analyser.build_test_signal();
    }
    TTransferFunction tf;
    tf.compute(analyser);
    if (!tf.valid()) {
        throw std::runtime_error("No transfer function: " + tf.problem());
    }
    TDistortion distortion;
    distortion.compute(analyser);
    if (ftransfer) {
        finish(*ftransfer, transfer_text(tf, distortion));
    }
    if (fimpulse) {
        finish(*fimpulse, impulse_bytes(tf, foutputs.impulse));
    }
    report << transfer_summary(tf, distortion);
}

} // namespace zevrin
