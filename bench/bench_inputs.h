// Generated machine data for the measurements: an old and a new data file
// of one installation generation each and the upg-file between them, and a
// whole installation pair on disk. Everything is made here, from a seed.
#pragma once

#include <cstdint>
#include <string>

namespace vaxo {
namespace bench {

/// The order of the rules in the upg-file against the data file's order.
enum class RuleOrder { kFile = 0, kReversed = 1, kShuffled = 2 };
const char* OrderName(RuleOrder order);

struct MachineData {
  std::string old_text;  // lines end with CR LF, as the driver reads them
  std::string new_text;
  std::string upg_text;
};

/// A new file of `lines` variable lines (a few comment lines besides), the
/// old file of the generation before (other values, some variables missing,
/// some obsolete ones), and a rule for every `rule_every`-th variable.
/// Every `differ_every`-th variable has another value in the old file; the
/// others the new file's.
MachineData MakeMachineData(int lines, RuleOrder order, uint32_t seed, int rule_every = 1,
                            int differ_every = 1);

/// A fresh directory under $TMPDIR (or /tmp); RemoveTree removes it.
std::string MakeTempDir(const std::string& tag);
void RemoveTree(const std::string& path);
/// Writes `bytes` to `path`, creating the directories on the way. Aborts
/// the measurement on failure: a half-written input would measure nothing.
void WriteBytes(const std::string& path, const std::string& bytes);
size_t FileSize(const std::string& path);

/// The installation pair under `root`:
///   OLD/ZEL/R1/VAXO, OLD/ZEL/STEU/VAXO             $fileNNN.dat
///   NEW/ROBOTER/ZEL/R1/VAXO, NEW/ROBOTER/ZEL/STEU/VAXO  $fileNNN.dat, fileNNN.upg
/// `files` data files in all, half per directory, each of about `lines`
/// lines, with rules for a third of them, and every `differ_every`-th value
/// another in the old file. Returns the largest data file's size.
size_t WriteInstallationPair(const std::string& root, int files, int lines, int differ_every = 1);

}  // namespace bench
}  // namespace vaxo
