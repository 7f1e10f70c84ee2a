#include "report/run_report.h"

namespace vaxo {
namespace report {

const char* const kShiftedNames[4] = {"$ROB_STOPPED", "$ROB_CAL", "$PRO_ACT", "$PRO_MOVE"};

const char* PassName(Pass pass) { return pass == Pass::kSteu ? "STEU" : "R1"; }

const char* ResultName(FileResult result) {
  switch (result) {
    case FileResult::kWritten:
      return "written";
    case FileResult::kOldMissing:
      return "old-missing";
    case FileResult::kNewMissing:
      return "new-missing";
    case FileResult::kUpgMissing:
      return "upg-missing";
    case FileResult::kNoText:
      return "no-text";
  }
  return "";
}

const char* CaseName(RuleCase rule_case) {
  switch (rule_case) {
    case RuleCase::kCarried:
      return "carried";
    case RuleCase::kDefault:
      return "default";
    case RuleCase::kKeptNew:
      return "kept-new";
    case RuleCase::kLost:
      return "lost";
    case RuleCase::kAbsent:
      return "absent";
  }
  return "";
}

const char* EndingName(Ending ending) {
  switch (ending) {
    case Ending::kClosingEntry:
      return "closing entry";
    case Ending::kStopped:
      return "stopped";
    case Ending::kEarly:
      return "early";
  }
  return "";
}

}  // namespace report
}  // namespace vaxo
