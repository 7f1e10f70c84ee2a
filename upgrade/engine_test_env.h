// Test surroundings of the upgrade engine: an in-memory environment that
// counts the engine's yields, the logbook switched on into a string, and
// ExitCode at 0. Everything is put back when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/exit_code.h"
#include "log/log_buch.h"
#include "platform/mem_env.h"

namespace vaxo {

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_env_ = Env::SetDefault(&mem_);
    previous_exit_code_ = ExitCode;
    ExitCode = 0;
    LogBuch().SetSink([this](const std::string& entry) { log_ += entry; });
    LogBuch().LogState(true);
  }

  void TearDown() override {
    LogBuch().LogState(false);
    LogBuch().SetSink(nullptr);
    ExitCode = previous_exit_code_;
    Env::SetDefault(previous_env_);
  }

  /// The log so far, then empty again.
  std::string TakeLog() {
    std::string log;
    log.swap(log_);
    return log;
  }

  MemEnv mem_;
  std::string log_;

 private:
  Env* previous_env_ = nullptr;
  int32_t previous_exit_code_ = 0;
};

}  // namespace vaxo
