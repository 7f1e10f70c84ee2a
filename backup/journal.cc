#include "backup/journal.h"

namespace vaxo {
namespace backup {

std::string JsonText(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      text += char(c);
    } else {
      text += char(0xC0 | (c >> 6));
      text += char(0x80 | (c & 0x3F));
    }
  }
  return text;
}

std::string Bytes(const std::string& json_text) {
  std::string bytes;
  bytes.reserve(json_text.size());
  for (size_t i = 0; i < json_text.size(); ++i) {
    const unsigned char c = json_text[i];
    if (c >= 0xC0 && c <= 0xC3 && i + 1 < json_text.size()) {
      bytes += char(((c & 0x03) << 6) | (json_text[++i] & 0x3F));
    } else {
      bytes += char(c);
    }
  }
  return bytes;
}

std::string Fingerprint(const std::string& bytes) {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  static const char kHex[] = "0123456789abcdef";
  std::string text = std::to_string(bytes.size()) + ":";
  for (int shift = 60; shift >= 0; shift -= 4) text += kHex[(hash >> shift) & 0xF];
  return text;
}

Status Journal::Append(const nlohmann::json& record) {
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
