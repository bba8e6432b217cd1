#include "engine/sltas_partials.h"

#include <algorithm>

namespace zevrin {

std::string sltas_measurement_problem(const TAnalyser& a) {
    if (!a.usesltas()) {
        return "SLTAS mode is off: the transfer function needs the synchronous average";
    }
    const auto length = static_cast<size_t>(std::max(a.sltaspoints, 0));
    if (length < 16 || (length & (length - 1)) != 0) {
        return "A period of " + std::to_string(a.sltaspoints) +
               " points is no power of two: its partials fall between the bins";
    }
    if (a.sltas1.size() != length || a.powersums.power1().size() != length / 2 + 1) {
        return "The averages are not of the period in force (" + std::to_string(length) +
               " points): run again";
    }
    if (a.sltascount == 0 || !(a.sltasdecayedcount > 0.0)) {
        return "Nothing averaged yet: play the test signal, run and switch SLTAS on";
    }
    return std::string();
}

void synthesised_partials(const TAnalyser& a, tpartialflags& used) {
    used.assign(static_cast<size_t>(std::max(a.sltaspoints, 0)), false);
    select_partials(a.test_signal_settings(), used);
    if (!used.empty()) {
        used[0] = false;
        // The synthesis stops below L/2.
        for (size_t i = (used.size() - 1) / 2 + 1; i < used.size(); ++i) {
            used[i] = false;
        }
    }
}

const tcomplexarr& response_sums(const TAnalyser& a) {
    return a.dualchannels ? a.sltas2 : a.sltas1;
}

const tdoublearr& response_powers(const TAnalyser& a) {
    return a.dualchannels ? a.powersums.power2() : a.powersums.power1();
}

} // namespace zevrin
