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
#include "base/text.h"
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
  const Status s = backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");
  EXPECT_TRUE(s.IsRefused());  // no part of the run takes it as a result
  EXPECT_EQ(s.ToString(), "backup " + JournalOf(backup.set_folder()) + ": No space left on device");
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

// A journal is a file anyone who can write the log's folder can add lines
// to: each forged line makes the rollback refuse the whole set, and no
// file changes.
TEST_F(BackupTest, ForgedJournalLinesAreRefusedAndNothingIsDone) {
  mem_.AddFile("C:\\OTHER\\$victim.dat", "victim\r\n");
  mem_.AddFile("C:\\OTHER\\victim.txt", "victim\r\n");
  mem_.AddFile("D:\\$victim4.dat", "victim\r\n");
  mem_.AddFile("C:\\LOG\\Upgrade_vaxo.log", "log\r\n");
  mem_.AddFile("C:\\LOG\\Upgrade_vaxo.log.lock", "");
  const char* kPre = R"({"pack":"pre-1","offset":0,"size":2,"attributes":32})";
  struct Forged {
    std::string lines, refused;
  } const rows[] = {
      {R"({"kind":"change","path":"C:\\OTHER\\$victim.dat","op":"replace","after":null,"before":)" +
           std::string(kPre) + "}",
       "C:\\OTHER\\$victim.dat: not in a machine-data folder the set names"},
      {R"({"kind":"change","path":"C:\\INST\\..\\OTHER\\$victim.dat","op":"copy","after":null,"before":"absent"})",
       "C:\\INST\\..\\OTHER\\$victim.dat: no full path without \".\" and \"..\""},
      {R"({"kind":"attributes","path":"D:\\$victim4.dat","before":1})",
       "D:\\$victim4.dat: not in a machine-data folder the set names"},
      {R"({"kind":"folder","path":"C:\\LOG"})"
       "\n"
       R"({"kind":"change","path":"C:\\LOG\\Upgrade_vaxo.log.lock","op":"copy","after":null,"before":"absent"})",
       "C:\\LOG: the log's folder"},
      {R"({"kind":"change","path":"C:\\INST\\$b.dat","op":"replace","after":null,"before":{"pack":"..\\..\\Upgrade_vaxo.log","offset":0,"size":5,"attributes":32}})",
       "pack ..\\..\\Upgrade_vaxo.log: no pack of the set"},
      {R"({"kind":"saved","pack":"pre-1","files":[{"path":"INST\\$c.dat","offset":0,"size":2,"attributes":32}]})",
       "INST\\$c.dat: no full path without \".\" and \"..\""},
      {R"({"kind":"folder","path":"C:\\OTHER"})"
       "\n"
       R"({"kind":"change","path":"C:\\OTHER\\victim.txt","op":"replace","after":null,"before":)" +
           std::string(kPre) + "}",
       "C:\\OTHER\\victim.txt: no data file ($*.dat, *.servo)"},
      {R"({"kind":"folder","path":"C:\\INST\\.\\"})",
       "C:\\INST\\.\\: a folder that is no full path without \".\" and \"..\""},
  };
  for (const Forged& row : rows) {
    SCOPED_TRACE(row.lines);
    std::string set;
    {
      BackupEnv backup(&faults_, kLog);
      set = backup.set_folder();
      backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");
    }
    mem_.AppendFile(JournalOf(set), row.lines + "\n");
    const Tree after_run = Files();
    EXPECT_EQ(RollBack(), kRollbackFailed);
    EXPECT_NE(std::find(lines_.begin(), lines_.end(), "refused    " + row.refused), lines_.end())
        << lines_.front();
    EXPECT_NE(lines_.back().find("refused"), std::string::npos);
    EXPECT_EQ(Files(), after_run);
    for (const char* victim :
         {"C:\\OTHER\\$victim.dat", "C:\\OTHER\\victim.txt", "D:\\$victim4.dat"})
      EXPECT_EQ(mem_.FileContent(victim), "victim\r\n") << victim;
    EXPECT_EQ(mem_.Attributes("D:\\$victim4.dat"), uint32_t(kAttrArchive));
    EXPECT_TRUE(mem_.FileExists("C:\\LOG\\Upgrade_vaxo.log.lock"));
    EXPECT_EQ(mem_.FileContent("C:\\LOG\\Upgrade_vaxo.log"), "log\r\n");
    mem_.AddFile("C:\\INST\\$a.dat", "a\r\n");  // as before the next row's run
  }
}

TEST_F(BackupTest, ADamagedPreImageIsNotRestoredAndTheOthersAre) {
  std::string set;
  {
    BackupEnv backup(&faults_, kLog);
    set = backup.set_folder();
    backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");  // its bytes go to pre-1
    backup.ReplaceFile("C:\\INST\\$B.DAT", "run\r\n");
  }
  mem_.AddFile(set + "\\pre-1", "X\r\n");  // one byte flipped
  EXPECT_EQ(RollBack(), kRollbackFailed);
  EXPECT_EQ(mem_.FileContent("C:\\INST\\$a.dat"), "run\r\n");
  EXPECT_EQ(mem_.FileContent("C:\\INST\\$b.dat"), "b\r\n");
  EXPECT_NE(std::find(lines_.begin(), lines_.end(),
                      "failed     C:\\INST\\$a.dat: read " + set +
                          "\\pre-1: the saved bytes are damaged (they differ from their "
                          "fingerprint)"),
            lines_.end())
      << lines_.front();
}

TEST_F(BackupTest, OnlyTheValueFileAndTheLogsOwnFilesAreTheRuns) {
  // The program kept in C:\ above the installation, the log beside it
  // (the program's folder as the system names it: "C:").
  const RunOwnFiles own(&mem_, "C:\\Upgrade_vaxo.log", "C:");
  for (const char* path :
       {"C:\\Upgrade_vaxo.log", "c:\\upgrade_vaxo.log.lock", "C:\\Upgrade_vaxo.html",
        "C:\\Upgrade_vaxo.json", "C:\\Upgrade_vaxo.backup\\000001-20261209-003559\\pre-1",
        "C:\\Upgrade_vaxo.backup.lock", "C:\\Vaxo_Value.tmp", "C:\\VAXO_VALUE.TMP.lock"})
    EXPECT_TRUE(own.Holds(path)) << path;
  for (const char* path : {"C:\\INST\\$a.dat", "C:\\Vaxo_Value.dat", "C:\\Upgrade_vaxo.servo",
                           "C:\\INST\\Upgrade_vaxo.log"})
    EXPECT_FALSE(own.Holds(path)) << path;
  // And the run's set holds the installation below the program's folder.
  mem_.set_program_directory("C:");
  const Tree before = Files();
  {
    BackupEnv backup(&faults_, "C:\\Upgrade_vaxo.log");
    backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");
    backup.ReplaceFile("C:\\Vaxo_Value.tmp", "values\r\n");
    // The log's entries pass unsaved; the file changed right after them is
    // the installation's all the same.
    backup.AppendFile("C:\\Upgrade_vaxo.log", "one\r\n");
    backup.AppendFile("C:\\Upgrade_vaxo.log", "two\r\n");
    backup.AppendFile("C:\\INST\\$d.dat", "more\r\n");
  }
  std::vector<SetInfo> sets;
  ASSERT_TRUE(ListSets(&mem_, "C:\\Upgrade_vaxo.log", &sets).ok());
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(Rollback(&mem_, sets[0].folder, false, &lines_), kAllRestored) << lines_.back();
  EXPECT_EQ(Files(), before);
  EXPECT_EQ(mem_.FileContent("C:\\Vaxo_Value.tmp"), "values\r\n");
}

// Sees the journal as a disk would after a power cut: only what was
// flushed. Every change must find its line there already.
class PowerCut : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  Status AppendFile(const std::string& path, const std::string& content) override {
    return EnvWrapper::AppendFile(path, content);  // in the cache only
  }
  Status AppendFileSynced(const std::string& path, const std::string& content) override {
    Status s = EnvWrapper::AppendFileSynced(path, content);
    if (path.find("journal") != std::string::npos) ReadFile(path, &flushed_);
    return s;
  }
  Status ReplaceFile(const std::string& path, const std::string& content) override {
    if (path.find("\\INST\\") != std::string::npos) Check(path);
    return EnvWrapper::ReplaceFile(path, content);
  }
  Status SetArchiveOnly(const std::string& path) override {
    Check(path);
    return EnvWrapper::SetArchiveOnly(path);
  }
  Status DeleteFile(const std::string& path) override {
    Check(path);
    return EnvWrapper::DeleteFile(path);
  }
  int checked = 0;

 private:
  void Check(const std::string& path) {
    ++checked;
    const std::string name = path.substr(path.rfind('\\') + 1);
    EXPECT_NE(UCase(flushed_).find(name), std::string::npos) << name << " changes before its line";
  }
  std::string flushed_;
};

TEST_F(BackupTest, EveryJournalLineIsFlushedBeforeItsChange) {
  PowerCut disk(&faults_);
  BackupEnv backup(&disk, kLog);
  backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");
  backup.SetArchiveOnly("C:\\INST\\$C.DAT");
  backup.DeleteFile("C:\\INST\\$D.DAT");
  EXPECT_EQ(disk.checked, 3);
}

TEST(PruneTest, KeepsTheNewestAndTheSetOfARunThatIsGoing) {
  struct Row {
    std::string ended;  // one letter a set, oldest first: e ended, u unfinished, d damaged
    size_t keep;
    bool held;
    std::vector<size_t> pruned;
  };
  for (const Row& row : std::vector<Row>{
           {"eeee", 2, false, {0, 1}},
           {"eeee", 0, false, {0, 1, 2, 3}},
           {"eeee", 9, false, {}},
           {"eeeu", 0, true, {0, 1, 2}},
           {"eeeu", 0, false, {0, 1, 2, 3}},  // killed, not going
           {"eueu", 1, true, {0, 1, 2}},
           {"eeud", 0, true, {0, 1, 3}},  // a damaged set tells nothing of its run
       }) {
    std::vector<SetInfo> sets(row.ended.size());
    for (size_t i = 0; i < sets.size(); ++i) {
      sets[i].ended = row.ended[i] == 'e';
      if (row.ended[i] == 'd') sets[i].damaged = "line 2 of the journal is damaged";
    }
    EXPECT_EQ(SetsToPrune(sets, row.keep, row.held), row.pruned)
        << row.ended << " keep " << row.keep << (row.held ? " held" : "");
  }
}

TEST_F(BackupTest, ASetIsRemovedWholeAndNothingElse) {
  for (const char* time : {"20261209-000001", "20261209-000002"}) {
    mem_.set_sortable_time(time);
    BackupEnv backup(&faults_, kLog);
    backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");
  }
  const Tree after = Files();
  std::vector<SetInfo> sets;
  ASSERT_TRUE(ListSets(&mem_, kLog, &sets).ok());
  ASSERT_EQ(sets.size(), 2u);
  mem_.SetAttributes(sets[0].folder + "\\pre-1", kAttrArchive | kAttrReadOnly);
  EXPECT_TRUE(RemoveSet(&mem_, sets[0].folder).ok());
  EXPECT_FALSE(mem_.DirectoryExists(sets[0].folder));
  mem_.AddDirectory(sets[1].folder + "\\sub");
  EXPECT_FALSE(RemoveSet(&mem_, sets[1].folder).ok());  // no set holds a folder: named, kept
  ASSERT_TRUE(ListSets(&mem_, kLog, &sets).ok());
  EXPECT_EQ(sets.size(), 1u);
  EXPECT_EQ(Files(), after);
}

// The rollback asks for the temporary files a stopped replace left beside
// each file its set names, and for none of a set it refuses.
class StrayTemporaries : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
  Status RemoveStrayTemporaries(const std::string& path,
                                std::vector<std::string>* removed) override {
    asked.push_back(path);
    if (path == "C:\\INST\\$a.dat") removed->push_back("C:\\INST\\$a.dat:vaxo-Ab12Cd");
    return Status::OK();
  }
  std::vector<std::string> asked;
};

TEST_F(BackupTest, TemporaryFilesOfAStoppedReplaceAreRemoved) {
  {
    BackupEnv backup(&faults_, kLog);
    backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");
    backup.SetArchiveOnly("C:\\INST\\$C.DAT");
  }
  StrayTemporaries temps(&faults_);
  std::vector<SetInfo> sets;
  ASSERT_TRUE(ListSets(&mem_, kLog, &sets).ok());
  EXPECT_EQ(Rollback(&temps, sets.back().folder, false, &lines_), kAllRestored);
  EXPECT_EQ(temps.asked, std::vector<std::string>{"C:\\INST\\$a.dat"});  // $C.DAT: attributes only
  EXPECT_EQ(lines_.at(0),
            "temporary  C:\\INST\\$a.dat:vaxo-Ab12Cd: left by a replace that was stopped; removed");

  {
    BackupEnv backup(&faults_, kLog);
    backup.ReplaceFile("C:\\INST\\$A.DAT", "run\r\n");
  }
  ASSERT_TRUE(ListSets(&mem_, kLog, &sets).ok());
  mem_.AppendFile(JournalOf(sets.back().folder),
                  "{\"kind\":\"change\",\"path\":\"C:\\\\OTHER\\\\$x.dat\",\"after\":null}\n");
  temps.asked.clear();
  EXPECT_EQ(Rollback(&temps, sets.back().folder, false, &lines_), kRollbackFailed);
  EXPECT_TRUE(temps.asked.empty());
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
