// The run's log file. One instance serves the whole process; every entry is
// appended in one piece and the file is closed again before Log returns, so
// the log on disk always ends with a whole entry.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vaxo {

enum LogTyp : int32_t {
  TypInfo = 0,
  TypTitle = 1,
  TypError = 2,
  TypWarning = 3,
};

class CLSLogBuch {
 public:
  /// Switches writing on or off; switching off writes "Logbuch switch off"
  /// first when the logbook was on.
  void LogState(bool status);
  /// Starts a new log file at `Datei` with its header line and switches on;
  /// any file at that path (hidden, system, read-only) is removed first.
  void LogFile(const std::string& Datei);
  void LogDummyMode(bool status);
  /// Writes one entry. File-system failures are thrown as RunError.
  void Log(int32_t Typ, const std::string& meldung);

  /// The lines of one entry, each ended by CR LF, as Log writes them.
  static std::string FormatEntry(int32_t Typ, const std::string& meldung);

  /// Sends entries to `sink` instead of the file (tools that print the log,
  /// and tests); an empty sink sends them to the file again.
  using Sink = std::function<void(const std::string& entry)>;
  void SetSink(Sink sink) { sink_ = std::move(sink); }

  bool is_on() const { return on_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool on_ = false;
  Sink sink_;
};

/// The process-wide logbook, created at its first use.
CLSLogBuch& LogBuch();

/// Shorthand for LogBuch().Log(Typ, meldung).
inline void Log(int32_t Typ, const std::string& meldung) { LogBuch().Log(Typ, meldung); }

}  // namespace vaxo
