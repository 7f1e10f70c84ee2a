// What the outputs show of a data file beyond its log: the values it leaves
// behind and its change since the run's backup set, both read from the
// installation. A whole run's would not fit in memory side by side (a value
// for most lines of two thirds of the files, a diff of every file), so the
// outputs ask for them file by file, write them out and let them go.
#pragma once

#include <cstddef>
#include <string>

#include "report/installation_audit.h"

namespace vaxo {
namespace report {

struct FileDetails {
  FileAudit audit;  ///< its values left behind; only when `audited`
  bool audited = false;
  std::string backup_diff;  ///< unified diff; empty when none or not asked for
};

class FileDetailSource {
 public:
  virtual ~FileDetailSource() = default;
  /// The details of file `index` into `out`, in place of what it held
  /// (its buffers are used again); the backup diff only `with_diff`.
  virtual void Fill(size_t index, bool with_diff, FileDetails* out) = 0;
};

/// The details of no file: a report of its log alone.
class NoDetails : public FileDetailSource {
 public:
  void Fill(size_t, bool, FileDetails* out) override {
    out->audited = false;
    out->audit.left.values.clear();
    out->backup_diff.clear();
  }
};

}  // namespace report
}  // namespace vaxo
