// Bad inputs of every kind, as whole runs of the real program on the sample
// pair with one thing spoilt. Each row says what it spoils and what the run
// must do: its exit code, an entry its log must hold, and what must (or must
// not) change on disk. No row may crash the program or leave a file half
// written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "base/text.h"
#include "log/log_buch.h"
#include "tests/e2e_harness.h"
#include "tests/sanitized.h"
#include "tests/support/vaxo_test.h"
#include "upgrade/vaxo_upg.h"

namespace vaxo_e2e {
namespace {

const std::string kOldSteu = "old/ZEL/STEU/VAXO/", kNewSteu = "new/ROBOTER/ZEL/STEU/VAXO/";
const std::string kOldR1 = "old/ZEL/R1/VAXO/", kNewR1 = "new/ROBOTER/ZEL/R1/VAXO/";

struct Row {
  const char* name;
  const char* expected;  // in words, for the failure message
  std::function<void(Scratch&)> spoil;
  int exit_code;
  std::string log_holds;  // a text the log must hold ("" : nothing asked)
  bool run_as_nobody = false;
  std::function<void(Scratch&, const RunResult&)> check;  // may be empty
  std::string args = "";                                  // "" : the sample pair's command line
};

// Runs the program like Scratch::Run, optionally as the unprivileged user.
RunResult RunAs(Scratch& s, const std::string& args, bool nobody) {
  if (!nobody) return s.Run(args);
  s.Run("no-such-folder|x");  // copies the program and its tool into place
  const std::string root = s.root().string();
  const std::string chown = "chown -R nobody:nogroup '" + root + "'";
  EXPECT_EQ(std::system(chown.c_str()), 0);
  std::string cmd = "cd '" + root + "' && VAXO_DRIVE_C='" + s.drive_c().string() +
                    "' HOME=/nonexistent setpriv --reuid=nobody --regid=nogroup --clear-groups '" +
                    (s.program_dir() / "upgrade_vaxo").string() + "' '" + args + "' </dev/null >'" +
                    root + "/stdout.txt' 2>'" + root + "/stderr.txt'";
  RunResult r;
  const int status = std::system(cmd.c_str());
  r.exit_code = (status >> 8) & 0xff;
  r.out = s.Read("stdout.txt");
  r.err = s.Read("stderr.txt");
  return r;
}

// Whether this machine lets the test mount a file system (root, and no
// container that forbids it).
bool MountWorks() {
  char dir[] = "/tmp/vaxo_mount_XXXXXX";
  if (!mkdtemp(dir)) return false;
  const std::string d = dir;
  const bool works =
      std::system(
          ("mount -t tmpfs tmpfs '" + d + "' >/dev/null 2>&1 && umount '" + d + "'").c_str()) == 0;
  rmdir(dir);
  return works;
}

bool SetprivWorks() {
  return std::system(
             "setpriv --reuid=nobody --regid=nogroup --clear-groups true "
             ">/dev/null 2>&1") == 0;
}

// A stopped run leaves each file of the new installation in one of three
// states: as it was, as the clean run writes it, or (the controller's
// $machine.dat) as the STEU pass writes it before the shift.
void ExpectOldOrNew(const Scratch& s,
                    const std::vector<std::map<std::string, std::string>>& states) {
  for (const auto& kv : s.Snapshot("new")) {
    bool known = false;
    for (const auto& st : states) {
      auto it = st.find(kv.first);
      known = known || (it != st.end() && it->second == kv.second);
    }
    EXPECT_TRUE(known) << kv.first << " is neither old nor upgraded";
  }
}

std::string Bytes(size_t n, char c) { return std::string(n, c); }

// A file's bytes, mode and DOS attributes: what a row must leave alone
// outside the installations.
std::string Stamp(const fs::path& p) {
  struct stat st;
  if (lstat(p.c_str(), &st) != 0) return "<missing>";
  char dos[64] = {};
  const ssize_t n = getxattr(p.c_str(), "user.DOSATTRIB", dos, sizeof dos - 1);
  std::ifstream in(p, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return bytes + "|" + std::to_string(st.st_mode & 07777) + "|" + (n > 0 ? dos : "");
}

// A read-only, hidden file outside both installations.
void PlantVictim(Scratch& s, const std::string& rel) {
  s.Write(rel, "victim\r\n");
  fs::permissions(s.root() / rel, fs::perms::owner_read | fs::perms::group_read);
  setxattr((s.root() / rel).c_str(), "user.DOSATTRIB", "0x2", 3, 0);
}
const char kVictimStamp[] = "victim\r\n|288|0x2";  // mode 0440

TEST(BadInput, Table) {
  // The clean run's results, for the rows that stop part-way.
  std::map<std::string, std::string> clean_before, clean_after, before_shift;
  {
    Scratch s;
    s.CopySample();
    s.MakeDir("drive_c/zel/roboter/log");
    s.Run(s.root().string() + "/old|" + s.root().string() + "/new", false);
    before_shift = s.Snapshot("new");
  }
  {
    Scratch s;
    s.CopySample();
    s.MakeDir("drive_c/zel/roboter/log");
    clean_before = s.Snapshot("new");
    ASSERT_EQ(s.Run(s.root().string() + "/old|" + s.root().string() + "/new").exit_code, 2);
    clean_after = s.Snapshot("new");
  }
  const std::string binary_line = std::string("$OPT_CONVEYOR=7\0\x80\xff\xe4\xfc", 20);

  std::vector<Row> rows = {
      {"nul-and-high-bytes", "bytes 0 and 0x80-0xFF are carried as they are; a normal run",
       [&](Scratch& s) {
         s.Write(kOldSteu + "$option.dat", std::string("; \xc4nderung \0 \xff\r\n", 16) +
                                               binary_line + "\r\n$OPT_VISION=0\r\n");
         s.Write(kNewSteu + "$option.dat",
                 std::string("; Optionen \xfc\0\r\n", 15) + "$OPT_CONVEYOR=0\r\n$OPT_VISION=0\r\n");
         s.Write(kNewSteu + "option.upg", std::string("$OPT_CONVEYOR=\r\n$OPT_\xe4\0=\r\n", 26));
       },
       2, "<-- Upgrade successfull end", false,
       [&](Scratch& s, const RunResult&) {
         EXPECT_EQ(s.Read(kNewSteu + "$option.dat"), std::string("; Optionen \xfc\0\r\n", 15) +
                                                         binary_line + "\r\n$OPT_VISION=0\r\n");
       }},
      {"line-of-10-MB", "a 10 MB line is one line like any other",
       [&](Scratch& s) {
         s.Write(kNewSteu + "$option.dat",
                 "; " + Bytes(10 << 20, 'x') + "\r\n$OPT_CONVEYOR=0\r\n$OPT_VISION=0\r\n");
       },
       2, "- <$OPT_CONVEYOR=> 1 , _(line: 2)_ , 0", false,
       [&](Scratch& s, const RunResult&) {
         EXPECT_EQ(s.Read(kNewSteu + "$option.dat"),
                   "; " + Bytes(10 << 20, 'x') + "\r\n$OPT_CONVEYOR=1\r\n$OPT_VISION=0\r\n");
       }},
      // Exit 1 noted for a file is overwritten by the 2 that the R1 pass
      // assigns later: the code assigned last stands.
      {"only-CR-bytes", "a new file of CR bytes only gives no text: logged, file kept",
       [&](Scratch& s) { s.Write(kNewSteu + "$option.dat", Bytes(1000, '\r')); }, 2,
       "    <-- Upgrade error\r\n!!! error --> (file not writed) !!!", false,
       [&](Scratch& s, const RunResult&) {
         EXPECT_EQ(s.Read(kNewSteu + "$option.dat"), Bytes(1000, '\r'));
       }},
      {"only-LF-bytes", "an old file of LF bytes only: no old values, the new lines stay",
       [&](Scratch& s) { s.Write(kOldSteu + "$option.dat", Bytes(1000, '\n')); }, 2,
       "- <$OPT_CONVEYOR=> not found in old file", false, nullptr},
      {"directory-named-like-a-data-file", "an old folder $x.dat is not a data file: not listed",
       [&](Scratch& s) { s.MakeDir(kOldSteu + "$x.dat"); }, 2, "-- ENDE  (ExitCode=2) --", false,
       [&](Scratch& s, const RunResult&) {
         EXPECT_EQ(s.LogBody().find("$X.DAT"), std::string::npos);
         EXPECT_EQ(s.Snapshot("new"), clean_after);
       }},
      {"new-data-file-is-a-directory", "a new $option.dat that is a folder cannot be read: logged",
       [&](Scratch& s) {
         fs::remove(s.root() / (kNewSteu + "$option.dat"));
         s.MakeDir(kNewSteu + "$option.dat");
       },
       2, "!!! error in read file ", false,
       [&](Scratch& s, const RunResult&) {
         EXPECT_TRUE(fs::is_directory(s.root() / (kNewSteu + "$option.dat")));
       }},
      {"unreadable-old-file", "run as nobody, an old file without read permission stops the run",
       [&](Scratch& s) { fs::permissions(s.root() / (kOldSteu + "$option.dat"), fs::perms::none); },
       3, "Permission denied !!!", true,
       [&](Scratch& s, const RunResult& r) {
         EXPECT_NE(r.err.find("Run stopped: "), std::string::npos) << r.err;
         ExpectOldOrNew(s, {clean_before, clean_after, before_shift});
       }},
      {"read-only-destination-directory", "nothing can be written there: the run stops, files kept",
       [&](Scratch& s) {
         fs::permissions(s.root() / kNewSteu,
                         fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                         fs::perm_options::remove);
       },
       3, "!!! Run stopped: replace ", false,
       [&](Scratch& s, const RunResult&) {
         EXPECT_EQ(s.Snapshot("new"), clean_before);
         fs::permissions(s.root() / kNewSteu, fs::perms::owner_write, fs::perm_options::add);
       }},
      {"log-directory-not-writable", "the log cannot start: stderr names it, exit 3, files kept",
       [&](Scratch& s) {
         fs::permissions(s.drive_c() / "zel/roboter/log", fs::perms::owner_write,
                         fs::perm_options::remove);
       },
       3, "", false,
       [&](Scratch& s, const RunResult& r) {
         EXPECT_NE(r.err.find("Run stopped: append "), std::string::npos) << r.err;
         EXPECT_EQ(s.Snapshot("new"), clean_before);
         fs::permissions(s.drive_c() / "zel/roboter/log", fs::perms::owner_write,
                         fs::perm_options::add);
       }},
      {"drive-C-mapped-to-a-missing-folder",
       "the log cannot start: the message names the mapping, exit 3, files kept",
       [&](Scratch& s) { fs::remove_all(s.drive_c()); }, 3, "", false,
       [&](Scratch& s, const RunResult& r) {
         EXPECT_NE(r.err.find("drive C: is " + s.drive_c().string() +
                              " (VAXO_DRIVE_C), which does not exist\n"),
                   std::string::npos)
             << r.err;
         EXPECT_EQ(s.Snapshot("new"), clean_before);
       }},
      {"data-file-is-a-link", "the link's target gets the upgraded text; the link stays a link",
       [&](Scratch& s) {
         s.Write("elsewhere/opt.dat", s.Read(kNewSteu + "$option.dat"));
         fs::remove(s.root() / (kNewSteu + "$option.dat"));
         fs::create_symlink(s.root() / "elsewhere/opt.dat", s.root() / (kNewSteu + "$option.dat"));
       },
       2, "new file writed ( ", false,
       [&](Scratch& s, const RunResult&) {
         EXPECT_TRUE(fs::is_symlink(s.root() / (kNewSteu + "$option.dat")));
         EXPECT_EQ(s.Read("elsewhere/opt.dat"), clean_after.at(kNewSteu + "$option.dat"));
         for (auto& e : fs::directory_iterator(s.root() / "elsewhere"))
           EXPECT_EQ(e.path().filename(), "opt.dat");  // no temporary file left
       }},
      {"link-loop-in-installation", "a data file that is a link loop cannot be read: logged",
       [&](Scratch& s) { fs::create_symlink("$loop.dat", s.root() / (kOldR1 + "$loop.dat")); }, 2,
       "error in read old file ", false,
       [&](Scratch& s, const RunResult&) {
         // Everything else is upgraded as in the clean run.
         EXPECT_EQ(s.Snapshot("new"), clean_after);
       }},
      {"many-bars", "only the first | divides; the rest is a folder that is not found",
       [](Scratch&) {}, 1, "!!! ReadCommand schlug fehl -> Upgrade end !!!", false, nullptr,
       "@/old|@/new|@/new|||x|"},
      {"unbalanced-quote", "quotes are dropped wherever they stand: a normal run", [](Scratch&) {},
       2, "-- ENDE  (ExitCode=2) --", false, nullptr, "\"@/old|@/new"},
      {"32-KB-command-line", "a very long line is a folder that is not found: exit 1",
       [](Scratch&) {}, 1, "!!! ReadCommand schlug fehl -> Upgrade end !!!", false, nullptr,
       "@/old|@/" + Bytes(32 << 10, 'n')},
      {"non-ASCII-letters", "names with non-ASCII letters are found byte for byte: a normal run",
       [](Scratch& s) {
         fs::rename(s.root() / "old", s.root() / "\xc3\xa4lt");
         fs::rename(s.root() / "new", s.root() / "n\xc3\xbc");
       },
       2, "-- ENDE  (ExitCode=2) --", false, nullptr, "@/\xc3\xa4lt|@/n\xc3\xbc"},
      // Names no Windows folder can hold are left out of every listing, so
      // no path is ever built from them.
      {"backslash-name-reaching-out",
       "a file named a\\..\\..\\..\\..\\..\\victim\\ro.txt in a data folder is not there: the "
       "read-only file it points to keeps its attributes",
       [](Scratch& s) {
         PlantVictim(s, "victim/ro.txt");
         s.Write(kOldSteu + "a\\..\\..\\..\\..\\..\\victim\\ro.txt", "$OPT_VISION=1\r\n");
       },
       2, "-- ENDE  (ExitCode=2) --", false,
       [&](Scratch& s, const RunResult&) {
         EXPECT_EQ(Stamp(s.root() / "victim/ro.txt"), kVictimStamp);
         EXPECT_EQ(s.LogBody().find("VICTIM"), std::string::npos);
       }},
      {"backslash-name-planting-a-servo",
       "a file named a\\..\\..\\planted.servo in the old robot folder is not there: nothing is "
       "copied one folder up",
       [](Scratch& s) {
         s.Write(kOldR1 + "a\\..\\..\\planted.servo", "GAIN_P=1\r\n");
         s.Write("old/ZEL/R1/planted.servo", "GAIN_P=1\r\n");
       },
       2, "-- ENDE  (ExitCode=2) --", false,
       [&](Scratch& s, const RunResult&) {
         EXPECT_EQ(s.Snapshot("new"), clean_after);
         EXPECT_EQ(s.LogBody().find("PLANTED"), std::string::npos);
       }},
      {"bar-in-destination-folder-name",
       "a destination folder named \"evil | Z:\" is no Windows name: not found, exit 1, the value "
       "transfer never runs",
       [](Scratch& s) {
         const fs::path inside = s.root() / "evil | Z:" / s.root().relative_path() / "victim";
         fs::create_directories(inside);
         fs::rename(s.root() / "new", inside / "new");
       },
       1, "!!! ReadCommand schlug fehl -> Upgrade end !!!", false,
       [&](Scratch& s, const RunResult&) {
         // The transfer would have written Z:\...\EVIL, beside the pairs.
         std::set<std::string> names;
         for (auto& e : fs::directory_iterator(s.root())) names.insert(e.path().filename());
         EXPECT_EQ(names, (std::set<std::string>{"drive_c", "evil | Z:", "old", "prog",
                                                 "stderr.txt", "stdout.txt"}));
         const fs::path moved = s.root() / "evil | Z:" / s.root().relative_path() / "victim";
         for (const auto& kv : clean_before)
           EXPECT_EQ(s.Read(fs::relative(moved, s.root()) / kv.first), kv.second) << kv.first;
       },
       "@/old|@/evil | @/victim/new"},
      {"new-and-NEW-side-by-side",
       "two installations whose names differ only in case: the run stops naming both, neither "
       "changes",
       [](Scratch& s) {
         fs::copy(s.root() / "new", s.root() / "NEW", fs::copy_options::recursive);
       },
       3, "two names differ only in letter case: NEW, new !!!", false,
       [&](Scratch& s, const RunResult& r) {
         EXPECT_NE(r.err.find("Run stopped: "), std::string::npos) << r.err;
         EXPECT_EQ(s.Snapshot("new"), clean_before);
         for (const auto& kv : s.Snapshot("NEW")) {
           const auto it = clean_before.find("new" + kv.first.substr(3));
           EXPECT_TRUE(it != clean_before.end() && it->second == kv.second) << kv.first;
         }
       }},
  };
  // An output of vaxo named to a FIFO, a device or a folder: refused with exit
  // code 1, naming it, without waiting on it; it stays what it was. (The
  // run of the row makes the log they read.)
  const struct {
    const char* name;
    const char* make;  // the shell command that makes "@/target"
    const char* command;
    const char* reason;
    fs::file_type type;
  } targets[] = {
      {"report-html-to-a-fifo", "mkfifo '@/target'", "report --html '@/target'",
       "not a regular file", fs::file_type::fifo},
      {"report-json-to-a-device", "mknod '@/target' c 1 7", "report --json '@/target'",
       "not a regular file", fs::file_type::character},
      {"report-json-to-a-folder", "mkdir '@/target'", "report --json '@/target'",
       "a folder, not a file", fs::file_type::directory},
      {"preview-log-to-a-fifo", "mkfifo '@/target'", "preview '@/old|@/new' --log '@/target'",
       "not a regular file", fs::file_type::fifo},
  };
  for (const auto& t : targets) {
    const auto at = [](std::string text, const Scratch& s) {
      for (size_t i; (i = text.find('@')) != std::string::npos;)
        text.replace(i, 1, s.root().string());
      return text;
    };
    rows.push_back({t.name, "the target is refused with exit code 1 and stays as it was",
                    [&t, at](Scratch& s) { ASSERT_EQ(std::system(at(t.make, s).c_str()), 0); }, 2,
                    "", false,
                    [&t, at](Scratch& s, const RunResult&) {
                      const RunResult r = s.RunVaxo(at(t.command, s));
                      EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
                      const std::string said = std::string("\\target: ") + t.reason + "\n";
                      EXPECT_NE(r.err.find(": write "), std::string::npos) << r.err;
                      EXPECT_TRUE(vaxo::EndsWith(r.err, said)) << r.err;
                      EXPECT_EQ(fs::symlink_status(s.root() / "target").type(), t.type);
                    }});
  }
  if (!kSanitized) {
    // About 100 MB through the whole run; too slow under the sanitizers.
    rows.push_back({"data-file-of-100-MB",
                    "a 100 MB new file of a million lines is merged and written",
                    [](Scratch& s) {
                      std::string big = "; big\r\n$OPT_CONVEYOR=0\r\n";
                      const std::string line = "$FILL_" + Bytes(88, 'y') + "=1\r\n";
                      big.reserve(100 << 20);
                      while (big.size() < (100u << 20)) big += line;
                      big += "$OPT_VISION=0\r\n";
                      s.Write(kNewSteu + "$option.dat", big);
                    },
                    2, "- <$OPT_CONVEYOR=> 1 , _(line: 2)_ , 0", false,
                    [](Scratch& s, const RunResult&) {
                      const std::string out = s.Read(kNewSteu + "$option.dat");
                      EXPECT_GT(out.size(), 100u << 20);
                      EXPECT_EQ(out.compare(0, 24, "; big\r\n$OPT_CONVEYOR=1\r\n"), 0);
                    }});
  }

  // The old installation restored onto read-only media (here a tmpfs made
  // read-only), its files read-only as on a CD.
  if (MountWorks()) {
    rows.push_back(
        {"old-installation-on-read-only-media",
         "the old files cannot take the archive attribute: read as they are, a normal run",
         [](Scratch& s) {
           const std::string old = (s.root() / "old").string();
           const std::string media = (s.root() / "media").string();
           fs::rename(old, media);
           fs::create_directory(old);
           for (auto& e : fs::recursive_directory_iterator(media))
             if (e.is_regular_file())
               fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::remove);
           const std::string cmd = "mount -t tmpfs tmpfs '" + old + "' && cp -a '" + media +
                                   "/.' '" + old + "/' && mount -o remount,ro '" + old + "'";
           ASSERT_EQ(std::system(cmd.c_str()), 0);
         },
         2, "-- ENDE  (ExitCode=2) --", false,
         [&](Scratch& s, const RunResult&) {
           EXPECT_EQ(s.Snapshot("new"), clean_after);
           for (auto& e : fs::recursive_directory_iterator(s.root() / "old")) {
             if (e.is_regular_file()) {
               EXPECT_EQ(e.status().permissions() & fs::perms::owner_write, fs::perms::none)
                   << e.path();
             }
           }
           EXPECT_EQ(std::system(("umount '" + (s.root() / "old").string() + "'").c_str()), 0);
         }});
  } else {
    std::printf("[ skipped  ] old-installation-on-read-only-media: mount is refused here\n");
  }

  const bool setpriv = SetprivWorks();
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + ": " + row.expected);
    if (row.run_as_nobody && (!setpriv || geteuid() != 0)) {
      std::printf("[ skipped  ] %s: needs root and setpriv\n", row.name);
      continue;
    }
    const auto t0 = std::chrono::steady_clock::now();
    Scratch s;
    s.CopySample();
    s.MakeDir("drive_c/zel/roboter/log");
    row.spoil(s);
    std::map<std::string, std::string> old_before;
    try {
      if (fs::exists(s.root() / "old")) old_before = s.Snapshot("old");
    } catch (const fs::filesystem_error&) {
      // A link loop cannot be read by the snapshot either.
    }
    // "@" in a row's command line stands for the scratch folder.
    std::string args = row.args.empty() ? "@/old|@/new" : row.args;
    for (size_t at; (at = args.find('@')) != std::string::npos;)
      args.replace(at, 1, s.root().string());
    const RunResult r = RunAs(s, args, row.run_as_nobody);
    EXPECT_EQ(r.exit_code, row.exit_code) << r.err << "\n" << s.LogBody().substr(0, 4000);
    const std::string log = s.LogBody();
    if (!row.log_holds.empty()) {
      EXPECT_NE(log.find(row.log_holds), std::string::npos) << log.substr(0, 4000);
    }
    // The report beside the log says how the run ended; no log, no report.
    if (s.Exists("drive_c/zel/roboter/log/Upgrade_vaxo.log")) {
      const std::string ended = r.exit_code == 3
                                    ? "exit - (stopped)\n"
                                    : "exit " + std::to_string(r.exit_code) + " (closing entry)\n";
      EXPECT_EQ(s.Report().substr(0, ended.size()), ended) << s.Report().substr(0, 2000);
    } else {
      EXPECT_EQ(s.Report(), "");
    }
    if (r.exit_code == 3) {
      EXPECT_EQ(log.find("ENDE"), std::string::npos);
    } else {
      EXPECT_NE(log.find(Title("ENDE  (ExitCode=" + std::to_string(r.exit_code) + ")")),
                std::string::npos);
    }
    if (!old_before.empty() && !row.run_as_nobody) {
      const auto old_after = s.Snapshot("old");
      for (const auto& kv : old_before) {
        if (old_after.count(kv.first)) {
          EXPECT_EQ(old_after.at(kv.first), kv.second) << kv.first;
        }
      }
    }
    if (row.check) row.check(s, r);
    // No temporary file of an atomic write is left anywhere.
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(s.root(), ec)) {
      EXPECT_EQ(e.path().filename().string().find("vaxo-"), std::string::npos) << e.path();
    }
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("[ row      ] %-34s exit %d  %.2f s\n", row.name, r.exit_code, secs);
  }
}

// An upg-file of a million rules, in the engine itself (a whole run would
// spend its time appending a million log entries): it must finish with one
// log entry per rule and one result line per new line.
class BadInputEngine : public vaxo::VaxoTest {};

TEST_F(BadInputEngine, UpgFileOfAMillionRules) {
  long entries = 0;
  vaxo::LogBuch().SetSink([&](const std::string&) { ++entries; });
  std::string old_text, new_text, upg;
  for (int v = 0; v < 100; ++v) {
    old_text += "$V" + std::to_string(v) + "=" + std::to_string(v) + "\r\n";
    new_text += "$V" + std::to_string(v) + "=0\r\n";
  }
  const int rules = kSanitized ? 200000 : 1000000;
  upg.reserve(size_t(rules) * 8);
  for (int r = 0; r < rules; ++r) upg += "$V" + std::to_string(r % 100) + "=\r\n";
  const auto t0 = std::chrono::steady_clock::now();
  vaxo::CLSVaxoUpg engine;
  std::string merged = old_text;
  engine.Upgrade("$BIG.DAT", merged, new_text, upg);
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_EQ(merged, old_text);
  EXPECT_EQ(entries, rules);  // one entry per rule
  std::printf("[ row      ] %d rules in %.2f s\n", rules, secs);
}

}  // namespace
}  // namespace vaxo_e2e
