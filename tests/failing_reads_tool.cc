// quorl_failing_reads: the tool with a table whose reads fail after
// QUORL_FAIL_READS_AFTER bytes (all reads succeed when it is unset).
#include <cstdlib>

#include "failing_file.h"
#include "files/open_table.h"
#include "main/run_dump.h"

std::FILE* openTable(const char* path) {
  const char* after = std::getenv("QUORL_FAIL_READS_AFTER");
  if (after == nullptr) return std::fopen(path, "rb");
  return openFailingAfter(path, std::strtoll(after, nullptr, 10));
}

int main(int argc, char** argv) { runDump(argc, argv); }
