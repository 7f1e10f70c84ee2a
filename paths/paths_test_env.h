// Test surroundings of the paths folder: an in-memory file system standing
// for the emulation, and the logbook's entries captured as bytes.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/text.h"
#include "log/log_buch.h"
#include "platform/mem_env.h"

namespace vaxo {

/// A MemEnv that converts paths like the emulation does: a host path
/// ("/old/x") becomes a drive path ("C:\old\x"); `alias` maps whole texts
/// (a name that the system knows under another path).
class HostEnv : public MemEnv {
 public:
  std::map<std::string, std::string> alias;

  std::string SystemPath(const std::string& text) override {
    auto it = alias.find(text);
    if (it != alias.end()) return it->second;
    if (text.empty() || text[0] != '/') return text;
    std::string path = "C:" + text;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }
};

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_env_ = Env::SetDefault(&env_);
    was_on_ = LogBuch().is_on();
    LogBuch().SetSink([this](const std::string& entry) { log_ += entry; });
    LogBuch().LogState(true);
  }
  void TearDown() override {
    LogBuch().LogState(was_on_);  // still into the sink
    LogBuch().SetSink(nullptr);
    Env::SetDefault(previous_env_);
  }

  /// The bytes of a plain (type 0) and of an error (type 2) entry; the
  /// logbook drops the blanks around a text.
  static std::string Info(const std::string& m) { return "    " + TrimSpaces(m) + "\r\n"; }
  static std::string Error(const std::string& m) { return "!!! " + TrimSpaces(m) + " !!!\r\n"; }

  HostEnv env_;
  std::string log_;

 private:
  Env* previous_env_ = nullptr;
  bool was_on_ = false;
};

}  // namespace vaxo
