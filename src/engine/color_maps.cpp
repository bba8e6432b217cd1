#include "engine/color_maps.h"

#include <algorithm>
#include <cmath>

namespace zevrin {

const std::array<const char*, ncolormaps> color_map_names = {"Viridis", "Magma", "Grey"};

namespace {

// Coefficients c0 .. c6 of the polynomial fit, per channel: value = sum of c_k t^k.
using TFit = std::array<std::array<double, 7>, 3>;

constexpr TFit viridis_fit = {{
    {0.2777273272234177, 0.1050930431085774, -0.3308618287255563, -4.634230498983486,
     6.228269936347081, 4.776384997670288, -5.435455855934631},
    {0.005407344544966578, 1.404613529898575, 0.214847559468213, -5.799100973351585,
     14.17993336680509, -13.74514537774601, 4.645852612178535},
    {0.3340998053353061, 1.384590162594685, 0.09509516302823659, -19.33244095627987,
     56.69055260068105, -65.35303263337234, 26.3124352495832},
}};

constexpr TFit magma_fit = {{
    {-0.002136485053939582, 0.2516605407371642, 8.353717279216625, -27.66873308576866,
     52.17613981234068, -50.76852536473588, 18.65570506591883},
    {-0.000749655052795221, 0.6775232436837668, -3.577719514958484, 14.26473078096533,
     -27.94360607168351, 29.04658282127291, -11.48977351997711},
    {-0.005386127855323933, 2.494026599312351, 0.3144679030132573, -13.64921318813922,
     12.94416944238394, 4.23415299384598, -5.601961508734096},
}};

uint8_t to_byte(double v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

double polynomial(const std::array<double, 7>& c, double t) {
    double v = 0.0;
    for (auto k = c.size(); k-- > 0;) {
        v = v * t + c[k];
    }
    return v;
}

TRgb from_fit(const TFit& fit, double t) {
    return TRgb{to_byte(polynomial(fit[0], t)), to_byte(polynomial(fit[1], t)),
                to_byte(polynomial(fit[2], t))};
}

} // namespace

TRgb color_map_rgb(TColorMap map, double t) {
    t = std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0);
    switch (map) {
    case TColorMap::viridis:
        return from_fit(viridis_fit, t);
    case TColorMap::magma:
        return from_fit(magma_fit, t);
    case TColorMap::grey:
        break;
    }
    const uint8_t v = to_byte(t);
    return TRgb{v, v, v};
}

} // namespace zevrin
