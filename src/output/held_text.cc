#include "output/held_text.h"

#include <cstdint>
#include <cstdlib>

void (*heldTextExhausted)() = std::abort;

void growHeldText(HeldText& text, size_t n) {
  size_t capacity = text.capacity < 4096 ? 4096 : text.capacity;
  while (capacity - text.used < n) {
    if (capacity > SIZE_MAX / 2) heldTextExhausted();
    capacity *= 2;
  }
  char* data = static_cast<char*>(std::realloc(text.data, capacity));
  if (data == nullptr) heldTextExhausted();
  text.data = data;
  text.capacity = capacity;
}
