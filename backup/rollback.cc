#include "backup/rollback.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "backup/backup_sets.h"
#include "backup/journal.h"
#include "backup/set_paths.h"
#include "base/text.h"

namespace vaxo {
namespace backup {

namespace {

// What the journal says of one file.
struct FileState {
  std::string path;
  size_t first = 0;             // order of the first record
  bool has_attributes = false;  // its attributes before the run are known
  uint32_t attributes = 0;
  bool content_known = false;  // its bytes before the run are known (or that it was absent)
  bool absent = false;         // it did not exist before the run
  std::string pack;            // where its bytes are
  size_t offset = 0, size = 0;
  std::string fingerprint;  // of its bytes; empty in sets of earlier versions
  nlohmann::json after;     // what the run left in it: a fingerprint, "absent", null: unknown
  bool changed_content = false;
  bool restored = false;
};

// `path` is the name as it was on disk when its bytes were saved.
void Before(FileState* f, const std::string& path, const nlohmann::json& before, size_t order) {
  if (f->first == 0) f->first = order;
  if (f->content_known) return;
  f->content_known = true;
  if (before.is_string()) {  // "absent"
    f->absent = true;
    return;
  }
  f->path = path;
  f->pack = before.value("pack", "");
  f->offset = before.value("offset", size_t(0));
  f->size = before.value("size", size_t(0));
  f->fingerprint = before.value("fingerprint", "");
  if (!f->has_attributes) {
    f->has_attributes = true;
    f->attributes = before.value("attributes", uint32_t(kAttrArchive));
  }
}

class Rollbacker {
 public:
  Rollbacker(Env* env, std::string set, bool force, std::vector<std::string>* out)
      : env_(env), set_(std::move(set)), force_(force), out_(out), journal_(env, JournalOf(set_)) {}

  int Run();
  Status Places(std::map<std::string, SavedPlace>* places);

 private:
  Status Load();
  /// Lines for whatever the journal names that no run can have changed.
  void Check(const std::vector<nlohmann::json>& records);
  void Refuse(const std::string& what, const std::string& why);
  void One(FileState& f);
  Status RestoreBytes(const FileState& f);
  Status Remove(const FileState& f);
  bool Pack(const std::string& name, std::string* bytes);
  SavedPlace PlaceOf(const FileState& f) const {
    SavedPlace place;
    place.existed = !f.absent;
    if (place.existed) place.pack = set_ + "\\" + f.pack;
    place.offset = f.offset;
    place.size = f.size;
    place.fingerprint = f.fingerprint;
    return place;
  }
  void Done(FileState& f, const std::string& line);
  void Failed(const FileState& f, const Status& s);

  Env* env_;
  std::string set_;
  bool force_;
  std::vector<std::string>* out_;
  Journal journal_;
  std::map<std::string, FileState> files_;
  std::map<std::string, std::string> packs_;
  std::set<std::string> folders_;  // the set's machine-data folders, by key
  std::vector<std::string> refused_;
  bool rolled_back_ = false;
  int restored_ = 0, removed_ = 0, attributes_ = 0, left_ = 0, failed_ = 0;
};

Status Rollbacker::Load() {
  std::vector<nlohmann::json> records;
  Status s = Journal::Read(env_, journal_.path(), &records);
  if (s.IsNotFound()) return Status::OK();  // stopped before its first line: nothing changed
  if (!s.ok()) return s;
  Check(records);
  size_t order = 0;
  for (const auto& r : records) {
    ++order;
    const std::string kind = r.value("kind", "");
    if (kind == "rolled-back") rolled_back_ = true;
    if (kind == "saved") {
      for (const auto& file : r["files"]) {
        const std::string path = Utf8ToLatin1(file.value("path", ""));
        FileState& f = files_[PathKey(env_, path)];
        f.path = path;
        nlohmann::json before = file;
        before["pack"] = r.value("pack", "");
        Before(&f, path, before, order);
      }
      continue;
    }
    if (!r.contains("path")) continue;
    const std::string path = Utf8ToLatin1(r.value("path", ""));
    FileState& f = files_[PathKey(env_, path)];
    if (f.path.empty()) f.path = path;
    if (kind == "attributes") {
      if (f.first == 0) f.first = order;
      if (!f.has_attributes) {
        f.has_attributes = true;
        f.attributes = r.value("before", uint32_t(kAttrArchive));
      }
    } else if (kind == "change") {
      if (r.contains("before")) Before(&f, path, r["before"], order);
      if (f.first == 0) f.first = order;
      f.changed_content = true;
      f.after = r["after"];
    } else if (kind == "written") {
      f.after = r["after"];
    } else if (kind == "restored") {
      f.restored = true;
    }
  }
  return Status::OK();
}

void Rollbacker::Refuse(const std::string& what, const std::string& why) {
  refused_.push_back("refused    " + what + ": " + why);
}

void Rollbacker::Check(const std::vector<nlohmann::json>& records) {
  // The log's folder and the sets below it are the run's own, never an
  // installation's.
  const std::string sets = PathKey(env_, FolderOf(set_));
  const std::string log_dir = PathKey(env_, FolderOf(sets));
  for (const auto& r : records) {
    if (r.value("kind", "") != "folder") continue;
    const std::string folder = Utf8ToLatin1(r.value("path", ""));
    const std::string key = PathKey(env_, folder);
    if (!IsPlainFullPath(folder))
      Refuse(folder, "a folder that is no full path without \".\" and \"..\"");
    else if (key == log_dir || (key + "\\").compare(0, sets.size() + 1, sets + "\\") == 0)
      Refuse(folder, "the log's folder");
    else
      folders_.insert(PathKey(env_, folder));
  }
  auto file = [&](const nlohmann::json& path, bool bytes) {
    const std::string p = path.is_string() ? Utf8ToLatin1(path.get<std::string>()) : "";
    if (!IsPlainFullPath(p))
      Refuse(p, "no full path without \".\" and \"..\"");
    else if (!folders_.count(PathKey(env_, FolderOf(p))))
      Refuse(p, "not in a machine-data folder the set names");
    else if (bytes && !IsDataFileName(env_, p.substr(p.find_last_of('\\') + 1)))
      Refuse(p, "no data file ($*.dat, *.servo)");
  };
  auto pack = [&](const nlohmann::json& name) {
    if (!name.is_string() || !IsPackName(name.get<std::string>()))
      Refuse("pack " + (name.is_string() ? Utf8ToLatin1(name.get<std::string>()) : name.dump()),
             "no pack of the set");
  };
  for (const auto& r : records) {
    const std::string kind = r.value("kind", "");
    if (kind == "saved") {
      pack(r.value("pack", nlohmann::json()));
      if (r.contains("files") && r["files"].is_array())
        for (const auto& f : r["files"]) file(f.value("path", nlohmann::json()), true);
    } else if (kind == "change") {
      file(r.value("path", nlohmann::json()), true);
      const nlohmann::json before = r.value("before", nlohmann::json());
      if (before.is_object()) pack(before.value("pack", nlohmann::json()));
    } else if (kind == "written") {
      file(r.value("path", nlohmann::json()), true);
    } else if (kind == "attributes" || kind == "restored") {
      file(r.value("path", nlohmann::json()), false);
    }
  }
}

bool Rollbacker::Pack(const std::string& name, std::string* bytes) {
  if (!IsPackName(name)) return false;
  auto it = packs_.find(name);
  if (it == packs_.end()) {
    std::string content;
    Status s = env_->ReadFile(set_ + "\\" + name, &content);
    if (!s.ok()) return false;
    it = packs_.emplace(name, std::move(content)).first;
  }
  *bytes = it->second;
  return true;
}

void Rollbacker::Done(FileState& f, const std::string& line) {
  out_->push_back(line + f.path);
  Status s = journal_.Append({{"kind", "restored"}, {"path", Latin1ToUtf8(f.path)}});
  if (!s.ok()) Failed(f, s);
}

void Rollbacker::Failed(const FileState& f, const Status& s) {
  ++failed_;
  out_->push_back("failed     " + f.path + ": " + s.ToString());
}

// A file the run removed and made again under another spelling is removed
// first, so that it comes back under its own name.
bool SpelledOtherwise(Env* env, const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return false;
  std::vector<DirEntry> entries;
  if (!env->ListDirectory(path.substr(0, slash), &entries).ok()) return false;
  const std::string name = path.substr(slash + 1);
  for (const DirEntry& e : entries)
    if (env->UpperCase(e.name) == env->UpperCase(name)) return e.name != name;
  return false;
}

Status Rollbacker::RestoreBytes(const FileState& f) {
  std::string pack, bytes;
  if (!Pack(f.pack, &pack)) pack.clear();
  Status s = SavedBytes(PlaceOf(f), pack, &bytes);
  if (!s.ok()) return s;
  uint32_t now = 0;
  if (env_->GetAttributes(f.path, &now).ok() && (now & kAttrReadOnly)) {
    s = env_->SetArchiveOnly(f.path);
    if (!s.ok()) return s;
  }
  if (SpelledOtherwise(env_, f.path)) {
    s = env_->DeleteFile(f.path);
    if (!s.ok()) return s;
  }
  s = env_->ReplaceFile(f.path, bytes);
  if (!s.ok()) return s;
  return env_->SetAttributes(f.path, f.attributes);
}

Status Rollbacker::Remove(const FileState& f) {
  uint32_t now = 0;
  if (env_->GetAttributes(f.path, &now).ok() && (now & kAttrReadOnly)) {
    Status s = env_->SetArchiveOnly(f.path);
    if (!s.ok()) return s;
  }
  return env_->DeleteFile(f.path);
}

// What the file holds now decides: what the run left (or, where the run
// could not know it, anything but the old bytes) is taken back; anything
// else was changed since the run and is left alone unless forced.
void Rollbacker::One(FileState& f) {
  uint32_t attributes = 0;
  Status found = env_->GetAttributes(f.path, &attributes);
  if (!found.ok() && !found.IsNotFound()) return Failed(f, found);
  std::string bytes;
  if (found.ok() && !(attributes & kAttrDirectory)) {
    Status s = env_->ReadFile(f.path, &bytes);
    if (!s.ok()) return Failed(f, s);
  }
  const std::string now = found.ok() ? Fingerprint(bytes) : std::string("absent");
  const bool as_left = f.after.is_null() || (f.after.is_string() && f.after == now);

  if (f.changed_content && f.absent) {  // the run made it
    if (!found.ok()) return;
    if (!as_left && !force_) {
      ++left_;
      out_->push_back("left alone " + f.path + ": changed since the run (--force removes it)");
      return;
    }
    Status s = Remove(f);
    if (!s.ok()) return Failed(f, s);
    ++removed_;
    return Done(f, "removed    ");
  }
  if (f.changed_content && f.content_known) {  // the run changed its bytes
    std::string pack;
    const bool old = found.ok() && Pack(f.pack, &pack) && f.offset + f.size <= pack.size() &&
                     bytes == pack.substr(f.offset, f.size);
    if (old) {
      if ((attributes & ~uint32_t(kAttrDirectory)) == f.attributes) return;
    } else if (!as_left && !force_) {
      ++left_;
      out_->push_back("left alone " + f.path + ": " +
                      (found.ok() ? "changed since the run" : "gone since the run") +
                      " (--force restores it)");
      return;
    }
    Status s = RestoreBytes(f);
    if (!s.ok()) return Failed(f, s);
    ++restored_;
    return Done(f, "restored   ");
  }
  if (f.has_attributes && found.ok()) {  // only its attributes were reset
    if (attributes == f.attributes) return;
    if (attributes != kAttrArchive && !force_) {
      ++left_;
      out_->push_back("left alone " + f.path +
                      ": attributes changed since the run (--force sets them back)");
      return;
    }
    Status s = env_->SetAttributes(f.path, f.attributes);
    if (!s.ok()) return Failed(f, s);
    ++attributes_;
    return Done(f, "attributes ");
  }
}

Status Rollbacker::Places(std::map<std::string, SavedPlace>* places) {
  Status s = Load();
  if (!s.ok()) return s;
  for (const auto& kv : files_) {
    const FileState& f = kv.second;
    if (!f.changed_content || !f.content_known) continue;
    (*places)[kv.first] = PlaceOf(f);
  }
  return Status::OK();
}

int Rollbacker::Run() {
  const std::string name = set_.substr(set_.find_last_of('\\') + 1);
  Status s = Load();
  if (!s.ok()) {
    out_->push_back("rollback of " + name + " failed: " + s.ToString());
    return kRollbackFailed;
  }
  if (rolled_back_) {
    out_->push_back("set " + name + " was rolled back already; nothing done");
    return kAllRestored;
  }
  if (!refused_.empty()) {
    // A journal that names more than a run can have changed is not a run's
    // own: none of it is done.
    out_->insert(out_->end(), refused_.begin(), refused_.end());
    out_->push_back("rollback of " + name + " refused: its journal names " +
                    std::to_string(refused_.size()) +
                    " thing(s) no run changes (above); nothing done");
    return kRollbackFailed;
  }
  // A replace killed half-way (of the run or of a rollback) left its
  // temporary copy beside the file; only files whose bytes change are
  // replaced.
  for (auto& kv : files_) {
    if (!kv.second.changed_content) continue;
    std::vector<std::string> temps;
    s = env_->RemoveStrayTemporaries(kv.second.path, &temps);
    if (!s.ok()) Failed(kv.second, s);
    for (const std::string& temp : temps)
      out_->push_back("temporary  " + temp + ": left by a replace that was stopped; removed");
  }
  std::vector<FileState*> order;
  for (auto& kv : files_)
    if (!kv.second.restored) order.push_back(&kv.second);
  // The last change first, as the run would undo itself.
  std::sort(order.begin(), order.end(),
            [](const FileState* a, const FileState* b) { return a->first > b->first; });
  for (FileState* f : order) One(*f);
  out_->push_back("rollback of " + name + ": " + std::to_string(restored_) + " restored, " +
                  std::to_string(removed_) + " removed, " + std::to_string(attributes_) +
                  " with attributes set back, " + std::to_string(left_) + " left alone" +
                  (failed_ ? ", " + std::to_string(failed_) + " failed" : ""));
  if (failed_) return kRollbackFailed;
  if (left_) return kSomeLeftAlone;
  s = journal_.Append({{"kind", "rolled-back"}});
  if (!s.ok()) {
    out_->push_back("cannot note the rollback in the set: " + s.ToString());
    return kRollbackFailed;
  }
  return kAllRestored;
}

}  // namespace

int Rollback(Env* env, const std::string& set_folder, bool force, std::vector<std::string>* out) {
  return Rollbacker(env, set_folder, force, out).Run();
}

Status SavedBytes(const SavedPlace& place, const std::string& pack, std::string* bytes) {
  bytes->clear();
  if (place.offset + place.size > pack.size())
    return Status::IOError("read", place.pack, "the saved bytes are missing");
  if (!place.fingerprint.empty() &&
      Fingerprint(std::string(pack, place.offset, place.size)) != place.fingerprint)
    return Status::IOError("read", place.pack,
                           "the saved bytes are damaged (they differ from their fingerprint)");
  bytes->assign(pack, place.offset, place.size);
  return Status::OK();
}

Status SavedPlaces(Env* env, const std::string& set_folder,
                   std::map<std::string, SavedPlace>* places) {
  places->clear();
  std::vector<std::string> unused;
  return Rollbacker(env, set_folder, false, &unused).Places(places);
}

}  // namespace backup
}  // namespace vaxo
