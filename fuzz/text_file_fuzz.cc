// The file text rules: reading raw bytes, writing a text and reading it
// back through the in-memory file system, and the two line splitters.
#include <cstddef>
#include <cstdint>
#include <string>

#include "files/text_file.h"
#include "fuzz/fuzz_check.h"
#include "platform/mem_env.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vaxo;
  static MemEnv* env = [] {
    auto* e = new MemEnv();
    Env::SetDefault(e);
    e->AddDirectory("C:\\T");
    return e;
  }();
  const std::string raw(reinterpret_cast<const char*>(data), size);

  // Reading: every line ends with CR LF, no CR stands alone, nothing is
  // lost but line ends.
  env->AddFile("C:\\T\\RAW.DAT", raw);
  std::string text;
  ReadTextFile("C:\\T\\RAW.DAT", text);
  VAXO_FUZZ_CHECK(text.empty() == raw.empty());
  if (!text.empty())
    VAXO_FUZZ_CHECK(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') VAXO_FUZZ_CHECK(i + 1 < text.size() && text[i + 1] == '\n');
  }
  std::string raw_no_cr, text_no_cr;
  for (char c : raw)
    if (c != '\r' && c != '\n') raw_no_cr += c;
  for (char c : text)
    if (c != '\r' && c != '\n') text_no_cr += c;
  VAXO_FUZZ_CHECK(raw_no_cr == text_no_cr);

  // Writing puts TextFileBytes on disk; reading that back gives it
  // unchanged, and writing it again changes nothing.
  const std::string bytes = TextFileBytes(raw);
  WriteTextFile("C:\\T\\OUT.DAT", raw);
  VAXO_FUZZ_CHECK(env->FileContent("C:\\T\\OUT.DAT") == bytes);
  std::string back;
  ReadTextFile("C:\\T\\OUT.DAT", back);
  VAXO_FUZZ_CHECK(back == bytes);
  WriteTextFile("C:\\T\\OUT.DAT", back);
  VAXO_FUZZ_CHECK(env->FileContent("C:\\T\\OUT.DAT") == bytes);
  VAXO_FUZZ_CHECK(TextFileBytes(bytes) == bytes);

  // CutFirstLine and NextLine take the same lines apart.
  std::string buffer = raw;
  size_t pos = 0;
  while (pos < raw.size()) {
    std::string line;
    const size_t next = NextLine(raw, pos, &line);
    VAXO_FUZZ_CHECK(next > pos && next <= raw.size());
    VAXO_FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    VAXO_FUZZ_CHECK(CutFirstLine(buffer) == line);
    VAXO_FUZZ_CHECK(buffer == raw.substr(next));
    pos = next;
  }
  VAXO_FUZZ_CHECK(buffer.empty());
  return 0;
}
