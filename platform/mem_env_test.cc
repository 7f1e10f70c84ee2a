#include "platform/mem_env.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/fault_env.h"

namespace vaxo {

namespace {

TEST(MemEnvTest, NamesMatchWithoutRegardToCase) {
  MemEnv env;
  env.AddFile("C:\\Data\\Machine.Dat", "m");
  std::string content;
  ASSERT_TRUE(env.ReadFile("c:/DATA/./x/../MACHINE.DAT", &content).ok());
  EXPECT_EQ(content, "m");
  ASSERT_TRUE(env.ReplaceFile("C:\\DATA\\MACHINE.DAT", "n").ok());
  EXPECT_EQ(env.FilesBelow("C:\\"), (std::vector<std::string>{"C:\\Data\\Machine.Dat"}));
  EXPECT_EQ(env.FileContent("C:\\data\\machine.dat"), "n");
  EXPECT_TRUE(env.DirectoryExists("c:\\data"));
  EXPECT_TRUE(env.ReadFile("D:\\Data\\Machine.Dat", &content).IsNotFound());
}

TEST(MemEnvTest, ListDirectoryGivesStoredNamesAndAttributes) {
  MemEnv env;
  env.AddFile("C:\\STEU\\$machine.dat", "m");
  env.AddFile("C:\\STEU\\Hidden.dat", "h", kAttrArchive | kAttrHidden);
  env.AddDirectory("C:\\STEU\\Sub");  // parents made on the way are stored in upper case
  env.AddFile("C:\\STEU\\Sub\\Deep.dat", "d");
  env.AddFile("C:\\STEUX\\Other.dat", "o");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(env.ListDirectory("c:\\steu", &entries).ok());
  std::map<std::string, uint32_t> got;
  for (const DirEntry& e : entries) got[e.name] = e.attributes;
  const std::map<std::string, uint32_t> want = {{"$machine.dat", kAttrArchive},
                                                {"Hidden.dat", kAttrArchive | kAttrHidden},
                                                {"Sub", kAttrDirectory}};
  EXPECT_EQ(got, want);
  EXPECT_FALSE(env.NormalFileExists("C:\\STEU\\HIDDEN.DAT"));
  EXPECT_TRUE(env.NormalFileExists("C:\\STEU\\$MACHINE.DAT"));
  EXPECT_TRUE(env.ListDirectory("C:\\NONE", &entries).IsNotFound());
  EXPECT_FALSE(env.ListDirectory("C:\\STEU\\$machine.dat", &entries).ok());
}

TEST(MemEnvTest, ReadOnlyFileRefusesChangesUntilArchiveOnly) {
  MemEnv env;
  env.AddFile("C:\\RO.DAT", "old", kAttrArchive | kAttrReadOnly | kAttrSystem);
  env.AddFile("C:\\SRC.DAT", "src");
  EXPECT_FALSE(env.ReplaceFile("C:\\RO.DAT", "new").ok());
  EXPECT_FALSE(env.AppendFile("C:\\RO.DAT", "new").ok());
  EXPECT_FALSE(env.CopyFile("C:\\SRC.DAT", "C:\\RO.DAT").ok());
  EXPECT_FALSE(env.DeleteFile("C:\\RO.DAT").ok());
  EXPECT_EQ(env.FileContent("C:\\RO.DAT"), "old");
  ASSERT_TRUE(env.SetArchiveOnly("C:\\RO.DAT").ok());
  EXPECT_EQ(env.Attributes("C:\\RO.DAT"), uint32_t(kAttrArchive));
  EXPECT_TRUE(env.DeleteFile("C:\\RO.DAT").ok());
  EXPECT_FALSE(env.FileExists("C:\\RO.DAT"));
}

TEST(MemEnvTest, WritesNeedAnExistingDirectory) {
  MemEnv env;
  env.AddDirectory("C:\\LOG");
  EXPECT_TRUE(env.ReplaceFile("C:\\NONE\\A.TXT", "a").IsNotFound());
  ASSERT_TRUE(env.AppendFile("C:\\LOG\\A.TXT", "a").ok());
  ASSERT_TRUE(env.AppendFile("C:\\log\\a.txt", "b").ok());
  EXPECT_EQ(env.FileContent("C:\\LOG\\A.TXT"), "ab");
  uint64_t size = 0;
  ASSERT_TRUE(env.GetFileSize("C:\\LOG\\A.TXT", &size).ok());
  EXPECT_EQ(size, 2u);
}

// The wrapper of the tests that fails an operation before it reaches the
// environment below it.
TEST(FaultEnvTest, FailsTheOperationAndChangesNothing) {
  MemEnv mem;
  FaultEnv env(&mem);
  mem.AddFile("C:\\A.DAT", "old");
  std::vector<std::string> seen;
  env.set_hook([&](const std::string& op, const std::string& path) {
    seen.push_back(op + " " + path);
    return op == "replace" ? Status::IOError(op, path, "disk full") : Status::OK();
  });
  Status s = env.ReplaceFile("C:\\A.DAT", "new");
  EXPECT_EQ(s.ToString(), "replace C:\\A.DAT: disk full");
  EXPECT_EQ(mem.FileContent("C:\\A.DAT"), "old");
  std::string content;
  EXPECT_TRUE(env.ReadFile("C:\\A.DAT", &content).ok());
  EXPECT_EQ(seen, (std::vector<std::string>{"replace C:\\A.DAT", "read C:\\A.DAT"}));
  EXPECT_EQ(env.operations(), 2);
}

TEST(MemEnvTest, ChildrenAreRecordedInOrder) {
  MemEnv env;
  Status error;
  EXPECT_EQ(env.RunAndWait("C:\\T\\V.EXE", "C:\\T\\V.EXE a | b", &error), 0);
  EXPECT_TRUE(error.IsNotFound());
  env.set_child_hook([](const std::string&, const std::string& cmdline) {
    return cmdline.find("/DAT") != std::string::npos ? 5 : 1;
  });
  EXPECT_EQ(env.RunAndWait("C:\\T\\V.EXE", "C:\\T\\V.EXE x /DAT", nullptr), 5);
  ASSERT_EQ(env.children().size(), 2u);
  EXPECT_EQ(env.children()[0].second, "C:\\T\\V.EXE a | b");
  EXPECT_EQ(env.children()[1].second, "C:\\T\\V.EXE x /DAT");
}

TEST(MemEnvTest, ExitProcessThrowsTheCode) {
  MemEnv env;
  try {
    env.ExitProcess(2);
    FAIL() << "ExitProcess returned";
  } catch (const ProcessExit& e) {
    EXPECT_EQ(e.code, 2);
  }
}

TEST(MemEnvTest, ConsoleIsRecorded) {
  MemEnv env;
  env.set_stdin_lines({"yes"});
  EXPECT_TRUE(env.IsTerminal(0));
  std::string line;
  ASSERT_TRUE(env.ReadStdinLine(&line));
  EXPECT_EQ(line, "yes");
  EXPECT_FALSE(env.ReadStdinLine(&line));
  env.WriteStd(1, "out");
  env.WriteStd(2, "err");
  EXPECT_EQ(env.std_out(), "out");
  EXPECT_EQ(env.std_err(), "err");
}

}  // namespace

}  // namespace vaxo
