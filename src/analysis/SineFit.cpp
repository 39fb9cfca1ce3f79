// SPDX-License-Identifier: MIT
#include "analysis/SineFit.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace analysis {

namespace {

constexpr int kMaxParameters = 1 + 2 * kMaxHarmonicOrder;
// A pivot under this share of the block length means two model terms look alike over the
// block (a term at the Nyquist frequency, or too few samples): no trustworthy solution.
constexpr double kMinPivotShare = 1e-9;

using Complex = std::complex<double>;

// sum over n = first .. first + count - 1 of exp(j phi n), in the Dirichlet-kernel form that
// stays accurate for small phi.
Complex GeometricSum(double phi, std::size_t first, std::size_t count) {
    const double half = std::sin(phi / 2);
    const double length = static_cast<double>(count);
    const double kernel = half == 0 ? length : std::sin(length * phi / 2) / half;
    return std::polar(kernel, phi * (static_cast<double>(first) + (length - 1) / 2));
}

// Sums over the block: correlation[k-1] = sum of x[i] * exp(-j k w (firstIndex + i)) for
// k = 1..Orders by Goertzel recurrences (three operations per sample and order, no sine per
// sample), and the sum and sum of squares of x. One recurrence is a chain of dependent
// operations; the block is cut into parts whose chains run side by side, fewer parts for more
// orders, which already give several chains. The sizes are fixed at compile time so that the
// states stay in registers.
template <int Orders>
void Correlate(std::span<const std::int32_t> x, double w, std::size_t firstIndex,
               std::span<Complex> correlation, double& sum, double& sumOfSquares) {
    constexpr std::size_t parts = Orders == 1 ? 4 : Orders < 4 ? 2 : 1;
    std::array<double, Orders> coefficient{};
    for (int k = 0; k < Orders; ++k) {
        coefficient[k] = 2 * std::cos((k + 1) * w);
    }
    std::array<std::array<double, Orders>, parts> s1{};
    std::array<std::array<double, Orders>, parts> s2{};
    std::array<double, parts> sums{};
    std::array<double, parts> squares{};
    auto step = [&](std::size_t part, double value) {
        sums[part] += value;
        squares[part] += value * value;
        for (int k = 0; k < Orders; ++k) {
            const double s0 = value + coefficient[k] * s1[part][k] - s2[part][k];
            s2[part][k] = s1[part][k];
            s1[part][k] = s0;
        }
    };
    const std::size_t partLength = x.size() / parts;
    for (std::size_t i = 0; i < partLength; ++i) {
        for (std::size_t part = 0; part < parts; ++part) {
            step(part, x[part * partLength + i]);
        }
    }
    // The last part takes the samples left over by the division.
    for (std::size_t i = parts * partLength; i < x.size(); ++i) {
        step(parts - 1, x[i]);
    }
    std::fill(correlation.begin(), correlation.end(), Complex{});
    sum = 0;
    sumOfSquares = 0;
    for (std::size_t part = 0; part < parts; ++part) {
        sum += sums[part];
        sumOfSquares += squares[part];
        const std::size_t start = part * partLength;
        const std::size_t length = part + 1 < parts ? partLength : x.size() - start;
        for (int k = 0; k < Orders; ++k) {
            // The recurrence leaves y = sum x[i] exp(j phi (length - 1 - i)) over the part;
            // turn it to the block's time axis.
            const double phi = (k + 1) * w;
            const Complex y = s1[part][k] - std::polar(1.0, -phi) * s2[part][k];
            const double end = static_cast<double>(firstIndex + start + length) - 1;
            correlation[k] += std::polar(1.0, -phi * end) * y;
        }
    }
}

using CorrelateFunction = void (*)(std::span<const std::int32_t>, double, std::size_t,
                                   std::span<Complex>, double&, double&);

template <std::size_t... order>
constexpr std::array<CorrelateFunction, sizeof...(order)>
CorrelateTable(std::index_sequence<order...>) {
    return {&Correlate<static_cast<int>(order) + 1>...};
}

// kCorrelate[orders - 1] correlates with orders 1..orders.
constexpr auto kCorrelate = CorrelateTable(std::make_index_sequence<kMaxHarmonicOrder>{});

// Solves the normal equations m * beta = rhs (size p) by elimination with partial pivoting.
bool Solve(std::array<double, kMaxParameters * kMaxParameters>& m,
           std::array<double, kMaxParameters>& rhs, int p, double minPivot) {
    auto at = [&](int r, int c) -> double& { return m[r * kMaxParameters + c]; };
    for (int col = 0; col < p; ++col) {
        int pivot = col;
        for (int r = col + 1; r < p; ++r) {
            if (std::abs(at(r, col)) > std::abs(at(pivot, col))) {
                pivot = r;
            }
        }
        if (!(std::abs(at(pivot, col)) > minPivot)) {
            return false;
        }
        for (int c = 0; c < p; ++c) {
            std::swap(at(col, c), at(pivot, c));
        }
        std::swap(rhs[col], rhs[pivot]);
        for (int r = col + 1; r < p; ++r) {
            const double factor = at(r, col) / at(col, col);
            for (int c = col; c < p; ++c) {
                at(r, c) -= factor * at(col, c);
            }
            rhs[r] -= factor * rhs[col];
        }
    }
    for (int r = p - 1; r >= 0; --r) {
        double sum = rhs[r];
        for (int c = r + 1; c < p; ++c) {
            sum -= at(r, c) * rhs[c];
        }
        rhs[r] = sum / at(r, r);
    }
    return true;
}

} // namespace

std::optional<HarmonicFit> FitHarmonics(std::span<const std::int32_t> samples, double frequency,
                                        double sampleRate, int orders, std::size_t firstIndex) {
    const int p = 1 + 2 * orders;
    if (orders < 1 || orders > kMaxHarmonicOrder || !(frequency > 0) ||
        !(orders * frequency < sampleRate / 2) ||
        samples.size() < static_cast<std::size_t>(2 * p)) {
        return std::nullopt;
    }
    const double w = 2 * std::numbers::pi * frequency / sampleRate;
    const std::size_t n = samples.size();

    // Sums of products of the model's terms, in closed form from sums of exp(j m w t).
    std::array<Complex, 2 * kMaxHarmonicOrder + 1> g{};
    for (int m = 0; m <= 2 * orders; ++m) {
        g[m] = GeometricSum(m * w, firstIndex, n);
    }
    // Parameter 0 is the dc, 2k - 1 and 2k the cosine and sine of order k.
    std::array<double, kMaxParameters * kMaxParameters> m{};
    auto at = [&](int r, int c) -> double& { return m[r * kMaxParameters + c]; };
    at(0, 0) = static_cast<double>(n);
    for (int i = 1; i <= orders; ++i) {
        at(0, 2 * i - 1) = at(2 * i - 1, 0) = g[i].real();
        at(0, 2 * i) = at(2 * i, 0) = g[i].imag();
        for (int j = 1; j <= orders; ++j) {
            const Complex sum = g[i + j];
            const Complex difference = i >= j ? g[i - j] : std::conj(g[j - i]);
            at(2 * i - 1, 2 * j - 1) = (difference.real() + sum.real()) / 2;
            at(2 * i, 2 * j) = (difference.real() - sum.real()) / 2;
            at(2 * i - 1, 2 * j) = at(2 * j, 2 * i - 1) = (sum.imag() - difference.imag()) / 2;
        }
    }

    std::array<Complex, kMaxHarmonicOrder> correlation{};
    double sum = 0;
    double sumOfSquares = 0;
    kCorrelate[orders - 1](samples, w, firstIndex, std::span(correlation).first(orders), sum,
                           sumOfSquares);
    std::array<double, kMaxParameters> beta{};
    beta[0] = sum;
    for (int k = 1; k <= orders; ++k) {
        beta[2 * k - 1] = correlation[k - 1].real();
        beta[2 * k] = -correlation[k - 1].imag();
    }
    const std::array<double, kMaxParameters> rhs = beta;
    if (!Solve(m, beta, p, kMinPivotShare * static_cast<double>(n))) {
        return std::nullopt;
    }

    HarmonicFit fit;
    fit.dc = beta[0];
    fit.orders = orders;
    double explained = 0;
    for (int i = 0; i < p; ++i) {
        explained += beta[i] * rhs[i];
    }
    for (int k = 1; k <= orders; ++k) {
        fit.amplitude[k - 1] = Complex(beta[2 * k - 1], -beta[2 * k]);
    }
    fit.residualPower = std::max(0.0, sumOfSquares - explained) / static_cast<double>(n);
    return fit;
}

std::optional<SineFit> FitSine(std::span<const std::int32_t> samples, double frequency,
                               double sampleRate) {
    const auto fit = FitHarmonics(samples, frequency, sampleRate, 1);
    if (!fit) {
        return std::nullopt;
    }
    return SineFit{fit->amplitude[0], fit->dc, fit->residualPower};
}

} // namespace analysis
