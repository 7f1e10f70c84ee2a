#include "backup/journal.h"

namespace vaxo {
namespace backup {

void FingerprintOf::Add(std::string_view bytes) {
  for (unsigned char c : bytes) hash_ = (hash_ ^ c) * 1099511628211ull;
  size_ += bytes.size();
}

std::string FingerprintOf::Text() const {
  static const char kHex[] = "0123456789abcdef";
  std::string text = std::to_string(size_) + ":";
  for (int shift = 60; shift >= 0; shift -= 4) text += kHex[(hash_ >> shift) & 0xF];
  return text;
}

std::string Fingerprint(const std::string& bytes) {
  FingerprintOf f;
  f.Add(bytes);
  return f.Text();
}

Status Journal::Append(const nlohmann::json& record) {
  if (!whole_) {
    // A process killed while it appended may have left a line without its
    // end: cut it, or what comes next would join it and spoil both.
    std::string text;
    Status s = env_->ReadFile(path_, &text);
    if (s.ok() && !text.empty() && text.back() != '\n') {
      s = env_->ReplaceFile(path_, text.substr(0, text.find_last_of('\n') + 1));
      if (!s.ok()) return s;
    } else if (!s.ok() && !s.IsNotFound()) {
      return s;
    }
    whole_ = true;
  }
  return env_->AppendFileSynced(path_, record.dump() + "\n");
}

Status Journal::Read(Env* env, const std::string& path, std::vector<nlohmann::json>* records) {
  records->clear();
  std::string text;
  Status s = env->ReadFile(path, &text);
  if (!s.ok()) return s;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find('\n', pos);
    if (end == std::string::npos) break;  // torn: the line end never reached the disk
    nlohmann::json record = nlohmann::json::parse(text.substr(pos, end - pos), nullptr, false);
    pos = end + 1;
    if (!record.is_object()) {
      if (pos >= text.size()) break;  // a torn last line
      return Status::IOError(
          "read", path,
          "line " + std::to_string(records->size() + 1) + " of the journal is damaged");
    }
    records->push_back(std::move(record));
  }
  return Status::OK();
}

}  // namespace backup
}  // namespace vaxo
