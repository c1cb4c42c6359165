#include "BiquadCascadePaths.h"

#if defined(__SSE2__)

#include <immintrin.h>

#include <utility>

// The build targets plain x86-64, so only the functions below may use AVX,
// and only once CascadeAvxAvailable() said yes. They use no fused
// multiply-add, which rounds once where the formula rounds twice.
#define VEXO_AVX __attribute__((target("avx")))
#define VEXO_AVX_INLINE __attribute__((target("avx"), always_inline)) inline

namespace {

// One 256-bit register holds {left, right} of two neighbouring stages, the
// second trailing the first by kLag frames, so one chain of multiplies and
// adds moves two stages on. Three pairs, six stages, keep their past inputs
// and outputs in twelve of the sixteen registers and leave the rest for the
// arithmetic; four pairs spill the history on every frame and run slower.
constexpr int kMaxPairs = 3;
// How many frames each stage trails the one before it: what a stage writes
// is read kLag steps later, after two conversions and a trip through memory;
// in between, the pairs' recursions keep the units busy.
constexpr int kLag = 4;
static_assert((kLag & (kLag - 1)) == 0, "the hand-over slots wrap with a mask");

// The lanes of a pair that have a frame to work on at this step. While the
// wavefront fills, the upper stage has not started; while it drains, the
// lower one has finished. A lane without a frame keeps its history.
enum class Lanes { Both, Lower, Upper };

// Read-only during the pass, so they may stay in memory; the history is
// kept apart so that it can live in registers.
struct PairCoefficients {
    __m256d b0, b1, b2, a1, a2;
};

struct PairHistory {
    __m256d x1, x2, y1, y2;
};

// The stage a pair's upper lane runs when the group has an odd count: it
// multiplies silence by zero, and its output goes nowhere.
const StereoBiquad kIdle{BiquadCoefficients{0, 0, 0, 0, 0}, StereoHistory{}};

VEXO_AVX_INLINE __m256d join(const double* lower, const double* upper) {
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_load_pd(lower)), _mm_load_pd(upper), 1);
}

VEXO_AVX_INLINE __m256d spread(double lower, double upper) {
    return _mm256_set_pd(upper, upper, lower, lower);
}

VEXO_AVX_INLINE PairCoefficients coefficientsOf(const StereoBiquad& lo, const StereoBiquad& hi) {
    return PairCoefficients{spread(lo.c.b0, hi.c.b0), spread(lo.c.b1, hi.c.b1), spread(lo.c.b2, hi.c.b2),
                            spread(lo.c.a1, hi.c.a1), spread(lo.c.a2, hi.c.a2)};
}

VEXO_AVX_INLINE PairHistory historyOf(const StereoBiquad& lo, const StereoBiquad& hi) {
    return PairHistory{join(lo.h.x1, hi.h.x1), join(lo.h.x2, hi.h.x2), join(lo.h.y1, hi.h.y1),
                       join(lo.h.y2, hi.h.y2)};
}

VEXO_AVX_INLINE void keepHistory(const PairHistory& p, StereoBiquad& lo, StereoBiquad* hi) {
    _mm_store_pd(lo.h.x1, _mm256_castpd256_pd128(p.x1));
    _mm_store_pd(lo.h.x2, _mm256_castpd256_pd128(p.x2));
    _mm_store_pd(lo.h.y1, _mm256_castpd256_pd128(p.y1));
    _mm_store_pd(lo.h.y2, _mm256_castpd256_pd128(p.y2));
    if (!hi) return;
    _mm_store_pd(hi->h.x1, _mm256_extractf128_pd(p.x1, 1));
    _mm_store_pd(hi->h.x2, _mm256_extractf128_pd(p.x2, 1));
    _mm_store_pd(hi->h.y1, _mm256_extractf128_pd(p.y1, 1));
    _mm_store_pd(hi->h.y2, _mm256_extractf128_pd(p.y2, 1));
}

// A lane without a frame keeps what it had.
template <Lanes lanes> VEXO_AVX_INLINE __m256d update(__m256d before, __m256d after) {
    if constexpr (lanes == Lanes::Lower)
        return _mm256_blend_pd(after, before, 0b1100);
    else if constexpr (lanes == Lanes::Upper)
        return _mm256_blend_pd(after, before, 0b0011);
    else
        return after;
}

// Pair p at step t: its lower stage, 2p, is on frame t - 2p * kLag and its
// upper stage kLag frames behind. slot[q] holds what pair q wrote kLag steps
// ago, {lower output, upper output}: the upper output of pair p - 1 and the
// lower output of pair p are this pair's input, already float-rounded.
template <int p, int P, bool odd, Lanes lanes>
VEXO_AVX_INLINE void advance(const PairCoefficients (&c)[P], PairHistory (&h)[P], __m256d* slot, float* s,
                             int t) {
    PairHistory& q = h[p];
    __m256d x;
    if constexpr (p == 0) {
        // Past the block's end only the upper lane runs; the lower one must not read.
        const __m128d in = lanes == Lanes::Upper ? _mm_setzero_pd()
                                                 : _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(
                                                       reinterpret_cast<const __m128i*>(s + 2 * t))));
        x = _mm256_permute2f128_pd(_mm256_castpd128_pd256(in), slot[0], 0x20);
    } else {
        x = _mm256_permute2f128_pd(slot[p - 1], slot[p], 0x21);
    }

    // The plain formula's order, so the rounding is the same.
    __m256d y = _mm256_mul_pd(c[p].b0, x);
    y = _mm256_add_pd(y, _mm256_mul_pd(c[p].b1, q.x1));
    y = _mm256_add_pd(y, _mm256_mul_pd(c[p].b2, q.x2));
    y = _mm256_sub_pd(y, _mm256_mul_pd(c[p].a1, q.y1));
    y = _mm256_sub_pd(y, _mm256_mul_pd(c[p].a2, q.y2));
    q.x2 = update<lanes>(q.x2, q.x1);
    q.x1 = update<lanes>(q.x1, x);
    q.y2 = update<lanes>(q.y2, q.y1);
    q.y1 = update<lanes>(q.y1, y);

    const __m128 rounded = _mm256_cvtpd_ps(y);
    constexpr bool last = p == P - 1;
    if constexpr (!(last && odd)) slot[p] = _mm256_cvtps_pd(rounded);
    if constexpr (last && odd)
        _mm_storel_pi(reinterpret_cast<__m64*>(s + 2 * (t - 2 * p * kLag)), rounded);
    else if constexpr (last && lanes != Lanes::Lower)
        _mm_storeh_pi(reinterpret_cast<__m64*>(s + 2 * (t - (2 * p + 1) * kLag)), rounded);
}

// Where some lane has no frame: chooses, pair by pair, which lanes move.
template <int p, int P, bool odd>
VEXO_AVX_INLINE void advanceEdge(const PairCoefficients (&c)[P], PairHistory (&h)[P], __m256d* slot, float* s,
                                 int t, int frames) {
    const int lower = t - 2 * p * kLag;
    const int upper = lower - kLag;
    const bool lowerIn = lower >= 0 && lower < frames;
    const bool upperIn = !(odd && p == P - 1) && upper >= 0 && upper < frames;
    if (odd && p == P - 1) {
        // The idle lane has no history worth keeping.
        if (lowerIn) advance<p, P, odd, Lanes::Both>(c, h, slot, s, t);
    } else if (lowerIn && upperIn) {
        advance<p, P, odd, Lanes::Both>(c, h, slot, s, t);
    } else if (lowerIn) {
        advance<p, P, odd, Lanes::Lower>(c, h, slot, s, t);
    } else if (upperIn) {
        advance<p, P, odd, Lanes::Upper>(c, h, slot, s, t);
    }
}

// Within a step, later pairs go first: each reads its neighbour's slot before
// the neighbour overwrites it with this step's output.
template <int P, bool odd, std::size_t... I>
VEXO_AVX_INLINE void step(const PairCoefficients (&c)[P], PairHistory (&h)[P], __m256d* slot, float* s, int t,
                          std::index_sequence<I...>) {
    (advance<P - 1 - int(I), P, odd, Lanes::Both>(c, h, slot, s, t), ...);
}

template <int P, bool odd, std::size_t... I>
VEXO_AVX_INLINE void stepEdge(const PairCoefficients (&c)[P], PairHistory (&h)[P], __m256d* slot, float* s,
                              int t, int frames, std::index_sequence<I...>) {
    (advanceEdge<P - 1 - int(I), P, odd>(c, h, slot, s, t, frames), ...);
}

// 2P stages, or 2P - 1 when odd, in one pass over the block. The wavefront
// runs across the whole block, filling once at its start and draining once
// at its end; the stages hand frames on through kLag rotating slots. Every
// index into the history is a compile-time constant, so it stays in registers.
template <int P, bool odd, std::size_t... I>
VEXO_AVX_INLINE void runPairs(StereoBiquad* const* stages, float* s, int frames,
                              std::index_sequence<I...> order) {
    // The upper stage of each pair, or none for the idle lane.
    StereoBiquad* const upper[P] = {odd && I == P - 1 ? nullptr : stages[2 * I + 1]...};
    const PairCoefficients c[P] = {coefficientsOf(*stages[2 * I], upper[I] ? *upper[I] : kIdle)...};
    PairHistory h[P] = {historyOf(*stages[2 * I], upper[I] ? *upper[I] : kIdle)...};
    // Lanes without a frame read these before anyone writes them.
    __m256d slots[kLag][P];
    for (auto& row : slots)
        for (__m256d& v : row)
            v = _mm256_setzero_pd();

    constexpr int span = (odd ? 2 * P - 2 : 2 * P - 1) * kLag; // steps the last stage trails
    int t = 0;
    for (; t < span && t < frames; ++t)
        stepEdge<P, odd>(c, h, slots[t & (kLag - 1)], s, t, frames, order);
    for (; t < frames; ++t)
        step<P, odd>(c, h, slots[t & (kLag - 1)], s, t, order);
    for (; t < frames + span; ++t)
        stepEdge<P, odd>(c, h, slots[t & (kLag - 1)], s, t, frames, order);

    (keepHistory(h[I], *stages[2 * I], upper[I]), ...);
}

template <int P, bool odd> VEXO_AVX void runPairs(StereoBiquad* const* stages, float* s, int frames) {
    runPairs<P, odd>(stages, s, frames, std::make_index_sequence<P>{});
}

template <int P> VEXO_AVX void runGroupOf(StereoBiquad* const* stages, int count, float* s, int frames) {
    if constexpr (P > 1)
        if (count <= 2 * (P - 1)) return runGroupOf<P - 1>(stages, count, s, frames);
    if (count & 1)
        runPairs<P, true>(stages, s, frames);
    else
        runPairs<P, false>(stages, s, frames);
}

} // namespace

bool CascadeAvxAvailable() {
    // Runs before main as well, where the CPU model may not be read yet.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
}

VEXO_AVX void RunBiquadCascadeAvx(StereoBiquad* const* stages, int count, float* interleavedStereo,
                                  int frames) {
    if (frames <= 0) return;
    for (int first = 0; first < count; first += 2 * kMaxPairs) {
        const int n = count - first < 2 * kMaxPairs ? count - first : 2 * kMaxPairs;
        runGroupOf<kMaxPairs>(stages + first, n, interleavedStereo, frames);
    }
}

#endif
