// The fixed texts of the log that the report reads back, each spelled here
// once, with how it is written (Format) and how it is read (Parse). The
// writers (run frame, passes, shift, engine, command reader) and the
// report's reader both take them from here, so a blank changed on one side
// cannot silently part the two.
//
// Parse reads a message as the log holds it: the logbook trims the blanks
// at both ends of every message (log_buch.h), so a text's own leading or
// trailing blanks are not looked for there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vaxo {
namespace log_text {

/// A message that is one fixed text.
struct Fixed {
  std::string_view text;
  std::string Format() const { return std::string(text); }
  bool Parse(std::string_view m) const;
};

/// A message of a fixed head, a field and a fixed tail: "old File < " PATH
/// " > successfull readed".
struct Framed {
  std::string_view head, tail;
  std::string Format(std::string_view field) const;
  /// The field into `*field` when `m` has the head and the tail.
  bool Parse(std::string_view m, std::string_view* field) const;
};

// --- the run frame -------------------------------------------------------
extern const Framed kTimePoint;     ///< "Upgrade time point:     < TIME > "
extern const Framed kClosing;       ///< "ENDE  (ExitCode=N)"
extern const Framed kRunStopped;    ///< "Run stopped: REASON"
extern const Fixed kCommandFailed;  ///< "ReadCommand schlug fehl -> Upgrade end"
extern const Fixed kUpgradeEnd;     ///< a folder of the command line was empty
extern const Fixed kFormAsked;      ///< the command line had no "|": the form is shown

std::string FormatClosing(int exit_code);
bool ParseClosing(std::string_view m, int* exit_code);

// --- the command reader's labels, each followed by a folder ----------------
extern const Framed kSorcePathR1, kSorcePathSteu, kDestinationPathR1, kDestinationPathSteu,
    kDestinationPathSteuAlt;

// --- a data file ----------------------------------------------------------
extern const Framed kFileTitle;  ///< "Upgrade: file = OLD PATH"
extern const Framed kOldRead;    ///< "old File < PATH > successfull readed"
extern const Framed kNewRead;    ///< "new File < PATH > successfull readed"
extern const Fixed kShiftStart;  ///< "shift differend variable from R1 to STEU"
extern const Fixed kUpgradeError;
extern const Fixed kNotWritten;

/// The texts in which the two passes differ. The STEU pass names a new
/// file and an upg-file it cannot read alike.
struct PassTexts {
  Framed old_not_read, new_not_read, upg_to_read, upg_not_read, upg_read;
  Fixed start, success;
  Framed written;
};
extern const PassTexts kSteuPass, kR1Pass;

// --- the shift -------------------------------------------------------------
/// "shift R1 to STEU failed: NAME NAME not in PATH"
extern const Framed kShiftFailed;
std::string FormatShiftFailed(std::string_view missing_names, std::string_view path);
/// The field of kShiftFailed taken apart; `path` is empty when it names none.
void SplitShiftFailed(std::string_view field, std::string_view* names, std::string_view* path);

// --- the engine's entry of a rule ---------------------------------------------
/// The fields of a rule's entry; views into the message that was parsed.
struct RuleEntry {
  std::string_view key, old_value, new_value, rule;
  int64_t line = 0;
};

/// "- <KEY> OLD , _(line: N)_ , NEW" (info): the old line carried over.
std::string FormatCarried(std::string_view key, std::string_view old_value, int64_t line,
                          std::string_view new_value);
bool ParseCarried(std::string_view m, RuleEntry* r);

/// "- <KEY>  not found in old file and in upg-file <RULE>, default value
/// insert in new file _(line: N)_" (error): the rule's default inserted.
std::string FormatDefault(std::string_view key, std::string_view rule, int64_t line);
bool ParseDefault(std::string_view m, RuleEntry* r);

/// " - <KEY> not found in old file" (error): the new line stays.
extern const Framed kKeptNew;
/// " - <KEY> not found in new file" (warning): the old line is lost.
extern const Framed kLost;

/// A number of decimal digits only (at most 18), as the log writes them.
bool ParseNumber(std::string_view s, int64_t* n);

}  // namespace log_text
}  // namespace vaxo
