// Result of a platform operation: success, or the failed operation with the
// path it worked on and the system's reason, so every message names all three.
#pragma once

#include <stdexcept>
#include <string>

namespace vaxo {

class Status {
 public:
  Status() = default;
  static Status OK() { return Status(); }
  static Status NotFound(std::string op, std::string path, std::string reason = "not found") {
    return Status(kNotFound, std::move(op), std::move(path), std::move(reason));
  }
  static Status IOError(std::string op, std::string path, std::string reason) {
    return Status(kIOError, std::move(op), std::move(path), std::move(reason));
  }
  /// Another process holds what `op` needed.
  static Status Busy(std::string op, std::string path, std::string reason) {
    return Status(kBusy, std::move(op), std::move(path), std::move(reason));
  }
  /// The medium is read-only (a CD, a write-protected stick, a read-only
  /// share): nothing on it can change, but it can still be read.
  static Status ReadOnlyMedium(std::string op, std::string path, std::string reason) {
    return Status(kReadOnlyMedium, std::move(op), std::move(path), std::move(reason));
  }
  /// The path names two entries at once (in the emulation: names that
  /// differ only in letter case), so no answer about it would be true.
  static Status Ambiguous(std::string op, std::string path, std::string reason) {
    return Status(kAmbiguous, std::move(op), std::move(path), std::move(reason));
  }
  /// A wrapping environment refused the change before making it, because
  /// what must come first (the backup of the file) failed; `path` names
  /// what failed. No caller takes it as a result: it stops the run.
  static Status Refused(std::string op, std::string path, std::string reason) {
    return Status(kRefused, std::move(op), std::move(path), std::move(reason));
  }

  bool ok() const { return code_ == kOk; }
  bool IsNotFound() const { return code_ == kNotFound; }
  bool IsBusy() const { return code_ == kBusy; }
  bool IsReadOnlyMedium() const { return code_ == kReadOnlyMedium; }
  bool IsAmbiguous() const { return code_ == kAmbiguous; }
  bool IsRefused() const { return code_ == kRefused; }
  const std::string& op() const { return op_; }
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

  /// "<op> <path>: <reason>", or "OK".
  std::string ToString() const {
    if (ok()) return "OK";
    return op_ + " " + path_ + ": " + reason_;
  }

 private:
  enum Code { kOk, kNotFound, kIOError, kBusy, kReadOnlyMedium, kAmbiguous, kRefused };
  Status(Code code, std::string op, std::string path, std::string reason)
      : code_(code), op_(std::move(op)), path_(std::move(path)), reason_(std::move(reason)) {}

  Code code_ = kOk;
  std::string op_, path_, reason_;
};

/// How a run stops: a failure that no part of the run takes as a result
/// (a file-system failure, or the person closing the progress form) is
/// thrown as RunError from where it happens. Nothing between catches it: the
/// run frame logs "Run stopped: " + what() and ends the process with 3.
class RunError : public std::runtime_error {
 public:
  explicit RunError(Status status)
      : std::runtime_error(status.ToString()), status_(std::move(status)) {}
  /// A stop that is no file-system failure; status() is then OK.
  explicit RunError(const std::string& reason) : std::runtime_error(reason) {}
  const Status& status() const { return status_; }

 private:
  Status status_;
};

/// Throws RunError when `s` is not ok.
inline void ThrowIfError(const Status& s) {
  if (!s.ok()) throw RunError(s);
}

}  // namespace vaxo
