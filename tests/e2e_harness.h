// End-to-end harness: builds installation pairs in a temporary folder, runs
// the real program there with its own drive C: and its own program folder,
// and reads back every file byte for byte.
//
// With VAXO_E2E_WINE set to a folder that holds the Windows program
// (UpgradeVaxo.exe, ValXfer.exe, Vaxo_Value.dat, Vaxo.exe, cmdline_launch.exe), the
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
  /// `program_folder`: where the program is installed, below the root.
  explicit Scratch(const std::string& program_folder = "prog");
  ~Scratch();

  const fs::path& root() const { return root_; }
  fs::path drive_c() const { return root_ / "drive_c"; }
  fs::path program_dir() const { return root_ / program_folder_; }
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
  /// The same with each file's attributes: its permission bits and the
  /// hidden and system bits the system keeps beside it.
  std::map<std::string, std::string> State(const std::string& rel) const;

  /// The system's drive-path form of a folder below root, upper-cased as the
  /// command reader shows it: "Z:\TMP\...\OLD".
  std::string WinUpper(const std::string& rel) const;

  /// Runs upgrade_vaxo from program_dir() with `args` (one argument, or none
  /// when empty) and standard input from /dev/null. The program, the tool
  /// and the template are put in place first unless they are there
  /// already (a test may have changed the tool or the template's
  /// attributes).
  RunResult Run(const std::string& args, bool with_tool = true) const;
  /// From here on every Run with the tool is foreseen first by vaxo preview
  /// --json on the same argument: its last line must name the run's exit
  /// code and its report must be the run's report but for the log's place,
  /// its time and "preview".
  void Foresee() { foresee_ = true; }
  /// The folder Run and RunVaxo start the programs in, below the root
  /// ("": the root itself).
  void set_working_folder(const std::string& rel) { working_folder_ = rel; }
  /// Runs vaxo (under Wine: Vaxo.exe) with this scratch's drive C:; `args`
  /// are words without blanks, host paths given as such.
  RunResult RunVaxo(const std::string& args) const;
  RunResult Execute(std::string cmd) const;
  /// Under Wine: starts the test driver `exe` beside the Windows program in
  /// this prefix, in the background, with `args` (host paths in drive
  /// form Z:); its standard output goes to `out_rel` and, once it ends, its
  /// exit code to `out_rel` + ".rc".
  void StartWineDriver(const std::string& exe, const std::vector<std::string>& args,
                       const std::string& out_rel) const;
  /// Under Wine: the debug channels of the program's runs (WINEDEBUG,
  /// "-all" unless set); Wine writes what they show to standard error.
  void set_wine_debug(std::string channels) { wine_debug_ = std::move(channels); }
  /// Waits up to `seconds` for the file `rel` to hold something.
  bool WaitFor(const std::string& rel, int seconds) const;
  /// The log without its header line.
  std::string LogBody() const;
  /// `dir` is a mount point made by the test: unmounted at the end.
  void MountedAt(const fs::path& dir) { mounts_.push_back(dir); }
  /// The report the run left beside its log, in the short form of
  /// report/report_shape.h; "" when it left none.
  std::string Report() const;
  /// The same report's values left behind, files not taken and verdict, in
  /// the short form of report_shape.h's AuditShape.
  std::string Audit() const;

 private:
  RunResult RunHere(const std::string& args, bool with_tool) const;
  RunResult RunWine(const std::string& args, bool with_tool) const;
  std::string ReportJson() const;
  std::string WineProgram(const std::string& exe) const;

  fs::path root_;
  std::string program_folder_;
  std::vector<fs::path> mounts_;
  std::string wine_debug_ = "-all";
  std::string working_folder_;
  bool foresee_ = false;
};

/// A report's JSON past what tells a foreseen run from the real one.
std::string PastRunFields(const std::string& json);

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
