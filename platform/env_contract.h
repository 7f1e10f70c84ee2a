// What every backend of the Env promises, as one table of cases: the
// in-memory file system of the tests, the emulation on a Unix file system
// and the real Windows calls must all answer each case alike, since the
// tests of the other layers stand on the first and the program runs on the
// other two. The unit tests run the table over MemEnv and PosixEnv; the
// Windows probe runs it under Windows or Wine.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/env.h"

namespace vaxo {

/// One case's surroundings, made by the backend's test: an empty directory
/// that is also the process's current directory, and the set-up that the
/// Env itself does not offer.
struct Contract {
  Env* env = nullptr;
  /// The empty directory, a drive path without trailing "\".
  std::string root;
  /// The current directory as the backend names it (where a path without
  /// a drive lies); the same directory as `root`, perhaps by another path.
  std::string cwd;
  /// Makes the directory `path`.
  std::function<void(const std::string& path)> make_dir;
  /// Sets the attributes of `path` (read-only, hidden, system); false
  /// where the backend's surroundings cannot keep them.
  std::function<bool(const std::string& path, uint32_t attributes)> set_attributes;
  /// Makes a file in `root` whose name Windows could not hold (a name with
  /// "\" or "|", a second name differing only in case); empty where no
  /// such name can exist.
  std::function<void(const std::string& raw_name, const std::string& content)> make_raw;

  /// What failed, one line each.
  std::vector<std::string> failures;

  void Expect(bool ok, const std::string& what, const std::string& detail = std::string());
  void ExpectEq(const std::string& got, const std::string& want, const std::string& what);
  /// `s` failed, naming `op` and `path` and giving a reason on one line.
  void ExpectFailure(const Status& s, const std::string& op, const std::string& path,
                     const std::string& what);

  /// root + "\" + name
  std::string At(const std::string& name) const { return root + "\\" + name; }
  /// The file's bytes, or "<" + the error + ">".
  std::string Read(const std::string& path);
  /// The names in `dir`, sorted, directories marked with a trailing "\".
  std::string Listing(const std::string& dir);
  uint32_t Attributes(const std::string& path);  ///< 0xFFFFFFFF when it fails
};

struct ContractCase {
  const char* name;
  void (*run)(Contract& c);
};

/// Every case, in a fixed order.
const std::vector<ContractCase>& ContractCases();

}  // namespace vaxo
