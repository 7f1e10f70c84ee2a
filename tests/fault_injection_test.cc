// Whole runs of the sample pair with one platform operation failing at a
// time. A clean run first counts the operations and records every state each
// file passes through; then run k fails the k-th operation. Whatever fails,
// the run must end (no crash), every file must hold one of the states of the
// clean run (never a part), the log must say what happened and the exit code
// must tell the failure apart from success. First on the in-memory file
// system over every operation, then on the real POSIX backend with a write
// that runs out of space in the middle of a file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "app/progress_view.h"
#include "app/tav_c1.h"
#include "backup/backup_sets.h"
#include "backup/rollback.h"
#include "base/exit_code.h"
#include "base/text.h"
#include "log/log_buch.h"
#include "platform/env_posix.h"
#include "platform/env_wrapper.h"
#include "platform/mem_env.h"
#include "platform/posix_sys.h"
#include "tests/sanitized.h"
#include "tests/support/fault_env.h"
#include "tools/valxfer/valxfer.h"

namespace vaxo {
namespace {

namespace fs = std::filesystem;

using FileMap = std::map<std::string, std::string>;  // upper-cased path -> bytes

const char* const kLogDir = "C:\\ZEL\\ROBOTER\\LOG";
const char* const kLog = "C:\\ZEL\\ROBOTER\\LOG\\UPGRADE_VAXO.LOG";
const char* const kRootLog = "C:\\UPGRADE_VAXO.LOG";
// The report the run writes beside its log at its end.
const char* const kReportJson = "C:\\ZEL\\ROBOTER\\LOG\\UPGRADE_VAXO.JSON";
const char* const kReportHtml = "C:\\ZEL\\ROBOTER\\LOG\\UPGRADE_VAXO.HTML";
const char* const kValueFile = "C:\\TOOLS\\VAXO_VALUE.TMP";
const char* const kStaleLog = "stale entry of an earlier run\r\n";

class QuietView : public ProgressView {
 public:
  void Show(float, float, float) override {}
  void SetCaption(const std::string&) override {}
  void SetValue(float) override {}
};

std::string ReadHostFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Every regular file below the host folder `host`, added below `win`.
void LoadTree(MemEnv& env, const fs::path& host, const std::string& win) {
  for (const auto& e : fs::recursive_directory_iterator(host)) {
    if (!e.is_regular_file() || e.path().filename() == ".gitattributes") continue;
    std::string rel = fs::relative(e.path(), host).string();
    for (char& c : rel) {
      if (c == '/') c = '\\';
    }
    env.AddFile(win + "\\" + rel, ReadHostFile(e.path()));
  }
}

// The logbook is one object for the process; each run starts from a
// logbook that is off and has no file, as in a fresh process.
void ResetLogBook() {
  MemEnv scratch;
  Env* previous = Env::SetDefault(&scratch);
  LogBuch().SetSink([](const std::string&) {});
  LogBuch().LogFile("");
  LogBuch().LogState(false);
  LogBuch().SetSink(nullptr);
  Env::SetDefault(previous);
}

struct Op {
  std::string op, path;
  bool in_child = false;
};

struct Outcome {
  bool exited = false;
  int code = -1;
  std::string std_err;
  std::vector<Op> ops;
};

// Runs StartUpgrade on `env` (already the default) to its end.
Outcome RunFrame(Env* env, std::vector<Op>* ops) {
  Outcome out;
  QuietView view;
  ProgressView* previous_view = CurrentProgressView();
  SetProgressView(&view);
  ResetLogBook();
  ExitCode = 0;
  try {
    TAV_C1 form(env);
    form.Load();
    form.StartUpgrade();
  } catch (const ProcessExit& e) {
    out.exited = true;
    out.code = e.code;
  }
  SetProgressView(previous_view);
  ResetLogBook();
  out.ops = *ops;
  return out;
}

// The command line tail a child gets: its command line after the program.
std::string ChildTail(const std::string& application, const std::string& cmdline) {
  return cmdline.compare(0, application.size(), application) == 0
             ? cmdline.substr(application.size())
             : cmdline;
}

// --- in memory --------------------------------------------------------------

// The two installations, every file with its bytes and attributes.
using Tree = std::map<std::string, std::pair<std::string, uint32_t>>;

struct MemRun {
  Outcome out;
  FileMap initial;                                      // before the run, logs left out
  FileMap files;                                        // after the run, logs left out
  std::string log;                                      // the log file the run chose
  std::string log_path;                                 // its upper-cased path
  std::string report_json;                              // written beside the log
  std::map<std::string, std::set<std::string>> states;  // clean run only
  Tree before, rolled_back;  // the installations before the run, after its rollback
  int rollback_code = -1;
  std::vector<std::string> rollback_lines;
};

// Where the backup sets go, beside the log in either place.
bool InBackups(const std::string& upper_path) {
  return upper_path.rfind("C:\\ZEL\\ROBOTER\\LOG\\UPGRADE_VAXO.BACKUP", 0) == 0 ||
         upper_path.rfind("C:\\UPGRADE_VAXO.BACKUP", 0) == 0;
}

FileMap Files(const MemEnv& env) {
  FileMap m;
  for (const std::string& p : env.FilesBelow("C:\\")) {
    const std::string key = UCase(p);
    if (key == kLog || key == kRootLog || InBackups(key)) continue;
    if (key == kReportJson || key == kReportHtml) continue;
    if (key == "C:\\UPGRADE_VAXO.JSON" || key == "C:\\UPGRADE_VAXO.HTML") continue;
    m[key] = env.FileContent(p);
  }
  return m;
}

Tree Installations(const MemEnv& env) {
  Tree tree;
  for (const char* root : {"C:\\OLD", "C:\\NEW"})
    for (const std::string& p : env.FilesBelow(root))
      tree[p] = {env.FileContent(p), env.Attributes(p)};
  return tree;
}

// Takes the newest backup set beside the run's log back, past every fault.
void RollBackNewest(MemEnv& env, MemRun* run) {
  std::vector<backup::SetInfo> sets;
  ASSERT_TRUE(backup::ListSets(&env, run->log_path, &sets).ok());
  if (sets.empty()) {
    run->rollback_code = 0;  // stopped before its set was made, before any change
  } else {
    run->rollback_code = backup::Rollback(&env, sets.back().folder, false, &run->rollback_lines);
  }
  run->rolled_back = Installations(env);
}

// `fail_at` 0: no fault; `record` keeps every state of every file.
MemRun RunInMemory(long fail_at, bool record) {
  MemEnv env;
  const fs::path src = VAXO_SOURCE_DIR;
  LoadTree(env, src / "sample" / "old", "C:\\OLD");
  LoadTree(env, src / "sample" / "new", "C:\\NEW");
  env.AddFile("C:\\TOOLS\\Vaxo_Value.dat",
              ReadHostFile(src / "tools" / "valxfer" / "Vaxo_Value.dat"));
  env.AddDirectory(kLogDir);
  env.AddFile(std::string(kLogDir) + "\\Upgrade_vaxo.log", kStaleLog);
  env.set_program_directory("C:\\TOOLS");
  env.set_command_line_tail("C:\\OLD|C:\\NEW");

  FaultEnv faults(&env);
  MemRun run;
  bool in_child = false;
  env.set_child_hook([&](const std::string& application, const std::string& cmdline) {
    // A child is a process of its own, past the run's backup: what fails in
    // it ends it with a code that the upgrade does not look at.
    ScopedDefaultEnv child(&faults);
    in_child = true;
    const int code = RunValXfer(ChildTail(application, cmdline)).exit_code;
    in_child = false;
    return code;
  });
  std::vector<Op> ops;
  auto remember = [&] {
    for (auto& kv : Files(env)) run.states[kv.first].insert(kv.second);
  };
  faults.set_hook([&](const std::string& op, const std::string& path) {
    ops.push_back({op, path, in_child});
    if (record) remember();
    if (long(ops.size()) == fail_at) return Status::IOError(op, path, "injected fault");
    return Status::OK();
  });

  run.initial = Files(env);
  run.before = Installations(env);
  Env* previous = Env::SetDefault(&faults);
  run.out = RunFrame(&faults, &ops);
  Env::SetDefault(previous);
  if (record) remember();
  run.out.std_err = env.std_err();
  run.files = Files(env);
  run.log_path = env.FileExists(kRootLog) ? kRootLog : kLog;
  run.log = env.FileContent(run.log_path);
  run.report_json = env.FileContent(kReportJson);
  RollBackNewest(env, &run);
  return run;
}

std::string ErrorEntry(const std::string& m) { return "!!! " + m + " !!!\r\n"; }

bool EndsWithText(const std::string& s, const std::string& tail) { return EndsWith(s, tail); }

// Operations whose failure the system takes as a result and goes on:
// a file that seems missing, a listing that finds nothing, a file the
// attribute clean-up skips, a child that does not start.
bool IsResultKind(const Op& f) {
  // The backup's look at what the value-transfer tool wrote (it names the
  // file as the tool's command line does): unread, it is not known.
  const bool after_tool = f.op == "read" && f.path.find("\\STEU\\Vaxo\\") != std::string::npos;
  // The backup's last line, how the run ended: the run ends all the same;
  // its look at the log's first line, which only names the set.
  const bool end_line = f.op == "append" && InBackups(UCase(f.path));
  const bool log_header = f.op == "read" && (UCase(f.path) == kLog || UCase(f.path) == kRootLog);
  return f.in_child || after_tool || end_line || log_header || f.op == "attributes" ||
         f.op == "list" || f.op == "set-attributes" || f.op == "run";
}

TEST(FaultInjection, EveryOperationOfASampleRunFailingOnce) {
  const MemRun clean = RunInMemory(0, true);
  ASSERT_TRUE(clean.out.exited);
  ASSERT_EQ(clean.out.code, 2) << clean.log;
  ASSERT_EQ(clean.log_path, kLog);
  ASSERT_TRUE(EndsWithText(clean.log, "-- ENDE  (ExitCode=2) --\r\n------------------------\r\n"));
  const long total = long(clean.out.ops.size());
  ASSERT_GT(total, 50);
  // The report comes after the log's last entry: every operation after the
  // closing entry's append is the report's.
  long report_from = 0;
  for (long k = 1; k <= total; ++k) {
    const Op& o = clean.out.ops[size_t(k - 1)];
    if (o.op == "append" && UCase(o.path) == kLog) report_from = k + 1;
  }
  ASSERT_LT(report_from, total);
  ASSERT_NE(clean.report_json.find("\"exit_code\":2,"), std::string::npos) << clean.report_json;

  const MemRun untouched = RunInMemory(total + 1, false);  // same inputs, no fault reached
  EXPECT_EQ(untouched.files, clean.files);

  std::set<std::string> kinds_seen, kinds_failed_as_result, kinds_stopping, kinds_in_report;
  int stopped = 0, went_on = 0, other_states = 0;
  for (long k = 1; k <= total; ++k) {
    const MemRun r = RunInMemory(k, false);
    const Op& f = clean.out.ops[size_t(k - 1)];
    SCOPED_TRACE("fault " + std::to_string(k) + ": " + f.op + " " + f.path +
                 (f.in_child ? " (child)" : ""));
    kinds_seen.insert(f.op);
    ASSERT_TRUE(r.out.exited);
    ASSERT_GE(long(r.out.ops.size()), k);
    ASSERT_EQ(r.out.ops[size_t(k - 1)].op, f.op);  // the run is the same up to the fault

    if (k >= report_from) {
      // A fault while the report is written, or the backup's last line,
      // changes nothing of the run.
      kinds_in_report.insert(f.op);
      EXPECT_EQ(r.out.code, clean.out.code);
      EXPECT_EQ(r.log, clean.log);
      EXPECT_EQ(r.files, clean.files);
      EXPECT_EQ(r.out.std_err, clean.out.std_err);
      EXPECT_EQ(r.rollback_code, backup::kAllRestored);
      EXPECT_EQ(r.rolled_back, r.before);
      if (::testing::Test::HasFailure()) break;
      continue;
    }

    // A fault in writing the backup set stops the run naming the set's file.
    const bool in_set = InBackups(UCase(f.path));
    const std::string stop = "Run stopped: " + (in_set ? std::string("backup") : f.op) + " " +
                             f.path + ": injected fault";
    if (r.out.code == 3) {
      ++stopped;
      kinds_stopping.insert(f.op);
      EXPECT_FALSE(f.in_child) << "a failure inside the child stopped the upgrade";
      EXPECT_EQ(r.out.std_err, "upgrade_vaxo: " + stop + "\n");
      EXPECT_EQ(r.log.find("ENDE"), std::string::npos);
      // A fault on the old log itself leaves it as it was.
      const bool log_started = UCase(f.path) != kLog || f.op == "append";
      if (log_started) {
        EXPECT_TRUE(EndsWithText(r.log, ErrorEntry(stop))) << r.log;
      } else {
        EXPECT_EQ(r.log, kStaleLog);  // the old log could not be removed: left as it was
      }
    } else {
      ++went_on;
      kinds_failed_as_result.insert(f.op);
      EXPECT_TRUE(IsResultKind(f)) << "exit " << r.out.code << "\n" << r.log;
      EXPECT_TRUE(r.out.code == 0 || r.out.code == 1 || r.out.code == 2);
      EXPECT_TRUE(EndsWithText(r.log, "-- ENDE  (ExitCode=" + std::to_string(r.out.code) +
                                          ") --\r\n------------------------\r\n"))
          << r.log;
      EXPECT_EQ(r.log.find("Run stopped"), std::string::npos);
      EXPECT_EQ(r.out.std_err, "");
      // What the fault changed in the files shows in the log.
      if (r.files != clean.files && r.out.code == clean.out.code && !f.in_child && f.op != "run") {
        EXPECT_NE(r.log, clean.log);
      }
    }
    // A log that was started holds nothing of an earlier run.
    if (r.log != kStaleLog) {
      EXPECT_EQ(r.log.find(kStaleLog), std::string::npos) << r.log.substr(0, 80);
    }

    // Every file holds one of the states it had in the clean run.
    for (const auto& kv : r.files) {
      if (kv.first == kValueFile) {
        // The working file of the shift stays when the run stops between
        // its copy and its removal; the next run copies over it.
        EXPECT_EQ(r.out.code, 3);
        continue;
      }
      auto it = clean.states.find(kv.first);
      ASSERT_NE(it, clean.states.end()) << "unexpected file " << kv.first;
      if (it->second.count(kv.second)) continue;
      // A fault taken as a result changes what the rest of the run does
      // (a controller file that seemed missing still gets the shifted
      // variables), as the same missing file would; the run then says so.
      const bool noted = kv.first == "C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\$MACHINE.DAT" &&
                         r.out.code != 3 && r.out.code != 0 && r.log != clean.log;
      EXPECT_TRUE(noted) << kv.first << " holds a state no clean run has:\n" << kv.second;
      ++other_states;
    }
    for (const auto& kv : clean.initial) {
      EXPECT_TRUE(r.files.count(kv.first)) << kv.first << " is gone";
      if (kv.first.compare(0, 7, "C:\\OLD\\") == 0) {
        EXPECT_EQ(r.files.at(kv.first), kv.second);  // the old installation is only read
      }
    }
    // Whatever failed, the backup set takes both installations back.
    EXPECT_EQ(r.rollback_code, backup::kAllRestored);
    EXPECT_EQ(r.rolled_back, r.before);
    if (r.rollback_code != backup::kAllRestored) {
      for (const auto& l : r.rollback_lines) ADD_FAILURE() << l;
    }
    if (::testing::Test::HasFailure()) break;  // one broken run says enough
  }
  // Every kind the run uses; a file's size is no longer asked for, as a text
  // file is read in one operation.
  const std::set<std::string> all = {"list",   "attributes", "set-attributes", "read", "replace",
                                     "append", "copy",       "delete",         "lock", "mkdir",
                                     "run"};
  EXPECT_EQ(kinds_seen, all);
  // append: the backup's last line; list: the report looks for the backup set.
  const std::set<std::string> report_kinds = {"append", "list", "read", "replace"};
  EXPECT_EQ(kinds_in_report, report_kinds);
  std::string s, t, u, v;
  for (const auto& k : kinds_seen) s += " " + k;
  for (const auto& k : kinds_stopping) t += " " + k;
  for (const auto& k : kinds_failed_as_result) u += " " + k;
  for (const auto& k : kinds_in_report) v += " " + k;
  std::printf(
      "[ faults   ] %ld injected faults (one per operation of the clean run): %d stopped the run "
      "with 3, %d were taken as results, %ld hit the report and changed nothing\n"
      "[ faults   ] kinds hit:%s\n[ faults   ] stopping:%s\n"
      "[ faults   ] taken as results:%s\n[ faults   ] in the report:%s\n"
      "[ faults   ] runs with a file in a state of its own: %d\n"
      "[ faults   ] after each, the rollback gave both installations back as they were\n",
      total, stopped, went_on, total - report_from + 1, s.c_str(), t.c_str(), u.c_str(), v.c_str(),
      other_states);
}

// --- on disk ------------------------------------------------------------------

// The POSIX backend with the program's folder, its command line and the
// value-transfer child put in the test's hands (the child runs in-process,
// on this backend, with the same fault hook).
class DiskEnv : public EnvWrapper {
 public:
  explicit DiskEnv(PosixEnv* posix) : EnvWrapper(posix) {}
  std::string program_directory, command_line;
  bool in_child = false;
  std::string ProgramDirectory() override { return program_directory; }
  std::string CommandLineTail() override { return command_line; }
  int RunAndWait(const std::string& application, const std::string& cmdline,
                 Status* start_error) override {
    ScopedDefaultEnv child(this);  // a process of its own, past the run's backup
    in_child = true;
    const int code = RunValXfer(ChildTail(application, cmdline)).exit_code;
    in_child = false;
    if (start_error) *start_error = Status::OK();
    return code;
  }
  void DoExitProcess(int code) override { throw ProcessExit{code}; }
  Status WriteStd(int stream, const std::string& bytes) override {
    if (stream == 2) std_err += bytes;
    return Status::OK();
  }
  std::string std_err;
};

std::string WinPath(const fs::path& host) {
  std::string w = "Z:";
  for (char c : host.string()) w += c == '/' ? '\\' : c;
  return w;
}

FileMap DiskFiles(const fs::path& root, std::vector<std::string>* temps) {
  FileMap m;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    const std::string rel = fs::relative(e.path(), root).string();
    if (e.path().filename().string().find("vaxo-") != std::string::npos) temps->push_back(rel);
    if (rel == "drive_c/zel/roboter/log/Upgrade_vaxo.log") continue;
    if (rel.rfind("drive_c/zel/roboter/log/Upgrade_vaxo.backup/", 0) == 0) continue;
    if (rel.size() > 5 && rel.compare(rel.size() - 5, 5, ".lock") == 0) continue;
    if (rel == "drive_c/zel/roboter/log/Upgrade_vaxo.html") continue;
    if (rel == "drive_c/zel/roboter/log/Upgrade_vaxo.json") continue;
    m[rel] = ReadHostFile(e.path());
  }
  return m;
}

// The installations on disk: every file's bytes and mode.
using DiskTree = std::map<std::string, std::pair<std::string, unsigned>>;

DiskTree Installations(const fs::path& root) {
  DiskTree tree;
  for (const char* dir : {"old", "new"}) {
    for (const auto& e : fs::recursive_directory_iterator(root / dir)) {
      if (!e.is_regular_file()) continue;
      tree[fs::relative(e.path(), root).string()] = {ReadHostFile(e.path()),
                                                     unsigned(e.status().permissions())};
    }
  }
  return tree;
}

struct DiskRun {
  Outcome out;
  FileMap files;
  DiskTree before, rolled_back;
  int rollback_code = -1;
  std::string log;
  std::vector<std::string> temps;
  long writes = 0;
  std::vector<long> report_writes;  // numbers of the writes of the report's two files
  std::string report_json;
  std::map<std::string, std::set<std::string>> states;
};

class ScopedTemp {
 public:
  ScopedTemp() {
    std::random_device rd;
    root_ =
        fs::temp_directory_path() / ("vaxo_fault_" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(root_);
  }
  ~ScopedTemp() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  const fs::path& root() const { return root_; }

 private:
  fs::path root_;
};

// `fail_write` 0: no fault; otherwise the fail_write-th write() call finds
// the disk full.
DiskRun RunOnDisk(const fs::path& root, long fail_write, bool record) {
  for (const auto& e : fs::directory_iterator(root)) fs::remove_all(e.path());
  const fs::path src = VAXO_SOURCE_DIR;
  fs::copy(src / "sample", root, fs::copy_options::recursive);
  fs::remove(root / ".gitattributes");
  fs::create_directories(root / "drive_c" / "zel" / "roboter" / "log");
  fs::create_directories(root / "prog");
  fs::copy_file(src / "tools" / "valxfer" / "Vaxo_Value.dat", root / "prog" / "Vaxo_Value.dat");

  const char* saved = getenv("VAXO_DRIVE_C");
  const std::string saved_c = saved ? saved : "";
  setenv("VAXO_DRIVE_C", (root / "drive_c").c_str(), 1);

  PosixEnv posix;
  DiskEnv env(&posix);
  env.program_directory = WinPath(root / "prog");
  env.command_line = WinPath(root / "old") + "|" + WinPath(root / "new");
  DiskRun run;
  std::vector<Op> ops;
  std::vector<std::string> ignored;
  // Writes of 32 bytes, so that a failure can strike in the middle of a file.
  sys::SetHook([&](const char* call, const std::string& host) {
    const std::string op = call;
    ops.push_back({op, host, env.in_child});
    if (record) {
      for (auto& kv : DiskFiles(root, &ignored)) run.states[kv.first].insert(kv.second);
    }
    sys::Fault f;
    if (op == "write") {
      f.max_write = 32;
      ++run.writes;
      if (host.find("Upgrade_vaxo.html") != std::string::npos ||
          host.find("Upgrade_vaxo.json") != std::string::npos)
        run.report_writes.push_back(run.writes);
      if (run.writes == fail_write) f.error = ENOSPC;
    }
    return f;
  });
  run.before = Installations(root);
  Env* previous = Env::SetDefault(&env);
  run.out = RunFrame(&env, &ops);
  Env::SetDefault(previous);
  sys::SetHook(nullptr);
  run.files = DiskFiles(root, &run.temps);
  std::vector<backup::SetInfo> sets;
  std::vector<std::string> lines;
  const std::string log_path = "c:\\zel\\roboter\\log\\Upgrade_vaxo.log";
  if (backup::ListSets(&posix, log_path, &sets).ok())
    run.rollback_code =
        sets.empty() ? 0 : backup::Rollback(&posix, sets.back().folder, false, &lines);
  run.rolled_back = Installations(root);
  if (saved) {
    setenv("VAXO_DRIVE_C", saved_c.c_str(), 1);
  } else {
    unsetenv("VAXO_DRIVE_C");
  }
  run.out.std_err = env.std_err;
  if (record) {
    for (auto& kv : run.files) run.states[kv.first].insert(kv.second);
  }
  run.log = ReadHostFile(root / "drive_c" / "zel" / "roboter" / "log" / "Upgrade_vaxo.log");
  run.report_json =
      ReadHostFile(root / "drive_c" / "zel" / "roboter" / "log" / "Upgrade_vaxo.json");
  return run;
}

// Splits a log into its entries: each begins with a line that does not
// start with "-" and is not empty, or with the empty line of a title.
std::vector<std::string> Entries(const std::string& log) {
  std::vector<std::string> entries;
  size_t pos = 0;
  while (pos < log.size()) {
    size_t end;
    if (log.compare(pos, 2, "\r\n") == 0) {  // a title: empty line and three more
      end = pos + 2;
      for (int i = 0; i < 3 && end != std::string::npos; ++i) {
        end = log.find("\r\n", end);
        if (end != std::string::npos) end += 2;
      }
    } else {
      end = log.find("\r\n", pos);
      if (end != std::string::npos) end += 2;
    }
    if (end == std::string::npos) end = log.size();
    entries.push_back(log.substr(pos, end - pos));
    pos = end;
  }
  return entries;
}

TEST(FaultInjection, DiskFullInTheMiddleOfEveryWriteOnDisk) {
  ScopedTemp tmp;
  const DiskRun clean = RunOnDisk(tmp.root(), 0, true);
  ASSERT_TRUE(clean.out.exited);
  ASSERT_EQ(clean.out.code, 2) << clean.log;
  ASSERT_TRUE(clean.temps.empty());
  ASSERT_NE(clean.report_json.find("\"exit_code\":2,"), std::string::npos) << clean.report_json;
  ASSERT_GT(clean.report_writes.size(), 2u);
  const std::set<long> report_writes(clean.report_writes.begin(), clean.report_writes.end());
  const std::vector<std::string> clean_entries = Entries(clean.log);
  std::set<std::string> stopped_in;
  long partial_writes = 0;
  std::set<std::string> kinds;
  for (const Op& o : clean.out.ops) kinds.insert(o.op);

  // Under the sanitizers every third write, to keep the suite short.
  const long stride = kSanitized ? 3 : 1;
  // The report's writes come last, hundreds of 32-byte pieces: a few of
  // them, the first and last of each file among them, show that a full disk
  // there changes nothing of the run.
  const long report_stride = long(report_writes.size()) / 8 + 1;
  long injected = 0, in_report = 0;
  for (long k = 1; k <= clean.writes; ++k) {
    const bool report_write = report_writes.count(k) > 0;
    if (report_write) {
      const bool edge = !report_writes.count(k - 1) || !report_writes.count(k + 1);
      if (!edge && k % report_stride != 0) continue;
    } else if ((k - 1) % stride != 0) {
      continue;
    }
    ++injected;
    SCOPED_TRACE("write " + std::to_string(k) + " of " + std::to_string(clean.writes));
    const DiskRun r = RunOnDisk(tmp.root(), k, false);
    ASSERT_TRUE(r.out.exited);
    EXPECT_TRUE(r.temps.empty()) << r.temps.front();
    // Find the faulted write among the operations.
    long seen = 0;
    const Op* f = nullptr;
    bool first_chunk = true;
    for (size_t i = 0; i < r.out.ops.size(); ++i) {
      if (r.out.ops[i].op != "write") continue;
      if (++seen == k) {
        f = &r.out.ops[i];
        first_chunk = i == 0 || r.out.ops[i - 1].op != "write";
        break;
      }
    }
    ASSERT_NE(f, nullptr);
    if (!first_chunk) ++partial_writes;
    const bool in_set = f->path.find("Upgrade_vaxo.backup") != std::string::npos;
    const bool end_line =
        in_set && r.out.code == clean.out.code &&
        r.log.substr(r.log.find("\r\n")) == clean.log.substr(clean.log.find("\r\n"));
    if (report_write) {
      ++in_report;
      EXPECT_EQ(r.out.code, clean.out.code);
      // The same log but for the header's time.
      const std::vector<std::string> e = Entries(r.log);
      EXPECT_EQ(std::vector<std::string>(e.begin() + 1, e.end()),
                std::vector<std::string>(clean_entries.begin() + 1, clean_entries.end()));
      EXPECT_EQ(r.files, clean.files);
      EXPECT_EQ(r.out.std_err, clean.out.std_err);
      EXPECT_EQ(r.rollback_code, 0);
      EXPECT_EQ(r.rolled_back, r.before);
      if (::testing::Test::HasFailure()) break;
      continue;
    }
    if (f->in_child || end_line) {
      // The child's failure is its own; the upgrade goes on as after any
      // exit code of the tool. The backup's last line comes after the run.
      EXPECT_EQ(r.out.code, 2);
    } else {
      EXPECT_EQ(r.out.code, 3) << r.log;
      EXPECT_NE(r.out.std_err.find(": No space left on device\n"), std::string::npos)
          << r.out.std_err;
      stopped_in.insert(in_set                                                  ? "backup"
                        : f->path.find("Upgrade_vaxo.log") != std::string::npos ? "log"
                                                                                : "data");
    }
    // Whatever failed, the backup set takes both installations back.
    EXPECT_EQ(r.rollback_code, 0);
    EXPECT_EQ(r.rolled_back, r.before);
    // The log holds whole entries only; all but the last (when the run
    // stopped) are entries of the clean run, in order.
    const std::vector<std::string> e = Entries(r.log);
    ASSERT_FALSE(e.empty());
    EXPECT_TRUE(EndsWithText(r.log, "\r\n")) << r.log;
    const size_t same = r.out.code == 3 ? e.size() - 1 : e.size();
    if (!f->in_child) {
      for (size_t i = 1; i < same && i < clean_entries.size(); ++i) {
        EXPECT_EQ(e[i], clean_entries[i]) << "entry " << i;
      }
      if (r.out.code == 3) {
        EXPECT_EQ(e.back().compare(0, 17, "!!! Run stopped: "), 0) << e.back();
      }
    }
    for (const auto& kv : r.files) {
      auto it = clean.states.find(kv.first);
      if (kv.first == "prog/Vaxo_Value.tmp") continue;  // see the test in memory
      ASSERT_NE(it, clean.states.end()) << "unexpected file " << kv.first;
      EXPECT_TRUE(it->second.count(kv.second)) << kv.first << " is partly written:\n" << kv.second;
    }
    if (::testing::Test::HasFailure()) break;
  }
  std::string s;
  for (const auto& k : kinds) s += " " + k;
  std::printf(
      "[ faults   ] on disk: %ld write faults of %ld writes (32-byte writes, %ld of them after the "
      "first piece of a file; %ld of the report's %zu, which changed nothing); stopped in:%s%s%s, "
      "each rolled back\n[ faults   ] system calls of the run:%s\n",
      injected, clean.writes, partial_writes, in_report, report_writes.size(),
      stopped_in.count("log") ? " log" : "", stopped_in.count("backup") ? " backup" : "",
      stopped_in.count("data") ? " data" : "", s.c_str());
}

}  // namespace
}  // namespace vaxo
