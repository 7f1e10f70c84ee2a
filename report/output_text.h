// An output written as it is made: its text gathers here and goes on to its
// file whenever a part of it is done and enough has gathered, so that a page
// of tens of megabytes is never held whole.
#pragma once

#include <string>

#include "platform/env.h"

namespace vaxo {
namespace report {

class OutputText {
 public:
  /// Into `file` (which the caller commits); nullptr: the text is kept whole.
  explicit OutputText(ReplacementFile* file = nullptr) : file_(file) {}

  /// Where the writers append.
  std::string& text() { return text_; }
  /// A part is done: what gathered goes to the file once it is enough.
  void PartDone() {
    if (file_ && text_.size() >= kPiece) Pass();
  }
  /// Everything to the file; the first failure of any piece.
  Status Finish() {
    if (file_) Pass();
    return failed_;
  }

 private:
  static constexpr size_t kPiece = 256 * 1024;

  void Pass() {
    if (failed_.ok()) failed_ = file_->Append(text_);
    text_.clear();  // after a failure the rest is made and dropped
  }

  ReplacementFile* file_;
  std::string text_;
  Status failed_;
};

}  // namespace report
}  // namespace vaxo
