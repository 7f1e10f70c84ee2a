// End-to-end harness: builds installation pairs in a temporary folder, runs
// the real program there with its own drive C: and its own program folder,
// and reads back every file byte for byte.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vaxo_e2e {

namespace fs = std::filesystem;

/// Lines joined with CR LF after each.
std::string Crlf(const std::vector<std::string>& lines);

struct RunResult {
  int exit_code = -1;
  std::string out, err;
};

class Scratch {
 public:
  Scratch();
  ~Scratch();

  const fs::path& root() const { return root_; }
  fs::path drive_c() const { return root_ / "drive_c"; }
  fs::path program_dir() const { return root_ / "prog"; }

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
  /// The log without its header line.
  std::string LogBody() const;

 private:
  fs::path root_;
};

}  // namespace vaxo_e2e
