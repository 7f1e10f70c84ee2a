// The log's relative paths resolved from the folders the run started in.
#include "backup/run_folder.h"

#include <gtest/gtest.h>

#include "backup/backup_env.h"
#include "tests/support/vaxo_test.h"

namespace vaxo {
namespace backup {
namespace {

TEST(RunFolderTest, PathsResolveFromTheRunsFoldersAsItsProcessWould) {
  const RunFolders run = {"Z:\\TMP\\ROBA", {{'Q', "Q:\\SUB"}}};
  const RunFolders unc = {"\\\\srv\\share\\dir", {}}, root = {"C:\\", {}}, none = {};
  struct Row {
    const RunFolders& folders;
    std::string path, full;
  };
  for (const Row& row : std::vector<Row>{
           {run, "OLD\\ZEL\\R1", "Z:\\TMP\\ROBA\\OLD\\ZEL\\R1"},
           {run, "Z:C7\\NEW", "Z:\\TMP\\ROBA\\C7\\NEW"},  // the drive of the folder
           {run, "q:x.dat", "Q:\\SUB\\x.dat"},            // another drive's own folder
           {run, "D:x.dat", "D:\\x.dat"},                 // a drive without one: its root
           {run, "\\ROOT\\x", "Z:\\ROOT\\x"},
           {run, "C:\\FULL\\x", "C:\\FULL\\x"},
           {run, "c:/full/x", "c:/full/x"},
           {run, "\\\\srv\\share\\x", "\\\\srv\\share\\x"},
           {run, ".\\OLD\\..\\NEW", "Z:\\TMP\\ROBA\\.\\OLD\\..\\NEW"},
           {root, "OLD", "C:\\OLD"},
           {unc, "\\x", "\\\\srv\\share\\x"},
           {unc, "OLD", "\\\\srv\\share\\dir\\OLD"},
           {none, "OLD", ""},
           {none, "C:\\OLD", "C:\\OLD"},
       })
    EXPECT_EQ(ResolveFrom(row.folders, row.path), row.full)
        << row.folders.folder << " " << row.path;
}

class RunFolderEnvTest : public VaxoTest {};

TEST_F(RunFolderEnvTest, TheSetRecordsTheRunsFolderAndTheReaderReadsFromThere) {
  const std::string log = "C:\\LOG\\Upgrade_vaxo.log";
  mem_.AddFile(log, "run of 12.12.2026\r\n");
  mem_.AddFile("C:\\ROBA\\OLD\\$a.dat", "robA\r\n");
  mem_.AddFile("C:\\ROBB\\OLD\\$a.dat", "robB\r\n");
  mem_.set_current_directory("C:\\ROBA");
  { BackupEnv backup(&mem_, log); }
  mem_.set_current_directory("C:\\ROBB");
  RunFolders folders;
  ASSERT_TRUE(FoldersOfLogsRun(&mem_, log, &folders).ok());
  EXPECT_EQ(folders.folder, "C:\\ROBA");
  RunFolderEnv at_run(&mem_, folders);
  std::string text;
  ASSERT_TRUE(at_run.ReadFile("OLD\\$a.dat", &text).ok());
  EXPECT_EQ(text, "robA\r\n");
  EXPECT_EQ(at_run.unresolved(), 0);

  RunFolderEnv unknown(&mem_, RunFolders());
  EXPECT_TRUE(unknown.ReadFile("OLD\\$a.dat", &text).IsNotFound());
  EXPECT_TRUE(unknown.ReadFile("C:\\ROBB\\OLD\\$a.dat", &text).ok());
  EXPECT_EQ(unknown.unresolved(), 1);
  mem_.AddFile(log, "another run\r\n");  // its set is gone
  EXPECT_TRUE(FoldersOfLogsRun(&mem_, log, &folders).IsNotFound());
}

}  // namespace
}  // namespace backup
}  // namespace vaxo
