// The surroundings a unit test of the system starts from: an in-memory file
// system behind a fault-injecting wrapper as the process-wide Env, the
// logbook switched on into a string, and ExitCode at 0. Everything is put
// back when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/mem_env.h"
#include "tests/support/fault_env.h"

namespace vaxo {

class VaxoTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// Makes `env` (usually a wrapper around faults_) the process-wide Env
  /// for the rest of the test.
  void Install(Env* env);
  /// The log so far, then empty again.
  std::string TakeLog();

  /// The bytes of a plain (type 0), an error (type 2) and a warning (type
  /// 3) entry; the logbook drops the blanks around a text.
  static std::string Info(const std::string& m);
  static std::string Error(const std::string& m);
  static std::string Warning(const std::string& m);

  /// False in a fixture that tests the logbook's file itself.
  bool capture_log_ = true;

  MemEnv mem_;
  FaultEnv faults_{&mem_};
  std::string log_;

 private:
  Env* previous_env_ = nullptr;
  int32_t previous_exit_code_ = 0;
};

}  // namespace vaxo
