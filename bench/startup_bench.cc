// startup_bench RUNS TABLE PROGRAM... - the cost of one run on a small
// table. Runs each PROGRAM with the words "-l 2147483647 TABLE", RUNS
// times, in turn (1, 2, ..., 1, 2, ...), with standard output and standard
// error on /dev/null, and prints each program's median wall time per run
// and the median of its round-by-round ratio to the first program. Taking
// the programs in turn lets a busy machine slow them alike.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Wall time of one run of program on table, in microseconds.
double timeOneRun(const char* program, const char* table) {
  const char* argv[] = {program, "-l", "2147483647", table, nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t child;
  int status = 0;
  if (posix_spawn(&child, program, &actions, nullptr, const_cast<char**>(argv), environ) != 0 ||
      waitpid(child, &status, 0) != child) {
    std::fprintf(stderr, "startup_bench: cannot run %s\n", program);
    std::exit(2);
  }
  const auto end = std::chrono::steady_clock::now();
  posix_spawn_file_actions_destroy(&actions);
  return std::chrono::duration<double, std::micro>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: startup_bench RUNS TABLE PROGRAM...\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  const char* table = argv[2];
  const int programs = argc - 3;
  std::vector<std::vector<double>> times(programs), ratios(programs);
  for (int p = 0; p < programs; ++p) timeOneRun(argv[3 + p], table);  // warm the page cache
  for (int round = 0; round < runs; ++round) {
    for (int p = 0; p < programs; ++p) times[p].push_back(timeOneRun(argv[3 + p], table));
    for (int p = 0; p < programs; ++p) ratios[p].push_back(times[p].back() / times[0].back());
  }
  std::printf("%d runs each, in turn, on %s\n", runs, table);
  std::printf("%-60s %12s %10s\n", "program", "median us", "ratio");
  for (int p = 0; p < programs; ++p)
    std::printf("%-60s %12.0f %10.2f\n", argv[3 + p], median(times[p]), median(ratios[p]));
}
