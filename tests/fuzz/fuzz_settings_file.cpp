// Any bytes as a settings file (".zvr"), read as the window and --analyse read one:
// whatever it holds, every setting in force afterwards lies within its range, and a
// run would get frames of a length the analyser can take.

#include "audio/virtual_loopback.h"
#include "engine/setting_limits.h"
#include "platform/ini_document.h"
#include "platform/ini_store.h"
#include "settings/settings_keys.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace zevrin;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The file's text as the store that the settings are read from.
class DocumentStore : public IniStore {
public:
    explicit DocumentStore(std::string_view bytes) : fdoc(IniDocument::parse(bytes)) {}
    std::optional<std::string> read(std::string_view section, std::string_view key) override {
        return fdoc.read(section, key);
    }
    std::vector<std::string> sections() override { return fdoc.sections(); }
    std::vector<std::string> keys(std::string_view section) override { return fdoc.keys(section); }
    std::vector<std::pair<std::string, std::string>> values(std::string_view section) override {
        return fdoc.values(section);
    }
    void write(std::string_view section, std::string_view key, std::string_view value) override {
        fdoc.write(section, key, value);
    }
    void erase_section(std::string_view section) override { fdoc.erase_section(section); }
    void delete_key(std::string_view section, std::string_view key) override {
        fdoc.delete_key(section, key);
    }
    void update_file() override {}
    bool has_changes() const override { return false; }
    void discard_changes() override {}

private:
    IniDocument fdoc;
};

bool within_limit(const char* name, double value) {
    return within(setting_limit(name), value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DocumentStore store(std::string_view(reinterpret_cast<const char*>(data), size));
    static TVirtualLoopback loop(TLoopbackClock::manual);
    TAnalyserComponents components(loop);
    TAnalyser a(components);
    std::array<uint32_t, ncurves> linecolor{};
    std::array<bool, ncurves> showcurve{};
    read_settings_keys(store, {a, linecolor, default_curve_colors, showcurve});

    require(within_limit("SampFreq", a.sampfreq));
    require(within(bandwidth_limit(a.sampfreq, components.FFT1.Window()), a.bandwidth));
    require(within_limit("SLTASPoints", a.sltaspoints));
    require(within_limit("NonSLTASWindow", static_cast<int>(a.fftwindow)));
    require(within_limit("DecayTime", a.ltasdecaytime()));
    require(within_limit("SDecayTime", a.sltasdecaytime()));
    require(a.ltasdecayfactor > 0 && a.ltasdecayfactor <= 1);
    require(a.sltasdecayfactor > 0 && a.sltasdecayfactor <= 1);
    require(within_limit("fMin", a.fmin()) && within_limit("fMax", a.fmax()));
    require(within_limit("dBMin", a.dbmin()) && within_limit("dBMax", a.dbmax()));
    require(within_limit("PartialPattern", a.partialpattern));
    require(within_limit("PartialsPerOctave", a.partialsperoctave));
    require(within_limit("Chirpiness", a.chirpiness));
    require(within_limit("MeasureCurveNo", a.measurecurveno()));
    require(std::isfinite(a.maxgain) && a.maxgain > 0);
    const int frame = a.frame_length();
    require(frame >= 2 && frame <= max_frame_length);
    require(showcurve[0]);
    return 0;
}
