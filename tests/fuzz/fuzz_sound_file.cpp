// Any bytes as a sound file, read through libsndfile from memory and analysed as
// "Analyse sound file..." and --analyse do: the file is refused with a message or
// read, no read gives more than asked for, and the analysis takes it frame by frame.

#include "audio/sound_file.h"
#include "audio/virtual_loopback.h"
#include "engine/file_analysis.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

using namespace zevrin;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        TSoundFile file("fuzz", bytes);
        require(file.samplerate() > 0 && file.channels() > 0 && file.frames() > 0);
        std::vector<int16_t> out(2 * 512);
        const int nchans = file.channels() > 1 ? 2 : 1;
        require(file.read(out.data(), 512, nchans) <= 512);

        static TVirtualLoopback loop(TLoopbackClock::manual);
        TAnalyserComponents components(loop);
        TAnalyser analyser(components);
        analyser.bandwidth = 200;
        analyser.dualchannels = nchans == 2;
        analyser.set_ltas(true);
        // A few frames tell as much as all of a long file.
        int frames = 0;
        const TFileAnalysis result =
            analyse_sound_file(analyser, file, [&frames](double) { return ++frames < 8; });
        require(result.frames == frames);
        require(analyser.ltascount + analyser.excluded >= 0);
    } catch (const ESoundFileError&) {
    }
    return 0;
}
