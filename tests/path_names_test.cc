// Table paths beyond ASCII: folders named in Greek and in Japanese. The
// dump is the one under an ASCII name but for its title line, which names
// the path in UTF-8, as do the messages. Run under wine, this is the
// Windows executable taking a path in any script, whatever the code page.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "test_support.h"

namespace {

const std::string kSample = QUORL_TESTDATA "/sample/quorlbay/hyd/edg";

std::string withoutTitle(const std::string& out) {
  return out.substr(std::min(out.size(), out.find("\n\n") + 2));
}

// Copies the sample edge table into a new folder whose name starts with
// folderName, under a file name that is non-ASCII too, and checks its
// dump, its title line and the open failure's message there.
void expectDumpUnder(const std::string& folderName) {
  const std::string dir = makeTempDir(folderName);
  ASSERT_NE(dir, "");
  const std::string path = dir + "/" + folderName + " edg";
  std::ofstream(path, std::ios::binary) << readFile(kSample);

  const RunResult plain = runTool({"-l", "2147483647", kSample});
  const RunResult named = runTool({"-l", "2147483647", path});
  EXPECT_EQ(named.out.rfind("Digital Chart of the World file: " + path + "\n\n", 0), 0u);
  EXPECT_EQ(withoutTitle(named.out), withoutTitle(plain.out));
  EXPECT_EQ(named.err, std::string(kBanner) + "6 Records processed\n");
  EXPECT_EQ(named.status, 0);

  const std::string missing = dir + "/" + folderName + " missing";
  const RunResult failed = runTool({missing});
  EXPECT_EQ(failed.err, std::string(kBanner) + "can't open " + missing + " for reading\n" + kUsage);
  EXPECT_EQ(failed.status, 3);

  std::remove(path.c_str());
  rmdir(dir.c_str());
}

TEST(PathNames, GreekFolder) { expectDumpUnder("Ελλάδα"); }

TEST(PathNames, JapaneseFolder) { expectDumpUnder("地図データ"); }

// On Linux a path is bytes, written as given, UTF-8 or not (Latin-1 here).
// The Windows executable takes UTF-16 names, which such bytes are not.
TEST(PathNames, LinuxBytesAsGiven) {
  const char* ends = std::getenv("QUORL_TOOL_LINE_ENDS");
  if (ends != nullptr && std::strcmp(ends, "crlf") == 0)
    GTEST_SKIP() << "a Windows build takes UTF-16 path names";
  expectDumpUnder("Gr\xFCn Caf\xE9");
}

}  // namespace
