#include "output/held_text.h"

#include <cstdint>
#include <cstdlib>
#include <new>

void growHeldText(HeldText& text, size_t n) {
  size_t capacity = text.capacity < 4096 ? 4096 : text.capacity;
  while (capacity - text.used < n) {
    if (capacity > SIZE_MAX / 2) throw std::bad_alloc();
    capacity *= 2;
  }
  char* data = static_cast<char*>(std::realloc(text.data, capacity));
  if (data == nullptr) throw std::bad_alloc();
  text.data = data;
  text.capacity = capacity;
}
