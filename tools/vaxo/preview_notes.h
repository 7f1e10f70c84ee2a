// What a preview says beside its diffs about the run it foresees: per data
// file the old values no rule carries, after the file's diff, in the run's
// order; a file the run leaves as it is has no diff, so its values come
// under its own heading before the next file's diff.
#pragma once

#include <string>
#include <vector>

#include "report/run_report.h"

namespace vaxo {

class PreviewNotes {
 public:
  explicit PreviewNotes(const report::RunReport& run) : run_(run), shown_(run.files.size()) {}

  /// Before the diff of `path`: the files before it in the run that have
  /// no diff.
  std::string Before(const std::string& path);
  /// After the diff of `path`: its values left behind.
  std::string After(const std::string& path);
  /// At the end: the files not shown yet.
  std::string Rest();

 private:
  int FileOf(const std::string& path) const;
  std::string Unchanged(size_t end);

  const report::RunReport& run_;
  std::vector<bool> shown_;
};

/// "left behind: KEY old LINE / new LINE" per value of the file.
std::string LeftBehindLines(const report::FileReport& file);

}  // namespace vaxo
