#include "picture/ResampleFilters.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {

double Sinc(double x)
{
    if (x == 0.0)
        return 1.0;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

} // namespace

double Lanczos3(double x)
{
    x = std::fabs(x);
    return x < 3.0 ? Sinc(x) * Sinc(x / 3.0) : 0.0;
}

double KeysCubic(double x)
{
    constexpr double a = -0.5;
    x = std::fabs(x);
    if (x < 1.0)
        return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    if (x < 2.0)
        return ((a * x - 5.0 * a) * x + 8.0 * a) * x - 4.0 * a;
    return 0.0;
}

AxisWeights ScalingWeights(int inLength, int outLength, double inPerOut)
{
    if (inLength <= 0 || outLength <= 0 || !(inPerOut > 0.0))
        throw std::invalid_argument("ScalingWeights: empty axis");
    const double widen = std::max(1.0, inPerOut);
    const double radius = 3.0 * widen;
    AxisWeights table;
    table.first.resize(std::size_t(outLength));
    table.count.resize(std::size_t(outLength));
    // Every output sample's taps, before they are laid in rows of equal length.
    std::vector<double> all;
    std::vector<std::size_t> start(std::size_t(outLength) + 1);
    for (int u = 0; u < outLength; ++u) {
        const double centre = (u + 0.5) * inPerOut - 0.5;
        int lo = int(std::floor(centre - radius)) + 1;
        int hi = int(std::ceil(centre + radius)) - 1;
        lo = std::clamp(lo, 0, inLength - 1);
        hi = std::clamp(hi, lo, inLength - 1);
        start[std::size_t(u)] = all.size();
        double sum = 0.0;
        for (int i = lo; i <= hi; ++i) {
            const double w = Lanczos3((i - centre) / widen);
            all.push_back(w);
            sum += w;
        }
        // A sample whose taps all weigh 0 (possible only at the very edge of
        // a tiny input) takes its nearest input sample.
        if (sum == 0.0) {
            std::fill(all.begin() + std::ptrdiff_t(start[std::size_t(u)]), all.end(), 0.0);
            all[start[std::size_t(u)] + std::size_t(std::clamp(int(std::lround(centre)), lo, hi) - lo)] = 1.0;
            sum = 1.0;
        }
        for (std::size_t k = start[std::size_t(u)]; k < all.size(); ++k)
            all[k] /= sum;
        table.first[std::size_t(u)] = lo;
        table.count[std::size_t(u)] = hi - lo + 1;
        table.taps = std::max(table.taps, hi - lo + 1);
    }
    start[std::size_t(outLength)] = all.size();
    table.taps += table.taps % 2; // the row loops take taps in pairs
    table.weights.assign(std::size_t(outLength) * std::size_t(table.taps), 0.0f);
    for (int u = 0; u < outLength; ++u)
        for (int k = 0; k < table.count[std::size_t(u)]; ++k)
            table.weights[std::size_t(u) * std::size_t(table.taps) + std::size_t(k)]
                = float(all[start[std::size_t(u)] + std::size_t(k)]);
    return table;
}

int BoxShrinkFor(double factor)
{
    if (!(factor >= 4.0))
        return 1;
    return int(std::min<double>(kMaxBoxShrink, std::floor(factor / 2.0)));
}

PhaseWeights FractionalShiftWeights(PhaseKernel kernel, double fraction)
{
    PhaseWeights result;
    const bool sixTaps = kernel != PhaseKernel::KeysCubic;
    result.taps = sixTaps ? 6 : 4;
    result.firstOffset = sixTaps ? -2 : -1;
    std::array<double, kMaxPhaseTaps> real {};
    double sum = 0.0;
    for (int k = 0; k < result.taps; ++k) {
        const double x = result.firstOffset + k - fraction;
        real[std::size_t(k)] = sixTaps ? Lanczos3(x) : KeysCubic(x);
        sum += real[std::size_t(k)];
    }
    constexpr double one = 1 << kPhaseBits;
    std::int32_t total = 0;
    int largest = 0;
    for (int k = 0; k < result.taps; ++k) {
        result.w[std::size_t(k)] = std::int32_t(std::lround(real[std::size_t(k)] / sum * one));
        total += result.w[std::size_t(k)];
        if (result.w[std::size_t(k)] > result.w[std::size_t(largest)])
            largest = k;
    }
    // Rounding may leave the sum one or two off: the largest weight takes it.
    result.w[std::size_t(largest)] += (1 << kPhaseBits) - total;
    result.identity = true;
    for (int k = 0; k < result.taps; ++k)
        if (k != -result.firstOffset && result.w[std::size_t(k)] != 0)
            result.identity = false;
    return result;
}
