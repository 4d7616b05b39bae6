#include "main/open_table.h"

#include <filesystem>
#include <system_error>

std::FILE* openTable(const char* path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return nullptr;
  return std::fopen(path, "rb");
}
