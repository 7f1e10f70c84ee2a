// Test surroundings of the paths folder: the shared fixture, with paths
// converted as the emulation converts them.
#pragma once

#include <map>
#include <string>

#include "platform/env_wrapper.h"
#include "tests/support/vaxo_test.h"

namespace vaxo {

/// Converts paths as the emulation does: a host path ("/old/x") becomes a
/// drive path ("C:\old\x"); `alias` maps whole texts (a name that the
/// system knows under another path).
class HostPaths : public EnvWrapper {
 public:
  using EnvWrapper::EnvWrapper;
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

class PathsTest : public VaxoTest {
 protected:
  void SetUp() override {
    VaxoTest::SetUp();
    Install(&host_);
  }

  HostPaths host_{&faults_};
};

}  // namespace vaxo
