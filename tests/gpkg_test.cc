// -o gpkg and -w FILE run end to end: what standard error says, the status,
// and what is left on disk when a run ends well, fails on the way, is
// stopped by a signal or refused. The GeoPackages are read back with SQL.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "coverage_builder.h"
#include "test_support.h"

namespace gpkg_test {

using Names = std::vector<std::string>;

// Writes a point table coverage/table of `rows` rows, row r the node
// (r, 10 r), with the coverage's fcs and cnd; returns the table's bytes.
std::string writePoints(const TempLibrary& lib, const std::string& coverage,
                        const std::string& table, int rows) {
  Positions nodes;
  std::vector<std::vector<int>> keys;
  for (int row = 1; row <= rows; ++row) {
    nodes.push_back({static_cast<float>(row), 10.0f * row});
    keys.push_back({row, row});
  }
  const std::string bytes = keysTable({"id", "cnd_id"}, keys);
  lib.write(coverage + "/fcs", fcsTable({{table, "cnd_id", "cnd", "id"}}));
  lib.write(coverage + "/cnd", nodeTable(nodes));
  lib.write(coverage + "/" + table, bytes);
  return bytes;
}

// A library whose grt gives GEO and WGE (its layers use srs_id 4326), with
// one coverage, good, whose p.pft has two points: layer good_p.
void writeLibrary(const TempLibrary& lib) {
  lib.write("lht", keysTable({"id"}, {{1}}));
  TableBuilder grt;
  grt.header(columnsHeader("id=I,1,P,-,-,-,:data_type=T,3,N,-,-,-,:geo_datum_code=T,3,N,-,-,-,:"));
  lib.write("grt", grt.i32(1).raw("GEOWGE").bytes);
  writePoints(lib, "good", "p.pft", 2);
}

void writeFile(const std::string& path, const std::string& bytes, mode_t mode) {
  std::ofstream(path, std::ios::binary) << bytes;
  chmod(path.c_str(), mode);
}

mode_t modeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The names in a folder, sorted: what a run left there, its temporary file
// (.NAME.XXXXXX) included.
Names names(const std::string& folder) {
  Names found;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    found.push_back(entry.path().filename().string());
  std::sort(found.begin(), found.end());
  return found;
}

// What a query gives on a GeoPackage: a line a row, its values joined by
// '|', NULL as NULL.
std::string sql(const std::string& file, const std::string& query) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return "can't open " + file;
  }
  sqlite3_stmt* statement = nullptr;
  std::string rows;
  if (sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr) != SQLITE_OK)
    rows = sqlite3_errmsg(db);
  while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      const unsigned char* text = sqlite3_column_text(statement, i);
      rows += (i > 0 ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
    }
    rows += "\n";
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

// Runs the tool with SOURCE_DATE_EPOCH set to value (nullptr: unset), this
// process's own value put back afterwards.
RunResult runWithEpoch(const char* value, const std::vector<std::string>& args) {
  const char* was = std::getenv("SOURCE_DATE_EPOCH");
  const std::string saved = was != nullptr ? was : "";
  value != nullptr ? setenv("SOURCE_DATE_EPOCH", value, 1) : unsetenv("SOURCE_DATE_EPOCH");
  RunResult run = runTool(args);
  was != nullptr ? setenv("SOURCE_DATE_EPOCH", saved.c_str(), 1) : unsetenv("SOURCE_DATE_EPOCH");
  return run;
}

void expectRun(const RunResult& run, const std::string& err, int status) {
  EXPECT_EQ(run.err, kBanner + err);
  EXPECT_EQ(run.status, status);
  EXPECT_EQ(run.out, "");
}

// FILE replaced in one step: a replaced file keeps its mode, a new one gets
// 0666 less the umask, no temporary file stays. The JSON outputs put in
// FILE what they write to standard output.
TEST(GeoPackage, WriteReplacesFile) {
  TempLibrary lib, out;
  writeLibrary(lib);
  const std::string file = out.path() + "/chart.gpkg", fresh = out.path() + "/fresh.gpkg";
  writeFile(file, "old", 0640);
  expectRun(runTool({"-o", "gpkg", "-w", file, lib.path()}), "1 layer, 2 features\n", 0);
  const mode_t mask = umask(062);
  expectRun(runTool({"-o", "gpkg", "-w", fresh, lib.path()}), "1 layer, 2 features\n", 0);
  umask(mask);
  for (const std::string& written : {file, fresh})
    EXPECT_EQ(sql(written, "SELECT table_name, data_type, srs_id, min_x, max_y FROM gpkg_contents"),
              "good_p|features|4326|1.0|20.0\n");

  const std::string json = out.path() + "/rows.json", table = lib.path() + "/good/p.pft";
  writeFile(json, "old", 0640);
  const RunResult toFile = runTool({"-o", "json", "-w", json, table});
  const RunResult toOutput = runTool({"-o", "json", table});
  EXPECT_EQ(toOutput.status, 0);
  EXPECT_EQ(toFile.status, 0);
  EXPECT_EQ(toFile.err, toOutput.err);
  EXPECT_EQ(toFile.out, "");
  EXPECT_EQ(readFile(json), toOutput.out);
  EXPECT_EQ(names(out.path()), Names({"chart.gpkg", "fresh.gpkg", "rows.json"}));
  if (!toolRunsOnLinux()) return;  // file modes are Linux's
  EXPECT_EQ(modeOf(file), 0640u);
  EXPECT_EQ(modeOf(fresh), 0604u);
  EXPECT_EQ(modeOf(json), 0640u);
}

// Under a file size limit (ulimit -f) the write fails: status 2, the
// system's reason, the old FILE as it was, no temporary file left.
TEST(GeoPackage, FailingWriteLeavesOldFile) {
  if (!toolRunsOnLinux()) GTEST_SKIP() << "a file size limit is set on a Linux process";
  TempLibrary lib, out;
  writeLibrary(lib);
  TableBuilder many;
  many.header(columnsHeader("id=I,1,P,-,-,-,:"));
  for (int row = 1; row <= 3000; ++row) many.i32(row);
  lib.write("many.tab", many.bytes);  // 30 kB of JSON lines
  ProgramSetup limited;
  limited.fileSizeLimit = 8192;
  for (const auto& [format, path] : {std::pair<std::string, std::string>{"gpkg", lib.path()},
                                     {"jsonl", lib.path() + "/many.tab"}}) {
    const std::string file = out.path() + "/old." + format;
    writeFile(file, "old", 0640);
    const RunResult run = runToolWith({"-o", format, "-w", file, path}, limited);
    EXPECT_EQ(run.err, kBanner + ("can't write " + file + ": File too large\n"))
        << "-o " << format << ": the reason must be the system's text for EFBIG";
    EXPECT_EQ(run.status, 2) << format;
    EXPECT_EQ(run.killedBy, 0) << format;
    EXPECT_EQ(readFile(file), "old") << format;
  }
  EXPECT_EQ(names(out.path()), Names({"old.gpkg", "old.jsonl"}));
}

// SIGTERM while the run waits to open a feature table (a FIFO that nothing
// writes): the temporary file goes, FILE stays, the run ends by the signal.
TEST(GeoPackage, StoppedBySigterm) {
  if (!toolRunsOnLinux()) GTEST_SKIP() << "signals are sent to a Linux process";
  TempLibrary lib, out;
  writeLibrary(lib);
  const std::string fifo = lib.path() + "/good/wait.cft", file = out.path() + "/chart.gpkg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  writeFile(file, "old", 0640);
  StartedProgram tool = startTool({"-o", "gpkg", "-w", file, fifo});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  Names during = names(out.path());
  for (; during.size() < 2 && std::chrono::steady_clock::now() < deadline;
       during = names(out.path()))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  kill(tool.pid, SIGTERM);
  const RunResult run = finishProgram(tool);
  EXPECT_EQ(during.size(), 2u) << "no temporary file beside FILE while the run waited";
  EXPECT_EQ(during[0].rfind(".chart.gpkg.", 0), 0u) << during[0];
  EXPECT_EQ(run.killedBy, SIGTERM);
  EXPECT_EQ(run.err, kBanner);
  EXPECT_EQ(readFile(file), "old");
  EXPECT_EQ(names(out.path()), Names({"chart.gpkg"}));
}

// Everything the terminal at master shows, until its other side is closed.
std::string terminalText(int master) {
  std::string text;
  char block[256];
  pollfd ready{master, POLLIN, 0};
  for (ssize_t n; poll(&ready, 1, 5000) > 0 && (n = read(master, block, sizeof block)) > 0;)
    text.append(block, n);
  return text;
}

// A GeoPackage is not written to a terminal: one line on standard error,
// nothing on the terminal.
TEST(GeoPackage, TerminalStandardOutput) {
  if (!toolRunsOnLinux()) GTEST_SKIP() << "a pseudo-terminal is given to a Linux process";
  TempLibrary lib;
  writeLibrary(lib);
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  ProgramSetup setup;
  setup.stdoutFd = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(setup.stdoutFd, 0);
  StartedProgram tool = startTool({"-o", "gpkg", lib.path()}, setup);
  close(setup.stdoutFd);
  const RunResult run = finishProgram(tool);
  EXPECT_EQ(run.err,
            kBanner + std::string("-o gpkg writes a binary file: give -w FILE or redirect standard "
                                  "output\n"));
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(terminalText(master), "");
  close(master);
}

// A coverage whose fcs names no join for its table: that layer is left
// out, the others written; with none written, no file.
TEST(GeoPackage, LayerLeftOut) {
  TempLibrary lib, out;
  writeLibrary(lib);
  lib.write("bad/fcs", fcsTable({{"x.lft", "fac_id", "fac", "id"}}));
  lib.write("bad/x.lft", keysTable({"id", "edg_id"}, {{1, 1}}));
  const std::string file = out.path() + "/chart.gpkg";
  const std::string leftOut =
      "left out bad_x: " + lib.path() + "/bad/fcs has no geometry join for x.lft\n";
  expectRun(runTool({"-o", "gpkg", "-w", file, lib.path()}), leftOut + "1 layer, 2 features\n", 1);
  EXPECT_EQ(sql(file, "PRAGMA integrity_check"), "ok\n");
  EXPECT_EQ(sql(file,
                "SELECT table_name, identifier, data_type, srs_id, min_x, min_y, max_x, max_y "
                "FROM gpkg_contents"),
            "good_p|good_p|features|4326|1.0|10.0|2.0|20.0\n");
  EXPECT_EQ(sql(file, "SELECT name FROM sqlite_master WHERE name LIKE '%bad%'"), "");
  EXPECT_EQ(sql(file, "SELECT fid, id, cnd_id FROM good_p"), "1|1|1\n2|2|2\n");
  EXPECT_EQ(sql(file, "SELECT id, minx, maxy FROM rtree_good_p_geom"), "1|1.0|10.0\n2|2.0|20.0\n");

  const std::string none = out.path() + "/none.gpkg", bad = lib.path() + "/bad";
  expectRun(runTool({"-o", "gpkg", "-w", none, bad}),
            leftOut + "no layer of " + bad + " could be written\n", 3);
  EXPECT_EQ(names(out.path()), Names({"chart.gpkg"}));
}

// A table whose data ends inside a row: its complete rows are written.
TEST(GeoPackage, DataEndsInsideRow) {
  TempLibrary lib, out;
  writeLibrary(lib);
  const std::string rows = writePoints(lib, "cut", "p.pft", 3);
  lib.write("cut/p.pft", rows.substr(0, rows.size() - 4));
  const std::string file = out.path() + "/cut.gpkg";
  expectRun(runTool({"-o", "gpkg", "-w", file, lib.path() + "/cut/p.pft"}),
            "cut_p: its data ends inside row 3\n1 layer, 2 features\n", 1);
  EXPECT_EQ(sql(file, "SELECT fid, cnd_id, hex(substr(geom, 1, 8)) FROM cut_p"),
            "1|1|47500001E6100000\n2|2|47500001E6100000\n");
}

// SOURCE_DATE_EPOCH makes the file again byte for byte.
TEST(GeoPackage, SourceDateEpoch) {
  TempLibrary lib, out;
  writeLibrary(lib);
  const std::string first = out.path() + "/first.gpkg", second = out.path() + "/second.gpkg";
  for (const std::string& file : {first, second})
    expectRun(runWithEpoch("0", {"-o", "gpkg", "-w", file, lib.path()}), "1 layer, 2 features\n",
              0);
  EXPECT_EQ(sql(first, "SELECT last_change FROM gpkg_contents"), "1970-01-01T00:00:00.000Z\n");
  EXPECT_EQ(readFile(first), readFile(second));
  EXPECT_GT(readFile(first).size(), 0u);
}

// Runs refused before anything is written: status 3, one line (and the
// usage line after -f or -l), no file and no temporary file.
TEST(GeoPackage, RefusedRuns) {
  TempLibrary lib, out, bare;
  writeLibrary(lib);
  std::filesystem::create_directory(lib.path() + "/empty");
  bare.write("dht", keysTable({"id"}, {{1}}));  // a database, its one library empty
  bare.write("lib/lht", keysTable({"id"}, {{1}}));
  bare.write("lib/cov/fcs", fcsTable({}));
  const std::string file = out.path() + "/chart.gpkg", usage = kUsage;
  const std::string should =
      " should be a database, library or coverage folder (one holding a dht, lht or fcs), one of "
      "those files, or a feature table (.pft, .lft, .aft, .tft, .cft)\n";
  const std::string epoch = "SOURCE_DATE_EPOCH is not a number of seconds since 1970: ";
  struct Refused {
    const char* epoch;
    std::vector<std::string> words;
    std::string err;
  };
  const std::string primitive = lib.path() + "/good/cnd", empty = lib.path() + "/empty";
  const std::string missing = lib.path() + "/none", lost = out.path() + "/none/chart.gpkg";
  for (const Refused& refused : std::vector<Refused>{
           {nullptr, {"-f", "1", "-w", file, lib.path()}, "-f selects rows of one table"},
           {nullptr,
            {"-l", "2", "-f", "1", "-w", file, lib.path()},
            "-l selects rows of one table"},
           {nullptr, {"-w", file, primitive}, primitive + should},
           {nullptr, {"-w", file, empty}, empty + should},
           {nullptr, {"-w", file, missing}, "can't open " + missing + " for reading\n"},
           {nullptr, {"-w", file, bare.path()}, bare.path() + " holds no feature table\n"},
           {nullptr,
            {"-w", file, bare.path() + "/lib"},
            bare.path() + "/lib holds no feature table\n"},
           {nullptr,
            {"-w", out.path(), lib.path()},
            "can't write " + out.path() + ": it is a folder\n"},
           {nullptr,
            {"-w", lost, lib.path()},
            "can't write " + lost + ": No such file or directory\n"},
           {"abc", {"-w", file, lib.path()}, epoch + "abc\n"},
           {"-1", {"-w", file, lib.path()}, epoch + "-1\n"},
           {"253402300800", {"-w", file, lib.path()}, epoch + "253402300800\n"},
       }) {
    std::vector<std::string> args = {"-o", "gpkg"};
    args.insert(args.end(), refused.words.begin(), refused.words.end());
    std::string err = refused.err;
    if (err.back() != '\n') err += ": not with -o gpkg\n" + usage;
    const RunResult run = runWithEpoch(refused.epoch, args);
    EXPECT_EQ(run.err, kBanner + err) << args[2] << " " << args.back();
    EXPECT_EQ(run.status, 3) << args[2] << " " << args.back();
    EXPECT_EQ(names(out.path()), Names()) << args[2] << " " << args.back();
  }
}

}  // namespace gpkg_test
