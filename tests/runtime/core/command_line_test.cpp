#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "runtime/core/command_line.h"

namespace {

TEST(ExecutableFolder, CutAtTheLastSeparator) {
  struct Case { const char* path; const char* folder; };
  const Case cases[] = {
      {"/usr/games/marrowick", "/usr/games"},
      {"C:\\GAMES\\MARROW.EXE", "C:\\GAMES"},
      {"C:MARROW.EXE", "C:"},               // only a drive colon: the drive itself
      {"C:\\MARROW.EXE", "C:"},             // cut at the slash behind the colon
      {"D:\\a:b/c\\m.exe", "D:\\a:b/c"},
      {"/marrowick", "/"},                  // the root, not an empty folder
      {"marrowick", ""},
      {"", ""},
      {"/opt/mw/", "/opt/mw"},
  };
  for (const Case& c : cases) EXPECT_EQ(rt::executable_folder(c.path), c.folder) << c.path;
}

TEST(CommandLine, ArgumentsAfterTheProgramNameJoinedWithOneSpace) {
  const char* none[] = {"marrowick", nullptr};
  const char* two[] = {"marrowick", "a", "b", nullptr};
  const char* spaced[] = {"marrowick", "x y", "", "\"q\"", nullptr};
  const char* cut_short[] = {"marrowick", "a", nullptr, "never"};
  EXPECT_EQ(rt::join_command_line(1, none), "");
  EXPECT_EQ(rt::join_command_line(3, two), "a b");
  EXPECT_EQ(rt::join_command_line(4, spaced), "x y  \"q\"");
  EXPECT_EQ(rt::join_command_line(4, cut_short), "a");  // a null argument ends the list
  EXPECT_EQ(rt::join_command_line(0, nullptr), "");
  EXPECT_EQ(rt::join_command_line(-3, two), "");
}

TEST(ChainingCheck, RecognisesOnlyTheExactSuffix) {
  const std::string tag = rt::kChainTag;
  struct Case { std::string line; const char* file; std::string stripped; };
  const Case cases[] = {
      {tag + "chain123.tmp", "chain123.tmp", ""},
      {"a b " + tag + "chainABC.tmp", "chainABC.tmp", "a b"},
      {"x" + tag + "chainABC.tmp", "chainABC.tmp", "x"},  // no separating space: x stays
      {tag + "chain12.tmp", nullptr, ""},                  // 31 characters
      {tag + "chain123.tmq", nullptr, ""},
      {tag + "chair123.tmp", nullptr, ""},
      {"(unique-tag:=/@*$+_)chain123.tmp", nullptr, ""},
      {tag + "chain/...tmp", nullptr, ""},  // a path, not a file name
      {"x " + tag + "chain12/.tmp", nullptr, ""},
      {tag + "chain\\...tmp", nullptr, ""},
      {"chain123.tmp", nullptr, ""},
      {"", nullptr, ""},
  };
  for (const Case& c : cases) {
    std::optional<std::string> file = rt::chain_handover_file(c.line);
    if (c.file == nullptr) {
      EXPECT_FALSE(file.has_value()) << c.line;
      continue;
    }
    ASSERT_TRUE(file.has_value()) << c.line;
    EXPECT_EQ(*file, c.file);
    EXPECT_EQ(rt::strip_chain_suffix(c.line), c.stripped) << c.line;
  }
}

class ChainHandover : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mw-chain-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::remove((folder_ + "/chainT01.tmp").c_str());
    rmdir(folder_.c_str());
  }
  std::string write(const std::string& content) {
    std::string path = folder_ + "/chainT01.tmp";
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string folder_;
};

TEST_F(ChainHandover, ReadsTheSavedDirectoryAndDeletesTheFile) {
  struct Case { std::string content; std::string directory; };
  const Case cases[] = {
      {"/srv/games", "/srv/games"},
      {"/srv/games\nrest", "/srv/games"},
      {"/srv/games\r\n", "/srv/games"},
      {std::string("/a b\0more", 9), "/a b"},
      {"", ""},
  };
  for (const Case& c : cases) {
    std::string path = write(c.content);
    std::optional<std::string> directory = rt::take_chain_handover(path);
    ASSERT_TRUE(directory.has_value());
    EXPECT_EQ(*directory, c.directory);
    EXPECT_NE(access(path.c_str(), F_OK), 0) << "file left behind";
  }
}

TEST_F(ChainHandover, AMissingFileGivesNothing) {
  EXPECT_FALSE(rt::take_chain_handover(folder_ + "/chainNO0.tmp").has_value());
}

}  // namespace
