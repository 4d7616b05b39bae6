// Number text exactly as the C library's "%f" and "%d" write it, without
// going through printf.
#pragma once

#include <cstdint>

// Longest text writeFixed6 can produce: sign, 309 integer digits, point and
// six decimals, rounded up.
constexpr int MAX_FIXED6_TEXT = 330;

// Writes v as printf("%f") does; returns the end of the text (no terminator).
char* writeFixed6(char* out, double v);

// Writes v as printf("%d") / printf("%lld") does; returns the end of the text.
char* writeInt(char* out, int32_t v);
char* writeInt64(char* out, int64_t v);
