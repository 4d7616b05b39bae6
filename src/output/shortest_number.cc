#include "output/shortest_number.h"

#include <charconv>

char* writeShortestFloat(char* out, float v) {
  return std::to_chars(out, out + MAX_SHORTEST_TEXT, v).ptr;
}

char* writeShortestDouble(char* out, double v) {
  return std::to_chars(out, out + MAX_SHORTEST_TEXT, v).ptr;
}
