// The backup set and the rollback on the in-memory file system: whatever a
// run does to the files through the backup, the rollback gives every file
// its bytes and attributes back; what changed since is left alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "backup/backup_env.h"
#include "backup/backup_sets.h"
#include "backup/journal.h"
#include "backup/rollback.h"
#include "tests/support/vaxo_test.h"

namespace vaxo {
namespace backup {
namespace {

const char kLog[] = "C:\\LOG\\Upgrade_vaxo.log";

// Every file below C:\INST with its attributes.
using Tree = std::map<std::string, std::pair<std::string, uint32_t>>;

class BackupTest : public VaxoTest {
 protected:
  void SetUp() override {
    VaxoTest::SetUp();
    mem_.AddDirectory("C:\\LOG");
    mem_.AddFile("C:\\INST\\$a.dat", "a\r\n");
    mem_.AddFile("C:\\INST\\$b.dat", "b\r\n", kAttrArchive | kAttrReadOnly);
    mem_.AddFile("C:\\INST\\$c.dat", "c\r\n", kAttrArchive | kAttrHidden);
    mem_.AddFile("C:\\INST\\$d.dat", "", kAttrArchive | kAttrSystem);
    mem_.AddFile("C:\\INST\\$z\xE4hler.dat", "e\r\n");  // the run spells it Z\xC4HLER.DAT
    mem_.AddFile("C:\\TOOLS\\Vaxo_Value.dat", "names\r\n");
  }

  Tree Files() const {
    Tree tree;
    for (const std::string& p : mem_.FilesBelow("C:\\INST"))
      tree[p] = {mem_.FileContent(p), mem_.Attributes(p)};
    return tree;
  }
  // The newest set, rolled back; the lines it printed go to lines_.
  int RollBack(bool force = false) {
    std::vector<SetInfo> sets;
    EXPECT_TRUE(ListSets(&mem_, kLog, &sets).ok());
    if (sets.empty()) return -1;
    lines_.clear();
    return Rollback(&mem_, sets.back().folder, force, &lines_);
  }

  std::vector<std::string> lines_;
};

// A run of random changes of every kind the run makes, many times over.
TEST_F(BackupTest, RollbackUndoesAnyMixOfChanges) {
  const Tree before = Files();
  std::mt19937 rng(7);
  const std::vector<std::string> names = {"$a.dat", "$B.DAT",   "$c.dat",
                                          "$d.dat", "$new.dat", "$Z\xC4HLER.DAT"};
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    mem_.set_sortable_time("20261209-" + std::to_string(100000 + round));
    {
      BackupEnv backup(&faults_, kLog);
      if (round % 3 == 0) backup.SaveBeforeChanges({"C:\\INST\\$A.DAT", "C:\\INST\\$b.dat"});
      for (int op = 0; op < 6; ++op) {
        const std::string path = "C:\\INST\\" + names[rng() % names.size()];
        switch (rng() % 5) {
          case 0:
            backup.SetArchiveOnly(path);
            break;
          case 1:
            backup.SetArchiveOnly(path);
            backup.ReplaceFile(path, "run " + std::to_string(rng()) + "\r\n");
            break;
          case 2:
            backup.CopyFile("C:\\TOOLS\\Vaxo_Value.dat", path);
            break;
          case 3:
            backup.SetArchiveOnly(path);
            backup.DeleteFile(path);
            break;
          default:  // a child writes it
            backup.BeforeChildChanges(path);
            mem_.AddFile(path, "child\r\n");
            backup.AfterChildChanged(path);
        }
      }
    }
    ASSERT_EQ(RollBack(), kAllRestored) << lines_.back();
    ASSERT_EQ(Files(), before);
    ASSERT_EQ(RollBack(), kAllRestored);  // a second time: nothing done
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_NE(lines_[0].find("rolled back already"), std::string::npos);
  }
}

TEST_F(BackupTest, AFileChangedSinceTheRunIsLeftAloneUnlessForced) {
  const Tree before = Files();
  {
    BackupEnv backup(&faults_, kLog);
    backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");
    backup.CopyFile("C:\\TOOLS\\Vaxo_Value.dat", "C:\\INST\\$NEW.DAT");
    backup.SetArchiveOnly("C:\\INST\\$C.DAT");
  }
  mem_.AddFile("C:\\INST\\$a.dat", "a person's\r\n");
  mem_.AddFile("C:\\INST\\$NEW.DAT", "another run's\r\n");
  EXPECT_EQ(RollBack(), kSomeLeftAlone);
  EXPECT_EQ(lines_,
            (std::vector<std::string>{
                "attributes C:\\INST\\$C.DAT",
                "left alone C:\\INST\\$NEW.DAT: changed since the run (--force removes it)",
                "left alone C:\\INST\\$a.dat: changed since the run (--force restores it)",
                "rollback of 000001-20261208-144134: 0 restored, 0 removed, 1 with attributes set "
                "back, 2 left alone"}));
  EXPECT_EQ(mem_.FileContent("C:\\INST\\$a.dat"), "a person's\r\n");
  EXPECT_EQ(RollBack(/*force=*/true), kAllRestored);
  EXPECT_EQ(lines_.size(), 3u);  // the two left alone before, and the summary
  EXPECT_EQ(Files(), before);
}

TEST_F(BackupTest, ATornLastLineIsLeftOutAndTheRestStands) {
  const Tree before = Files();
  std::string set;
  {
    BackupEnv backup(&faults_, kLog);
    set = backup.set_folder();
    backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");
  }
  mem_.AppendFile(JournalOf(set), "{\"kind\":\"change\",\"pa");  // killed while writing
  std::vector<nlohmann::json> records;
  ASSERT_TRUE(Journal::Read(&mem_, JournalOf(set), &records).ok());
  EXPECT_EQ(records.size(), 3u);  // the run, the folder, the change
  EXPECT_EQ(RollBack(), kAllRestored);
  EXPECT_EQ(Files(), before);
  // The rollback's own lines start on a line of their own: the set still
  // reads, and a later run's set is not blocked by it.
  SetInfo info;
  ASSERT_TRUE(ReadSetInfo(&mem_, set, &info).ok());
  EXPECT_TRUE(info.rolled_back);
  {
    BackupEnv backup(&faults_, kLog);
    backup.ReplaceFile("C:\\INST\\$B.DAT", "run\r\n");
  }
  EXPECT_EQ(RollBack(), kAllRestored) << lines_.back();
  EXPECT_EQ(Files(), before);
}

TEST_F(BackupTest, ADamagedSetIsListedAsSuchAndBlocksNoOther) {
  std::string damaged;
  {
    BackupEnv backup(&faults_, kLog);
    damaged = backup.set_folder();
    backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");
  }
  mem_.AppendFile(JournalOf(damaged), "{\"kind\":\"ch\n{\"kind\":\"end\"}\n");
  {
    BackupEnv backup(&faults_, kLog);
    backup.ReplaceFile("C:\\INST\\$B.DAT", "run\r\n");
  }
  std::vector<SetInfo> sets;
  ASSERT_TRUE(ListSets(&mem_, kLog, &sets).ok());
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_NE(sets[0].damaged.find("line 4 of the journal is damaged"), std::string::npos)
      << sets[0].damaged;
  EXPECT_EQ(sets[1].damaged, "");
  EXPECT_EQ(RollBack(), kAllRestored);
  EXPECT_EQ(mem_.FileContent("C:\\INST\\$b.dat"), "b\r\n");
  lines_.clear();
  EXPECT_EQ(Rollback(&mem_, damaged, false, &lines_), kRollbackFailed);
  EXPECT_EQ(mem_.FileContent("C:\\INST\\$a.dat"), "run\r\n");
}

TEST_F(BackupTest, ABackupThatCannotBeWrittenStopsBeforeTheChange) {
  BackupEnv backup(&faults_, kLog);
  faults_.set_hook([](const std::string& op, const std::string& path) {
    return op == "append" && path.find("journal") != std::string::npos
               ? Status::IOError(op, path, "No space left on device")
               : Status::OK();
  });
  try {
    backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");
    FAIL() << "no stop";
  } catch (const RunError& e) {
    EXPECT_EQ(std::string(e.what()),
              "backup " + JournalOf(backup.set_folder()) + ": No space left on device");
  }
  EXPECT_EQ(mem_.FileContent("C:\\INST\\$a.dat"), "a\r\n");
}

// Lists a folder's entries in an order of its own, as a disk may.
class ShuffledListing : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  Status ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override {
    Status s = EnvWrapper::ListDirectory(dir, entries);
    std::shuffle(entries->begin(), entries->end(), rng_);
    return s;
  }

 private:
  std::mt19937 rng_{11};
};

TEST_F(BackupTest, SetsComeBackInTheOrderOfTheirRunsWhateverTheClock) {
  ShuffledListing shuffled(&faults_);
  // Sets of an earlier version, named by the time alone, came first.
  for (const char* old : {"20261209-003559-10", "20261209-003559", "20261209-003559-2"})
    mem_.AddDirectory(std::string("C:\\LOG\\Upgrade_vaxo.backup\\") + old);
  std::vector<std::string> expected = {"20261209-003559", "20261209-003559-2",
                                       "20261209-003559-10"};
  // Twelve runs within one second, then two after the clock went back.
  for (int run = 0; run < 14; ++run) {
    mem_.set_sortable_time(run < 12 ? "20261210-120000" : "20261201-000000");
    BackupEnv backup(&shuffled, kLog);
    expected.push_back(backup.set_folder().substr(backup.set_folder().rfind('\\') + 1));
  }
  EXPECT_EQ(expected[3], "000001-20261210-120000");
  EXPECT_EQ(expected.back(), "000014-20261201-000000");
  std::vector<SetInfo> sets;
  ASSERT_TRUE(ListSets(&shuffled, kLog, &sets).ok());
  std::vector<std::string> names;
  for (const auto& s : sets) names.push_back(s.name);
  EXPECT_EQ(names, expected);
  EXPECT_EQ(sets[3].folder, "C:\\LOG\\Upgrade_vaxo.backup\\000001-20261210-120000");
  EXPECT_FALSE(sets[3].ended);
  try {
    BackupEnv backup(&faults_, kLog);
    backup.ExitProcess(2);
  } catch (const ProcessExit& e) {
    EXPECT_EQ(e.code, 2);
  }
  ASSERT_TRUE(ListSets(&shuffled, kLog, &sets).ok());
  EXPECT_TRUE(sets.back().ended);
  EXPECT_EQ(sets.back().exit_code, 2);
}

TEST(JournalText, BytesRoundTripThroughJson) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += char(c);
  const nlohmann::json j = {{"path", Latin1ToUtf8(all)}};
  EXPECT_EQ(Utf8ToLatin1(nlohmann::json::parse(j.dump())["path"].get<std::string>()), all);
  EXPECT_NE(Fingerprint("a"), Fingerprint("b"));
  EXPECT_NE(Fingerprint(std::string("\0", 1)), Fingerprint(""));
}

}  // namespace
}  // namespace backup
}  // namespace vaxo
