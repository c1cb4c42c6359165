#include "BiquadCascade.h"
#include "BiquadCascadePaths.h"

#include <cstddef>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__)

// How many stages share one pass over the block. Each keeps its two past
// outputs in registers (its past inputs are in memory), so four stages leave
// room for the arithmetic in the sixteen SSE registers.
constexpr int kWavefront = 4;
// Frames widened to double per round; small enough for the rows to stay in L1.
constexpr int kChunkFrames = 128;
// How many frames each stage trails the one before it. One frame would make a
// stage wait for its input to come through the store and the conversions;
// four leave enough independent work in between to hide that.
constexpr int kLag = 4;

inline __m128d loadFrame(const float* s) {
    return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s))));
}

inline void storeFrame(float* s, __m128 v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(s), _mm_castps_si128(v));
}

// The input one stage reads over one chunk, {left, right} per frame, as
// float values widened to double: two frames of history, then the chunk.
class Row {
  public:
    double* at(int frame) { return v_ + 2 * (frame + 2); }
    __m128d get(int frame) const { return _mm_load_pd(v_ + 2 * (frame + 2)); }
    void set(int frame, __m128d value) { _mm_store_pd(at(frame), value); }

  private:
    alignas(16) double v_[2 * (kChunkFrames + 2)];
};

struct Coefficients {
    __m128d b0, b1, b2, a1, a2;
};

Coefficients coefficientsOf(const StereoBiquad& s) {
    return Coefficients{_mm_set1_pd(s.c.b0), _mm_set1_pd(s.c.b1), _mm_set1_pd(s.c.b2), _mm_set1_pd(s.c.a1),
                        _mm_set1_pd(s.c.a2)};
}

// Stage k works on frame t - kLag * k at step t, reading what stage k - 1
// wrote into its row kLag steps earlier. Every index into the arrays is a
// compile-time constant, so the outputs' history stays in registers.
template <std::size_t... K>
void runWavefront(StereoBiquad* const* stages, float* s, int frames, std::index_sequence<K...>) {
    constexpr int N = sizeof...(K);
    const Coefficients c[N] = {coefficientsOf(*stages[K])...};
    __m128d y1[N] = {_mm_load_pd(stages[K]->h.y1)...};
    __m128d y2[N] = {_mm_load_pd(stages[K]->h.y2)...};
    Row rows[N];
    for (int k = 0; k < N; ++k) {
        rows[k].set(-2, _mm_load_pd(stages[k]->h.x2));
        rows[k].set(-1, _mm_load_pd(stages[k]->h.x1));
    }

    for (int done = 0; done < frames; done += kChunkFrames) {
        const int n = frames - done < kChunkFrames ? frames - done : kChunkFrames;
        float* out = s + 2 * done;
        for (int i = 0; i < n; ++i)
            rows[0].set(i, loadFrame(out + 2 * i));

        // The sum keeps the plain formula's order, so the rounding is the same.
        // Both lambdas must be inlined at every use: a single outlined copy
        // keeps the state arrays in memory, stored again on every frame.
        auto advance = [&]<int k>(std::integral_constant<int, k>, int f) __attribute__((always_inline)) {
            const Row& in = rows[k];
            __m128d y = _mm_mul_pd(c[k].b0, in.get(f));
            y = _mm_add_pd(y, _mm_mul_pd(c[k].b1, in.get(f - 1)));
            y = _mm_add_pd(y, _mm_mul_pd(c[k].b2, in.get(f - 2)));
            y = _mm_sub_pd(y, _mm_mul_pd(c[k].a1, y1[k]));
            y = _mm_sub_pd(y, _mm_mul_pd(c[k].a2, y2[k]));
            y2[k] = y1[k];
            y1[k] = y;
            const __m128 rounded = _mm_cvtpd_ps(y);
            if constexpr (k == N - 1)
                storeFrame(out + 2 * f, rounded);
            else
                rows[k + 1].set(f, _mm_cvtps_pd(rounded));
        };
        // Fill and drain: only the stages whose frame lies inside the chunk run.
        auto partialStep = [&](int t) __attribute__((always_inline)) {
            ((t - kLag * int(K) >= 0 && t - kLag * int(K) < n
                  ? advance(std::integral_constant<int, int(K)>{}, t - kLag * int(K))
                  : void()),
             ...);
        };

        constexpr int kSpan = kLag * (N - 1);
        int t = 0;
        for (; t < kSpan && t < n; ++t)
            partialStep(t);
        for (; t < n; ++t)
            (advance(std::integral_constant<int, int(K)>{}, t - kLag * int(K)), ...);
        for (; t < n + kSpan; ++t)
            partialStep(t);

        // The chunk's last two frames are the next chunk's history (with a
        // one-frame chunk, the older of the two was history already).
        for (int k = 0; k < N; ++k) {
            rows[k].set(-2, rows[k].get(n - 2));
            rows[k].set(-1, rows[k].get(n - 1));
        }
    }

    for (int k = 0; k < N; ++k) {
        _mm_store_pd(stages[k]->h.x2, rows[k].get(-2));
        _mm_store_pd(stages[k]->h.x1, rows[k].get(-1));
    }
    ((_mm_store_pd(stages[K]->h.y1, y1[K]), _mm_store_pd(stages[K]->h.y2, y2[K])), ...);
}

template <int N> void runWavefront(StereoBiquad* const* stages, float* s, int frames) {
    runWavefront(stages, s, frames, std::make_index_sequence<N>{});
}

template <int N> void runGroupUpTo(StereoBiquad* const* stages, int count, float* s, int frames) {
    if constexpr (N > 1)
        if (count < N) return runGroupUpTo<N - 1>(stages, count, s, frames);
    runWavefront<N>(stages, s, frames);
}

void runGroup(StereoBiquad* const* stages, int count, float* s, int frames) {
    runGroupUpTo<kWavefront>(stages, count, s, frames);
}

#else

constexpr int kWavefront = 1;

// Portable path: one stage at a time, both channels in one pass so that two
// independent recursions keep the pipeline busy.
void runGroup(StereoBiquad* const* stages, int, float* s, int frames) {
    StereoBiquad& stage = *stages[0];
    const BiquadCoefficients c = stage.c;
    StereoHistory h = stage.h;
    for (int i = 0; i < frames; ++i, s += 2) {
        for (int ch = 0; ch < 2; ++ch) {
            const double x = s[ch];
            const double y = c.b0 * x + c.b1 * h.x1[ch] + c.b2 * h.x2[ch] - c.a1 * h.y1[ch] - c.a2 * h.y2[ch];
            h.x2[ch] = h.x1[ch];
            h.x1[ch] = x;
            h.y2[ch] = h.y1[ch];
            h.y1[ch] = y;
            s[ch] = static_cast<float>(y);
        }
    }
    stage.h = h;
}

#endif

void runGroups(StereoBiquad* const* stages, int count, float* s, int frames) {
    if (frames <= 0) return;
    for (int first = 0; first < count; first += kWavefront) {
        const int n = count - first < kWavefront ? count - first : kWavefront;
        runGroup(stages + first, n, s, frames);
    }
}

} // namespace

#if defined(__SSE2__)

void RunBiquadCascadeSse2(StereoBiquad* const* stages, int count, float* interleavedStereo, int frames) {
    runGroups(stages, count, interleavedStereo, frames);
}

namespace {
// Asked once, before main, so the audio thread only reads a constant. A
// caller that runs even earlier sees false and gets the SSE2 path: the same
// bits, a little slower.
const bool kAvx = CascadeAvxAvailable();
} // namespace

void RunBiquadCascade(StereoBiquad* const* stages, int count, float* interleavedStereo, int frames) {
    if (kAvx)
        RunBiquadCascadeAvx(stages, count, interleavedStereo, frames);
    else
        RunBiquadCascadeSse2(stages, count, interleavedStereo, frames);
}

#else

void RunBiquadCascade(StereoBiquad* const* stages, int count, float* interleavedStereo, int frames) {
    runGroups(stages, count, interleavedStereo, frames);
}

#endif
