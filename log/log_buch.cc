#include "log/log_buch.h"

#include <string_view>

#include "base/text.h"
#include "log/log_texts.h"
#include "platform/env.h"

namespace vaxo {

namespace {

/// `head`, the message, `tail` and the line end in one piece: a run writes
/// one entry per line it merges.
std::string Framed(std::string_view head, std::string_view m, std::string_view tail) {
  std::string entry;
  entry.reserve(head.size() + m.size() + tail.size() + 2);
  entry.append(head).append(m).append(tail).append("\r\n");
  return entry;
}

}  // namespace

std::string CLSLogBuch::FormatEntry(int32_t Typ, const std::string& meldung) {
  const std::string_view m = Trimmed(meldung);
  switch (Typ) {
    case TypInfo:
      return Framed("    ", m, "");
    case TypTitle: {
      const std::string dashes(m.size() + 6, '-');
      return "\r\n" + dashes + "\r\n-- " + std::string(m) + " --\r\n" + dashes + "\r\n";
    }
    case TypError:
      return Framed("!!! ", m, " !!!");
    case TypWarning:
      return Framed("### ", m, " ###");
    default:
      return Framed("??? ", m, " ???");
  }
}

void CLSLogBuch::Log(int32_t Typ, const std::string& meldung) {
  if (!on_) return;
  if (sink_) return sink_(FormatEntry(Typ, meldung));
  ThrowIfError(Env::Default()->AppendFile(path_, FormatEntry(Typ, meldung)));
}

void CLSLogBuch::LogState(bool status) {
  if (!status) {
    Log(TypInfo, "Logbuch switch off");
    on_ = false;
  } else {
    on_ = true;
  }
}

void CLSLogBuch::LogFile(const std::string& Datei) {
  on_ = true;
  Env* env = Env::Default();
  // Every log holds exactly one run: whatever file stands at the path
  // (hidden, system or read-only too) loses its attributes and is removed.
  // Only a file that is really missing needs no removal; one that cannot be
  // looked at or removed would otherwise be appended to, so it stops the run.
  uint32_t attributes = 0;
  const Status found = env->GetAttributes(Datei, &attributes);
  if (!found.IsNotFound()) ThrowIfError(found);
  if (found.ok() && !(attributes & kAttrDirectory)) {
    ThrowIfError(env->SetArchiveOnly(Datei));
    ThrowIfError(env->DeleteFile(Datei));
  }
  path_ = Datei;
  Log(TypInfo, log_text::kTimePoint.Format(env->LocalTimestamp()));
}

void CLSLogBuch::LogDummyMode(bool status) {
  if (status) Log(TypInfo, "Dummy-Modus Upgrade-Servers is actived");
}

CLSLogBuch& LogBuch() {
  static CLSLogBuch* instance = new CLSLogBuch();  // lives until the process ends
  return *instance;
}

}  // namespace vaxo
