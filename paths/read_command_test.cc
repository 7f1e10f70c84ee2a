#include "paths/read_command.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "paths/paths_test_env.h"
#include "paths/ui.h"
#include "paths/ui_front_end.h"

namespace vaxo {
namespace {

// The four first candidates of "C:\OLD|C:\NEW".
const char kOldR1[] = "C:\\OLD\\ZEL\\R1\\VAXO";
const char kOldSteu[] = "C:\\OLD\\ZEL\\STEU\\VAXO";
const char kNewR1[] = "C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO";
const char kNewSteu[] = "C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO";

/// A form front end whose user acts as the test says.
class StubFrontEnd : public UIFrontEnd {
 public:
  std::function<void(UI&)> user;
  int shown = 0;
  void ShowModal(UI& form) override {
    ++shown;
    if (user) user(form);
  }
};

class ReadCommandTest : public PathsTest {
 protected:
  void TearDown() override {
    SetUIFrontEnd(nullptr);
    PathsTest::TearDown();
  }

  void Data(const std::string& dir, const std::string& name = "$MACHINE.DAT",
            uint32_t attributes = kAttrArchive) {
    mem_.AddFile(dir + "\\" + name, "x", attributes);
  }
  void AllFourData() {
    for (const char* dir : {kOldR1, kOldSteu, kNewR1, kNewSteu}) Data(dir);
  }
  void UseStub() { SetUIFrontEnd(&stub_); }

  /// Records the directory of every listing.
  void RecordListings() {
    faults_.set_hook([this](const std::string& op, const std::string& path) {
      if (op == "list") listed_.push_back(path);
      return Status::OK();
    });
  }

  static std::string Header(const std::string& command, const std::string& S,
                            const std::string& D) {
    return Info("commandolineargument: " + command) + Info("1. commandolineargument: " + S) +
           Info("2. commandolineargument: " + D);
  }
  static std::string FoundFirst() {
    return Info("Sorce path R1:   C:\\OLD\\ZEL\\R1\\VAXO") +
           Info("Sorce path R1 ...  $M*.DAT- and / or upg-file found") +
           Info("Sorce path STEU: C:\\OLD\\ZEL\\STEU\\VAXO") +
           Info("Sorce path STEU ...  $M*.DAT- and / or upg-file found") +
           Info("Destination path R1:   C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO") +
           Info("Destination path R1 ...  $M*.DAT- and / or upg-file found") +
           Info("Destination path STEU: C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO") +
           Info("Destination path STEU ...  $M*.DAT- and / or upg-file found");
  }

  CLSReadCommand reader_;
  StubFrontEnd stub_;
  std::vector<std::string> listed_;
};

// --- tables of the installation layout -------------------------------------

struct LayoutRow {
  const char* half;  // the root as given
  const char* r1;    // expected R1 directory
  const char* steu;  // expected STEU directory
};

class DestinationLayoutTest : public ReadCommandTest,
                              public ::testing::WithParamInterface<LayoutRow> {};

TEST_P(DestinationLayoutTest, RootAtEachDepthGivesBothDirectories) {
  const LayoutRow& row = GetParam();
  Data(kOldR1);
  Data(kOldSteu);
  Data(row.r1);
  Data(row.steu);
  EXPECT_TRUE(reader_.ReadCommand(std::string("C:\\OLD|") + row.half)) << log_;
  EXPECT_EQ(reader_.GetZiel_R1(), row.r1);
  EXPECT_EQ(reader_.GetZiel_Steu(), row.steu);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DestinationLayoutTest,
    ::testing::Values(LayoutRow{"D:\\X\\ROBOTER\\ZEL\\R1\\VAXO", "D:\\X\\ROBOTER\\ZEL\\R1\\VAXO",
                                "D:\\X\\ROBOTER\\ZEL\\STEU\\VAXO"},
                      LayoutRow{"D:\\X\\ROBOTER\\ZEL\\R1", "D:\\X\\ROBOTER\\ZEL\\R1\\VAXO",
                                "D:\\X\\ROBOTER\\ZEL\\STEU\\VAXO"},
                      LayoutRow{"d:\\x\\Roboter\\zel", "D:\\X\\ROBOTER\\ZEL\\R1\\VAXO",
                                "D:\\X\\ROBOTER\\ZEL\\STEU\\VAXO"},
                      LayoutRow{"D:\\X\\ROBOTER", "D:\\X\\ROBOTER\\ZEL\\R1\\VAXO",
                                "D:\\X\\ROBOTER\\ZEL\\STEU\\VAXO"},
                      LayoutRow{"C:\\NEW", "C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO",
                                "C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO"},
                      // A source layout is no destination ending.
                      LayoutRow{"D:\\X\\ZEL\\R1\\VAXO",
                                "D:\\X\\ZEL\\R1\\VAXO\\ROBOTER\\ZEL\\R1\\VAXO",
                                "D:\\X\\ZEL\\R1\\VAXO\\ROBOTER\\ZEL\\STEU\\VAXO"},
                      // Shorter than every ending.
                      LayoutRow{"R1", "R1\\ROBOTER\\ZEL\\R1\\VAXO", "R1\\ROBOTER\\ZEL\\STEU\\VAXO"},
                      // Only one trailing backslash goes; the other spoils every ending.
                      LayoutRow{"D:\\X\\ROBOTER\\\\", "D:\\X\\ROBOTER\\\\ROBOTER\\ZEL\\R1\\VAXO",
                                "D:\\X\\ROBOTER\\\\ROBOTER\\ZEL\\STEU\\VAXO"}));

class SourceLayoutTest : public ReadCommandTest, public ::testing::WithParamInterface<LayoutRow> {};

TEST_P(SourceLayoutTest, RootAtEachDepthGivesBothDirectories) {
  const LayoutRow& row = GetParam();
  Data(row.r1);
  Data(row.steu);
  Data(kNewR1);
  Data(kNewSteu);
  EXPECT_TRUE(reader_.ReadCommand(std::string(row.half) + "|C:\\NEW")) << log_;
  EXPECT_EQ(reader_.GetQuelle_R1(), row.r1);
  EXPECT_EQ(reader_.GetQuelle_Steu(), row.steu);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SourceLayoutTest,
    ::testing::Values(
        LayoutRow{"E:\\BAK\\ZEL\\R1\\VAXO", "E:\\BAK\\ZEL\\R1\\VAXO", "E:\\BAK\\ZEL\\STEU\\VAXO"},
        LayoutRow{"E:\\BAK\\ZEL\\R1", "E:\\BAK\\ZEL\\R1\\VAXO", "E:\\BAK\\ZEL\\STEU\\VAXO"},
        LayoutRow{"e:\\bak\\zel", "E:\\BAK\\ZEL\\R1\\VAXO", "E:\\BAK\\ZEL\\STEU\\VAXO"},
        LayoutRow{"C:\\OLD", "C:\\OLD\\ZEL\\R1\\VAXO", "C:\\OLD\\ZEL\\STEU\\VAXO"},
        LayoutRow{"E:\\BAK\\ROBOTER\\ZEL", "E:\\BAK\\ROBOTER\\ZEL\\R1\\VAXO",
                  "E:\\BAK\\ROBOTER\\ZEL\\STEU\\VAXO"},
        LayoutRow{"R1", "R1\\ZEL\\R1\\VAXO", "R1\\ZEL\\STEU\\VAXO"},
        LayoutRow{"E:\\BAK\\ZEL\\\\", "E:\\BAK\\ZEL\\\\ZEL\\R1\\VAXO",
                  "E:\\BAK\\ZEL\\\\ZEL\\STEU\\VAXO"}));

// --- reading the command text -------------------------------------------------

TEST_F(ReadCommandTest, QuotesBlanksCaseAndOneTrailingBackslash) {
  Data(kOldR1);
  Data(kOldSteu);
  Data("C:\\ZEL\\ROBOTER\\ZEL\\R1\\VAXO");
  Data("C:\\ZEL\\ROBOTER\\ZEL\\STEU\\VAXO");
  EXPECT_TRUE(reader_.ReadCommand("  \"c:\\old\\\" | \"c:\\zel\\roboter\\\"  "));
  const std::string head =
      Header("\"C:\\OLD\\\" | \"C:\\ZEL\\ROBOTER\\\"", "C:\\OLD", "C:\\ZEL\\ROBOTER");
  EXPECT_EQ(log_.substr(0, head.size()), head);
  EXPECT_EQ(reader_.GetQuelle_R1(), kOldR1);
  EXPECT_EQ(reader_.GetQuelle_Steu(), kOldSteu);
  EXPECT_EQ(reader_.GetZiel_R1(), "C:\\ZEL\\ROBOTER\\ZEL\\R1\\VAXO");
  EXPECT_EQ(reader_.GetZiel_Steu(), "C:\\ZEL\\ROBOTER\\ZEL\\STEU\\VAXO");
}

TEST_F(ReadCommandTest, QuotesAnywhereGoAndBlanksBeforeTheBackslashToo) {
  reader_.ReadCommand("c:\\o\"l\"d \\ |\"c:\\n\"ew");
  const std::string head = Header("C:\\O\"L\"D \\ |\"C:\\N\"EW", "C:\\OLD", "C:\\NEW");
  EXPECT_EQ(log_.substr(0, head.size()), head);
}

TEST_F(ReadCommandTest, LettersOfTheSystemsCodePageAreUpperCasedToo) {
  reader_.ReadCommand("c:\\\xe4lt|c:\\n\xfc\xdf");
  const std::string head = Header("C:\\\xc4LT|C:\\N\xdc\xdf", "C:\\\xc4LT", "C:\\N\xdc\xdf");
  EXPECT_EQ(log_.substr(0, head.size()), head);
  EXPECT_EQ(reader_.GetQuelle_R1(), "C:\\\xc4LT\\ZEL\\R1\\VAXO");
}

TEST_F(ReadCommandTest, OnlyTheFirstBarSplits) {
  reader_.ReadCommand("C:\\OLD|C:\\NEW|X");
  const std::string head = Header("C:\\OLD|C:\\NEW|X", "C:\\OLD", "C:\\NEW|X");
  EXPECT_EQ(log_.substr(0, head.size()), head);
}

TEST_F(ReadCommandTest, FieldsAreEmptyBeforeReadCommand) {
  EXPECT_EQ(reader_.GetZiel_R1(), "");
  EXPECT_EQ(reader_.GetQuelle_R1(), "");
  EXPECT_EQ(reader_.GetZiel_Steu(), "");
  EXPECT_EQ(reader_.GetQuelle_Steu(), "");
}

// --- whole logs ----------------------------------------------------------------

TEST_F(ReadCommandTest, AllFourFoundAtTheFirstCandidate) {
  AllFourData();
  EXPECT_TRUE(reader_.ReadCommand("C:\\OLD|C:\\NEW"));
  EXPECT_EQ(log_, Header("C:\\OLD|C:\\NEW", "C:\\OLD", "C:\\NEW") + FoundFirst());
  EXPECT_EQ(reader_.GetQuelle_R1(), kOldR1);
  EXPECT_EQ(reader_.GetQuelle_Steu(), kOldSteu);
  EXPECT_EQ(reader_.GetZiel_R1(), kNewR1);
  EXPECT_EQ(reader_.GetZiel_Steu(), kNewSteu);
}

TEST_F(ReadCommandTest, AllFourFoundAtTheAlternative) {
  // "\ZEL" is a source ending, so the source alternatives differ from the
  // first candidates.
  Data("C:\\OLD\\ZEL\\ZEL\\R1\\VAXO");
  Data("C:\\OLD\\ZEL\\ZEL\\STEU\\VAXO");
  Data("C:\\NEW\\VAXO\\R1");
  Data("C:\\NEW\\VAXO\\STEU", "$ACHSE.DAT");
  EXPECT_TRUE(reader_.ReadCommand("C:\\OLD\\ZEL|C:\\NEW"));
  EXPECT_EQ(log_, Header("C:\\OLD\\ZEL|C:\\NEW", "C:\\OLD\\ZEL", "C:\\NEW") +
                      Info("Sorce path R1:   C:\\OLD\\ZEL\\R1\\VAXO") +
                      Error("Sorce path R1 ...  no found $M*.DAT- or upg-file") +
                      Info("Sorce path R1:   C:\\OLD\\ZEL\\ZEL\\R1\\VAXO") +
                      Info("Sorce path R1 ...  $M*.DAT- and / or upg-file found") +
                      Info("Sorce path STEU: C:\\OLD\\ZEL\\STEU\\VAXO") +
                      Error("Sorce path STEU ...  not found $M*.DAT- or upg-file") +
                      Info("Sorce path STEU: C:\\OLD\\ZEL\\ZEL\\STEU\\VAXO") +
                      Info("Sorce path STEU ...  $M*.DAT- and / or upg-file") +
                      Info("Destination path R1:   C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO") +
                      Error("Destination path R1 ...  not found $M*.DAT- or upg-file") +
                      Info("Destination path R1:   C:\\NEW\\VAXO\\R1") +
                      Info("Destination pathe R1 ...  $M*.DAT- and / or upg-file found") +
                      Info("Destination path STEU: C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO") +
                      Error("Destination path STEU ...  not found $M*.DAT- or upg-file") +
                      Info("destination path  STEU: C:\\NEW\\VAXO\\STEU") +
                      Info("Destination path STEU ...  $M*.DAT- and / or upg-file found"));
  EXPECT_EQ(reader_.GetQuelle_R1(), "C:\\OLD\\ZEL\\ZEL\\R1\\VAXO");
  EXPECT_EQ(reader_.GetQuelle_Steu(), "C:\\OLD\\ZEL\\ZEL\\STEU\\VAXO");
  EXPECT_EQ(reader_.GetZiel_R1(), "C:\\NEW\\VAXO\\R1");
  EXPECT_EQ(reader_.GetZiel_Steu(), "C:\\NEW\\VAXO\\STEU");
}

// One directory missing at both candidates: its entries end the log, and
// the directories after it are neither logged nor touched.
class NotFoundTest : public ReadCommandTest, public ::testing::WithParamInterface<int> {};

TEST_P(NotFoundTest, EndsWithBothFailuresAndTouchesNothingAfter) {
  const int missing = GetParam();
  const char* dirs[] = {kOldR1, kOldSteu, kNewR1, kNewSteu};
  for (int i = 0; i < 4; ++i) {
    if (i != missing) Data(dirs[i], "$MACHINE.DAT", kAttrHidden);
  }
  const std::string found[] = {
      Info("Sorce path R1:   C:\\OLD\\ZEL\\R1\\VAXO") +
          Info("Sorce path R1 ...  $M*.DAT- and / or upg-file found"),
      Info("Sorce path STEU: C:\\OLD\\ZEL\\STEU\\VAXO") +
          Info("Sorce path STEU ...  $M*.DAT- and / or upg-file found"),
      Info("Destination path R1:   C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO") +
          Info("Destination path R1 ...  $M*.DAT- and / or upg-file found"),
  };
  const std::string failed[] = {
      Info("Sorce path R1:   C:\\OLD\\ZEL\\R1\\VAXO") +
          Error("Sorce path R1 ...  no found $M*.DAT- or upg-file") +
          Info("Sorce path R1:   C:\\OLD\\ZEL\\R1\\VAXO") +
          Error("Sorce path R1 ...  not found $M*.DAT- or upg-file"),
      Info("Sorce path STEU: C:\\OLD\\ZEL\\STEU\\VAXO") +
          Error("Sorce path STEU ...  not found $M*.DAT- or upg-file") +
          Info("Sorce path STEU: C:\\OLD\\ZEL\\STEU\\VAXO") +
          Error("Sorce path STEU ...  not found $M*.DAT- or upg-file"),
      Info("Destination path R1:   C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO") +
          Error("Destination path R1 ...  not found $M*.DAT- or upg-file") +
          Info("Destination path R1:   C:\\NEW\\VAXO\\R1") +
          Error("Destination path R1 ...  not found $M*.DAT- or upg-file"),
      Info("Destination path STEU: C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO") +
          Error("Destination path STEU ...  not found $M*.DAT- or upg-file") +
          Info("destination path  STEU: C:\\NEW\\VAXO\\STEU") +
          Error("Destination path STEU ...  not found $M*.DAT- or upg-file"),
  };
  std::string expected = Header("C:\\OLD|C:\\NEW", "C:\\OLD", "C:\\NEW");
  for (int i = 0; i < missing; ++i) expected += found[i];
  expected += failed[missing];

  EXPECT_FALSE(reader_.ReadCommand("C:\\OLD|C:\\NEW"));
  EXPECT_EQ(log_, expected);
  for (int i = 0; i < 4; ++i) {
    if (i == missing) continue;
    const uint32_t attributes = mem_.Attributes(std::string(dirs[i]) + "\\$MACHINE.DAT");
    EXPECT_EQ(attributes, i < missing ? kAttrArchive : kAttrHidden) << dirs[i];
  }
}

INSTANTIATE_TEST_SUITE_P(EachDirectory, NotFoundTest, ::testing::Values(0, 1, 2, 3));

TEST_F(ReadCommandTest, FieldsKeepTheLastCandidateAfterFalse) {
  Data(kOldR1);
  Data(kOldSteu);
  EXPECT_FALSE(reader_.ReadCommand("C:\\OLD|C:\\NEW"));
  EXPECT_EQ(reader_.GetZiel_R1(), "C:\\NEW\\VAXO\\R1");
  EXPECT_EQ(reader_.GetZiel_Steu(), kNewSteu);  // never reached
}

// --- what counts as found -------------------------------------------------------

TEST_F(ReadCommandTest, SourceTakesAnyDollarDatDestinationR1DoesNot) {
  Data(kOldR1, "$ACHSE.DAT");
  Data(kOldSteu, "$robcor.dat");
  Data(kNewR1, "$ACHSE.DAT");
  Data("C:\\NEW\\VAXO\\R1", "$ACHSE.DAT");  // the alternative needs "$m*" or upg too
  EXPECT_FALSE(reader_.ReadCommand("C:\\OLD|C:\\NEW"));
  const std::string tail = Info("Sorce path STEU ...  $M*.DAT- and / or upg-file found") +
                           Info("Destination path R1:   C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO") +
                           Error("Destination path R1 ...  not found $M*.DAT- or upg-file") +
                           Info("Destination path R1:   C:\\NEW\\VAXO\\R1") +
                           Error("Destination path R1 ...  not found $M*.DAT- or upg-file");
  ASSERT_GE(log_.size(), tail.size());
  EXPECT_EQ(log_.substr(log_.size() - tail.size()), tail);
}

TEST_F(ReadCommandTest, DestinationFoundByUpgFilesAlone) {
  Data(kOldR1);
  Data(kOldSteu);
  Data(kNewR1, "machine.upg");
  Data(kNewSteu, "ROBCOR.UPG");
  EXPECT_TRUE(reader_.ReadCommand("C:\\OLD|C:\\NEW"));
  EXPECT_EQ(log_, Header("C:\\OLD|C:\\NEW", "C:\\OLD", "C:\\NEW") + FoundFirst());
}

TEST_F(ReadCommandTest, DestinationSteuFirstCandidateNeedsMachineOrUpg) {
  Data(kOldR1);
  Data(kOldSteu);
  Data(kNewR1);
  Data(kNewSteu, "$ACHSE.DAT");
  EXPECT_FALSE(reader_.ReadCommand("C:\\OLD|C:\\NEW"));
  EXPECT_EQ(reader_.GetZiel_Steu(), "C:\\NEW\\VAXO\\STEU");
}

TEST_F(ReadCommandTest, SystemFilesAndDirectoriesDoNotCount) {
  Data(kOldR1, "$MACHINE.DAT", kAttrSystem);
  mem_.AddDirectory(std::string(kOldR1) + "\\$M.DAT");
  EXPECT_FALSE(reader_.ReadCommand("C:\\OLD|C:\\NEW"));
  EXPECT_EQ(mem_.Attributes(std::string(kOldR1) + "\\$MACHINE.DAT"), kAttrSystem);
}

TEST_F(ReadCommandTest, HiddenAndReadOnlyFilesAreMadeArchiveOnlyBeforeTheTest) {
  Data(kOldR1, "$MACHINE.DAT", kAttrHidden | kAttrReadOnly);
  Data(kOldSteu, "$ROBCOR.DAT", kAttrHidden);
  Data(kNewR1, "MACHINE.UPG", kAttrHidden | kAttrArchive);
  Data(kNewR1, "$MACHINE.DAT", kAttrReadOnly);
  Data(kNewSteu, "$MACHINE.DAT", kAttrHidden);
  EXPECT_TRUE(reader_.ReadCommand("C:\\OLD|C:\\NEW"));
  EXPECT_EQ(log_, Header("C:\\OLD|C:\\NEW", "C:\\OLD", "C:\\NEW") + FoundFirst());
  for (const char* file :
       {"C:\\OLD\\ZEL\\R1\\VAXO\\$MACHINE.DAT", "C:\\OLD\\ZEL\\STEU\\VAXO\\$ROBCOR.DAT",
        "C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO\\MACHINE.UPG",
        "C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO\\$MACHINE.DAT",
        "C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\$MACHINE.DAT"}) {
    EXPECT_EQ(mem_.Attributes(file), kAttrArchive) << file;
  }
}

TEST_F(ReadCommandTest, CandidatesThatAreNotAcceptedAreClearedToo) {
  AllFourData();
  Data(kNewR1, "NOTES.TXT", kAttrHidden);  // still found: "$MACHINE.DAT" is there
  mem_.AddFile("C:\\NEW\\VAXO\\R1\\OLD.TXT", "x", kAttrReadOnly);
  mem_.AddFile("C:\\OLD\\ZEL\\STEU\\VAXO\\README.TXT", "x", kAttrHidden);
  mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\README.TXT", "x", kAttrHidden);
  mem_.AddFile("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\$MACHINE.DAT", "x", kAttrSystem);
  mem_.AddFile("C:\\NEW\\VAXO\\STEU\\README.TXT", "x", kAttrHidden);
  EXPECT_FALSE(reader_.ReadCommand("C:\\OLD|C:\\NEW"));
  EXPECT_EQ(mem_.Attributes("C:\\NEW\\ROBOTER\\ZEL\\STEU\\VAXO\\README.TXT"), kAttrArchive);
  EXPECT_EQ(mem_.Attributes("C:\\NEW\\VAXO\\STEU\\README.TXT"), kAttrArchive);
  EXPECT_EQ(mem_.Attributes(std::string(kNewR1) + "\\NOTES.TXT"), kAttrArchive);
  // The alternative of an accepted directory is not examined.
  EXPECT_EQ(mem_.Attributes("C:\\NEW\\VAXO\\R1\\OLD.TXT"), kAttrReadOnly);
}

TEST_F(ReadCommandTest, FileSystemFailuresCountAsNotFound) {
  AllFourData();
  faults_.set_hook([](const std::string& op, const std::string& path) {
    if (op == "set-attributes") return Status::IOError(op, path, "access denied");
    if (op == "list" && path == "C:\\NEW\\ROBOTER\\ZEL\\R1\\VAXO")
      return Status::IOError(op, path, "device not ready");
    return Status::OK();
  });
  EXPECT_FALSE(reader_.ReadCommand("C:\\OLD|C:\\NEW"));
  EXPECT_EQ(reader_.GetZiel_R1(), "C:\\NEW\\VAXO\\R1");
  EXPECT_FALSE(reader_.ReadCommand("C:\\OLD|Q:\\NEW"));  // no such drive
}

// --- an empty half ---------------------------------------------------------------

TEST_F(ReadCommandTest, EmptySourceFailsAtOnceWithoutTouchingAnything) {
  AllFourData();
  Data("C:\\ZEL\\R1\\VAXO", "$MACHINE.DAT", kAttrHidden);  // the bare suffix
  EXPECT_FALSE(reader_.ReadCommand("|C:\\NEW"));
  EXPECT_EQ(log_, Header("|C:\\NEW", "", "C:\\NEW") + Info("Sorce path R1:") +
                      Error("Sorce path R1 ...  no found $M*.DAT- or upg-file"));
  EXPECT_EQ(faults_.operations(), 0);
  EXPECT_EQ(reader_.GetQuelle_R1(), "");
  EXPECT_EQ(reader_.GetQuelle_Steu(), "");
  EXPECT_EQ(reader_.GetZiel_R1(), kNewR1);
}

TEST_F(ReadCommandTest, EmptyDestinationFailsAfterTheSource) {
  AllFourData();
  RecordListings();
  EXPECT_FALSE(reader_.ReadCommand("C:\\OLD| \"\" "));
  const std::string tail = Info("Sorce path STEU ...  $M*.DAT- and / or upg-file found") +
                           Info("Destination path R1:") +
                           Error("Destination path R1 ...  not found $M*.DAT- or upg-file");
  ASSERT_GE(log_.size(), tail.size());
  EXPECT_EQ(log_.substr(log_.size() - tail.size()), tail);
  ASSERT_FALSE(listed_.empty());
  for (const std::string& dir : listed_) EXPECT_EQ(dir.substr(0, 6), "C:\\OLD") << dir;
  EXPECT_EQ(reader_.GetZiel_R1(), "");
}

TEST_F(ReadCommandTest, BarAloneFailsAtTheSource) {
  EXPECT_FALSE(reader_.ReadCommand(" | "));
  EXPECT_EQ(log_, Header("|", "", "") + Info("Sorce path R1:") +
                      Error("Sorce path R1 ...  no found $M*.DAT- or upg-file"));
  EXPECT_EQ(faults_.operations(), 0);
}

// --- without "|": the path-settings form -------------------------------------------

const char kCommandEmpty[] = "commandolineargument: ";

class FormTest : public ReadCommandTest {
 protected:
  static std::string FormHead(const std::string& command) {
    return Info(command) + Error("not found Trennzeichen < | > in commandolineargument") +
           Info("user define input pfade (Quelle, Destination)");
  }
  /// Runs ReadCommand and returns the exit code it ended the program with,
  /// or -1 when it returned.
  int ExitCodeOf(const std::string& command) {
    try {
      reader_.ReadCommand(command);
    } catch (const ProcessExit& e) {
      return e.code;
    }
    return -1;
  }
};

TEST_F(FormTest, AcceptedPathsBecomeTheCommand) {
  AllFourData();
  UseStub();
  stub_.user = [](UI& form) {
    form.SrcPath = "c:\\old";
    form.DestPath = "c:\\new\\";
    EXPECT_EQ(form.Run(), "");
  };
  EXPECT_TRUE(reader_.ReadCommand("  c:\\old  "));
  EXPECT_EQ(stub_.shown, 1);
  EXPECT_EQ(log_, FormHead("commandolineargument: C:\\OLD") + Info("Sorce:      c:\\old") +
                      Info("Destination:        c:\\new\\") +
                      Info("1. commandolineargument: C:\\OLD") +
                      Info("2. commandolineargument: C:\\NEW") + FoundFirst());
  EXPECT_EQ(reader_.GetZiel_Steu(), kNewSteu);
}

TEST_F(FormTest, TheConvertedPathsAreLoggedAndUsed) {
  AllFourData();
  mem_.AddDirectory("C:\\LINK");
  host_.alias["C:\\LINK"] = "C:\\OLD";
  host_.alias["C:\\NEW"] = "C:\\NEW\\ROBOTER";
  UseStub();
  stub_.user = [](UI& form) {
    form.SrcPath = "C:\\LINK";
    form.DestPath = "C:\\NEW";
    form.Run();
  };
  EXPECT_TRUE(reader_.ReadCommand(""));
  EXPECT_EQ(log_, FormHead(kCommandEmpty) + Info("Sorce:      C:\\OLD") +
                      Info("Destination:        C:\\NEW\\ROBOTER") +
                      Info("1. commandolineargument: C:\\OLD") +
                      Info("2. commandolineargument: C:\\NEW\\ROBOTER") + FoundFirst());
}

TEST_F(FormTest, ClosedWithoutAcceptingEndsTheProgram) {
  UseStub();
  EXPECT_EQ(ExitCodeOf("C:\\OLD"), 0);
  EXPECT_EQ(stub_.shown, 1);
  EXPECT_EQ(log_, FormHead("commandolineargument: C:\\OLD"));
}

TEST_F(FormTest, AFailedRunBeforeClosingStillEndsTheProgram) {
  UseStub();
  stub_.user = [](UI& form) { EXPECT_EQ(form.Run(), "Source Path not found"); };
  EXPECT_EQ(ExitCodeOf(""), 0);
  EXPECT_EQ(log_, FormHead(kCommandEmpty));
}

TEST_F(FormTest, ExitEndsTheProgramFromInsideTheForm) {
  AllFourData();
  UseStub();
  bool returned = false;
  stub_.user = [&returned](UI& form) {
    form.Leave();
    returned = true;
  };
  EXPECT_EQ(ExitCodeOf(""), 0);
  EXPECT_FALSE(returned);
  EXPECT_EQ(log_, FormHead(kCommandEmpty));
}

TEST_F(FormTest, ACommandWithABarNeverShowsTheForm) {
  UseStub();
  reader_.ReadCommand("C:\\OLD|C:\\NEW");
  reader_.ReadCommand("|");
  reader_.ReadCommand("\"|\"");
  EXPECT_EQ(stub_.shown, 0);
}

TEST_F(FormTest, TheTerminalDialogueIsTheDefault) {
  AllFourData();
  mem_.set_stdin_lines({"/old", "/new"});
  EXPECT_TRUE(reader_.ReadCommand(""));
  EXPECT_NE(log_.find(Info("Sorce:      C:\\old") + Info("Destination:        C:\\new")),
            std::string::npos);
}

TEST_F(FormTest, WithoutATerminalTheProgramEnds) {
  AllFourData();
  EXPECT_EQ(ExitCodeOf(""), 0);
  EXPECT_EQ(log_, FormHead(kCommandEmpty));
  EXPECT_EQ(mem_.std_err(), "");
}

}  // namespace
}  // namespace vaxo
