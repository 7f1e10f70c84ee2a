// What one run did, as its log tells it: every data file with its result and
// the outcome of each of its rules, how the run ended, the shift of the four
// robot variables, and every entry that set the exit code. The log reader
// fills it; the installation check completes it from the files the log
// names; the outputs (terminal, JSON, HTML) only read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/left_behind.h"

namespace vaxo {
namespace report {

enum class Pass { kSteu, kR1 };

/// What became of a data file. No value (std::nullopt) when the log ends
/// before the file's result: the run stopped or ended while on it.
enum class FileResult { kWritten, kOldMissing, kNewMissing, kUpgMissing, kNoText };

/// How one rule of the upg-file went.
enum class RuleCase : uint8_t {
  kCarried,  ///< the old line replaced the new one
  kDefault,  ///< missing in the old file: the rule's default went in
  kKeptNew,  ///< missing in the old file, no default: the new line stays (exit code 2)
  kLost,     ///< in the old file but not in the new one (exit code 1)
  kAbsent,   ///< in neither file
};

enum class Ending {
  kClosingEntry,  ///< "ENDE  (ExitCode=N)"
  kStopped,       ///< "Run stopped: ..." (the program ends with 3)
  kEarly,         ///< neither: the log just ends
};

/// A run has a rule for every line of its upg-files, so a rule holds no text
/// of its own: its texts are views into the log (RunReport::log_text) or
/// into the texts its report keeps (RunReport::Keep). A carried rule has two
/// values and a default rule its line, never both, so the two share a field.
struct RuleReport {
  std::string_view key;  ///< as logged, upper case, "=" included; empty when unknown
  int64_t line = 0;      ///< line in the result text; 0 where none
  RuleCase rule_case = RuleCase::kAbsent;
  std::string_view old_value;  ///< carried rules only, blanks at the ends removed
  /// Carried rules: the new value, likewise; default rules: their line.
  std::string_view new_value;

  /// Default rules only: the rule line that went in.
  std::string_view default_line() const {
    return rule_case == RuleCase::kDefault ? new_value : std::string_view();
  }
};

struct FileReport {
  Pass pass = Pass::kSteu;
  std::string name;  ///< the file name as the log gives it (end of the old path)
  std::string old_path, new_path, upg_path;  ///< as logged; empty when the log names none
  std::optional<FileResult> result;
  std::vector<RuleReport> rules;
  /// How many of the old file's values no rule carries (left_behind.h),
  /// for a file whose old and new file the run read; none when the run did
  /// not read both or one of them cannot be read now. The values
  /// themselves, and the file's change since the run's backup set, are
  /// read again from the installation when an output shows the file
  /// (file_details.h): a run's would not fit in memory side by side.
  std::optional<size_t> left_count;
  /// Where those values lie in the old and the new file as the audit read
  /// them (sizes given): an output takes them from there rather than
  /// looking for them again, unless the files changed since.
  std::vector<LeftSpot> left_spots;
  size_t left_old_size = 0, left_new_size = 0;
};

/// A file of a source folder that the pass's file list does not give:
/// nothing of it reaches the new installation.
struct NotTaken {
  Pass pass = Pass::kSteu;
  std::string name;
  std::string reason;
  /// A data file by its name that the list leaves out for its attributes
  /// (hidden, system): the run passes it over without a word.
  bool by_attributes = false;
};

/// A line of the log in none of the logbook's layouts.
struct UnreadLine {
  size_t line = 0;
  std::string_view text;
};

/// An entry that assigned the run's exit code, in log order.
struct CodeSetter {
  enum class Kind {
    kCommandLine,
    kOldMissing,
    kNewMissing,
    kNoText,
    kLost,
    kKeptNew,
    kShiftFailed
  };
  Kind kind;
  int code;
  int file = -1;       ///< index into RunReport::files, -1 for none
  int rule = -1;       ///< index into that file's rules, -1 for none
  std::string detail;  ///< command line: what was not found; shift: the names and the file
};

struct ShiftReport {
  bool ran = false;           ///< "shift differend variable from R1 to STEU" was logged
  bool failed_entry = false;  ///< the run logged that values did not arrive
  /// The controller's new $MACHINE.DAT; empty when the log names none.
  std::string target;
  bool checked = false;              ///< target read after the run (missing comes from it)
  std::vector<std::string> missing;  ///< shifted names not in the target
};

/// Moves, never copies: its rules point into what it holds.
struct RunReport {
  RunReport() = default;
  RunReport(RunReport&&) = default;
  RunReport& operator=(RunReport&&) = default;

  /// The log's bytes, which the rules' texts point into.
  std::shared_ptr<const std::string> log_text = std::make_shared<const std::string>();
  /// Keeps `text` as long as the report lives and gives a view of it.
  std::string_view Keep(std::string text) {
    kept_.push_back(std::move(text));
    return kept_.back();
  }

  std::string log_path;
  std::string started;  ///< timestamp of the log's header
  Ending ended = Ending::kEarly;
  std::optional<int> exit_code;  ///< from the closing entry
  std::string stopped_reason;    ///< "<op> <path>: <reason>" of "Run stopped: ..."
  int stopped_in = -1;           ///< file the run was on when it stopped or ended, or -1
  /// Early ends: what the last entries say.
  enum class EarlyEnd {
    kNone,
    kIncompletePaths,  ///< "Upgrade end": a folder of the command reader was empty
    kFormLeft,         ///< the path-settings form was left without paths
    kCutOff,           ///< the log just stops
  };
  EarlyEnd early_end = EarlyEnd::kNone;
  size_t last_line = 0;  ///< number of the log's last line
  std::vector<FileReport> files;
  ShiftReport shift;
  std::vector<CodeSetter> setters;
  /// The destination STEU folder the command reader settled on; empty if none.
  std::string new_steu_dir;
  /// The two source folders the command reader settled on; empty if none.
  std::string old_r1_dir, old_steu_dir;
  /// Lines the reader could not take for an entry: how many, the first few.
  size_t unread_lines = 0;
  std::vector<UnreadLine> unread_examples;
  /// Files of the source folders that no pass took (installation_audit.h).
  std::vector<NotTaken> not_taken;
  /// The run foreseen by `vaxo preview`, not one that happened.
  bool preview = false;

 private:
  std::deque<std::string> kept_;  // a deque moves its texts nowhere, so views stay valid
};

const char* PassName(Pass pass);            ///< "STEU", "R1"
const char* ResultName(FileResult result);  ///< "written", "old-missing", ...
const char* CaseName(RuleCase rule_case);   ///< "carried", "default", ...
const char* EndingName(Ending ending);      ///< "closing entry", "stopped", "early"

}  // namespace report
}  // namespace vaxo
