#include "platform/posix_watch.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

#include "platform/letter_case.h"
#include "platform/posix_names.h"
#include "platform/posix_path.h"

namespace vaxo {
namespace posix {

namespace {

// What changes a folder's names, or what its names stand for.
constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                   IN_MOVE_SELF | IN_DELETE_SELF | IN_ONLYDIR;
// Those of them that name a name in the folder, made or gone.
constexpr uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// What changes what an append to a file may do: its attributes, its place.
constexpr uint32_t kFileEvents = IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF;

// File systems whose changes made on other machines raise no event here.
bool Remote(long type) {
  switch (type) {
    case 0x6969:      // NFS
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x517B:      // SMB
    case 0x65735546:  // FUSE
    case 0x01021997:  // 9P
      return true;
    default:
      return false;
  }
}

// Set by the kernel's signal when it queues a change (see Folders::Arm).
std::atomic<bool> queued{true};
static_assert(std::atomic<bool>::is_always_lock_free, "set in a signal handler");

void OnQueued(int) { queued.store(true); }

// True on the one thread the kernel signals; a child made by fork has its
// thread, but the signals still go to the parent's.
thread_local bool signalled = false;

void NotSignalled() { signalled = false; }

// One folder's names, each under its upper-case key, in key order.
struct Kept {
  std::vector<std::pair<std::string, std::string>> by_key;
};

class Folders {
 public:
  static Folders& Get() {
    static Folders* folders = new Folders();  // lives until the process ends
    return *folders;
  }

  int Matches(const std::string& dir, const std::string& wanted, std::vector<std::string>* matches,
              const char** call) {
    std::lock_guard<std::mutex> lock(mu_);
    Drain();
    auto it = kept_.find(dir);
    if (it == kept_.end()) {
      // The watch first: a change while the names are read is then reported.
      const bool watched = Watch(dir, kFolderEvents);
      std::vector<std::string> names;
      const int err = ListNames(dir, &names, call);
      if (err != 0) return err;
      Kept kept;
      for (std::string& name : names) kept.by_key.emplace_back(UpperCaseCp1252(name), name);
      std::sort(kept.by_key.begin(), kept.by_key.end());
      if (!watched) return Find(kept, wanted, matches);
      it = kept_.emplace(dir, std::move(kept)).first;
    }
    return Find(it->second, wanted, matches);
  }

  uint64_t Mark() {
    std::lock_guard<std::mutex> lock(mu_);
    Drain();
    return fd_ < 0 ? 0 : changes_;
  }

  bool WatchFile(const std::string& host) {
    std::lock_guard<std::mutex> lock(mu_);
    return Watch(host, kFileEvents);
  }

 private:
  Folders() {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    changes_ = 1;
    if (fd_ >= 0) Arm();
  }

  // Reading an empty queue is a system call, and the log alone looks at
  // the queue once an entry. So the kernel is asked to signal this thread
  // whenever it queues a change: the change's own call raises the signal,
  // and it is handled before that call returns here, or before the next
  // call of this thread returns when another process made the change (the
  // only way to learn of it is a call: the wait for a child, a read). This
  // thread reads the queue only after a signal; every other thread still
  // reads it on every look. Where SIGIO has another use, nothing is armed.
  void Arm() {
    struct sigaction old;
    if (sigaction(SIGIO, nullptr, &old) != 0 || old.sa_handler != SIG_DFL ||
        (old.sa_flags & SA_SIGINFO))
      return;
    struct sigaction action = {};
    action.sa_handler = OnQueued;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    const f_owner_ex owner = {F_OWNER_TID, gettid()};
    const int flags = fcntl(fd_, F_GETFL);
    if (flags < 0 || pthread_atfork(nullptr, nullptr, NotSignalled) != 0 ||
        sigaction(SIGIO, &action, nullptr) != 0 || fcntl(fd_, F_SETOWN_EX, &owner) != 0 ||
        fcntl(fd_, F_SETFL, flags | O_ASYNC) != 0)
      return;
    signalled = true;
  }

  static int Find(const Kept& kept, const std::string& wanted, std::vector<std::string>* matches) {
    const std::string key = UpperCaseCp1252(wanted);
    auto first = std::lower_bound(kept.by_key.begin(), kept.by_key.end(),
                                  std::make_pair(key, std::string()));
    for (auto i = first; i != kept.by_key.end() && i->first == key; ++i)
      matches->push_back(i->second);
    return 0;  // in byte order: the key ties break on the name
  }

  bool Watch(const std::string& host, uint32_t events) {
    if (fd_ < 0) return false;
    struct statfs fs;
    if (statfs(host.c_str(), &fs) != 0 || Remote(long(fs.f_type))) return false;
    const int wd = inotify_add_watch(fd_, host.c_str(), events);
    if (wd < 0) return false;
    std::vector<std::string>& paths = watched_[wd];
    if (std::find(paths.begin(), paths.end(), host) == paths.end()) paths.push_back(host);
    return true;
  }

  // Reads the kernel's queue: a name made or gone in a kept folder is made
  // or removed there; a place that changed itself is forgotten with every
  // folder below it (a folder moved takes its subfolders along).
  void Drain() {
    if (fd_ < 0) return;
    if (signalled) {
      if (!queued.load()) return;
      queued.store(false);  // before the read: a change queued after it signals again
    }
    alignas(inotify_event) char buf[16384];
    while (true) {
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) {
        if (n < 0 && errno == EINTR) continue;
        return;
      }
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buf + at);
        at += ssize_t(sizeof(inotify_event) + event->len);
        ++changes_;
        if (event->mask & IN_Q_OVERFLOW) {
          kept_.clear();
          continue;
        }
        auto w = watched_.find(event->wd);
        if (w == watched_.end()) continue;
        if (event->len == 0) {  // the place itself
          for (const std::string& place : w->second) Forget(place);
        } else if (event->mask & kNameEvents) {
          const std::string name = event->name;
          const bool there = event->mask & (IN_CREATE | IN_MOVED_TO);
          for (const std::string& place : w->second) Update(place, name, there);
        }
        if (event->mask & IN_IGNORED) watched_.erase(w);
      }
    }
  }

  // A name made, removed or moved in the folder `place`: its kept names
  // follow, and whatever was kept below that name is forgotten (another
  // folder may stand there now). An attribute of a name changes no name.
  void Update(const std::string& place, const std::string& name, bool there) {
    Forget(JoinHost(place, name));
    auto it = kept_.find(place);
    if (it == kept_.end() || name == "." || name == ".." || !IsWindowsName(name)) return;
    std::vector<std::pair<std::string, std::string>>& by_key = it->second.by_key;
    auto entry = std::make_pair(UpperCaseCp1252(name), name);
    auto at = std::lower_bound(by_key.begin(), by_key.end(), entry);
    const bool kept = at != by_key.end() && *at == entry;
    if (there && !kept) by_key.insert(at, std::move(entry));
    if (!there && kept) by_key.erase(at);
  }

  void Forget(const std::string& place) {
    kept_.erase(place);
    const std::string below = place == "/" ? place : place + "/";
    auto it = kept_.lower_bound(below);
    while (it != kept_.end() && it->first.compare(0, below.size(), below) == 0)
      it = kept_.erase(it);
  }

  std::mutex mu_;
  int fd_ = -1;
  uint64_t changes_ = 0;
  std::map<std::string, Kept> kept_;                 // by host folder
  std::map<int, std::vector<std::string>> watched_;  // the places of each watch
};

}  // namespace

int FolderMatches(const std::string& dir, const std::string& wanted,
                  std::vector<std::string>* matches, const char** call) {
  return Folders::Get().Matches(dir, wanted, matches, call);
}

uint64_t ChangeMark() { return Folders::Get().Mark(); }

bool WatchFile(const std::string& host) { return Folders::Get().WatchFile(host); }

}  // namespace posix
}  // namespace vaxo
