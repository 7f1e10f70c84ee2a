#include "files/text_file.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/status.h"
#include "tests/support/vaxo_test.h"

namespace vaxo {

namespace {

const char kFile[] = "C:\\DATA\\$machine.dat";

class TextFileTest : public VaxoTest {
 protected:
  void SetUp() override {
    mem_.AddDirectory("C:\\DATA");
    VaxoTest::SetUp();
  }

  std::string Read(const std::string& bytes) {
    mem_.AddFile(kFile, bytes);
    std::string text = "left over";
    ReadTextFile(kFile, text);
    return text;
  }
  std::string Written(const std::string& text) {
    WriteTextFile(kFile, text);
    EXPECT_EQ(mem_.FileContent(kFile), TextFileBytes(text));
    return mem_.FileContent(kFile);
  }
  // Fails the operation `op` with an I/O error.
  void FailOp(const std::string& failing) {
    faults_.set_hook([failing](const std::string& op, const std::string& path) {
      return op == failing ? Status::IOError(op, path, "simulated failure") : Status::OK();
    });
  }
};

// --- ReadTextFile ------------------------------------------------------------

TEST_F(TextFileTest, ReadEndsEveryLineWithCrLf) {
  EXPECT_EQ(Read("a\r\nb\r\n"), "a\r\nb\r\n");
  EXPECT_EQ(Read("a\r\nb"), "a\r\nb\r\n");
  EXPECT_EQ(Read("abc"), "abc\r\n");
  EXPECT_EQ(Read("a\rb\r"), "a\r\nb\r\n");
  EXPECT_EQ(Read("a\rb"), "a\r\nb\r\n");
  EXPECT_EQ(Read("\r\n"), "\r\n");
  EXPECT_EQ(Read("\r"), "\r\n");
  EXPECT_EQ(Read("\r\r\n"), "\r\n\r\n");
  EXPECT_EQ(Read("a\r\n\r\nb\r\n"), "a\r\n\r\nb\r\n");  // empty lines stay
  EXPECT_EQ(Read("  a  \r\n"), "  a  \r\n");
}

TEST_F(TextFileTest, ReadKeepsLoneLfInsideTheLine) {
  EXPECT_EQ(Read("a\nb\r\n"), "a\nb\r\n");
  EXPECT_EQ(Read("a\nb"), "a\nb\r\n");
  EXPECT_EQ(Read("\n"), "\n\r\n");
  EXPECT_EQ(Read("a\r\n\nb\r\n"), "a\r\n\nb\r\n");
  EXPECT_EQ(Read("a\n\r\n"), "a\n\r\n");
}

TEST_F(TextFileTest, ReadKeepsEveryByte) {
  const std::string bytes("\x00\x01\x7f\x80\xe4\xff\t", 7);
  EXPECT_EQ(Read(bytes + "\r\n" + bytes), bytes + "\r\n" + bytes + "\r\n");
}

TEST_F(TextFileTest, ReadOfMissingOrEmptyFilesGivesEmptyText) {
  std::string text = "left over";
  ReadTextFile("C:\\DATA\\missing.dat", text);
  EXPECT_EQ(text, "");
  text = "left over";
  ReadTextFile("C:\\NODIR\\missing.dat", text);
  EXPECT_EQ(text, "");
  EXPECT_EQ(Read(""), "");
}

TEST_F(TextFileTest, ReadFindsHiddenAndSystemFilesAndKeepsAttributes) {
  mem_.AddFile("C:\\DATA\\h.dat", "h\r\n", kAttrHidden | kAttrReadOnly);
  mem_.AddFile("C:\\DATA\\s.dat", "s", kAttrSystem);
  std::string text;
  ReadTextFile("c:\\data\\H.DAT", text);
  EXPECT_EQ(text, "h\r\n");
  ReadTextFile("C:\\DATA\\s.dat", text);
  EXPECT_EQ(text, "s\r\n");
  EXPECT_EQ(mem_.Attributes("C:\\DATA\\h.dat"), uint32_t(kAttrHidden | kAttrReadOnly));
  EXPECT_EQ(mem_.Attributes("C:\\DATA\\s.dat"), uint32_t(kAttrSystem));
}

// The file is read in one operation, and what fails there is no empty
// text: a folder in the file's place is not read as an empty file.
TEST_F(TextFileTest, ReadFailuresReachTheCaller) {
  mem_.AddFile(kFile, "x\r\n");
  std::vector<std::string> ops;
  faults_.set_hook([&ops](const std::string& op, const std::string& path) {
    ops.push_back(op);
    return Status::IOError(op, path, "simulated failure");
  });
  for (const std::string& path : {std::string(kFile), std::string("C:\\DATA")}) {
    std::string text = "left over";
    try {
      ReadTextFile(path, text);
      ADD_FAILURE() << "no error";
    } catch (const RunError& e) {
      EXPECT_EQ(e.status().op(), "read");
      EXPECT_EQ(e.status().path(), path);
    }
    EXPECT_EQ(text, "");
    faults_.set_hook(nullptr);
  }
  EXPECT_EQ(ops, std::vector<std::string>{"read"});
}

// --- WriteTextFile -------------------------------------------------------------

TEST_F(TextFileTest, WriteEndsLinesOnlyAtCr) {
  EXPECT_EQ(Written("a\r\nb\r\n"), "a\r\nb\r\n");
  EXPECT_EQ(Written("a\r\nb"), "a\r\nb\r\n");
  EXPECT_EQ(Written("a\rb"), "a\r\nb\r\n");
  EXPECT_EQ(Written("a\r"), "a\r\n");
  EXPECT_EQ(Written("a\nb"), "a\nb\r\n");
  EXPECT_EQ(Written("\na\r\n"), "\na\r\n");
  EXPECT_EQ(Written("a\r\nb\n\r\nc"), "a\r\nb\n\r\nc\r\n");
}

TEST_F(TextFileTest, WriteDropsEmptyLinesInsideTheText) {
  EXPECT_EQ(Written("a\r\n\r\nb\r\n"), "a\r\nb\r\n");
  EXPECT_EQ(Written("a\r\n\nb"), "a\r\nb\r\n");
  EXPECT_EQ(Written("a\r\r\r\n\n\r\nb\r\n\r\n"), "a\r\nb\r\n");
  // A text that begins with CR gives one empty first line.
  EXPECT_EQ(Written("\rx"), "\r\nx\r\n");
  EXPECT_EQ(Written("\r\n\r\nx"), "\r\nx\r\n");
  EXPECT_EQ(Written("\r\n"), "\r\n");
  EXPECT_EQ(Written("\r\n\r\n"), "\r\n");
  EXPECT_EQ(Written(" "), " \r\n");
}

TEST_F(TextFileTest, WriteOfEmptyTextGivesEmptyFile) {
  mem_.AddFile(kFile, "old\r\n");
  EXPECT_EQ(Written(""), "");
  EXPECT_TRUE(mem_.FileExists(kFile));
  WriteTextFile("C:\\DATA\\new.dat", "");
  EXPECT_TRUE(mem_.FileExists("C:\\DATA\\new.dat"));
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\new.dat"), "");
}

TEST_F(TextFileTest, WriteCreatesOrReplacesTheFile) {
  WriteTextFile(kFile, "one");
  EXPECT_EQ(mem_.FileContent(kFile), "one\r\n");
  WriteTextFile("c:\\data\\$MACHINE.DAT", "two\r\n");
  EXPECT_EQ(mem_.FileContent(kFile), "two\r\n");
  EXPECT_EQ(mem_.FilesBelow("C:\\DATA").size(), 1u);
}

TEST_F(TextFileTest, WriteFailuresReachTheCallerAndKeepTheOldContent) {
  mem_.AddFile(kFile, "old\r\n");
  FailOp("replace");
  try {
    WriteTextFile(kFile, "new\r\n");
    FAIL() << "no error";
  } catch (const RunError& e) {
    EXPECT_EQ(e.status().op(), "replace");
    EXPECT_EQ(e.status().path(), kFile);
  }
  EXPECT_EQ(mem_.FileContent(kFile), "old\r\n");
  faults_.set_hook(nullptr);

  EXPECT_THROW(WriteTextFile("C:\\NODIR\\x.dat", "x"), RunError);
  EXPECT_FALSE(mem_.FileExists("C:\\NODIR\\x.dat"));

  // WriteTextFile itself leaves attributes alone: a read-only file refuses.
  mem_.AddFile(kFile, "ro\r\n", kAttrReadOnly);
  EXPECT_THROW(WriteTextFile(kFile, "new"), RunError);
  EXPECT_EQ(mem_.FileContent(kFile), "ro\r\n");
}

TEST_F(TextFileTest, WrittenTextReadsBackLineForLine) {
  const std::string text = "a\r\nb\nc\r\n  d  \r\n";
  WriteTextFile(kFile, text);
  std::string back;
  ReadTextFile(kFile, back);
  EXPECT_EQ(back, text);
}

// The read and the write take a text as it is when nothing would change it:
// the shortcut must say so exactly when the whole conversion agrees.
TEST_F(TextFileTest, TextsTakenAsTheyAreAreExactlyThoseTheConversionKeeps) {
  const std::vector<std::string> texts = {"",
                                          "a",
                                          "\r",
                                          "\n",
                                          "\r\n",
                                          "\n\r\n",
                                          "\r\r\n",
                                          "\r\n\r\n",
                                          "\r\n\n",
                                          "a\r\n",
                                          "a\r\nb",
                                          "a\rb\r\n",
                                          "a\nb\r\n",
                                          "a\r\n\r\nb\r\n",
                                          "a\r\n\nb\r\n",
                                          "a\r\nb\r",
                                          "a\r\nb\n",
                                          " \r\n",
                                          std::string("\0\r\n", 3),
                                          "\xe4\r\n\xff\r\n"};
  for (const std::string& t : texts) {
    EXPECT_EQ(IsFileText(t), FileText(t) == t) << testing::PrintToString(t);
    EXPECT_EQ(IsFileBytes(t), TextFileBytes(t) == t) << testing::PrintToString(t);
    EXPECT_EQ(Read(t), FileText(t)) << testing::PrintToString(t);
  }
}

// --- CutFirstLine and NextLine -------------------------------------------------

TEST_F(TextFileTest, CutFirstLineExamples) {
  struct Case {
    std::string buffer, line, rest;
  };
  const std::vector<Case> cases = {
      {"ab\r\ncd", "ab", "cd"}, {"cd", "cd", ""},
      {"\r\nx", "", "x"},       {"a\n\nb", "a", "b"},
      {"a\rb", "a", "b"},       {"a\nb", "a", "b"},
      {"a\r\rb", "a", "\rb"},   {"a\r\n\r\nb", "a", "\r\nb"},
      {"\n\rx", "", "\rx"},     {"", "", ""},
      {"\r\n", "", ""},         {"a\n\n\nb", "a", "\nb"},
      {" a \r\n", " a ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.buffer));
    std::string buffer = c.buffer;
    EXPECT_EQ(CutFirstLine(buffer), c.line);
    EXPECT_EQ(buffer, c.rest);
    std::string line = "left over";
    EXPECT_EQ(NextLine(c.buffer, 0, &line), c.buffer.size() - c.rest.size());
    EXPECT_EQ(line, c.line);
  }
}

TEST_F(TextFileTest, CutFirstLineAndNextLineWalkTheSameLines) {
  const std::string text = "first\r\n\r\n second \r\nx\ny\r\rz\n\nlast";
  const std::vector<std::string> expected = {"first", "", " second ", "x", "y", "", "z", "last"};
  std::vector<std::string> cut, next;
  std::string buffer = text;
  while (!buffer.empty()) cut.push_back(CutFirstLine(buffer));
  std::string line;
  for (size_t pos = 0; pos < text.size();) {
    size_t after = NextLine(text, pos, &line);
    ASSERT_GT(after, pos);
    pos = after;
    next.push_back(line);
  }
  EXPECT_EQ(cut, expected);
  EXPECT_EQ(next, expected);
  EXPECT_EQ(NextLine(text, text.size(), &line), text.size());
  EXPECT_EQ(line, "");
  EXPECT_EQ(NextLine(text, 7, &line), 9u);  // the empty second line
  EXPECT_EQ(line, "");
}

// --- ClearFileAttributes -------------------------------------------------------

TEST_F(TextFileTest, ClearFileAttributesResetsFilesOnly) {
  mem_.AddFile("C:\\D\\plain.dat", "", kAttrArchive);
  mem_.AddFile("C:\\D\\ro.dat", "", kAttrReadOnly);
  mem_.AddFile("C:\\D\\hidden.dat", "", kAttrHidden | kAttrReadOnly);
  mem_.AddFile("C:\\D\\normal", "", kAttrNormal);
  mem_.AddFile("C:\\D\\sys.dat", "", kAttrSystem | kAttrReadOnly);
  mem_.AddFile("C:\\D\\hidsys.dat", "", kAttrSystem | kAttrHidden);
  mem_.AddFile("C:\\D\\SUB\\inner.dat", "", kAttrReadOnly);
  mem_.AddFile("C:\\OTHER\\ro.dat", "", kAttrReadOnly);
  ClearFileAttributes("C:\\D\\ ");
  EXPECT_EQ(mem_.Attributes("C:\\D\\plain.dat"), uint32_t(kAttrArchive));
  EXPECT_EQ(mem_.Attributes("C:\\D\\ro.dat"), uint32_t(kAttrArchive));
  EXPECT_EQ(mem_.Attributes("C:\\D\\hidden.dat"), uint32_t(kAttrArchive));
  EXPECT_EQ(mem_.Attributes("C:\\D\\normal"), uint32_t(kAttrArchive));
  EXPECT_EQ(mem_.Attributes("C:\\D\\sys.dat"), uint32_t(kAttrSystem | kAttrReadOnly));
  EXPECT_EQ(mem_.Attributes("C:\\D\\hidsys.dat"), uint32_t(kAttrSystem | kAttrHidden));
  EXPECT_EQ(mem_.Attributes("C:\\D\\SUB"), uint32_t(kAttrDirectory));
  EXPECT_EQ(mem_.Attributes("C:\\D\\SUB\\inner.dat"), uint32_t(kAttrReadOnly));
  EXPECT_EQ(mem_.Attributes("C:\\OTHER\\ro.dat"), uint32_t(kAttrReadOnly));
}

TEST_F(TextFileTest, ClearFileAttributesTakesTheDirectoryInEveryForm) {
  for (const char* dir : {"C:\\D", "C:\\D\\", "  c:\\d  ", " C:\\D\\ "}) {
    SCOPED_TRACE(dir);
    mem_.AddFile("C:\\D\\ro.dat", "", kAttrReadOnly);
    ClearFileAttributes(dir);
    EXPECT_EQ(mem_.Attributes("C:\\D\\ro.dat"), uint32_t(kAttrArchive));
  }
  mem_.AddFile("C:\\root.dat", "", kAttrReadOnly);
  ClearFileAttributes("C:\\");
  EXPECT_EQ(mem_.Attributes("C:\\root.dat"), uint32_t(kAttrArchive));
}

// A change the backup of the run refused is no failure of the file: the
// run stops on it, as on every write of the run.
TEST_F(TextFileTest, ClearFileAttributesStopsOnARefusedChange) {
  mem_.AddFile("C:\\D\\a.dat", "", kAttrReadOnly);
  faults_.set_hook([](const std::string& op, const std::string&) {
    return op == "set-attributes" ? Status::Refused("backup", "C:\\SET\\journal", "disk full")
                                  : Status::OK();
  });
  try {
    ClearFileAttributes("C:\\D");
    FAIL() << "went on";
  } catch (const RunError& e) {
    EXPECT_EQ(std::string(e.what()), "backup C:\\SET\\journal: disk full");
  }
  EXPECT_EQ(mem_.Attributes("C:\\D\\a.dat"), uint32_t(kAttrReadOnly));
}

TEST_F(TextFileTest, ClearFileAttributesIgnoresEveryFailure) {
  mem_.AddFile("C:\\D\\a.dat", "", kAttrReadOnly);
  mem_.AddFile("C:\\D\\b.dat", "", kAttrReadOnly);
  mem_.AddFile("C:\\D\\c.dat", "", kAttrReadOnly);
  faults_.set_hook([](const std::string& op, const std::string& path) {
    return op == "set-attributes" && path.find("b.dat") != std::string::npos
               ? Status::IOError(op, path, "access denied")
               : Status::OK();
  });
  EXPECT_NO_THROW(ClearFileAttributes("C:\\D"));
  EXPECT_EQ(mem_.Attributes("C:\\D\\a.dat"), uint32_t(kAttrArchive));
  EXPECT_EQ(mem_.Attributes("C:\\D\\b.dat"), uint32_t(kAttrReadOnly));
  EXPECT_EQ(mem_.Attributes("C:\\D\\c.dat"), uint32_t(kAttrArchive));

  mem_.AddFile("C:\\D\\a.dat", "", kAttrReadOnly);
  FailOp("list");
  EXPECT_NO_THROW(ClearFileAttributes("C:\\D"));
  EXPECT_EQ(mem_.Attributes("C:\\D\\a.dat"), uint32_t(kAttrReadOnly));
  faults_.set_hook(nullptr);
  EXPECT_NO_THROW(ClearFileAttributes("C:\\MISSING"));
  EXPECT_NO_THROW(ClearFileAttributes("C:\\D\\a.dat"));  // a file, not a directory
  EXPECT_EQ(mem_.Attributes("C:\\D\\a.dat"), uint32_t(kAttrReadOnly));
}

// --- large texts ---------------------------------------------------------------

TEST_F(TextFileTest, OneMegabyteSingleLine) {
  const std::string line(1 << 20, 'x');
  mem_.AddFile(kFile, line);
  std::string text;
  ReadTextFile(kFile, text);
  EXPECT_EQ(text, line + "\r\n");
  WriteTextFile(kFile, text);
  EXPECT_EQ(mem_.FileContent(kFile), line + "\r\n");
  std::string buffer = text;
  EXPECT_EQ(CutFirstLine(buffer), line);
  EXPECT_EQ(buffer, "");
  // A line ended by LF alone far beyond 32 KB is still a line of its own.
  mem_.AddFile(kFile, line + "\n" + line + "\r\nz");
  ReadTextFile(kFile, text);
  EXPECT_EQ(text, line + "\n" + line + "\r\nz\r\n");
  buffer = text;
  EXPECT_EQ(CutFirstLine(buffer), line);
  EXPECT_EQ(buffer, line + "\r\nz\r\n");
}

TEST_F(TextFileTest, HundredThousandLinesInOneReadAndOneWrite) {
  std::string bytes, lf_text;
  for (int i = 0; i < 100000; ++i) {
    bytes += "LINE " + std::to_string(i) + (i % 2 ? "\r\n" : "\r");
    lf_text += "L" + std::to_string(i) + "\r\n\r\n";
  }
  // However many lines, the file is read and written in one piece each.
  std::map<std::string, int> ops;
  faults_.set_hook([&](const std::string& op, const std::string&) {
    ++ops[op];
    return Status::OK();
  });
  mem_.AddFile(kFile, bytes);
  std::string text;
  ReadTextFile(kFile, text);
  size_t lines = 0;
  std::string line;
  for (size_t pos = 0; pos < text.size(); ++lines) pos = NextLine(text, pos, &line);
  EXPECT_EQ(lines, 100000u);
  EXPECT_EQ(line, "LINE 99999");
  WriteTextFile(kFile, lf_text);
  const std::string written = mem_.FileContent(kFile);
  EXPECT_EQ(written.size(), lf_text.size() - 200000);
  EXPECT_EQ(written.substr(written.size() - 8), "L99999\r\n");
  EXPECT_EQ(ops["read"], 1);
  EXPECT_EQ(ops["replace"], 1);
  EXPECT_EQ(ops["append"], 0);
}

}  // namespace
}  // namespace vaxo
