// Why the run's exit code is what it is, and the run in one line. Every
// writer of the exit code assigns its value and the value assigned last
// stands, so the reason is the run of entries that assigned the final value
// after the last entry that assigned another one.
#pragma once

#include <string>
#include <vector>

#include "report/run_report.h"

namespace vaxo {
namespace report {

/// One text per entry that set the code that stood, in log order, each
/// beginning "exit code N: "; for a stopped run or an early end, what
/// stopped or ended it. Never empty.
std::vector<std::string> WhyTheExitCode(const RunReport& run);

/// True when the run finished with exit code 0 and wrote every data file.
bool RunIsOk(const RunReport& run);

/// "OK: ...", "CHECK: ..." or "NOT COMPLETE: ...": how the run ended and how
/// many data files were written.
std::string Verdict(const RunReport& run);

/// How the shift R1 to STEU went: whether it ran and its four variables are
/// in the controller's file ("ran; all four variables are in ...").
std::string ShiftLine(const RunReport& run);

/// "STEU $MACHINE.DAT": the pass and the name of a file.
std::string FileLabel(const FileReport& file);

/// The file's result in words: "written", "upg-file missing", "unfinished"...
std::string ResultText(const FileReport& file);

/// What needs a look at a file: "upg-file missing, not upgraded" when not
/// written, else its lost and kept-new rules ("1 lost, 2 kept-new"); empty
/// when nothing.
std::string ProblemText(const FileReport& file);

}  // namespace report
}  // namespace vaxo
