// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/FftEngine.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VIREON_FFT_WIDE 1
#endif

// The N real samples are transformed as an N/2-point complex FFT (even samples
// as real parts, odd samples as imaginary parts) followed by the split that
// separates the two interleaved real spectra. That halves the butterfly work
// and, because the input is real, bins above N/2 mirror those below.
//
// The complex FFT is a decimation in frequency in split format: one radix-2
// pass when log2(N/2) is odd, then radix-4 passes, the last one without
// twiddle factors. Its output is left in bit-reversed order; the split reads
// it through m_pOrder, so no reordering pass is needed.
//
// The butterflies work on four lanes at a time through the compiler's
// generic vector type. The same kernel is compiled twice on x86-64: for the
// baseline (two SSE2 halves per lane group) and for AVX2 (one register),
// chosen once by the constructor from what the processor supports.

namespace {

// Four doubles at any double-aligned address, allowed to alias them. Handed
// around by reference only: by value their calling convention depends on the
// target.
typedef double V4 __attribute__((vector_size(32), aligned(8), may_alias));

inline const V4& Load(const double* p) {
    return *reinterpret_cast<const V4*>(p);
}

inline void Store(double* p, const V4& v) {
    *reinterpret_cast<V4*>(p) = v;
}

std::int32_t Log2(std::int32_t n) {
    std::int32_t stages = 0;
    while ((std::int32_t{1} << (stages + 1)) <= n)
        ++stages;
    return stages;
}

struct SKernelArgs {
    const double* x;           // N real samples
    double* re;                // N/2
    double* im;                // N/2
    const double* twiddle;     // per pass, see the constructor
    const std::int32_t* order; // where FFT output k sits
    const double* sine;        // sin(2 pi k / N)
    double* power;             // N/2 + 1 results: |2 X[k]|^2
    std::size_t half;          // N/2
    bool radix2First;          // log2(N/2) odd
};

#define VIREON_KERNEL inline __attribute__((always_inline))

// Complex DIF FFT of z[n] = x[2n] + i x[2n+1], output bit-reversed.
VIREON_KERNEL void Butterflies(const SKernelArgs& a) {
    const std::size_t half = a.half;
    const double* x = a.x;
    double* re = a.re;
    double* im = a.im;
    const double* tw = a.twiddle;

    for (std::size_t j = 0; j < half; ++j) {
        re[j] = x[2 * j];
        im[j] = x[2 * j + 1];
    }

    std::size_t q = half;
    if (a.radix2First) {
        const std::size_t h = half / 2;
        const double* wr = tw;
        const double* wi = tw + h;
        std::size_t j = 0;
        for (; j + 4 <= h; j += 4) {
            const V4 ar = Load(re + j), ai = Load(im + j);
            const V4 br = Load(re + j + h), bi = Load(im + j + h);
            const V4 tr = ar - br, ti = ai - bi;
            const V4 cr = Load(wr + j), ci = Load(wi + j);
            Store(re + j, ar + br);
            Store(im + j, ai + bi);
            Store(re + j + h, tr * cr - ti * ci);
            Store(im + j + h, tr * ci + ti * cr);
        }
        for (; j < h; ++j) {
            const double ar = re[j], ai = im[j], br = re[j + h], bi = im[j + h];
            const double tr = ar - br, ti = ai - bi;
            re[j] = ar + br;
            im[j] = ai + bi;
            re[j + h] = tr * wr[j] - ti * wi[j];
            im[j + h] = tr * wi[j] + ti * wr[j];
        }
        tw += 2 * h;
        q = h;
    }

    for (q /= 4; q >= 4; q /= 4) {
        const double* w1r = tw;
        const double* w1i = tw + q;
        const double* w2r = tw + 2 * q;
        const double* w2i = tw + 3 * q;
        const double* w3r = tw + 4 * q;
        const double* w3i = tw + 5 * q;
        for (std::size_t s = 0; s < half; s += 4 * q) {
            double* r0 = re + s;
            double* i0 = im + s;
            double* r1 = r0 + q;
            double* i1 = i0 + q;
            double* r2 = r1 + q;
            double* i2 = i1 + q;
            double* r3 = r2 + q;
            double* i3 = i2 + q;
            for (std::size_t j = 0; j < q; j += 4) {
                const V4 a0r = Load(r0 + j), a0i = Load(i0 + j);
                const V4 a1r = Load(r1 + j), a1i = Load(i1 + j);
                const V4 a2r = Load(r2 + j), a2i = Load(i2 + j);
                const V4 a3r = Load(r3 + j), a3i = Load(i3 + j);
                const V4 s02r = a0r + a2r, s02i = a0i + a2i;
                const V4 d02r = a0r - a2r, d02i = a0i - a2i;
                const V4 s13r = a1r + a3r, s13i = a1i + a3i;
                const V4 d13r = a1r - a3r, d13i = a1i - a3i;
                Store(r0 + j, s02r + s13r);
                Store(i0 + j, s02i + s13i);
                const V4 y1r = s02r - s13r, y1i = s02i - s13i;
                const V4 y2r = d02r + d13i, y2i = d02i - d13r; // d02 - i d13
                const V4 y3r = d02r - d13i, y3i = d02i + d13r; // d02 + i d13
                const V4 c1r = Load(w1r + j), c1i = Load(w1i + j);
                const V4 c2r = Load(w2r + j), c2i = Load(w2i + j);
                const V4 c3r = Load(w3r + j), c3i = Load(w3i + j);
                Store(r1 + j, y1r * c2r - y1i * c2i);
                Store(i1 + j, y1r * c2i + y1i * c2r);
                Store(r2 + j, y2r * c1r - y2i * c1i);
                Store(i2 + j, y2r * c1i + y2i * c1r);
                Store(r3 + j, y3r * c3r - y3i * c3i);
                Store(i3 + j, y3r * c3i + y3i * c3r);
            }
        }
        tw += 6 * q;
    }

    // Last radix-4 pass: every twiddle factor is 1.
    for (std::size_t s = 0; half >= 4 && s < half; s += 4) {
        const double a0r = re[s], a0i = im[s];
        const double a1r = re[s + 1], a1i = im[s + 1];
        const double a2r = re[s + 2], a2i = im[s + 2];
        const double a3r = re[s + 3], a3i = im[s + 3];
        const double s02r = a0r + a2r, s02i = a0i + a2i;
        const double d02r = a0r - a2r, d02i = a0i - a2i;
        const double s13r = a1r + a3r, s13i = a1i + a3i;
        const double d13r = a1r - a3r, d13i = a1i - a3i;
        re[s] = s02r + s13r;
        im[s] = s02i + s13i;
        re[s + 1] = s02r - s13r;
        im[s + 1] = s02i - s13i;
        re[s + 2] = d02r + d13i;
        im[s + 2] = d02i - d13r;
        re[s + 3] = d02r - d13i;
        im[s + 3] = d02i + d13r;
    }
}

// |2 X[k]|^2 for 0 <= k <= N/2 from the half-size FFT. With
// E = Z[k] + conj(Z[M-k]) and O = -i (Z[k] - conj(Z[M-k])), M = N/2:
// 2 X[k] = E + W^k O and 2 X[M-k] = conj(E) - conj(W^k O), W = exp(-2 pi i / N).
VIREON_KERNEL void Split(const SKernelArgs& a) {
    const std::size_t half = a.half;
    const std::size_t quarter = half / 2;
    const double* re = a.re;
    const double* im = a.im;
    const std::int32_t* order = a.order;
    const double* sine = a.sine;
    double* power = a.power;

    // 2 X[0] = 2 (Re Z[0] + Im Z[0]), 2 X[M] = 2 (Re Z[0] - Im Z[0]).
    power[0] = 4.0 * (re[0] + im[0]) * (re[0] + im[0]);
    power[half] = 4.0 * (re[0] - im[0]) * (re[0] - im[0]);
    for (std::size_t k = 1; k <= half / 2; ++k) {
        const std::size_t p = static_cast<std::size_t>(order[k]);
        const std::size_t pm = static_cast<std::size_t>(order[half - k]);
        const double ar = re[p], ai = im[p], cr = re[pm], ci = im[pm];
        const double er = ar + cr, ei = ai - ci;
        const double orr = ai + ci, oi = cr - ar;
        const double sn = sine[k], cs = sine[k + quarter];
        const double wr = cs * orr + sn * oi;
        const double wi = cs * oi - sn * orr;
        const double xr = er + wr, xi = ei + wi;
        const double yr = er - wr, yi = wi - ei;
        power[k] = xr * xr + xi * xi;
        power[half - k] = yr * yr + yi * yi;
    }
}

// values[i] = sqrt(values[i]) * scale; returns the largest result.
double Roots(double* values, std::size_t count, double scale) {
    double peak = 0.0;
    std::size_t i = 0;
#if defined(VIREON_FFT_WIDE)
    const __m128d scale2 = _mm_set1_pd(scale);
    __m128d peak2 = _mm_setzero_pd();
    for (; i + 2 <= count; i += 2) {
        const __m128d m = _mm_mul_pd(_mm_sqrt_pd(_mm_loadu_pd(values + i)), scale2);
        _mm_storeu_pd(values + i, m);
        peak2 = _mm_max_pd(peak2, m);
    }
    peak = std::max(_mm_cvtsd_f64(peak2), _mm_cvtsd_f64(_mm_unpackhi_pd(peak2, peak2)));
#endif
    for (; i < count; ++i) {
        values[i] = std::sqrt(values[i]) * scale;
        peak = std::max(peak, values[i]);
    }
    return peak;
}

double TransformBaseline(const SKernelArgs& a) {
    Butterflies(a);
    Split(a);
    return Roots(a.power, a.half + 1, 0.5 / static_cast<double>(2 * a.half));
}

#if defined(VIREON_FFT_WIDE)
__attribute__((target("avx2"))) double RootsWide(double* values, std::size_t count, double scale) {
    const __m256d scale4 = _mm256_set1_pd(scale);
    __m256d peak4 = _mm256_setzero_pd();
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256d m = _mm256_mul_pd(_mm256_sqrt_pd(_mm256_loadu_pd(values + i)), scale4);
        _mm256_storeu_pd(values + i, m);
        peak4 = _mm256_max_pd(peak4, m);
    }
    const __m128d peak2 =
        _mm_max_pd(_mm256_castpd256_pd128(peak4), _mm256_extractf128_pd(peak4, 1));
    double peak = std::max(_mm_cvtsd_f64(peak2), _mm_cvtsd_f64(_mm_unpackhi_pd(peak2, peak2)));
    for (; i < count; ++i) {
        values[i] = std::sqrt(values[i]) * scale;
        peak = std::max(peak, values[i]);
    }
    return peak;
}

__attribute__((target("avx2"))) double TransformWide(const SKernelArgs& a) {
    Butterflies(a);
    Split(a);
    return RootsWide(a.power, a.half + 1, 0.5 / static_cast<double>(2 * a.half));
}
#endif

bool WideVectorsAvailable() {
#if defined(VIREON_FFT_WIDE)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

} // namespace

CFftEngine::CFftEngine(std::int32_t n) {
    // The transform needs a power of two of at least 4; anything else is
    // rounded down to one rather than read out of bounds.
    m_nStages = Log2(std::max<std::int32_t>(n, 4));
    m_nSize = std::int32_t{1} << m_nStages;

    const std::size_t size = static_cast<std::size_t>(m_nSize);
    const std::size_t half = size / 2;
    const std::size_t quarter = size / 4;

    m_pSine.resize(size);
    const double twoPi = 2.0 * std::numbers::pi;
    for (std::size_t k = 0; k < size; ++k)
        m_pSine[k] = std::sin(twoPi * static_cast<double>(k) / static_cast<double>(size));

    m_pWorkRe.assign(half, 0.0);
    m_pWorkIm.assign(half, 0.0);
    m_pMagnitude.assign(half + 1, 0.0);

    // W_S^j = exp(-2 pi i j / S) read from the sine table at t = j N / S.
    auto cosAt = [&](std::size_t t) { return m_pSine[(t + quarter) % size]; };
    auto negSinAt = [&](std::size_t t) { return -m_pSine[t % size]; };
    const std::int32_t fftStages = m_nStages - 1;
    std::size_t q = half;
    if (fftStages % 2 == 1) {
        const std::size_t h = half / 2;
        const std::size_t step = size / half;
        for (std::size_t j = 0; j < h; ++j)
            m_pTwiddle.push_back(cosAt(j * step));
        for (std::size_t j = 0; j < h; ++j)
            m_pTwiddle.push_back(negSinAt(j * step));
        q = h;
    }
    for (q /= 4; q >= 4; q /= 4) {
        const std::size_t step = size / (4 * q);
        for (std::size_t power = 1; power <= 3; ++power) {
            for (std::size_t j = 0; j < q; ++j)
                m_pTwiddle.push_back(cosAt(power * j * step));
            for (std::size_t j = 0; j < q; ++j)
                m_pTwiddle.push_back(negSinAt(power * j * step));
        }
    }

    m_pOrder.resize(half);
    for (std::size_t k = 0; k < half; ++k) {
        std::size_t r = 0;
        for (std::int32_t b = 0, j = static_cast<std::int32_t>(k); b < fftStages; ++b, j >>= 1)
            r = 2 * r + static_cast<std::size_t>(j & 1);
        m_pOrder[k] = static_cast<std::int32_t>(r);
    }

    m_bWideVectors = WideVectorsAvailable();
}

void CFftEngine::Transform(const double* real) {
    if (real == nullptr)
        return;
    SKernelArgs args;
    args.x = real;
    args.re = m_pWorkRe.data();
    args.im = m_pWorkIm.data();
    args.twiddle = m_pTwiddle.data();
    args.order = m_pOrder.data();
    args.sine = m_pSine.data();
    args.power = m_pMagnitude.data();
    args.half = static_cast<std::size_t>(m_nSize) / 2;
    args.radix2First = (m_nStages - 1) % 2 == 1;
#if defined(VIREON_FFT_WIDE)
    m_dMaxMagnitude = m_bWideVectors ? TransformWide(args) : TransformBaseline(args);
#else
    m_dMaxMagnitude = TransformBaseline(args);
#endif
}

void CFftEngine::SetWideVectors(bool enable) {
    m_bWideVectors = enable && WideVectorsAvailable();
}

double CFftEngine::Magnitude(std::int32_t k) const {
    const std::int32_t n = m_nSize;
    if (k < 0 || k >= n)
        return 0.0;
    const std::int32_t mirrored = k <= n / 2 ? k : n - k;
    return m_pMagnitude[static_cast<std::size_t>(mirrored)];
}

std::int32_t CFftEngine::BitReverse(std::int32_t j) const {
    std::int32_t r = 0;
    for (std::int32_t i = 0; i < m_nStages; ++i) {
        r = 2 * r + (j & 1);
        j >>= 1;
    }
    return r;
}
