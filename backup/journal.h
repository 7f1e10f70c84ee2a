// The journal of a run's backup set: one JSON object a line, each line on
// disk before the change it describes, as a rollback journal of a database
// holds the page's old content before the page changes. A run killed at any
// moment leaves a journal whose last line may be torn; it is left out.
//
// Texts in the journal (paths above all) are 8-bit bytes; JSON holds each
// byte as the character of the same number, so they come back unchanged.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "platform/env.h"

namespace vaxo {
namespace backup {

/// What a file holds, to tell later whether it still holds it: its size
/// and a 64-bit hash of its bytes, as text ("<size>:<16 hex digits>").
std::string Fingerprint(const std::string& bytes);

/// Fingerprint of bytes that come piece by piece.
class FingerprintOf {
 public:
  void Add(std::string_view bytes);
  std::string Text() const;

 private:
  uint64_t hash_ = 1469598103934665603ull;  // FNV-1a
  uint64_t size_ = 0;
};

class Journal {
 public:
  Journal(Env* env, std::string path) : env_(env), path_(std::move(path)) {}

  const std::string& path() const { return path_; }
  /// Appends `record` as one line and returns once it is on disk. A torn
  /// last line is cut first.
  Status Append(const nlohmann::json& record);

  /// The records of the journal at `path`, in order; a last line that is
  /// torn (no line end, or no JSON object) is left out.
  static Status Read(Env* env, const std::string& path, std::vector<nlohmann::json>* records);

 private:
  Env* env_;
  std::string path_;
  bool whole_ = false;  // the file is known to end with a whole line
};

}  // namespace backup
}  // namespace vaxo
