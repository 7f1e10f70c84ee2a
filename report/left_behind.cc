#include "report/left_behind.h"

#include <cstring>

#include "base/text.h"

namespace vaxo {
namespace report {
namespace {

// A variable line: the line with spaces at its ends removed, and its key and
// value in the engine's normal form (spaces removed, upper case).
struct Variable {
  std::string_view line, key, value;
  uint64_t hash = 0;
};

// FNV-1a, a byte at a time: a key is hashed as its form is written.
constexpr uint64_t kHashStart = 14695981039346656037ull;
uint64_t HashStep(uint64_t hash, char c) { return (hash ^ uint8_t(c)) * 1099511628211ull; }

// The form of the key of the line from `p`, its first character other than
// a space: up to the first "=", spaces removed, upper case, and the "=",
// written to `*forms` and hashed. Returns where it stopped, the "=" when
// the line has one; a line without is no variable, and `*forms` stays.
const char* FormKey(const char* p, const char* end, char** forms, uint64_t* hash) {
  char* out = *forms;
  uint64_t h = kHashStart;
  for (; p < end && *p != '=' && *p != '\r' && *p != '\n'; ++p) {
    if (*p == ' ') continue;
    *out = UpperAscii(*p);
    h = HashStep(h, *out++);
  }
  if (p == end || *p != '=') return p;
  *out++ = '=';
  *hash = HashStep(h, '=');
  *forms = out;
  return p;
}

// Calls `each` with every variable line of `text` in line order. Lines are
// the runs between CR and LF that hold more than spaces; a line whose first
// character other than a space is ";", or that holds no "=", is none. The
// forms are written to `forms`, which must have room for the whole text,
// and stay there.
template <class Each>
void ForEachVariable(std::string_view text, char* forms, Each each) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    while (p < end && (*p == '\r' || *p == '\n')) ++p;
    while (p < end && *p == ' ') ++p;
    const char* const first = p;
    if (p == end || *p == '\r' || *p == '\n') continue;  // blank
    if (*p == ';') {
      while (p < end && *p != '\r' && *p != '\n') ++p;
      continue;
    }
    char* const key = forms;
    uint64_t hash = 0;
    p = FormKey(p, end, &forms, &hash);
    if (p == end || *p != '=') continue;  // no "="
    char* const value = forms;
    for (++p; p < end && *p != ';' && *p != '\r' && *p != '\n'; ++p)
      if (*p != ' ') *forms++ = UpperAscii(*p);
    while (p < end && *p != '\r' && *p != '\n') ++p;
    const char* last = p;
    while (last[-1] == ' ') --last;  // the first character is not a space
    Variable v;
    v.line = std::string_view(first, size_t(last - first));
    v.key = std::string_view(key, size_t(value - key));
    v.value = std::string_view(value, size_t(forms - value));
    v.hash = hash;
    each(v);
  }
}

// Calls `each` with the key of every rule of `upg_text`, as the engine forms
// it: the rule's line (a line as above) up to and including the first "=",
// upper case; here with the spaces removed as well. `key` is the buffer.
template <class Each>
void ForEachRuleKey(std::string_view upg_text, std::string* key, Each each) {
  const char* p = upg_text.data();
  const char* const end = p + upg_text.size();
  while (p < end) {
    key->clear();
    bool eq = false;
    for (; p < end && *p != '\r' && *p != '\n'; ++p) {
      if (eq || *p == ' ') continue;
      *key += UpperAscii(*p);
      eq = *p == '=';
    }
    if (!key->empty()) each(std::string_view(*key));  // a blank line is none
    while (p < end && (*p == '\r' || *p == '\n')) ++p;
  }
}

uint64_t HashOf(std::string_view key) {
  uint64_t hash = kHashStart;
  for (char c : key) hash = HashStep(hash, c);
  return hash;
}

}  // namespace

// One table of keys (open addressing) for a file: the names passed over and
// the new file's first line of each key. A slot counts for the file whose
// stamp it bears, so a new file clears nothing.
struct LeftBehindFinder::Tables {
  struct Slot {
    std::string_view key;
    uint64_t hash = 0;
    uint32_t stamp = 0;
    bool passed = false;  // named, or seen in the old file already
    bool in_new = false;
    std::string_view new_line, new_value;
  };

  std::vector<Slot> slots = std::vector<Slot>(1024);
  size_t used = 0;
  uint32_t stamp = 1;
  std::string names, new_forms, key;
  std::vector<std::pair<size_t, size_t>> name_spans;  // into `names`

  // The slot of `key`, taken for it when it has none.
  Slot& At(std::string_view key, uint64_t hash) {
    if (2 * (used + 1) > slots.size()) Grow();
    const size_t mask = slots.size() - 1;
    for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
      Slot& s = slots[i];
      if (s.stamp != stamp) {
        s = Slot();
        s.key = key;
        s.hash = hash;
        s.stamp = stamp;
        ++used;
        return s;
      }
      if (s.hash == hash && s.key == key) return s;
    }
  }

  void Grow() {
    std::vector<Slot> old(slots.size() * 2);
    old.swap(slots);
    const size_t mask = slots.size() - 1;
    for (const Slot& s : old) {
      if (s.stamp != stamp) continue;
      size_t i = size_t(s.hash) & mask;
      while (slots[i].stamp == stamp) i = (i + 1) & mask;
      slots[i] = s;
    }
  }

  void StartFile() {
    used = 0;
    if (++stamp == 0) {  // after four billion files: clear once
      for (Slot& s : slots) s.stamp = 0;
      stamp = 1;
    }
  }

  void AddName(std::string_view key) {
    name_spans.emplace_back(names.size(), key.size());
    names.append(key.data(), key.size());
  }
};

LeftBehindFinder::LeftBehindFinder() : t_(new Tables) {}
LeftBehindFinder::~LeftBehindFinder() = default;

const char* LeftKindName(LeftValue::Kind kind) {
  return kind == LeftValue::Kind::kDiffers ? "differs" : "old-only";
}

void LeftBehindFinder::NameRulesOf(std::string_view upg_text) {
  ForEachRuleKey(upg_text, &t_->key, [this](std::string_view key) { t_->AddName(key); });
}

void LeftBehindFinder::Name(std::string_view key) { t_->AddName(key); }

void LeftBehindFinder::Find(std::string_view old_text, std::string_view new_text,
                            LeftBehindList* out) {
  Tables& t = *t_;
  t.StartFile();
  for (const auto& span : t.name_spans) {
    const std::string_view key(t.names.data() + span.first, span.second);
    t.At(key, HashOf(key)).passed = true;
  }
  // The forms are never longer than their lines.
  t.new_forms.resize(new_text.size());
  ForEachVariable(new_text, &t.new_forms[0], [&t](const Variable& v) {
    Tables::Slot& s = t.At(v.key, v.hash);
    if (s.in_new) return;
    s.in_new = true;
    s.new_line = v.line;
    s.new_value = v.value;
  });
  out->values.clear();
  out->keys->resize(old_text.size());
  ForEachVariable(old_text, &(*out->keys)[0], [&t, out](const Variable& v) {
    Tables::Slot& s = t.At(v.key, v.hash);
    if (s.passed) return;
    s.passed = true;
    if (s.in_new && s.new_value == v.value) return;
    LeftValue found;
    found.key = v.key;
    found.kind = s.in_new ? LeftValue::Kind::kDiffers : LeftValue::Kind::kOldOnly;
    found.old_line = v.line;
    found.new_line = s.new_line;
    out->values.push_back(found);
  });
  // The names were this file's.
  t.names.clear();
  t.name_spans.clear();
}

namespace {

// The variable line that starts at `at` (its first character other than a
// space), its key's form written to `key` (room for the line); the key's
// size, or 0 when there is none.
size_t LineAt(std::string_view text, size_t at, char* key, std::string_view* line) {
  if (at >= text.size()) return 0;
  const char* const begin = text.data() + at;
  const char* const end = text.data() + text.size();
  if (*begin == ' ' || *begin == ';' || *begin == '\r' || *begin == '\n') return 0;
  char* k = key;
  uint64_t hash;
  const char* p = FormKey(begin, end, &k, &hash);
  if (p == end || *p != '=') return 0;
  while (p < end && *p != '\r' && *p != '\n') ++p;
  while (p[-1] == ' ') --p;
  *line = std::string_view(begin, size_t(p - begin));
  return size_t(k - key);
}

}  // namespace

bool LeftBehindFinder::Recall(std::string_view old_text, std::string_view new_text,
                              const std::vector<LeftSpot>& spots, LeftBehindList* out) {
  out->values.clear();
  // The keys are never longer than their lines, nor all of them than the
  // old text; a new line's key is formed after them, for the comparison.
  // The list's text only grows, so a file costs no allocation once the
  // largest has been seen.
  std::string& keys = *out->keys;
  if (keys.size() < old_text.size() + new_text.size())
    keys.resize(old_text.size() + new_text.size());
  char* const new_key = &keys[old_text.size()];
  char* at = &keys[0];
  for (const LeftSpot& spot : spots) {
    LeftValue v;
    const size_t size = LineAt(old_text, spot.old_at, at, &v.old_line);
    if (size == 0) return false;
    if (spot.new_at == LeftSpot::kNone) {
      v.kind = LeftValue::Kind::kOldOnly;
    } else if (LineAt(new_text, spot.new_at, new_key, &v.new_line) != size ||
               std::memcmp(new_key, at, size) != 0) {
      return false;
    }
    v.key = std::string_view(at, size);
    at += size;
    out->values.push_back(v);
  }
  return true;
}

}  // namespace report
}  // namespace vaxo
