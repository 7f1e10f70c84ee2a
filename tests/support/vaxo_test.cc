#include "tests/support/vaxo_test.h"

#include "base/exit_code.h"
#include "base/text.h"
#include "log/log_buch.h"

namespace vaxo {

void VaxoTest::SetUp() {
  previous_env_ = Env::SetDefault(&faults_);
  previous_exit_code_ = ExitCode;
  ExitCode = 0;
  if (capture_log_) {
    LogBuch().SetSink([this](const std::string& entry) { log_ += entry; });
    LogBuch().LogState(true);
  }
}

void VaxoTest::TearDown() {
  // The logbook is one object for the process: it is left switched off
  // and without a sink, as a fresh process has it.
  LogBuch().SetSink([](const std::string&) {});
  LogBuch().LogState(false);
  LogBuch().SetSink(nullptr);
  ExitCode = previous_exit_code_;
  Env::SetDefault(previous_env_);
}

void VaxoTest::Install(Env* env) { Env::SetDefault(env); }

std::string VaxoTest::TakeLog() {
  std::string log;
  log.swap(log_);
  return log;
}

// Written out rather than taken from the logbook, so that a test of what
// the logbook writes can fail.
std::string VaxoTest::Info(const std::string& m) { return "    " + TrimSpaces(m) + "\r\n"; }
std::string VaxoTest::Error(const std::string& m) { return "!!! " + TrimSpaces(m) + " !!!\r\n"; }
std::string VaxoTest::Warning(const std::string& m) { return "### " + TrimSpaces(m) + " ###\r\n"; }

}  // namespace vaxo
