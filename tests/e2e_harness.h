// End-to-end harness: builds installation pairs in a temporary folder, runs
// the real program there with its own drive C: and its own program folder,
// and reads back every file byte for byte.
//
// With VAXO_E2E_WINE set to a folder that holds the Windows program
// (UpgradeVaxo.exe, ValXfer.exe, Vaxo_Value.dat, cmdline_launch.exe), the
// same tests run that program under Wine: the temporary folder then holds
// a Wine prefix of its own (a hard-linked copy of the template prefix
// VAXO_E2E_WINEPREFIX, made by scripts/wine-prefix.sh when unset), whose
// drive C: is the folder's drive_c, and host paths in the argument are
// given in their Z:\ form.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vaxo_e2e {

namespace fs = std::filesystem;

/// Lines joined with CR LF after each.
std::string Crlf(const std::vector<std::string>& lines);

/// Log entries as the logbook writes them, by type.
std::string Title(const std::string& m);
std::string Info(const std::string& m);
std::string Error(const std::string& m);
std::string Warning(const std::string& m);

/// The command reader's first three entries for the command line O|N.
std::string CommandEntries(const std::string& o, const std::string& n);
/// Its entries when all four folders are found at their first candidates.
std::string FoundDirs(const std::string& os1, const std::string& oss, const std::string& nr1,
                      const std::string& nst);

struct RunResult {
  int exit_code = -1;
  std::string out, err;
};

/// True when the tests run the Windows program under Wine.
bool UnderWine();

class Scratch {
 public:
  Scratch();
  ~Scratch();

  const fs::path& root() const { return root_; }
  fs::path drive_c() const { return root_ / "drive_c"; }
  fs::path program_dir() const { return root_ / "prog"; }
  /// Under Wine: the test's own prefix; drive_c() links to its drive C:.
  fs::path WinePrefix() const { return root_ / "wine"; }

  void Write(const std::string& rel, const std::string& bytes);
  std::string Read(const std::string& rel) const;
  bool Exists(const std::string& rel) const;
  void MakeDir(const std::string& rel);
  /// Copies the bundled sample pair to old/ and new/.
  void CopySample();
  /// Every regular file below `rel` with its bytes, keyed by relative path.
  std::map<std::string, std::string> Snapshot(const std::string& rel) const;

  /// The system's drive-path form of a folder below root, upper-cased as the
  /// command reader shows it: "Z:\TMP\...\OLD".
  std::string WinUpper(const std::string& rel) const;

  /// Runs upgrade_vaxo from program_dir() with `args` (one argument, or none
  /// when empty) and standard input from /dev/null.
  RunResult Run(const std::string& args, bool with_tool = true) const;
  RunResult Execute(std::string cmd) const;
  /// The log without its header line.
  std::string LogBody() const;

 private:
  RunResult RunWine(const std::string& args, bool with_tool) const;

  fs::path root_;
};

/// Writes a generated pair below `s`: `files` data files a folder (STEU
/// $fNNNN.dat, R1 aNNNN.servo, 20 variables each, every one with a rule)
/// and a $machine.dat on either side. Its clean run ends with exit code 0.
void WriteGeneratedPair(Scratch& s, int files);

/// How Spawn starts a program.
struct Launch {
  long file_size_limit = -1;  ///< RLIMIT_FSIZE in bytes; -1: none
  int stdout_fd = -1;         ///< the child's standard output; -1: /dev/null
  int stderr_fd = -1;         ///< and standard error
};

/// Starts `argv` (the program's path first) in the scratch folder with its
/// drive C:, standard input from /dev/null, and SIGPIPE and SIGXFSZ at
/// their defaults, so that only the program's own handling counts. The
/// process id, or -1 when it cannot start.
pid_t Spawn(const Scratch& s, const std::vector<std::string>& argv,
            const Launch& launch = Launch());

/// Waits for `pid` at most `seconds`, then kills it: the wait status, or -1
/// when it had to be killed.
int WaitAtMost(pid_t pid, double seconds);

}  // namespace vaxo_e2e
