// SPDX-License-Identifier: MIT
#include "analysis/Spectrum.h"

#include "analysis/BlockCheck.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace analysis {

namespace {

// Cosine-sum windows: w[i] = sum over m of c[m] cos(2 pi m i / length), periodic (DFT-even).
// The flat-top is Heinzel's HFT95: passband flat to 0.005 dB, side lobes under -95 dB.
constexpr double kRectangular[] = {1};
constexpr double kHann[] = {0.5, -0.5};
constexpr double kFlatTop[] = {1, -1.9383379, 1.3045202, -0.4028270, 0.0350665};

std::span<const double> Coefficients(Window window) {
    switch (window) {
    case Window::Rectangular:
        return kRectangular;
    case Window::Hann:
        return kHann;
    case Window::FlatTop:
        return kFlatTop;
    }
    throw std::invalid_argument("unknown spectrum window");
}

} // namespace

double LevelDb(double rms) {
    return rms > 0 ? 20 * std::log10(rms) : kSilenceDb;
}

std::size_t Spectrum::PeakBin() const {
    std::size_t peak = 0;
    double strongest = 0;
    for (std::size_t k = 1; k < rms.size(); ++k) {
        if (rms[k] > strongest) {
            strongest = rms[k];
            peak = k;
        }
    }
    return peak;
}

void SpectrumAnalyzer::Compute(std::span<const std::int32_t> samples, double sampleRate,
                               double scale, Window window, Spectrum& out) {
    if (samples.size() < kMinBlockSize) {
        throw std::invalid_argument("a spectrum needs a block of at least 64 samples");
    }
    if (!(sampleRate > 0)) {
        throw std::invalid_argument("a spectrum needs a positive sample rate");
    }
    const std::size_t length = samples.size() & ~std::size_t{1};
    if (coefficients.size() != length || cachedWindow != window) {
        const auto c = Coefficients(window);
        coefficients.resize(length);
        coefficientSum = 0;
        for (std::size_t i = 0; i < length; ++i) {
            const double z =
                2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(length);
            double w = 0;
            for (std::size_t m = 0; m < c.size(); ++m) {
                w += c[m] * std::cos(static_cast<double>(m) * z);
            }
            coefficients[i] = static_cast<float>(w);
            coefficientSum += coefficients[i];
        }
        cachedWindow = window;
    }
    const std::span<float> input = fft.Input(length);
    for (std::size_t i = 0; i < length; ++i) {
        input[i] = static_cast<float>(samples[i]) * coefficients[i];
    }
    const auto bins = fft.Transform();

    // A sine of peak A in bin k gives |X[k]| = A / 2 * sum(w): its rms is sqrt 2 |X[k]| / sum(w).
    // DC and the Nyquist bin carry no mirrored half, so their level is |X| / sum(w).
    out.window = window;
    out.binWidth = sampleRate / static_cast<double>(length);
    out.rms.resize(bins.size());
    const double sineGain = std::numbers::sqrt2 * scale / coefficientSum;
    for (std::size_t k = 0; k < bins.size(); ++k) {
        // sqrt of the norm, not std::abs: hypot's care for overflow costs more than the FFT.
        out.rms[k] = std::sqrt(std::norm(std::complex<double>(bins[k]))) * sineGain;
    }
    out.rms.front() /= std::numbers::sqrt2;
    out.rms.back() /= std::numbers::sqrt2;
}

} // namespace analysis
