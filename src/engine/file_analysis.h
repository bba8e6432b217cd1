#pragma once
// A recording through the analyser: the file's rate becomes the sampling frequency
// and its first channel (or first two in dual mode) reaches the frame processing in
// chunks of exactly one frame, as the capture component delivers them.

#include "audio/sound_file.h"
#include "engine/analyser.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zevrin {

struct TFileAnalysis {
    int64_t frames = 0;  ///< frames processed
    int64_t clipped = 0; ///< values clipped on the way to 16 bits
    bool cancelled = false;
    int64_t announced = 0; ///< samples per channel that the file's header announces
    int64_t delivered = 0; ///< samples per channel that could be read
};

/// When the file ended before the samples its header announces (cut short or
/// damaged): a sentence that says so; otherwise empty.
std::string early_end_text(const std::string& path, const TFileAnalysis& result);
/// Empty when `bandwidth` gives frames of a usable length at the file's rate with the
/// window in force (always in SLTAS mode, whose frames are one period); otherwise the
/// message, naming the setting as `name` ("--bandwidth"), the file and the range it
/// allows.
std::string bandwidth_problem(const TAnalyser& analyser, double bandwidth, const TSoundFile& file,
                              const std::string& name);

/// Checks that the file fits the analyser's settings before anything changes:
/// ESoundFileError when dual mode needs a second channel the file lacks, when the
/// bandwidth gives frames too short or too long at the file's rate, or when the file
/// is shorter than one frame.
void check_sound_file(const TAnalyser& analyser, const TSoundFile& file);

/// Sets the sampling frequency from the file, prepares the frames as a run would and
/// feeds every whole frame, in order. `progress` (may be empty) gets the fraction done
/// after each frame and returns false to stop early. Without `progress`, the analyser's
/// OnFrame and OnChange, nobody sees the frames on the way: the current spectra are then
/// computed only for the last two frames (TAnalyser::set_spectra_wanted), which leaves
/// them and their frozen copies as every frame's computation would. Throws as check_sound_file, and
/// ESoundFileError when not one whole frame could be read (the header promised more
/// than the file holds).
TFileAnalysis analyse_sound_file(TAnalyser& analyser, TSoundFile& file,
                                 const std::function<bool(double)>& progress = {});

} // namespace zevrin
