// The log reader and the why, on logs made of the logbook's own layouts: the
// rule entries come from the real engine, the pass entries are written as
// the passes write them (the end-to-end tests read the real program's logs).
#include "report/log_reader.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "log/log_buch.h"
#include "report/exit_reason.h"
#include "report/json_report.h"
#include "report/report_shape.h"
#include "upgrade/vaxo_upg.h"

namespace vaxo {
namespace report {
namespace {

std::string E(int typ, const std::string& m) { return CLSLogBuch::FormatEntry(typ, m); }

const std::string kHeader = E(TypInfo, "Upgrade time point:     < 08.12.2026 14:41:34 > ");
const std::string kO = "C:\\O\\ZEL\\", kN = "C:\\N\\ROBOTER\\ZEL\\";

// The engine's entries for one upgrade of these texts.
std::string EngineEntries(const std::string& old_text, const std::string& new_text,
                          const std::string& upg) {
  std::string log;
  LogBuch().SetSink([&](const std::string& e) { log += e; });
  LogBuch().LogState(true);
  std::string merged = old_text;
  CLSVaxoUpg().Upgrade("", merged, new_text, upg);
  LogBuch().SetSink([](const std::string&) {});
  LogBuch().LogState(false);
  LogBuch().SetSink(nullptr);
  return log;
}

// A file of the pass `r1` that reaches the engine, with `rules` between the
// start and the result entries.
std::string UpgradedFile(bool r1, const std::string& name, const std::string& rules) {
  const std::string o = kO + (r1 ? "R1" : "STEU") + "\\VAXO\\" + name;
  const std::string n = kN + (r1 ? "R1" : "STEU") + "\\VAXO\\" + name;
  const std::string u = kN + (r1 ? "R1" : "STEU") + "\\VAXO\\MACHINE.UPG";
  return E(TypTitle, "Upgrade: file = " + o) +
         E(TypInfo, "old File < " + o + " > successfull readed") +
         E(TypInfo, "new File < " + n + " > successfull readed") +
         E(TypInfo, (r1 ? "Upg-file read ( " : "upg-file read ( ") + u + " )") +
         E(TypInfo, (r1 ? "UPG-File < " : "upg-file < ") + u + " > successfull readed") +
         E(TypInfo, r1 ? "--> Start Upgrade" : "--> start Upgrade") + rules +
         E(TypInfo, r1 ? "<-- Upgrade successfull ende" : "<-- Upgrade successfull end") +
         E(TypInfo, (r1 ? " new file be writed ( " : "new file writed ( ") + n + " )");
}

std::string Closing(int code) {
  return E(TypTitle, "ENDE  (ExitCode=" + std::to_string(code) + ")");
}

std::string Shape(const std::string& log) { return ReportShape(ReportJson(ReadRunLog(log))); }

const std::string kEveryCase =
    EngineEntries("$A=1 ;old\r\n$B9=1\r\n$D=1\r\n$F\r\n", "$A=0\r\n$B=0\r\n$C=0\r\n$F\r\n",
                  "$A=\r\n$b=5\r\n$C=\r\n$D=\r\n$E=\r\n$F\r\n");
const std::string kEveryCaseShape =
    "  carried $A= 1 1>0\n  default $B= 2 $B=5\n  kept-new $C= -\n  lost $D= -\n"
    "  absent - -\n  carried $F 4 >\n";

TEST(LogReader, EveryRuleCaseInBothPasses) {
  const std::string log = kHeader + UpgradedFile(false, "$MACHINE.DAT", kEveryCase) +
                          UpgradedFile(true, "$MACHINE.DAT", kEveryCase) + Closing(1);
  // The engine ends each file with the lost rule's 1: that one stands.
  EXPECT_EQ(Shape(log),
            "exit 1 (closing entry)\nwhy exit code 1: $D= in R1 $MACHINE.DAT is in the old file "
            "but has no line in the new file, so its old value is not carried over\n"
            "STEU $MACHINE.DAT written\n" +
                kEveryCaseShape + "R1 $MACHINE.DAT written\n" + kEveryCaseShape);
  // Rule entries before the first file belong to none: passed over.
  EXPECT_EQ(Shape(kHeader + kEveryCase + log.substr(kHeader.size())), Shape(log));
  const RunReport run = ReadRunLog(log);
  EXPECT_EQ(run.started, "08.12.2026 14:41:34");
  EXPECT_EQ(run.files[1].upg_path, kN + "R1\\VAXO\\MACHINE.UPG");
  ASSERT_EQ(run.setters.size(), 4u);  // kept-new and lost of each file
}

TEST(LogReader, FileResultsOfBothPasses) {
  const std::string o = kO + "STEU\\VAXO\\$X.DAT", n = kN + "STEU\\VAXO\\$X.DAT";
  const std::string u = kN + "STEU\\VAXO\\X.UPG";
  const std::string title = E(TypTitle, "Upgrade: file = " + o);
  const std::string old_read = E(TypInfo, "old File < " + o + " > successfull readed");
  const std::string new_read = E(TypInfo, "new File < " + n + " > successfull readed");
  struct Row {
    std::string entries, shape;
  };
  const Row rows[] = {
      {E(TypError, " error read file " + o), "STEU $X.DAT old-missing"},
      {E(TypError, " error in read old file " + o), "R1 $X.DAT old-missing"},
      {old_read + E(TypError, " error in read file " + n), "STEU $X.DAT new-missing"},
      {old_read + E(TypError, " error read new file " + n), "R1 $X.DAT new-missing"},
      {old_read + new_read + E(TypInfo, "upg-file read ( " + u + " )") +
           E(TypError, " error in read file " + u),
       "STEU $X.DAT upg-missing"},
      {old_read + new_read + E(TypInfo, "Upg-file read ( " + u + " )") +
           E(TypError, " error in read upg-file " + u),
       "R1 $X.DAT upg-missing"},
      {old_read + new_read + E(TypInfo, "upg-file read ( " + u + " )") +
           E(TypInfo, "upg-file < " + u + " > successfull readed") +
           E(TypInfo, "--> start Upgrade") + EngineEntries("$A=1\r\n", "", "$A=\r\n") +
           E(TypInfo, "<-- Upgrade error") + E(TypError, " error --> (file not writed)"),
       "STEU $X.DAT no-text\n  lost $A= -"},
  };
  for (const Row& row : rows) {
    const std::string shape = Shape(kHeader + title + row.entries + Closing(0));
    EXPECT_EQ(shape.substr(shape.find('\n', shape.find("why")) + 1), row.shape + "\n")
        << row.entries;
  }
}

TEST(LogReader, HowTheRunEnded) {
  const std::string n = kN + "STEU\\VAXO\\$MACHINE.DAT";
  const std::string file = UpgradedFile(false, "$MACHINE.DAT", "");
  const std::string r1 = UpgradedFile(true, "$MACHINE.DAT", "");
  const std::string reader_failed =
      E(TypInfo, "Sorce path R1:   " + kO + "R1\\VAXO") +
      E(TypError, "Sorce path R1 ...  no found $M*.DAT- or upg-file") +
      E(TypInfo, "Sorce path R1:   " + kO + "R1\\VAXO") +
      E(TypError, "Sorce path R1 ...  not found $M*.DAT- or upg-file") +
      E(TypError, "ReadCommand schlug fehl -> Upgrade end");
  const std::string shift_failed =
      E(TypInfo, "shift differend variable from R1 to STEU") +
      E(TypError, "shift R1 to STEU failed: $ROB_CAL $PRO_ACT not in " + n);
  struct Row {
    std::string log, shape;
  };
  const Row rows[] = {
      {file + Closing(0),
       "exit 0 (closing entry)\nwhy exit code 0: no failure was noted\nSTEU $MACHINE.DAT written"},
      // The written entry comes before the write; the write failed.
      {file + E(TypError, "Run stopped: replace " + n + ": No space left on device"),
       "exit - (stopped)\nwhy exit code 3: the run was stopped by a failure no part of it handles: "
       "replace " +
           n + ": No space left on device, while on STEU $MACHINE.DAT\nSTEU $MACHINE.DAT -"},
      {file + E(TypError, "Run stopped: the progress form was closed by the user"),
       "exit - (stopped)\nwhy exit code 3: the run was stopped by a failure no part of it handles: "
       "the progress form was closed by the user\nSTEU $MACHINE.DAT written"},
      {E(TypInfo, "Upgrade end"),
       "exit - (early)\nwhy no exit code in the log: the command reader left a folder empty "
       "(\"Upgrade end\"), so the program ended with 0 and no closing entry"},
      {E(TypError, "not found Trennzeichen < | > in commandolineargument") +
           E(TypInfo, "user define input pfade (Quelle, Destination)"),
       "exit - (early)\nwhy no exit code in the log: the path-settings form was left without "
       "paths, so the program ended with 0 and no closing entry"},
      {file.substr(0, file.find("    new File")),
       "exit - (early)\nwhy no exit code in the log: it ends at line 6 without a closing entry, "
       "while on STEU $MACHINE.DAT (the program was ended from outside, or the log could not be "
       "written)\nSTEU $MACHINE.DAT -"},
      {reader_failed + Closing(1),
       "exit 1 (closing entry)\nwhy exit code 1: the command line was not resolved: the old "
       "installation's R1 folder was not found: no data files in " +
           kO + "R1\\VAXO"},
      {r1.substr(0, r1.find("    Upg-file read")) + shift_failed +
           r1.substr(r1.find("    Upg-file read")) + Closing(1),
       "exit 1 (closing entry)\nwhy exit code 1: the shift R1 to STEU failed: $ROB_CAL $PRO_ACT "
       "did not reach " +
           n + "\nR1 $MACHINE.DAT written\nshift ran, missing: $ROB_CAL $PRO_ACT"},
  };
  for (const Row& row : rows) EXPECT_EQ(Shape(kHeader + row.log), row.shape + "\n") << row.log;
}

// The shift is not run when the robot's files do not call for it, which only
// a run that reached the robot's $MACHINE.DAT can tell.
TEST(LogReader, ShiftOfARunThatStoppedSaysHowFarItGot) {
  const std::string steu = UpgradedFile(false, "$MACHINE.DAT", "");
  const std::string r1 = UpgradedFile(true, "$MACHINE.DAT", "");
  const std::string stop = E(TypError, "Run stopped: the progress form was closed by the user");
  const std::string not_called = "not run (the robot's files did not call for it)";
  const std::string not_reached = "not run: the run did not get as far as the robot's $MACHINE.DAT";
  struct Row {
    std::string log, shift;
  };
  const Row rows[] = {
      {steu + stop, not_reached},
      {steu.substr(0, steu.find("    upg-file read")), not_reached},  // cut off
      {steu + r1 + stop, not_called},
      {r1.substr(0, r1.find("    UPG-File")) + stop, not_called},  // tested, then stopped
      {steu + Closing(0), not_called},
  };
  for (const Row& row : rows) EXPECT_EQ(ShiftLine(ReadRunLog(kHeader + row.log)), row.shift);
}

// Lines in no layout the logbook writes are counted, the first few kept, and
// a report with any of them never says OK.
TEST(LogReader, LinesItCannotReadAreCountedAndTheVerdictIsNeverOk) {
  std::string blocks;
  for (int i = 0; i < 200; ++i) blocks += "FILE " + std::to_string(i) + "\r\nresult: fine\r\n";
  for (const std::string& body : {blocks, std::string("\r\n")}) {
    const RunReport run = ReadRunLog(kHeader + body + Closing(0));
    EXPECT_EQ(Verdict(run).rfind("CHECK: finished with exit code 0; no data file upgraded; ", 0),
              0u)
        << Verdict(run);
    const nlohmann::json j = nlohmann::json::parse(ReportJson(run));
    EXPECT_EQ(j["unread_lines"], body == blocks ? 400 : 1);
    EXPECT_EQ(j["unread_examples"][0]["line"], 2);
    EXPECT_EQ(j["unread_examples"][0]["text"], body == blocks ? "FILE 0" : "");
    EXPECT_LE(j["unread_examples"].size(), 5u);
  }
  EXPECT_EQ(Verdict(ReadRunLog(kHeader + Closing(0))),
            "OK: finished with exit code 0; no data file upgraded");
}

// Which entries the why names: those that set the code that stood, after
// the last one that set another.
TEST(LogReader, WhyNamesTheEntriesOfTheCodeThatStood) {
  const std::string lost = EngineEntries("$L=1\r\n", "$X=0\r\n", "$L=\r\n");
  const std::string kept = EngineEntries("$X=1\r\n", "$K=0\r\n", "$K=\r\n");
  const std::string k = "exit code 2: $K= in STEU $MACHINE.DAT is missing";
  const std::string l = "exit code 1: $L= in STEU $MACHINE.DAT is in the old file";
  struct Row {
    std::string rules;
    int code;
    std::vector<std::string> why_starts;
  };
  const Row rows[] = {
      {lost + kept + kept, 2, {k, k}},
      {kept + lost, 1, {l}},
      {kept, 0, {"exit code 0: no entry of the log sets it"}},
  };
  for (const Row& row : rows) {
    const RunReport run =
        ReadRunLog(kHeader + UpgradedFile(false, "$MACHINE.DAT", row.rules) + Closing(row.code));
    const std::vector<std::string> why = WhyTheExitCode(run);
    ASSERT_EQ(why.size(), row.why_starts.size()) << row.rules;
    for (size_t i = 0; i < why.size(); ++i) EXPECT_EQ(why[i].rfind(row.why_starts[i], 0), 0u);
  }
}

// Whatever the log holds, the reader ends: any prefix of a log, and the log
// with lines of no known layout between its entries.
TEST(LogReader, PrefixesAndForeignLinesNeverTripIt) {
  const std::string log = kHeader + UpgradedFile(false, "$MACHINE.DAT", kEveryCase) +
                          UpgradedFile(true, "$CONFIG.DAT", kEveryCase) + Closing(1);
  size_t files = 0;
  for (size_t cut = 0; cut < log.size(); ++cut) {
    const RunReport run = ReadRunLog(log.substr(0, cut));
    // The closing entry counts once its last line is there, line end or not.
    EXPECT_EQ(run.ended == Ending::kClosingEntry, cut + 2 >= log.size());
    EXPECT_GE(run.files.size(), files);  // a longer prefix loses no file
    files = run.files.size();
  }
  std::string foreign;  // after each entry of one line
  for (size_t pos = 0, end; (end = log.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
    foreign += log.substr(pos, end + 2 - pos);
    if (log.compare(pos, 1, " ") == 0 || log.compare(pos, 1, "!") == 0 ||
        log.compare(pos, 1, "#") == 0)
      foreign += "?? \x80 ###\r\n-- x\r\n\r\n";
  }
  EXPECT_EQ(Shape(foreign), Shape(log));
  EXPECT_EQ(ReadRunLog(log).unread_lines, 0u);
  size_t inserted = 0;
  for (size_t at = foreign.find("?? "); at != std::string::npos; at = foreign.find("?? ", at + 1))
    ++inserted;
  EXPECT_EQ(ReadRunLog(foreign).unread_lines, 3 * inserted);  // each of its three lines
}

}  // namespace
}  // namespace report
}  // namespace vaxo
