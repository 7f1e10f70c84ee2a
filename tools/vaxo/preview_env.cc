#include "tools/vaxo/preview_env.h"

#include "base/text.h"
#include "tools/valxfer/valxfer.h"

namespace vaxo {

namespace {

// A preview takes no lock: it writes nothing another run could spoil.
class NoLock : public EnvLock {};

std::string LastName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file's bytes and attributes in `env`; false when it is no file there.
bool FileIn(Env* env, const std::string& path, std::string* content, uint32_t* attributes) {
  return env->GetAttributes(path, attributes).ok() && !(*attributes & kAttrDirectory) &&
         env->ReadFile(path, content).ok();
}

}  // namespace

PreviewEnv::PreviewEnv(Env* real, std::string command_line)
    : OverlayEnv(real, std::string()), command_line_(std::move(command_line)) {}

void PreviewEnv::Changed(const std::string& path) {
  const std::string key = KeyOf(path);
  if (in_child_) by_child_.insert(key);
  if (changed_.insert(key).second) events_.push_back({false, path});
}

Status PreviewEnv::Lock(const std::string&, int, std::unique_ptr<EnvLock>* lock) {
  lock->reset(new NoLock);
  return Status::OK();
}

int PreviewEnv::RunAndWait(const std::string& application, const std::string& command_line,
                           Status* start_error) {
  events_.push_back({true, command_line});
  if (UCase(LastName(application)) != "VALXFER.EXE") {
    if (start_error) *start_error = Status::IOError("run", application, "not started in a preview");
    return 0;
  }
  // The program's own value transfer, on this environment, where the tool
  // would run: the command line after the tool's path is its tail.
  in_child_ = true;
  const std::string tail = command_line.compare(0, application.size(), application) == 0
                               ? command_line.substr(application.size())
                               : command_line;
  const int code = RunValXfer(tail).exit_code;
  in_child_ = false;
  return code;
}

void PreviewEnv::DoExitProcess(int code) { throw ProcessExit{code}; }

PreviewEnv::FileChange PreviewEnv::ChangeOf(const std::string& path) {
  FileChange change;
  if (!Holds(path)) return change;
  change.existed = FileIn(target(), path, &change.before, &change.attributes_before);
  change.exists = FileIn(this, path, &change.after, &change.attributes_after);
  change.by_child = by_child_.count(KeyOf(path)) > 0;
  return change;
}

}  // namespace vaxo
