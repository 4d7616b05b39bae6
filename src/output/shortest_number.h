// Floats and doubles with the fewest significant digits that read back to
// exactly the stored value at its own width: the number text of the JSON
// outputs.
#pragma once

// Longest text of either writer: "-2.2250738585072014e-308" is 24 bytes.
constexpr int MAX_SHORTEST_TEXT = 32;

// Writes a finite v as std::to_chars(out, out + MAX_SHORTEST_TEXT, v) does:
// the shortest digits that read back to v (the nearest to v among those),
// in fixed or scientific notation, whichever is shorter ("-38.6", "1e+20",
// "1e-05"). Returns the end of the text; writes no terminator. Bytes after
// the text, within MAX_SHORTEST_TEXT, may be overwritten as scratch.
// writeShortestFloat works in exact integer arithmetic for 2^-29 <= |v| <
// 2^24 (and zero), several times faster than std::to_chars; it calls
// std::to_chars for the other floats. writeShortestDouble is std::to_chars.
char* writeShortestFloat(char* out, float v);
char* writeShortestDouble(char* out, double v);
