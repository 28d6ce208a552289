#include "core/dtree/value_sort.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define QUARRY_WIDE_PARTITION 1
#endif

namespace quarry::dtree {

namespace {

// An ordered run at the top shorter than this is left to the plain steps: random data has one
// this long almost never, ordered data almost always.
constexpr int kOrderedRunWorthIt = 16;

// The first position of the longest non-decreasing run that ends at `last`.
int OrderedRunStart(const ValueRecord* r, int first, int last) {
  int start = last;
  while (start > first && r[start - 1].value <= r[start].value) --start;
  return start;
}

// The largest value of r[first..end-1]; false when a NaN is among them (the steps below reason
// about order, which NaN has none of).
bool Highest(const ValueRecord* r, int first, int end, float& highest) {
  highest = r[first].value;
  for (int i = first; i < end; ++i) {
    const float v = r[i].value;
    if (v != v) return false;
    if (v > highest) highest = v;
  }
  return highest == highest;
}

// The partition after its first value larger than the pivot, r[start] (queued as q[0]): from
// there on the queue is never empty, so each value either enters it or moves its front to its
// end. Notes in `equals` the places of the values equal to the pivot.
struct Partition {
  int middle;  // the next place of a value <= pivot
  long head;   // the queue's front in q
  long equal;  // the places noted in equals
};

// Record i's move. With equal values rare a branch notes them more cheaply than a store for
// every value.
template <bool kRareEquals>
inline void PartitionOne(ValueRecord* r, int i, int start, float pivot, uint64_t* q, int* equals,
                         Partition& p) {
  uint64_t x;
  std::memcpy(&x, r + i, sizeof x);
  const float value = r[i].value;
  const long low = value <= pivot;
  if constexpr (kRareEquals) {
    if (value == pivot) equals[p.equal++] = p.middle;
  } else {
    equals[p.equal] = p.middle;
    p.equal += value == pivot;
  }
  std::memcpy(r + p.middle, &x, sizeof x);
  p.middle += static_cast<int>(low);
  // A mask rather than a choice: compilers turn the choice into a branch, which the random
  // outcome of the comparison makes miss half the time.
  const uint64_t keep = 0 - static_cast<uint64_t>(low);
  q[i - start] = (q[p.head] & keep) | (x & ~keep);
  p.head += low;
}

template <bool kRareEquals>
void PartitionFrom(ValueRecord* r, int start, int last, float pivot, uint64_t* q, int* equals,
                   Partition& state) {
  // Kept apart from the records' stores, which the compiler cannot tell from them.
  Partition p = state;
  for (int i = start; i < last; ++i) PartitionOne<kRareEquals>(r, i, start, pivot, q, equals, p);
  state = p;
}

#ifdef QUARRY_WIDE_PARTITION
std::atomic<bool> wideWhereAble{true};

// Processors with 256-bit integer vectors take two shortcuts, chosen when the program runs.
bool WideRuns() {
  static const bool able = __builtin_cpu_supports("avx2");
  return able && wideWhereAble.load(std::memory_order_relaxed);
}

// The partition four records at a time, on ranges at least this long.
//
// Of four records in turn, the values <= pivot go to the front in their order: one permutation
// packs them. Each of them also moves the queue's front to its end, and each larger value
// enters it: record k's queue place gets the queue's entry `head + (values <= pivot before k)`,
// or record k itself. With at least four records queued before the block, every entry read was
// written before it, so one load, one permutation and one blend give the four places. Until four
// are queued, and at the end, a record is taken alone.
constexpr int kWideFrom = 32;

struct WideTables {
  alignas(32) int32_t pack[16][8];     // the records of the mask, in order, first
  alignas(32) int32_t spread[16][8];   // record k takes record (mask bits below k)
  alignas(16) int32_t below[16][4];    // mask bits below k
  alignas(16) int32_t packOne[16][4];  // the words of the mask, in order, first
  int count[16];                       // mask bits
};

constexpr WideTables MakeWideTables() {
  WideTables t{};
  for (int m = 0; m < 16; ++m) {
    int n = 0;
    for (int k = 0; k < 4; ++k) {
      t.below[m][k] = n;
      t.spread[m][2 * k] = 2 * n;
      t.spread[m][2 * k + 1] = 2 * n + 1;
      if (m >> k & 1) {
        t.pack[m][2 * n] = 2 * k;
        t.pack[m][2 * n + 1] = 2 * k + 1;
        t.packOne[m][n] = k;
        ++n;
      }
    }
    t.count[m] = n;
  }
  return t;
}
constexpr WideTables kWide = MakeWideTables();

template <typename T>
inline __attribute__((target("avx2"))) __m256i Load256(const T* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Each record's comparison of its value with the pivot, over all its 64 bits.
inline __attribute__((target("avx2"))) __m256i CompareRecords(__m256 x, __m256 pivots, bool equal) {
  const __m256 c =
      equal ? _mm256_cmp_ps(x, pivots, _CMP_EQ_OQ) : _mm256_cmp_ps(x, pivots, _CMP_LE_OQ);
  return _mm256_shuffle_epi32(_mm256_castps_si256(c), _MM_SHUFFLE(2, 2, 0, 0));
}

__attribute__((target("avx2"))) void PartitionFourAtATime(ValueRecord* r, int start, int last,
                                                          float pivot, uint64_t* q, int* equals,
                                                          Partition& state) {
  // Kept apart from the records' stores, which the compiler cannot tell from them.
  Partition p = state;
  const __m256 pivots = _mm256_set1_ps(pivot);
  int i = start;
  // The queue holds the larger values met so far: it never shortens.
  for (; i < last && i - start - p.head < 4; ++i)
    PartitionOne<false>(r, i, start, pivot, q, equals, p);
  for (; last - i >= 4; i += 4) {
    const __m256i x = Load256(r + i);
    const __m256i lowWords = CompareRecords(_mm256_castsi256_ps(x), pivots, false);
    const int lows = _mm256_movemask_pd(_mm256_castsi256_pd(lowWords));
    const int sames = _mm256_movemask_pd(
        _mm256_castsi256_pd(CompareRecords(_mm256_castsi256_ps(x), pivots, true)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(r + p.middle),
                        _mm256_permutevar8x32_epi32(x, Load256(kWide.pack[lows])));
    const __m256i moved =
        _mm256_permutevar8x32_epi32(Load256(q + p.head), Load256(kWide.spread[lows]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + (i - start)),
                        _mm256_blendv_epi8(x, moved, lowWords));
    // The places of the equal values: middle + the values <= pivot before each.
    const __m128 places = _mm_castsi128_ps(
        _mm_add_epi32(_mm_set1_epi32(p.middle),
                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(kWide.below[lows]))));
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(equals + p.equal),
        _mm_castps_si128(_mm_permutevar_ps(
            places, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kWide.packOne[sames])))));
    p.middle += kWide.count[lows];
    p.head += kWide.count[lows];
    p.equal += kWide.count[sames];
  }
  for (; i < last; ++i) PartitionOne<false>(r, i, start, pivot, q, equals, p);
  state = p;
}

// Returns false, having done nothing, where the processor or the range does not suit.
bool PartitionWide(ValueRecord* r, int start, int last, float pivot, uint64_t* q, int* equals,
                   Partition& p) {
  if (last - start < kWideFrom || !WideRuns()) return false;
  PartitionFourAtATime(r, start, last, pivot, q, equals, p);
  return true;
}

// Ranges of at most this many records whose values all differ are sorted at once (each place a
// bit of a 32-bit word).
constexpr int kDistinctUpTo = 31;

// A range whose values all differ (no NaN, no two equal, -0 and 0 being equal) ends in the one
// order that sorts it, whatever the steps: each record goes to the place given by the number of
// values below its own. Returns false, leaving the range as it is, when two values are equal or
// one is NaN: then two records get the same count (a NaN counts nothing and is counted by none,
// as the least value does not count itself).
template <int kVectors>
__attribute__((target("avx2"))) bool SortDistinct(ValueRecord* base, int n, uint32_t* unplaced) {
  // The values of 8 records a vector: lane l holds record lane[l] of its 8 (the order in which
  // one shuffle of two loads leaves them; taking the lanes in that order again gives records in
  // their order). Records beyond the range are NaN, counted by none; their own counts stay 0, a
  // count some record always has (the least value's, or a NaN's).
  const __m256i lane = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
  const __m256i records = _mm256_set1_epi64x(n);
  __m256 values[kVectors];
  __m256i below[kVectors];
  alignas(32) uint64_t copy[8 * kVectors];
  for (int h = 0; h < kVectors; ++h) {
    const int k = 8 * h;
    // Only records within the range are read.
    const __m256i a = _mm256_castpd_si256(_mm256_maskload_pd(
        reinterpret_cast<const double*>(base + k),
        _mm256_cmpgt_epi64(records, _mm256_setr_epi64x(k, k + 1, k + 2, k + 3))));
    const __m256i b = _mm256_castpd_si256(_mm256_maskload_pd(
        reinterpret_cast<const double*>(base + k + 4),
        _mm256_cmpgt_epi64(records, _mm256_setr_epi64x(k + 4, k + 5, k + 6, k + 7))));
    _mm256_store_si256(reinterpret_cast<__m256i*>(copy + k), a);
    _mm256_store_si256(reinterpret_cast<__m256i*>(copy + k + 4), b);
    values[h] =
        _mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), _MM_SHUFFLE(2, 0, 2, 0));
    const __m256i outside =
        _mm256_cmpgt_epi32(_mm256_add_epi32(lane, _mm256_set1_epi32(k + 1)), _mm256_set1_epi32(n));
    values[h] = _mm256_blendv_ps(values[h], _mm256_set1_ps(std::numeric_limits<float>::quiet_NaN()),
                                 _mm256_castsi256_ps(outside));
    below[h] = _mm256_setzero_si256();
  }
  for (int j = 0; j < n; ++j) {
    const __m256 v = _mm256_broadcast_ss(&base[j].value);
    for (int h = 0; h < kVectors; ++h)
      below[h] =
          _mm256_sub_epi32(below[h], _mm256_castps_si256(_mm256_cmp_ps(v, values[h], _CMP_LT_OQ)));
  }
  // Every place taken once: the counts' bits together are n ones.
  __m256i seen = _mm256_setzero_si256();
  for (int h = 0; h < kVectors; ++h)
    seen = _mm256_or_si256(seen, _mm256_sllv_epi32(_mm256_set1_epi32(1), below[h]));
  seen = _mm256_or_si256(seen, _mm256_shuffle_epi32(seen, _MM_SHUFFLE(1, 0, 3, 2)));
  seen = _mm256_or_si256(seen, _mm256_shuffle_epi32(seen, _MM_SHUFFLE(2, 3, 0, 1)));
  const uint32_t all =
      static_cast<uint32_t>(_mm256_extract_epi32(seen, 0) | _mm256_extract_epi32(seen, 4));
  if (all != (uint32_t{1} << n) - 1) {
    *unplaced = ~all & ((uint32_t{1} << n) - 1);
    return false;
  }
  alignas(32) int32_t place[8 * kVectors];
  for (int h = 0; h < kVectors; ++h)
    _mm256_store_si256(reinterpret_cast<__m256i*>(place + 8 * h),
                       _mm256_permutevar8x32_epi32(below[h], lane));
  for (int j = 0; j < n; ++j) std::memcpy(base + place[j], copy + j, sizeof(uint64_t));
  return true;
}

// Where a short range held equal values, which of its parts hold some. Every range the steps
// leave holds the values whose places in the sorted order are its own positions (NaN aside), so
// equal values share a count, the count of the first place of their block, and the places above
// it in their block are counted by none. A part first..last of the range holds equal values
// exactly when one of those places lies in first + 1..last; a part without any is sorted by the
// counting, one with some would only be counted to no effect.
struct EqualValuesIn {
  int base = 0;
  int end = -1;           // the range, base..end; none when end < base
  uint32_t unplaced = 0;  // bit i: place base + i is counted by none

  bool Covers(int first, int last) const { return first >= base && last <= end; }
  bool Within(int first, int last) const {
    const uint32_t above = (uint32_t{2} << (last - base)) - (uint32_t{2} << (first - base));
    return (unplaced & above) != 0;
  }
};

bool SortShortDistinct(ValueRecord* r, int first, int last, EqualValuesIn& equal) {
  const int n = last - first + 1;
  if (n > kDistinctUpTo || !WideRuns()) return false;
  if (equal.Covers(first, last)) {
    if (equal.Within(first, last)) return false;
  } else {
    equal.end = -1;
  }
  uint32_t unplaced = 0;
  bool sorted;
  if (n <= 8) {
    sorted = SortDistinct<1>(r + first, n, &unplaced);
  } else if (n <= 16) {
    sorted = SortDistinct<2>(r + first, n, &unplaced);
  } else if (n <= 24) {
    sorted = SortDistinct<3>(r + first, n, &unplaced);
  } else {
    sorted = SortDistinct<4>(r + first, n, &unplaced);
  }
  if (sorted || equal.Covers(first, last)) return sorted;
  // A NaN is counted by none and counts nothing: the parts no longer follow the counts.
  for (int i = first; i <= last; ++i) {
    if (r[i].value != r[i].value) return false;
  }
  equal = {first, last, unplaced};
  return false;
}
#else
std::atomic<bool> wideWhereAble{false};
struct EqualValuesIn {};
bool PartitionWide(ValueRecord*, int, int, float, uint64_t*, int*, Partition&) { return false; }
bool SortShortDistinct(ValueRecord*, int, int, EqualValuesIn&) { return false; }
#endif

// One plain step on first..last: partition around the last value, gather the values equal to it
// at the top of the lower block, and place the pivot. Returns (lower, middle).
//
// The partition moves each value <= pivot to the next front place by exchanging it with the
// first value of the block of larger ones, which thereby moves to the block's end: the block
// behaves as a queue. Keeping that queue in `queue` gives the same order without the
// exchanges' unpredictable branches.
//
// The gathering of equal values scans the lower block downward and exchanges each value equal
// to the pivot with the top of the block not yet taken. An exchange writes only at or above the
// position being scanned, so each position still holds the value the partition put there when
// it is scanned: the places of the equal values, noted as the partition puts them there, give
// the same exchanges without the scan.
std::pair<int, int> PlainStep(ValueRecord* r, int first, int last, SortScratch& scratch) {
  static_assert(sizeof(ValueRecord) == sizeof(uint64_t) &&
                std::is_trivially_copyable_v<ValueRecord>);
  const float pivot = r[last].value;
  const size_t span = static_cast<size_t>(last - first);
  if (scratch.queue.size() < span) scratch.queue.resize(span);
  // The wide partition stores four places of equal values at a time.
  if (scratch.equals.size() < span + 4) scratch.equals.resize(span + 4);
  // Records move as whole words, so that choosing between two of them is a conditional move.
  uint64_t* q = scratch.queue.data();
  int* equals = scratch.equals.data();
  Partition p{first, 0, 0};
  int start = first;
  // Up to the first larger value every value stays where it is.
  for (; start < last && r[start].value <= pivot; ++start) {
    equals[p.equal] = start;
    p.equal += r[start].value == pivot;
  }
  p.middle = start;
  // Whether equal values are rare is judged by the last step, whose range held this one's values.
  if (!PartitionWide(r, start, last, pivot, q, equals, p)) {
    if (scratch.lastEqualShare < 1.0f / 32) {
      PartitionFrom<true>(r, start, last, pivot, q, equals, p);
    } else {
      PartitionFrom<false>(r, start, last, pivot, q, equals, p);
    }
  }
  scratch.lastEqualShare = static_cast<float>(p.equal) / static_cast<float>(span + 1);
  const int middle = p.middle;
  std::memcpy(r + middle, q + p.head,
              static_cast<size_t>(last - start - p.head) * sizeof(uint64_t));
  int lower = middle - 1;
  for (long e = p.equal - 1; e >= 0; --e) {
    const int i = equals[e];
    if (i != lower) std::swap(r[lower], r[i]);
    --lower;
  }
  std::swap(r[middle], r[last]);
  return {lower, middle};
}

// A float's bits as an unsigned key of the same order: negatives reversed below the positives.
// -0 comes just below +0, which compare equal: their order among themselves is free here.
inline uint32_t OrderKey(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits & 0x80000000u ? ~bits : bits | 0x80000000u;
}

// Below this many records a comparison sort is quicker than the radix passes.
constexpr int kRadixFrom = 256;

}  // namespace

namespace {
std::atomic<bool> stablyWhereFree{true};
}  // namespace

void SortStablyWhereFree(bool on) { stablyWhereFree = on; }
void SortWithVectorsWhereAble(bool on) { wideWhereAble = on; }
bool SortsStablyWhereFree() { return stablyWhereFree; }

void SortByValueStably(ValueRecord* r, int count, SortScratch& scratch) {
  if (count < 2) return;
  for (int i = 0; i < count; ++i) {
    if (r[i].value != r[i].value) {
      SortByValueOrder(r, count, scratch);
      return;
    }
  }
  if (count < kRadixFrom) {
    std::stable_sort(r, r + count,
                     [](const ValueRecord& a, const ValueRecord& b) { return a.value < b.value; });
    return;
  }
  // Three passes of 11, 11 and 10 bits, least significant first; a pass in which every key has
  // the same digit is left out.
  constexpr int kBits[3] = {11, 11, 10};
  constexpr int kShift[3] = {0, 11, 22};
  std::vector<uint32_t> counts(3 * 2048, 0);
  for (int i = 0; i < count; ++i) {
    const uint32_t key = OrderKey(r[i].value);
    for (int p = 0; p < 3; ++p) ++counts[p * 2048 + ((key >> kShift[p]) & ((1u << kBits[p]) - 1))];
  }
  std::vector<ValueRecord>& buffer = scratch.buffer;
  if (buffer.size() < static_cast<size_t>(count)) buffer.resize(static_cast<size_t>(count));
  ValueRecord* from = r;
  ValueRecord* to = buffer.data();
  for (int p = 0; p < 3; ++p) {
    uint32_t* c = counts.data() + p * 2048;
    const uint32_t digits = 1u << kBits[p];
    bool single = false;
    uint32_t sum = 0;
    for (uint32_t d = 0; d < digits; ++d) {
      if (c[d] == static_cast<uint32_t>(count)) single = true;
      const uint32_t n = c[d];
      c[d] = sum;
      sum += n;
    }
    if (single) continue;
    for (int i = 0; i < count; ++i) {
      const uint32_t digit = (OrderKey(from[i].value) >> kShift[p]) & (digits - 1);
      to[c[digit]++] = from[i];
    }
    std::swap(from, to);
  }
  if (from != r) std::memcpy(r, from, static_cast<size_t>(count) * sizeof(ValueRecord));
}

void SortByValueOrder(ValueRecord* r, int count, SortScratch& scratch) {
  std::vector<std::pair<int, int>>& stack = scratch.stack;
  stack.clear();
  if (count > 1) stack.emplace_back(0, count - 1);
  EqualValuesIn equal;
  while (!stack.empty()) {
    auto [first, last] = stack.back();
    stack.pop_back();
    int ordered = -1;  // r[ordered..last] is known to be in order; -1 when not known
    while (first < last) {
      if (SortShortDistinct(r, first, last, equal)) break;
      // With an ordered run r[ordered..last] at the top whose last value is the largest of the
      // range, a step moves nothing in the run: everything is no larger than the pivot, and
      // only values equal to it move, up to the top of the lower block. Such steps are taken
      // here without scanning the run.
      if (ordered < first || ordered > last) ordered = OrderedRunStart(r, first, last);
      if (ordered == first) break;  // in order: the steps would leave it as it is
      float highest = 0;
      if (last - ordered + 1 >= kOrderedRunWorthIt && Highest(r, first, ordered, highest) &&
          r[last].value >= highest) {
        const float pivot = r[last].value;
        if (pivot > highest) {
          // Every run value above all the others is a pivot in turn and stays where it is.
          last = static_cast<int>(
                     std::upper_bound(r + ordered, r + last + 1, highest,
                                      [](float v, const ValueRecord& x) { return v < x.value; }) -
                     r) -
                 1;
          continue;
        }
        int lower = last - 1;
        while (lower >= ordered && r[lower].value == pivot) --lower;
        for (int i = ordered - 1; i >= first; --i) {
          if (r[i].value == pivot) {
            if (i != lower) std::swap(r[lower], r[i]);
            --lower;
          }
        }
        last = lower;
        continue;
      }
      ordered = -1;
      const auto [lower, middle] = PlainStep(r, first, last, scratch);
      // The lower block and the upper block share no position, so sorting the lower one later
      // gives the same order as sorting it first.
      if (first < lower) stack.emplace_back(first, lower);
      first = middle + 1;
    }
  }
}

}  // namespace quarry::dtree
