// A whole Windows-like file system in memory, for tests: drive-letter paths,
// names matched without regard to case, attributes. Also records the child
// processes it was asked to start. Failures are injected by a wrapper
// (tests/support/fault_env.h).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/env.h"

namespace vaxo {

class MemEnv : public Env {
 public:
  /// Errors name the operation: "list", "attributes", "set-attributes",
  /// "size", "read", "replace", "append", "copy", "delete", "run".
  using ChildHook = std::function<int(const std::string& application, const std::string& cmdline)>;

  MemEnv();
  ~MemEnv() override;

  // --- test set-up and inspection -----------------------------------------
  /// Creates the directory and every missing parent.
  void AddDirectory(const std::string& path);
  /// Creates or replaces a file (parents created as needed).
  void AddFile(const std::string& path, const std::string& content,
               uint32_t attributes = kAttrArchive);
  bool FileExists(const std::string& path) const;
  /// Content of a file; empty when missing.
  std::string FileContent(const std::string& path) const;
  uint32_t Attributes(const std::string& path) const;  ///< 0 when missing
  /// The path as the file or folder was named when made; empty when missing.
  std::string PathAsMade(const std::string& path) const;
  /// Every file path (as stored) below `dir`, sorted.
  std::vector<std::string> FilesBelow(const std::string& dir) const;
  /// The name by which `path` is found: its letters in upper case, "\"
  /// between names, "." and ".." resolved, below the current directory
  /// when it has no drive.
  std::string Key(const std::string& path) const;
  /// Names are matched by `system`'s letter case (code page 1252 unless set).
  void set_letter_case(Env* system) { letter_case_ = system; }
  std::string UpperCase(const std::string& text) override;

  void set_child_hook(ChildHook hook) { child_hook_ = std::move(hook); }
  void set_timestamp(std::string t) { timestamp_ = std::move(t); }
  void set_sortable_time(std::string t) { sortable_time_ = std::move(t); }
  void set_program_directory(std::string d) { program_directory_ = std::move(d); }
  /// Where paths without a drive lie ("C:\\" unless set; a drive path).
  void set_current_directory(std::string d) { current_directory_ = std::move(d); }
  void set_command_line_tail(std::string t) { command_line_tail_ = std::move(t); }
  /// (application, command line) of every child started, in order.
  const std::vector<std::pair<std::string, std::string>>& children() const { return children_; }
  int events_processed() const { return events_processed_; }
  /// The texts given to ReportError, in order.
  const std::vector<std::string>& reported() const { return reported_; }

  // --- Env ----------------------------------------------------------------
  Status ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override;
  Status GetAttributes(const std::string& path, uint32_t* attributes) override;
  Status SetArchiveOnly(const std::string& path) override;
  Status SetAttributes(const std::string& path, uint32_t attributes) override;
  Status CreateDirectory(const std::string& path) override;
  Status GetFileSize(const std::string& path, uint64_t* size) override;
  Status ReadFile(const std::string& path, std::string* content) override;
  Status ReplaceFile(const std::string& path, const std::string& content) override;
  Status NewReplacement(const std::string& path, std::unique_ptr<ReplacementFile>* file) override;
  Status AppendFile(const std::string& path, const std::string& content) override;
  Status AppendFileSynced(const std::string& path, const std::string& content) override {
    return AppendFile(path, content);
  }
  Status CopyFile(const std::string& src, const std::string& dst) override;
  Status DeleteFile(const std::string& path) override;
  Status RemoveDirectory(const std::string& path) override;
  /// Never waits: a lock held (by this process) is Busy at once.
  Status Lock(const std::string& path, int wait_ms, std::unique_ptr<EnvLock>* lock) override;
  int RunAndWait(const std::string& application, const std::string& command_line,
                 Status* start_error) override;
  void DoExitProcess(int code) override;
  std::string LocalTimestamp() override { return timestamp_; }
  std::string SortableLocalTime() override { return sortable_time_; }
  std::string ProgramDirectory() override { return program_directory_; }
  std::string FullPath(const std::string& path) override;
  std::string CommandLineTail() override { return command_line_tail_; }
  void ProcessEvents() override { ++events_processed_; }
  void ReportError(const std::string& text) override { reported_.push_back(text); }
  Status WriteStd(int stream, const std::string& bytes) override;
  bool IsTerminal(int stream) override {
    return stream == 0 ? !stdin_lines_.empty() : terminal_[stream == 2];
  }
  bool ReadStdinLine(std::string* line) override;

  /// Lines that standard input will give; while any are left, standard
  /// input counts as a terminal.
  void set_stdin_lines(std::vector<std::string> lines) { stdin_lines_ = std::move(lines); }
  /// Standard output (1) or error (2) counts as a terminal.
  void set_terminal(int stream, bool terminal) { terminal_[stream == 2] = terminal; }
  const std::string& std_out() const { return std_out_; }
  const std::string& std_err() const { return std_err_; }

 private:
  struct Node {
    std::string path;  // as created
    bool is_dir = false;
    uint32_t attributes = 0;
    std::string content;
  };
  /// Key without the upper-casing.
  std::string FullForm(const std::string& path) const;
  static std::string Parent(const std::string& key);
  Node* Find(const std::string& path);
  const Node* Find(const std::string& path) const;
  /// Why `path` cannot be written; ok when it can.
  Status Refusal(const char* op, const std::string& path) const;
  Status WriteNode(const char* op, const std::string& path, const std::string& content,
                   bool append);

  std::map<std::string, Node> nodes_;  // by upper-cased normalised path
  std::shared_ptr<std::set<std::string>> locks_ = std::make_shared<std::set<std::string>>();
  ChildHook child_hook_;
  std::string timestamp_ = "08.12.2026 14:41:34";
  std::string sortable_time_ = "20261208-144134";
  std::string program_directory_ = "C:\\TOOLS";
  std::string current_directory_ = "C:\\";
  std::string command_line_tail_;
  std::vector<std::pair<std::string, std::string>> children_;
  std::vector<std::string> stdin_lines_;
  std::vector<std::string> reported_;
  std::string std_out_, std_err_;
  int events_processed_ = 0;
  bool terminal_[2] = {false, false};
  Env* letter_case_ = nullptr;
};

/// The ReplacementFile of an Env that keeps its files in memory: the pieces
/// gather here and go to the Env's ReplaceFile whole on Commit, so the
/// target changes at once or not at all. `env` must outlive it.
class WholeReplacement : public ReplacementFile {
 public:
  WholeReplacement(Env* env, std::string path) : env_(env), path_(std::move(path)) {}
  Status Append(std::string_view bytes) override;
  Status Commit() override;

 private:
  Env* env_;
  std::string path_, bytes_;
  bool done_ = false;  // Commit was called: nothing more is taken
};

}  // namespace vaxo
