#include "files/datei_fct.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/status.h"
#include "tests/support/vaxo_test.h"

namespace vaxo {
namespace {

class DateiFctTest : public VaxoTest {
 protected:
  void SetUp() override {
    mem_.AddDirectory("C:\\DATA");
    VaxoTest::SetUp();
  }

  // Fails the operation `failing` with an I/O error.
  void FailOp(const std::string& failing) {
    faults_.set_hook([failing](const std::string& op, const std::string& path) {
      return op == failing ? Status::IOError(op, path, "simulated failure") : Status::OK();
    });
  }

  CLSDateiFct fct_;
};

// --- name building -------------------------------------------------------------

TEST_F(DateiFctTest, MakeFileName) {
  EXPECT_EQ(fct_.MakeFileName("c:\\data ", "$machine.dat"), "C:\\DATA\\$MACHINE.DAT");
  EXPECT_EQ(fct_.MakeFileName("C:\\A\\", "b.dat"), "C:\\A\\B.DAT");
  EXPECT_EQ(fct_.MakeFileName("C:\\A", " b.dat "), "C:\\A\\B.DAT");
  EXPECT_EQ(fct_.MakeFileName("  C:\\A\\  ", "b.dat"), "C:\\A\\B.DAT");
  EXPECT_EQ(fct_.MakeFileName("", "x"), "\\X");
  EXPECT_EQ(fct_.MakeFileName("   ", "x"), "\\X");
  EXPECT_EQ(fct_.MakeFileName("C:\\A", "\\b"), "C:\\A\\\\B");
  EXPECT_EQ(fct_.MakeFileName("C:\\A\\\\", "b"), "C:\\A\\\\B");
  EXPECT_EQ(fct_.MakeFileName("C:\\A", ""), "C:\\A\\");
  // Only blanks are trimmed; only a to z change case.
  EXPECT_EQ(fct_.MakeFileName("\tc:\\a", "b\t"), "\tC:\\A\\B\t");
  // The system's letter case: code page 1252 has upper case for a umlaut
  // and y diaeresis, none for sharp s.
  EXPECT_EQ(fct_.MakeFileName("c:\\\xe4", "\xff\xdf.dat"), "C:\\\xc4\\\x9f\xdf.DAT");
}

TEST_F(DateiFctTest, DeleteExtention) {
  EXPECT_EQ(fct_.DeleteExtention("$machine.dat"), "$machine");
  EXPECT_EQ(fct_.DeleteExtention("noext"), "noext");
  EXPECT_EQ(fct_.DeleteExtention("a.b.upg"), "a");
  EXPECT_EQ(fct_.DeleteExtention(".upg"), "");
  EXPECT_EQ(fct_.DeleteExtention(""), "");
  EXPECT_EQ(fct_.DeleteExtention(" Ab .x "), " Ab ");
  EXPECT_EQ(fct_.DeleteExtention("dir.d\\file"), "dir");
}

TEST_F(DateiFctTest, MakeDatSrcAndNewFileNames) {
  EXPECT_EQ(fct_.MakeDatFileName("c:\\x", "machine.upg"), "C:\\X\\MACHINE.DAT");
  EXPECT_EQ(fct_.MakeSrcFileName("c:\\x", "machine.upg"), "C:\\X\\MACHINE.SRC");
  EXPECT_EQ(fct_.MakeDatFileName("c:\\x\\", "a.b.c"), "C:\\X\\A.DAT");
  EXPECT_EQ(fct_.MakeSrcFileName(" c:\\x ", "noext"), "C:\\X\\NOEXT.SRC");
  // The name is trimmed as a whole, after the extension was added.
  EXPECT_EQ(fct_.MakeDatFileName("c:\\x", " name .upg"), "C:\\X\\NAME .DAT");
  EXPECT_EQ(fct_.MakeNewFileName("machine.upg"), "$MACHINE.DAT");
  EXPECT_EQ(fct_.MakeNewFileName("axis1.upg"), "$AXIS1.DAT");
  EXPECT_EQ(fct_.MakeNewFileName("a.b.upg"), "$A.DAT");
  EXPECT_EQ(fct_.MakeNewFileName("noext"), "$NOEXT.DAT");
  EXPECT_EQ(fct_.MakeNewFileName(" x .upg"), "$ X .DAT");  // no trimming here
}

// --- CheckFile -----------------------------------------------------------------

TEST_F(DateiFctTest, CheckFileReadsNormalFiles) {
  std::string text = "left over";
  EXPECT_FALSE(fct_.CheckFile("C:\\DATA\\missing.dat", text));
  EXPECT_EQ(text, "");

  mem_.AddFile("C:\\DATA\\empty.dat", "");
  text = "left over";
  EXPECT_TRUE(fct_.CheckFile("C:\\DATA\\empty.dat", text));
  EXPECT_EQ(text, "");

  mem_.AddFile("C:\\DATA\\$machine.dat", "a\r\nb", kAttrReadOnly);
  EXPECT_TRUE(fct_.CheckFile("C:\\DATA\\$MACHINE.DAT", text));
  EXPECT_EQ(text, "a\r\nb\r\n");
  EXPECT_EQ(mem_.Attributes("C:\\DATA\\$machine.dat"), uint32_t(kAttrArchive));

  mem_.AddFile("C:\\DATA\\plain.dat", "p", kAttrNormal);
  EXPECT_TRUE(fct_.CheckFile("C:\\DATA\\plain.dat", text));
  EXPECT_EQ(text, "p\r\n");
  EXPECT_EQ(mem_.Attributes("C:\\DATA\\plain.dat"), uint32_t(kAttrArchive));
}

TEST_F(DateiFctTest, CheckFileCountsHiddenSystemAndDirectoriesAsMissing) {
  mem_.AddFile("C:\\DATA\\h.dat", "h", kAttrHidden | kAttrReadOnly);
  mem_.AddFile("C:\\DATA\\s.dat", "s", kAttrSystem);
  mem_.AddDirectory("C:\\DATA\\SUB.DAT");
  std::string text = "left over";
  EXPECT_FALSE(fct_.CheckFile("C:\\DATA\\h.dat", text));
  EXPECT_EQ(text, "");
  text = "left over";
  EXPECT_FALSE(fct_.CheckFile("C:\\DATA\\s.dat", text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(fct_.CheckFile("C:\\DATA\\SUB.DAT", text));
  EXPECT_EQ(mem_.Attributes("C:\\DATA\\h.dat"), uint32_t(kAttrHidden | kAttrReadOnly));
  EXPECT_EQ(mem_.Attributes("C:\\DATA\\s.dat"), uint32_t(kAttrSystem));
  EXPECT_EQ(mem_.Attributes("C:\\DATA\\SUB.DAT"), uint32_t(kAttrDirectory));
}

TEST_F(DateiFctTest, CheckFileFailuresReachTheCaller) {
  mem_.AddFile("C:\\DATA\\a.dat", "a\r\n", kAttrReadOnly);
  for (const char* op : {"set-attributes", "read"}) {
    SCOPED_TRACE(op);
    FailOp(op);
    std::string text;
    try {
      fct_.CheckFile("C:\\DATA\\a.dat", text);
      ADD_FAILURE() << "no error";
    } catch (const RunError& e) {
      EXPECT_EQ(e.status().op(), op);
      EXPECT_EQ(e.status().path(), "C:\\DATA\\a.dat");
    }
  }
}

// An old installation on a CD: the archive attribute cannot be set there,
// and the file is read all the same, as it is.
TEST_F(DateiFctTest, CheckFileReadsAFileOnAReadOnlyMedium) {
  mem_.AddFile("C:\\DATA\\cd.dat", "c\r\n", kAttrReadOnly);
  faults_.set_hook([](const std::string& op, const std::string& path) {
    return op == "set-attributes" ? Status::ReadOnlyMedium(op, path, "Read-only file system")
                                  : Status::OK();
  });
  std::string text;
  EXPECT_TRUE(fct_.CheckFile("C:\\DATA\\cd.dat", text));
  EXPECT_EQ(text, "c\r\n");
  EXPECT_EQ(mem_.Attributes("C:\\DATA\\cd.dat"), uint32_t(kAttrReadOnly));
}

// --- WriteFile -----------------------------------------------------------------

TEST_F(DateiFctTest, WriteFileWritesTheLinesOfTheText) {
  fct_.WriteFile("C:\\DATA\\new.dat", "a\r\n\r\nb\r\n");
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\new.dat"), "a\r\nb\r\n");
  fct_.WriteFile("c:\\data\\NEW.DAT", "x\ny");
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\new.dat"), "x\ny\r\n");
  fct_.WriteFile("C:\\DATA\\new.dat", "");
  EXPECT_TRUE(mem_.FileExists("C:\\DATA\\new.dat"));
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\new.dat"), "");
}

TEST_F(DateiFctTest, WriteFileOverReadOnlyFile) {
  mem_.AddFile("C:\\DATA\\ro.dat", "old\r\n", kAttrReadOnly);
  fct_.WriteFile("C:\\DATA\\ro.dat", "new");
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\ro.dat"), "new\r\n");
  EXPECT_EQ(mem_.Attributes("C:\\DATA\\ro.dat"), uint32_t(kAttrArchive));

  mem_.AddFile("C:\\DATA\\ro.dat", "old\r\n", kAttrReadOnly);
  fct_.WriteFile("C:\\DATA\\ro.dat", "");
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\ro.dat"), "");
}

TEST_F(DateiFctTest, WriteFileLeavesHiddenAndSystemAttributesAlone) {
  // Hidden and system files do not exist for WriteFile: their attributes are
  // not reset, so a read-only one refuses the write.
  mem_.AddFile("C:\\DATA\\h.dat", "old\r\n", kAttrHidden | kAttrReadOnly);
  EXPECT_THROW(fct_.WriteFile("C:\\DATA\\h.dat", "new"), RunError);
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\h.dat"), "old\r\n");
  EXPECT_EQ(mem_.Attributes("C:\\DATA\\h.dat"), uint32_t(kAttrHidden | kAttrReadOnly));
}

TEST_F(DateiFctTest, WriteFileIsAtomic) {
  mem_.AddFile("C:\\DATA\\a.dat", "old\r\n");
  FailOp("replace");
  try {
    fct_.WriteFile("C:\\DATA\\a.dat", "new\r\nlines\r\n");
    FAIL() << "no error";
  } catch (const RunError& e) {
    EXPECT_EQ(e.status().op(), "replace");
    EXPECT_EQ(e.status().path(), "C:\\DATA\\a.dat");
  }
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\a.dat"), "old\r\n");
  EXPECT_EQ(mem_.FilesBelow("C:\\DATA").size(), 1u);  // no temporary left
}

TEST_F(DateiFctTest, WriteFileFailuresReachTheCaller) {
  EXPECT_THROW(fct_.WriteFile("C:\\NODIR\\a.dat", "x"), RunError);
  mem_.AddFile("C:\\DATA\\ro.dat", "old\r\n", kAttrReadOnly);
  FailOp("set-attributes");
  EXPECT_THROW(fct_.WriteFile("C:\\DATA\\ro.dat", "new"), RunError);
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\ro.dat"), "old\r\n");
}

// --- CopyFile ------------------------------------------------------------------

TEST_F(DateiFctTest, CopyFile) {
  mem_.AddFile("C:\\DATA\\src.dat", "bytes\n\r");
  EXPECT_TRUE(fct_.CopyFile("C:\\DATA\\src.dat", "C:\\DATA\\dst.dat"));
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\dst.dat"), "bytes\n\r");  // unchanged bytes

  mem_.AddFile("C:\\DATA\\dst.dat", "old", kAttrReadOnly);
  EXPECT_TRUE(fct_.CopyFile("C:\\DATA\\src.dat", "c:\\data\\DST.DAT"));
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\dst.dat"), "bytes\n\r");
  EXPECT_EQ(mem_.Attributes("C:\\DATA\\src.dat"), uint32_t(kAttrArchive));
}

TEST_F(DateiFctTest, CopyFileFailuresGiveFalse) {
  EXPECT_FALSE(fct_.CopyFile("C:\\DATA\\missing.dat", "C:\\DATA\\dst.dat"));
  EXPECT_FALSE(mem_.FileExists("C:\\DATA\\dst.dat"));
  mem_.AddFile("C:\\DATA\\src.dat", "s");
  EXPECT_FALSE(fct_.CopyFile("C:\\DATA\\src.dat", "C:\\NODIR\\dst.dat"));
  // A hidden read-only destination is not reset: the copy fails.
  mem_.AddFile("C:\\DATA\\h.dat", "old", kAttrHidden | kAttrReadOnly);
  EXPECT_FALSE(fct_.CopyFile("C:\\DATA\\src.dat", "C:\\DATA\\h.dat"));
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\h.dat"), "old");

  mem_.AddFile("C:\\DATA\\dst.dat", "old");
  FailOp("copy");
  EXPECT_FALSE(fct_.CopyFile("C:\\DATA\\src.dat", "C:\\DATA\\dst.dat"));
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\dst.dat"), "old");
}

TEST_F(DateiFctTest, CopyFileAttributeFailureReachesTheCaller) {
  mem_.AddFile("C:\\DATA\\src.dat", "s");
  mem_.AddFile("C:\\DATA\\dst.dat", "old", kAttrReadOnly);
  FailOp("set-attributes");
  EXPECT_THROW(fct_.CopyFile("C:\\DATA\\src.dat", "C:\\DATA\\dst.dat"), RunError);
  EXPECT_EQ(mem_.FileContent("C:\\DATA\\dst.dat"), "old");
  // A missing destination needs no reset.
  EXPECT_TRUE(fct_.CopyFile("C:\\DATA\\src.dat", "C:\\DATA\\new.dat"));
}

}  // namespace
}  // namespace vaxo
