#include "platform/mem_env.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/fault_env.h"

namespace vaxo {

namespace {

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
