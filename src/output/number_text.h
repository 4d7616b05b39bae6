// Exact, allocation-free number-to-text conversion for the row printer's hot path.
#pragma once
#include <cstdint>

// Longest text writeFixed6 can produce: "-" + 309 integer digits + "." + 6 decimals, rounded up.
constexpr int MAX_FIXED6_TEXT = 330;

// Writes v exactly as printf("%f", v) does with glibc: 6 decimals, round-half-even on the
// exact binary value, "-0.000000", "nan", "-nan", "inf", "-inf", huge values in full.
// Returns the end of the text; writes no terminator. out must have MAX_FIXED6_TEXT bytes;
// bytes after the text (within that size) may be overwritten as scratch.
char* writeFixed6(char* out, double v);

// Writes a single-precision v as printf("%f", (double)v) does, faster than
// writeFixed6 for the values of ordinary magnitude. Same contract.
char* writeFixed6Float(char* out, float v);

// Writes v as printf("%d") would. Returns the end; no terminator. out needs 11 bytes;
// bytes after the text (within that size) may be overwritten as scratch.
char* writeInt(char* out, int32_t v);

// Writes v as printf("%lld") would. Returns the end; no terminator. out needs 20 bytes;
// bytes after the text (within that size) may be overwritten as scratch.
char* writeInt64(char* out, int64_t v);
