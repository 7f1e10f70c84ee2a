#include "log/log_buch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"
#include "tests/support/vaxo_test.h"

namespace vaxo {

namespace {

const char kLog[] = "C:\\LOG\\Upgrade.log";
const char kHeader[] = "    Upgrade time point:     < 08.12.2026 14:41:34 >\r\n";

class LogBuchTest : public VaxoTest {
 protected:
  LogBuchTest() { capture_log_ = false; }
  void SetUp() override {
    mem_.AddDirectory("C:\\LOG");
    VaxoTest::SetUp();
  }

  // A logbook that is on and has just started its file.
  void Start(CLSLogBuch& log) {
    log.LogState(true);
    log.LogFile(kLog);
  }
  // What one entry adds to a freshly started file.
  std::string Entry(int32_t typ, const std::string& meldung) {
    CLSLogBuch log;
    Start(log);
    log.Log(typ, meldung);
    std::string all = mem_.FileContent(kLog);
    EXPECT_EQ(all.compare(0, std::string(kHeader).size(), kHeader), 0) << all;
    return all.substr(std::string(kHeader).size());
  }
};

TEST_F(LogBuchTest, LayoutsOfEveryType) {
  EXPECT_EQ(Entry(TypInfo, "hello"), "    hello\r\n");
  EXPECT_EQ(Entry(TypTitle, "abc"), "\r\n---------\r\n-- abc --\r\n---------\r\n");
  EXPECT_EQ(Entry(TypError, "bad"), "!!! bad !!!\r\n");
  EXPECT_EQ(Entry(TypWarning, "careful"), "### careful ###\r\n");
  EXPECT_EQ(Entry(4, "x"), "??? x ???\r\n");
  EXPECT_EQ(Entry(5, "x"), "??? x ???\r\n");
  EXPECT_EQ(Entry(-1, "x"), "??? x ???\r\n");
  EXPECT_EQ(Entry(INT32_MIN, "x"), "??? x ???\r\n");
  EXPECT_EQ(Entry(INT32_MAX, "x"), "??? x ???\r\n");
}

TEST_F(LogBuchTest, LayoutsWithEmptyOrBlankMessages) {
  EXPECT_EQ(Entry(TypTitle, "  abc  "), "\r\n---------\r\n-- abc --\r\n---------\r\n");
  EXPECT_EQ(Entry(TypTitle, ""), "\r\n------\r\n--  --\r\n------\r\n");
  EXPECT_EQ(Entry(TypInfo, "   "), "    \r\n");
  EXPECT_EQ(Entry(TypError, ""), "!!!  !!!\r\n");
  EXPECT_EQ(Entry(TypWarning, " "), "###  ###\r\n");
  // The dash line follows the trimmed message, whatever its length.
  const std::string long_msg(300, 'm');
  const std::string dashes(306, '-');
  EXPECT_EQ(Entry(TypTitle, " " + long_msg + " "),
            "\r\n" + dashes + "\r\n-- " + long_msg + " --\r\n" + dashes + "\r\n");
}

TEST_F(LogBuchTest, TrimsSpacesOnly) {
  EXPECT_EQ(Entry(TypInfo, "  a b  "), "    a b\r\n");
  EXPECT_EQ(Entry(TypInfo, "\ta\t"), "    \ta\t\r\n");
  EXPECT_EQ(Entry(TypInfo, " \t a \t "), "    \t a \t\r\n");
  EXPECT_EQ(Entry(TypError, "a\r\nb"), "!!! a\r\nb !!!\r\n");
  EXPECT_EQ(Entry(TypError, " \r\n "), "!!! \r\n !!!\r\n");
  EXPECT_EQ(Entry(TypWarning, "\nx\r"), "### \nx\r ###\r\n");
  // Bytes above 127 and NUL pass unchanged.
  EXPECT_EQ(Entry(TypInfo, std::string("\xe4\xf6\0\xfc", 4)),
            std::string("    \xe4\xf6\0\xfc\r\n", 10));
  EXPECT_EQ(Entry(TypTitle, "\t"), "\r\n-------\r\n-- \t --\r\n-------\r\n");
}

TEST_F(LogBuchTest, FormatEntryMatchesWhatLogWrites) {
  EXPECT_EQ(CLSLogBuch::FormatEntry(TypTitle, " ab "), "\r\n--------\r\n-- ab --\r\n--------\r\n");
  EXPECT_EQ(CLSLogBuch::FormatEntry(-7, " q "), "??? q ???\r\n");
  EXPECT_EQ(Entry(TypWarning, " w "), CLSLogBuch::FormatEntry(TypWarning, " w "));
}

TEST_F(LogBuchTest, HeaderLineAndOrderOfEntries) {
  CLSLogBuch log;
  Start(log);
  EXPECT_EQ(mem_.FileContent(kLog), kHeader);
  log.Log(TypInfo, "one");
  log.Log(TypError, "two");
  log.Log(TypInfo, "three");
  EXPECT_EQ(mem_.FileContent(kLog),
            std::string(kHeader) + "    one\r\n!!! two !!!\r\n    three\r\n");

  mem_.set_timestamp("12/7/2026 4:26:36 PM");
  log.LogFile(kLog);
  EXPECT_EQ(mem_.FileContent(kLog), "    Upgrade time point:     < 12/7/2026 4:26:36 PM >\r\n");
  mem_.set_timestamp("07.12.2026");  // midnight: the date alone
  log.LogFile(kLog);
  EXPECT_EQ(mem_.FileContent(kLog), "    Upgrade time point:     < 07.12.2026 >\r\n");
}

TEST_F(LogBuchTest, StateTable) {
  CLSLogBuch log;
  EXPECT_FALSE(log.is_on());
  EXPECT_EQ(log.path(), "");

  // Off: entries and switching off leave no trace.
  log.Log(TypError, "x");
  log.LogState(false);
  log.LogDummyMode(true);
  EXPECT_FALSE(mem_.FileExists(kLog));
  EXPECT_FALSE(log.is_on());

  Start(log);
  EXPECT_TRUE(log.is_on());
  EXPECT_EQ(log.path(), kLog);

  // On -> Off writes the closing entry once; later entries are dropped.
  log.LogState(false);
  EXPECT_FALSE(log.is_on());
  log.Log(TypError, "dropped");
  log.LogState(false);
  EXPECT_EQ(mem_.FileContent(kLog), std::string(kHeader) + "    Logbuch switch off\r\n");

  // Off -> On by LogState(true) writes nothing, appends to the same file.
  log.LogState(true);
  EXPECT_EQ(mem_.FileContent(kLog), std::string(kHeader) + "    Logbuch switch off\r\n");
  log.Log(TypInfo, "again");
  EXPECT_EQ(mem_.FileContent(kLog),
            std::string(kHeader) + "    Logbuch switch off\r\n    again\r\n");
}

TEST_F(LogBuchTest, LogFileAfterSwitchOffStartsAFreshFile) {
  CLSLogBuch log;
  Start(log);
  log.Log(TypInfo, "old run");
  log.LogState(false);
  log.LogFile(kLog);
  EXPECT_TRUE(log.is_on());
  EXPECT_EQ(mem_.FileContent(kLog), kHeader);
  log.Log(TypInfo, "new");
  EXPECT_EQ(mem_.FileContent(kLog), std::string(kHeader) + "    new\r\n");
}

TEST_F(LogBuchTest, LogFileWithoutLogStateSwitchesOn) {
  CLSLogBuch log;
  log.LogFile(kLog);
  EXPECT_TRUE(log.is_on());
  EXPECT_EQ(mem_.FileContent(kLog), kHeader);
}

TEST_F(LogBuchTest, LogFileReplacesAnOldLog) {
  mem_.AddFile("c:\\log\\upgrade.LOG", "an old run\r\nwith two lines\r\n");
  CLSLogBuch log;
  Start(log);
  EXPECT_EQ(mem_.FileContent(kLog), kHeader);
  EXPECT_EQ(mem_.FilesBelow("C:\\LOG").size(), 1u);
}

// Whatever the old log's attributes, it goes: a log holds exactly one run.
TEST_F(LogBuchTest, LogFileReplacesAHiddenSystemOrReadOnlyOldLog) {
  for (const uint32_t attributes : std::vector<uint32_t>{
           kAttrHidden, kAttrSystem, kAttrReadOnly, kAttrHidden | kAttrSystem | kAttrReadOnly}) {
    SCOPED_TRACE(attributes);
    mem_.AddFile(kLog, "an old run\r\n", attributes | kAttrArchive);
    CLSLogBuch log;
    Start(log);
    EXPECT_EQ(mem_.FileContent(kLog), kHeader);
    EXPECT_EQ(mem_.Attributes(kLog), uint32_t(kAttrArchive));
  }
}

// Only an old log that cannot be made writable or removed stops the run
// before its first entry, the old log kept.
TEST_F(LogBuchTest, OldLogThatCannotBeRemovedFailsToTheCaller) {
  for (const char* failing : {"set-attributes", "delete"}) {
    SCOPED_TRACE(failing);
    mem_.AddFile(kLog, "old\r\n", kAttrReadOnly);
    faults_.set_hook([failing](const std::string& op, const std::string& path) {
      return op == failing ? Status::IOError(op, path, "access denied") : Status::OK();
    });
    CLSLogBuch log;
    try {
      Start(log);
      ADD_FAILURE() << "no error";
    } catch (const RunError& e) {
      EXPECT_EQ(e.status().op(), failing);
      EXPECT_EQ(e.status().path(), kLog);
    }
    faults_.set_hook(nullptr);
    EXPECT_EQ(mem_.FileContent(kLog), "old\r\n");
  }
}

TEST_F(LogBuchTest, LogBeforeSwitchOnCreatesNoFile) {
  CLSLogBuch log;
  log.Log(TypError, "x");
  log.LogDummyMode(true);
  EXPECT_FALSE(mem_.FileExists(kLog));
  EXPECT_EQ(faults_.operations(), 0);
}

TEST_F(LogBuchTest, DummyMode) {
  CLSLogBuch log;
  Start(log);
  log.LogDummyMode(false);
  EXPECT_EQ(mem_.FileContent(kLog), kHeader);
  log.LogDummyMode(true);
  EXPECT_EQ(mem_.FileContent(kLog),
            std::string(kHeader) + "    Dummy-Modus Upgrade-Servers is actived\r\n");
  // Not remembered: the next entry is an ordinary one.
  log.Log(TypInfo, "next");
  EXPECT_EQ(mem_.FileContent(kLog), std::string(kHeader) +
                                        "    Dummy-Modus Upgrade-Servers is actived\r\n"
                                        "    next\r\n");
}

TEST_F(LogBuchTest, FailingAppendThrowsNamingOpAndPath) {
  CLSLogBuch log;
  Start(log);
  faults_.set_hook([](const std::string& op, const std::string& path) {
    return op == "append" ? Status::IOError(op, path, "disk full") : Status::OK();
  });
  try {
    log.Log(TypInfo, "lost");
    FAIL() << "no error";
  } catch (const RunError& e) {
    EXPECT_EQ(e.status().op(), "append");
    EXPECT_EQ(e.status().path(), kLog);
    EXPECT_NE(std::string(e.what()).find(kLog), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("append"), std::string::npos);
  }
  faults_.set_hook(nullptr);
  EXPECT_EQ(mem_.FileContent(kLog), kHeader);
}

TEST_F(LogBuchTest, MissingDirectoryOrPathFailsToTheCaller) {
  CLSLogBuch log;
  EXPECT_THROW(log.LogFile("C:\\NOWHERE\\x.log"), RunError);
  EXPECT_FALSE(mem_.FileExists("C:\\NOWHERE\\x.log"));

  // Switched on without a file: the next entry fails.
  CLSLogBuch no_file;
  no_file.LogState(true);
  EXPECT_THROW(no_file.Log(TypInfo, "x"), RunError);
}

TEST_F(LogBuchTest, SinkReceivesEntriesInsteadOfTheFile) {
  std::vector<std::string> got;
  CLSLogBuch log;
  log.SetSink([&got](const std::string& entry) { got.push_back(entry); });
  log.Log(TypInfo, "before");  // still off
  EXPECT_TRUE(got.empty());
  Start(log);
  log.Log(TypTitle, " t ");
  log.LogState(false);
  log.Log(TypInfo, "after");
  EXPECT_FALSE(mem_.FileExists(kLog));
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], kHeader);
  EXPECT_EQ(got[1], "\r\n-------\r\n-- t --\r\n-------\r\n");
  EXPECT_EQ(got[2], "    Logbuch switch off\r\n");

  // An empty sink sends entries to the file again.
  log.SetSink(nullptr);
  log.LogFile(kLog);
  log.Log(TypInfo, "file");
  EXPECT_EQ(mem_.FileContent(kLog), std::string(kHeader) + "    file\r\n");
  EXPECT_EQ(got.size(), 3u);
}

TEST_F(LogBuchTest, ProcessWideLogbook) {
  CLSLogBuch& a = LogBuch();
  EXPECT_EQ(&a, &LogBuch());
  EXPECT_FALSE(a.is_on());
  a.LogFile(kLog);
  Log(TypWarning, "w");
  a.LogState(false);
  EXPECT_EQ(mem_.FileContent(kLog),
            std::string(kHeader) + "### w ###\r\n    Logbuch switch off\r\n");
}

}  // namespace
}  // namespace vaxo
