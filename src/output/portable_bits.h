// The few bit operations that differ between hosts: for the number text a
// bit scan and products wider than 64 bits, for the JSON text a scan of 16
// bytes at once, for the GeoPackage little-endian stores. Each gives the same result on every host.
// Where the compiler has builtins or a 128-bit integer type they are used; the plain versions below
// serve the other hosts, and QUORL_PORTABLE_NUMBERS forces them, so that a 64-bit build can test
// them as well. (The number text stores its digits byte by byte from tables, so no store depends on
// the host's byte order.)
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(QUORL_PORTABLE_NUMBERS)
#include <emmintrin.h>
#endif

#if defined(__SIZEOF_INT128__) && !defined(QUORL_PORTABLE_NUMBERS)
#define QUORL_HAVE_INT128 1
#endif
#if (defined(__GNUC__) || defined(__clang__)) && !defined(QUORL_PORTABLE_NUMBERS)
#define QUORL_HAVE_BIT_BUILTINS 1
#endif

// Number of zero bits below the lowest set bit of m > 0, by halving.
inline int trailingZerosPortable(uint64_t m) {
  int zeros = 0;
  for (int step = 32; step > 0; step /= 2) {
    if ((m & ((uint64_t(1) << step) - 1)) == 0) {
      m >>= step;
      zeros += step;
    }
  }
  return zeros;
}

inline int trailingZeros(uint64_t m) {
#ifdef QUORL_HAVE_BIT_BUILTINS
  return __builtin_ctzll(m);
#else
  return trailingZerosPortable(m);
#endif
}

// round-half-even(a * b / 2^k) for 1 <= k <= 127, when the result fits in
// 32 bits. The 96-bit product is kept in two 64-bit halves.
inline uint32_t roundedProductShiftPortable(uint64_t a, uint32_t b, int k) {
  const uint64_t low = (a & 0xFFFFFFFFu) * b, middle = (a >> 32) * b;
  const uint64_t lo = low + (middle << 32);
  const uint64_t hi = (middle >> 32) + (lo < low);
  const uint64_t q = k < 64 ? hi << (64 - k) | lo >> k : hi >> (k - 64);
  // The bit just below the quotient, and whether any bit under it is set.
  const int j = k - 1;
  const bool roundBit = (j < 64 ? lo >> j : hi >> (j - 64)) & 1;
  bool sticky;
  if (j < 64)
    sticky = (lo & ((uint64_t(1) << j) - 1)) != 0;
  else
    sticky = lo != 0 || (hi & ((uint64_t(1) << (j - 64)) - 1)) != 0;
  return static_cast<uint32_t>(q) + (roundBit && (sticky || (q & 1)));
}

inline uint32_t roundedProductShift(uint64_t a, uint32_t b, int k) {
#ifdef QUORL_HAVE_INT128
  const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
  const unsigned __int128 q = p >> k, r = p & ((static_cast<unsigned __int128>(1) << k) - 1);
  const unsigned __int128 half = static_cast<unsigned __int128>(1) << (k - 1);
  return static_cast<uint32_t>(q) + (r > half || (r == half && (q & 1)));
#else
  return roundedProductShiftPortable(a, b, k);
#endif
}

// f * b for b < 2^32, a 96-bit product: leaves its low 64 bits in f and
// returns the bits above them (below b). The number text takes decimal
// digits off a 64-bit binary fraction this way, f * 100 giving the next two.
inline uint64_t multiplyCarryPortable(uint64_t& f, uint32_t b) {
  const uint64_t low = (f & 0xFFFFFFFFu) * b;
  const uint64_t high = (f >> 32) * b + (low >> 32);  // < (2^32 - 1) * 2^32 + 2^32
  f = high << 32 | (low & 0xFFFFFFFFu);
  return high >> 32;
}

inline uint64_t multiplyCarry(uint64_t& f, uint32_t b) {
#ifdef QUORL_HAVE_INT128
  const unsigned __int128 p = static_cast<unsigned __int128>(f) * b;
  f = static_cast<uint64_t>(p);
  return static_cast<uint64_t>(p >> 64);
#else
  return multiplyCarryPortable(f, b);
#endif
}

// The 128-bit product a * b, in two 64-bit halves: the exact sums of the
// joins' geometry take products of two 53-bit mantissas this way.
inline void fullProductPortable(uint64_t a, uint64_t b, uint64_t& high, uint64_t& low) {
  const uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  low = (middle << 32) | (p00 & 0xFFFFFFFFu);
  high = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
}

inline void fullProduct(uint64_t a, uint64_t b, uint64_t& high, uint64_t& low) {
#ifdef QUORL_HAVE_INT128
  const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
  high = static_cast<uint64_t>(p >> 64);
  low = static_cast<uint64_t>(p);
#else
  fullProductPortable(a, b, high, low);
#endif
}

// Stores v at p least significant byte first, the same bytes on every
// host: a GeoPackage's numbers. Byte by byte, or one store where the
// compiler says the host is little-endian (one store and a byte swap where
// it is big-endian).
inline void storeLittleEndianPortable(unsigned char* p, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

#if defined(__BYTE_ORDER__) && !defined(QUORL_PORTABLE_NUMBERS) && \
    (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ||                  \
     (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ && defined(QUORL_HAVE_BIT_BUILTINS)))
#define QUORL_KNOWN_BYTE_ORDER 1
#endif

inline void storeLittleEndian64(unsigned char* p, uint64_t v) {
#ifdef QUORL_KNOWN_BYTE_ORDER
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  std::memcpy(p, &v, 8);
#else
  storeLittleEndianPortable(p, v, 8);
#endif
}

inline void storeLittleEndian32(unsigned char* p, uint32_t v) {
#ifdef QUORL_KNOWN_BYTE_ORDER
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap32(v);
#endif
  std::memcpy(p, &v, 4);
#else
  storeLittleEndianPortable(p, v, 4);
#endif
}

// kFirstLanes[k]: k bytes of 0xFF, then zeros. Loaded as a word or vector,
// it keeps the lanes of the first k bytes in memory whatever the host's
// byte order.
struct FirstLanes {
  unsigned char lanes[17][16];
};

constexpr FirstLanes makeFirstLanes() {
  FirstLanes t{};
  for (int k = 0; k <= 16; ++k)
    for (int i = 0; i < k; ++i) t.lanes[k][i] = 0xFF;
  return t;
}

constexpr FirstLanes kFirstLanes = makeFirstLanes();

// True when any of the first keep (0 to 16) of the 16 bytes at p cannot
// stand in JSON text as it is: a control character (below 0x20), a quote,
// a backslash, or a byte from 0x80 up. All 16 bytes are read. The bytes
// past keep are first made a harmless 'A': each word test below is exact
// for "is there any such byte" only where no lane outside the test can
// borrow from its neighbour, which on a big-endian host is the one before
// it in memory.
inline bool needsJsonEscapePortable(const unsigned char* p, int keep) {
  constexpr uint64_t ones = 0x0101010101010101ull;
  uint64_t flagged = 0;
  for (int half = 0; half < 2; ++half) {
    uint64_t w, lanes;
    std::memcpy(&w, p + 8 * half, 8);
    std::memcpy(&lanes, kFirstLanes.lanes[keep] + 8 * half, 8);
    w = (w & lanes) | (~lanes & ones * 'A');
    const uint64_t quote = w ^ (ones * '"');
    const uint64_t backslash = w ^ (ones * '\\');
    flagged |= w | ((w - ones * 0x20) & ~w) | ((quote - ones) & ~quote) |
               ((backslash - ones) & ~backslash);
  }
  return (flagged & ones * 0x80) != 0;
}

#if defined(__SSE2__) && !defined(QUORL_PORTABLE_NUMBERS)
// x86: the bytes compared 16 at a time, their lanes gathered in a mask.
inline bool needsJsonEscape(const unsigned char* p, int keep) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  // Taken as signed, the bytes from 0x80 up are below 0x20 too.
  const __m128i special = _mm_or_si128(
      _mm_cmplt_epi8(v, _mm_set1_epi8(0x20)),
      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\\'))));
  return (static_cast<unsigned>(_mm_movemask_epi8(special)) & ((1u << keep) - 1)) != 0;
}
#elif (defined(__GNUC__) || defined(__clang__)) && !defined(QUORL_PORTABLE_NUMBERS)
// Other hosts: the compiler's vector types, wherever it has them.
typedef signed char QuorlBytes16 __attribute__((vector_size(16)));

inline bool needsJsonEscape(const unsigned char* p, int keep) {
  QuorlBytes16 v, lanes;
  std::memcpy(&v, p, 16);
  std::memcpy(&lanes, kFirstLanes.lanes[keep], 16);
  // Each comparison gives -1 in the lanes where it holds. Taken as signed,
  // the bytes from 0x80 up are below 0x20 too.
  const QuorlBytes16 special = ((v < 0x20) | (v == '"') | (v == '\\')) & lanes;
  uint64_t half[2];
  std::memcpy(half, &special, 16);
  return (half[0] | half[1]) != 0;
}
#else
inline bool needsJsonEscape(const unsigned char* p, int keep) {
  return needsJsonEscapePortable(p, keep);
}
#endif
