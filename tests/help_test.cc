// "--help" and "--version" as the only word: the text on standard output,
// status 0, no banner; anywhere else they are ordinary words.
#include <gtest/gtest.h>

#include <cstdio>

#include "test_support.h"

namespace {

TEST(Help, EveryOptionAndStatusOnStandardOutput) {
  RunResult run = runTool({"--help"});
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(
      run.out.rfind("Usage: QuorlDCW [-e edition] [-o format] [-w FILE] [-f firstRec] [-l lastRec] "
                    "DCWfile\n",
                    0),
      0u);
  for (const char* text :
       {"-f firstRec", "-l lastRec", "-e 2407|600006", "-o dcw|json|jsonl|geojson|gpkg", "-w FILE",
        "\n    dcw ", "\n    json ", "\n    jsonl ", "\n    geojson ", "\n    gpkg ", "\n  0  ",
        "\n  1  ", "\n  2  ", "\n  3  ", "man QuorlDCW", "--version"})
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
}

TEST(Help, VersionFromTheBuild) {
  RunResult run = runTool({"--version"});
  EXPECT_EQ(run.out, "QuorlDCW " QUORL_VERSION "\nMIT licence: see LICENSE\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
}

TEST(Help, StandardOutputThatFails) {
  for (const char* word : {"--help", "--version"}) {
    RunResult run = runTool({word}, "/dev/full");
    EXPECT_EQ(run.err, "can't write standard output\n");
    EXPECT_EQ(run.status, 2);
  }
}

// With other words the last one is the path and the others are options or
// ignored, as always; the usage line stays the one it was.
TEST(Help, ElsewhereAnOrdinaryWord) {
  RunResult run = runTool({"-f", "1", "--help"});
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, std::string(kBanner) + "can't open --help for reading\n" + kUsage);
  EXPECT_EQ(run.status, 3);
  run = runTool({"--version", "--help"});
  EXPECT_EQ(run.err, std::string(kBanner) + "can't open --help for reading\n" + kUsage);
  TableBuilder table;
  table.header(columnsHeader("ID=I,1,P,Row Identifier,-,-,:")).i32(7);
  RunResult dumped = runOnTable(table.bytes, {"--help", "--version", "-l", "1"});
  EXPECT_EQ(dumped.err, std::string(kBanner) + "1 Records processed\n");
  EXPECT_EQ(dumped.status, 0);
  EXPECT_EQ(runTool({"--HELP"}).status, 3);
}

}  // namespace
