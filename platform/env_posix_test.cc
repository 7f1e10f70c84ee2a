#include "platform/env_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "platform/posix_path.h"
#include "platform/posix_sys.h"

namespace vaxo {

namespace {

// --- the pure path logic ----------------------------------------------------

TEST(PosixPathTest, SplitsDrivePathsAndNormalisesNames) {
  WindowsPathParts p = SplitWindowsPath("c:\\A\\.\\\\B\\..\\C/d", "/cwd");
  EXPECT_EQ(p.drive, 'C');
  EXPECT_EQ(p.names, (std::vector<std::string>{"A", "C", "d"}));
  p = SplitWindowsPath("D:", "/cwd");
  EXPECT_EQ(p.drive, 'D');
  EXPECT_TRUE(p.names.empty());
  p = SplitWindowsPath("\\x\\..\\..\\y", "/cwd");  // no drive: the current drive Z:
  EXPECT_EQ(p.drive, 'Z');
  EXPECT_EQ(p.names, (std::vector<std::string>{"y"}));
  p = SplitWindowsPath("..\\b", "/home/u");  // relative: below the host's current directory
  EXPECT_EQ(p.drive, 'Z');
  EXPECT_EQ(p.names, (std::vector<std::string>{"home", "b"}));
  EXPECT_TRUE(IsRelativeWindowsPath("a\\b"));
  EXPECT_FALSE(IsRelativeWindowsPath("\\a"));
  EXPECT_FALSE(IsRelativeWindowsPath("/a"));
  EXPECT_FALSE(IsRelativeWindowsPath("x:a"));
}

TEST(PosixPathTest, CaseMatchesAreEveryNameEqualButForCase) {
  const std::vector<std::string> names = {"abc", "Abc", "other", "ABc", "abcd"};
  using Names = std::vector<std::string>;
  EXPECT_EQ(CaseMatches(names, "Abc"), (Names{"ABc", "Abc", "abc"}));  // the exact one too
  EXPECT_EQ(CaseMatches(names, "OTHER"), (Names{"other"}));
  EXPECT_EQ(CaseMatches(names, "abcde"), Names{});
  EXPECT_EQ(CaseMatches({"\xe4"}, "\xc4"), Names{"\xe4"});  // code page 1252 letters fold
  EXPECT_EQ(CaseMatches({"\xdf"}, "SS"), Names{});          // sharp s has no upper case
}

TEST(PosixPathTest, DosAttribText) {
  EXPECT_EQ(FormatDosAttrib(kAttrHidden), "0x2");
  EXPECT_EQ(FormatDosAttrib(kAttrHidden | kAttrSystem | kAttrReadOnly | kAttrArchive), "0x6");
  EXPECT_EQ(ParseDosAttrib("0x2"), uint32_t(kAttrHidden));
  EXPECT_EQ(ParseDosAttrib("0x6"), uint32_t(kAttrHidden | kAttrSystem));
  EXPECT_EQ(ParseDosAttrib("0x24"), uint32_t(kAttrSystem));  // archive is not kept here
  EXPECT_EQ(ParseDosAttrib(std::string("0x2\0\x01\x02", 6)), uint32_t(kAttrHidden));
  EXPECT_EQ(ParseDosAttrib("2"), 0u);
  EXPECT_EQ(ParseDosAttrib(""), 0u);
}

// Character for character, as Windows keeps what was typed: the trimming
// of a trailing separator is the command reader's.
TEST(PosixPathTest, HostPathInWindowsForm) {
  EXPECT_EQ(HostToWindowsPath("/usr/bin", "/home/u"), "Z:\\usr\\bin");
  EXPECT_EQ(HostToWindowsPath("/srv/old/", "/home/u"), "Z:\\srv\\old\\");
  EXPECT_EQ(HostToWindowsPath("/a//b/./c/..", "/home/u"), "Z:\\a\\\\b\\.\\c\\..");
  EXPECT_EQ(HostToWindowsPath("/", "/home/u"), "Z:\\");
  // Relative paths stay relative, below the current directory.
  EXPECT_EQ(HostToWindowsPath("old", "/home/u"), "old");
  EXPECT_EQ(HostToWindowsPath("./old/../new/", "/home/u"), ".\\old\\..\\new\\");
  EXPECT_EQ(HostToWindowsPath("../x", "/home/u"), "..\\x");
  // "~" has no Windows form: the home folder takes its place.
  EXPECT_EQ(HostToWindowsPath("~/inst/", "/home/u"), "Z:\\home\\u\\inst\\");
  EXPECT_EQ(HostToWindowsPath("~", "/home/u/"), "Z:\\home\\u");
  EXPECT_EQ(HostToWindowsPath("~/x", "/"), "Z:\\x");
  EXPECT_EQ(HostToWindowsPath("~user/x", "/home/u"), "~user\\x");  // a name like any other
}

TEST(PosixPathTest, PresentsOnePath) {
  EXPECT_EQ(PresentPath("/data/old", "/h"), "Z:\\data\\old");
  EXPECT_EQ(PresentPath("  \"/data/old dir/\" ", "/h"), "  \"Z:\\data\\old dir\\\" ");
  EXPECT_EQ(PresentPath("C:\\ZEL\\ROBOTER\\", "/h"), "C:\\ZEL\\ROBOTER\\");
  EXPECT_EQ(PresentPath("c:/zel", "/h"), "c:/zel");  // has a drive
  EXPECT_EQ(PresentPath("STEU\\Vaxo\\$machine.dat", "/h"), "STEU\\Vaxo\\$machine.dat");
  EXPECT_EQ(PresentPath("inst/sub", "/h"), "inst\\sub");
  EXPECT_EQ(PresentPath("  ", "/h"), "  ");
  EXPECT_EQ(PresentPath("", "/h"), "");
}

TEST(PosixPathTest, PresentsEachPieceOfACommandLine) {
  EXPECT_EQ(PresentCommandLine("/data/old/|/data/new", "/h"), "Z:\\data\\old\\|Z:\\data\\new");
  EXPECT_EQ(PresentCommandLine(" \"old\" | ~/new ", "/home/u"), " \"old\" | Z:\\home\\u\\new ");
  EXPECT_EQ(PresentCommandLine("C:\\OLD | D:\\NEW", "/h"), "C:\\OLD | D:\\NEW");
  EXPECT_EQ(PresentCommandLine("C:\\OLD|./new", "/h"), "C:\\OLD|.\\new");
  EXPECT_EQ(PresentCommandLine("|", "/h"), "|");
  EXPECT_EQ(PresentCommandLine("", "/h"), "");
}

TEST(PosixPathTest, JoinsTheArgumentsAfterTheProgram) {
  EXPECT_EQ(JoinArguments(std::string("/bin/prog\0/a|/b\0", 16)), "/a|/b");
  EXPECT_EQ(JoinArguments(std::string("prog\0a\0|\0b\0", 11)), "a | b");
  EXPECT_EQ(JoinArguments(std::string("prog\0", 5)), "");
  EXPECT_EQ(JoinArguments(""), "");
}

TEST(PosixPathTest, ChildArgumentIsTheTailOfTheCommandLine) {
  const std::string app = "C:\\TOOLS\\ValXfer.exe";
  EXPECT_EQ(ChildArgument(app, "C:\\TOOLS\\VALXFER.EXE E:\\NEW\\STEU\\Vaxo\\$machine.dat | x /DAT"),
            "E:\\NEW\\STEU\\Vaxo\\$machine.dat | x /DAT");
  EXPECT_EQ(ChildArgument(app, app + "  two blanks"), " two blanks");  // one blank removed
  EXPECT_EQ(ChildArgument(app, app), "");
  EXPECT_EQ(ChildArgument(app, "other.exe a | b"), "a | b");  // first token dropped
  EXPECT_EQ(ChildArgument(app, app + "x a"), "a");            // not the program text alone
  EXPECT_EQ(ChildArgument(app, "\"C:\\Program Files\\v.exe\" a b"), "a b");
  EXPECT_EQ(ChildArgument(app, "lonely"), "");
}

TEST(PosixPathTest, TimestampLeavesOutMidnight) {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_hour = 16;
  t.tm_min = 26;
  t.tm_sec = 36;
  EXPECT_EQ(FormatTimestamp(t, "%d.%m.%Y", "%H:%M:%S"), "07.12.2026 16:26:36");
  t.tm_hour = t.tm_min = t.tm_sec = 0;
  EXPECT_EQ(FormatTimestamp(t, "%d.%m.%Y", "%H:%M:%S"), "07.12.2026");
  t.tm_sec = 1;
  EXPECT_EQ(FormatTimestamp(t, "%m/%d/%Y", "%H:%M:%S"), "12/07/2026 00:00:01");
}

// --- the environment on a real file system ----------------------------------

int Unlock(const char* path, const struct stat* st, int type, struct FTW*) {
  if (type == FTW_D) chmod(path, (st->st_mode & 07777) | S_IRWXU);
  return 0;
}

int RemoveOne(const char* path, const struct stat*, int, struct FTW*) {
  remove(path);
  return 0;
}

class PosixEnvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vaxo_env_posix_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    c_ = root_ + "/drive_c";
    ASSERT_EQ(mkdir(c_.c_str(), 0755), 0);
    Save("VAXO_DRIVE_C", &saved_c_);
    Save("HOME", &saved_home_);
    setenv("VAXO_DRIVE_C", c_.c_str(), 1);
  }
  void TearDown() override {
    sys::SetHook(nullptr);
    Restore("VAXO_DRIVE_C", saved_c_);
    Restore("HOME", saved_home_);
    nftw(root_.c_str(), Unlock, 16, FTW_PHYS);
    nftw(root_.c_str(), RemoveOne, 16, FTW_PHYS | FTW_DEPTH);
  }

  // Fails the system calls for which `fail` gives an errno (0: the call is
  // made) and cuts every write to `chunk` bytes (0: whole).
  using Fail = std::function<int(const std::string& call, const std::string& host)>;
  static void FailCalls(Fail fail, size_t chunk = 0) {
    sys::SetHook([fail, chunk](const char* call, const std::string& host) {
      sys::Fault f;
      f.error = fail ? fail(call, host) : 0;
      if (std::string(call) == "write") f.max_write = chunk;
      return f;
    });
  }

  static void Save(const char* name, std::pair<bool, std::string>* saved) {
    const char* value = std::getenv(name);
    *saved = {value != nullptr, value ? value : ""};
  }
  static void Restore(const char* name, const std::pair<bool, std::string>& saved) {
    if (saved.first) {
      setenv(name, saved.second.c_str(), 1);
    } else {
      unsetenv(name);
    }
  }

  // Files are made and checked on the host side, past the environment.
  void Put(const std::string& host, const std::string& content, mode_t mode = 0644) {
    std::FILE* f = std::fopen(host.c_str(), "wb");
    ASSERT_NE(f, nullptr) << host;
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    ASSERT_EQ(chmod(host.c_str(), mode), 0);
  }
  static std::string Get(const std::string& host) {
    std::FILE* f = std::fopen(host.c_str(), "rb");
    if (!f) return "<missing>";
    std::string content;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) content.append(buf, n);
    std::fclose(f);
    return content;
  }
  void MakeDir(const std::string& host) { ASSERT_EQ(mkdir(host.c_str(), 0755), 0) << host; }
  static bool Exists(const std::string& host) {
    struct stat st;
    return lstat(host.c_str(), &st) == 0;
  }
  static mode_t Mode(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
  }
  // Every name in a host directory, sorted.
  static std::set<std::string> Names(const std::string& host) {
    std::set<std::string> names;
    DIR* d = opendir(host.c_str());
    if (!d) return names;
    while (const dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.insert(name);
    }
    closedir(d);
    return names;
  }
  // The drive form of a host path below the test's root.
  std::string Z(const std::string& host) { return HostToWindowsPath(host, "/"); }

  static bool XattrsWork(const std::string& host) {
    return setxattr(host.c_str(), "user.DOSATTRIB", "0x0", 3, 0) == 0 &&
           removexattr(host.c_str(), "user.DOSATTRIB") == 0;
  }

  PosixEnv env_;
  std::string root_, c_;
  std::pair<bool, std::string> saved_c_, saved_home_;
};

TEST_F(PosixEnvTest, DriveCIsTheDirectoryOfItsVariable) {
  Put(c_ + "/A.TXT", "x");
  std::string content;
  ASSERT_TRUE(env_.ReadFile("C:\\A.TXT", &content).ok());
  EXPECT_EQ(content, "x");
  ASSERT_TRUE(env_.ReadFile("c:/a.txt", &content).ok());
  std::string host;
  ASSERT_TRUE(env_.HostPath("test", "C:", false, &host).ok());
  EXPECT_EQ(host, c_);
  ASSERT_TRUE(env_.HostPath("test", "C:\\", false, &host).ok());
  EXPECT_EQ(host, c_);
}

TEST_F(PosixEnvTest, DriveZIsTheHostRootAndTheCurrentDrive) {
  std::string host;
  ASSERT_TRUE(env_.HostPath("test", "Z:\\", false, &host).ok());
  EXPECT_EQ(host, "/");
  ASSERT_TRUE(env_.HostPath("test", "Z:\\tmp", false, &host).ok());
  EXPECT_EQ(host, "/tmp");
  ASSERT_TRUE(env_.HostPath("test", "\\tmp\\..\\tmp", false, &host).ok());
  EXPECT_EQ(host, "/tmp");
  Put(c_ + "/B.TXT", "b");
  std::string content;
  ASSERT_TRUE(env_.ReadFile(Z(c_) + "\\B.TXT", &content).ok());
  EXPECT_EQ(content, "b");
}

TEST_F(PosixEnvTest, UnmappedDriveDoesNotExist) {
  unsetenv("VAXO_DRIVE_Q");
  uint32_t attributes = 0;
  Status s = env_.GetAttributes("Q:\\X", &attributes);
  EXPECT_TRUE(s.IsNotFound()) << s.ToString();
  EXPECT_EQ(s.path(), "Q:\\X");
  EXPECT_TRUE(env_.ReplaceFile("Q:\\X", "x").IsNotFound());
  EXPECT_FALSE(env_.DirectoryExists("Q:"));

  // Mapped to a folder that is not there (yet): the mapping is the cause.
  setenv("VAXO_DRIVE_Q", (root_ + "/q").c_str(), 1);
  const std::string missing = "drive Q: is " + root_ + "/q (VAXO_DRIVE_Q), which does not exist";
  EXPECT_EQ(env_.ReplaceFile("Q:\\DIR\\X", "x").reason(), missing);
  EXPECT_EQ(env_.AppendFile("Q:\\X", "x").reason(), missing);
  EXPECT_EQ(env_.GetAttributes("Q:", &attributes).reason(), missing);
  MakeDir(root_ + "/q");
  EXPECT_TRUE(env_.ReplaceFile("q:\\X", "x").ok());
  unsetenv("VAXO_DRIVE_Q");
  EXPECT_EQ(Get(root_ + "/q/X"), "x");
}

TEST_F(PosixEnvTest, NameTooLongSaysSo) {
  const std::string name(NAME_MAX + 1, 'n');
  std::string content;
  for (const Status& s :
       {env_.ReadFile("C:\\" + name, &content), env_.ReplaceFile("C:\\" + name + "\\x", "x"),
        env_.AppendFile("C:\\" + name, "x")}) {
    EXPECT_FALSE(s.IsNotFound()) << s.ToString();
    EXPECT_EQ(s.reason(), "File name too long");
  }
}

TEST_F(PosixEnvTest, DriveCDefaultsToADirectoryInTheHome) {
  unsetenv("VAXO_DRIVE_C");
  MakeDir(root_ + "/home");
  setenv("HOME", (root_ + "/home").c_str(), 1);
  EXPECT_TRUE(env_.DirectoryExists("C:\\"));
  EXPECT_TRUE(Exists(root_ + "/home/.upgrade_vaxo/drive_c"));
  ASSERT_TRUE(env_.ReplaceFile("C:\\LOG.TXT", "l").ok());
  EXPECT_EQ(Get(root_ + "/home/.upgrade_vaxo/drive_c/LOG.TXT"), "l");
}

TEST_F(PosixEnvTest, RelativePathsStartAtTheCurrentDirectory) {
  char buf[4096];
  ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
  const std::string previous = buf;
  ASSERT_EQ(chdir(c_.c_str()), 0);
  Put(c_ + "/Rel.txt", "r");
  std::string content, host;
  Status s = env_.ReadFile("REL.TXT", &content);
  Status up = env_.HostPath("test", "..\\drive_c\\rel.txt", false, &host);
  std::string typed;  // a relative host path as typed stays relative
  Status relative = env_.ReadFile(env_.SystemPath("./sub/../rel.txt"), &typed);
  ASSERT_EQ(chdir(previous.c_str()), 0);
  EXPECT_TRUE(relative.ok()) << relative.ToString();
  EXPECT_EQ(typed, "r");
  ASSERT_TRUE(s.ok()) << s.ToString();
  EXPECT_EQ(content, "r");
  ASSERT_TRUE(up.ok()) << up.ToString();
  EXPECT_EQ(host, c_ + "/Rel.txt");
}

TEST_F(PosixEnvTest, SystemPathKeepsDrivePaths) {
  EXPECT_EQ(env_.SystemPath("/tmp/x"), "Z:\\tmp\\x");
  EXPECT_EQ(env_.SystemPath("C:\\ZEL_OLDINST"), "C:\\ZEL_OLDINST");
}

TEST_F(PosixEnvTest, ErrorsNameOperationPathAndReason) {
  std::string content;
  Status s = env_.ReadFile("C:\\NOPE\\X.TXT", &content);
  EXPECT_TRUE(s.IsNotFound());
  EXPECT_EQ(s.op(), "read");
  EXPECT_EQ(s.path(), "C:\\NOPE\\X.TXT");
  EXPECT_FALSE(s.reason().empty());

  Put(c_ + "/F", "f");
  s = env_.ReadFile("C:\\F\\X.TXT", &content);  // through a file
  EXPECT_TRUE(s.IsNotFound()) << s.ToString();
  EXPECT_EQ(s.path(), "C:\\F\\X.TXT");

  FailCalls(
      [](const std::string& call, const std::string&) { return call == "write" ? ENOSPC : 0; });
  s = env_.ReplaceFile("C:\\f", "new");
  EXPECT_FALSE(s.ok());
  EXPECT_FALSE(s.IsNotFound());
  EXPECT_EQ(s.ToString(), "write C:\\f: No space left on device");
}

TEST_F(PosixEnvTest, AttributesOfFilesAndDirectories) {
  Put(c_ + "/PLAIN.DAT", "p");
  Put(c_ + "/RO.DAT", "r", 0444);
  Put(c_ + "/.dot", "d");
  MakeDir(c_ + "/Dir");
  uint32_t a = 0;
  ASSERT_TRUE(env_.GetAttributes("C:\\plain.dat", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrArchive));
  ASSERT_TRUE(env_.GetAttributes("C:\\RO.DAT", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrArchive | kAttrReadOnly));
  ASSERT_TRUE(env_.GetAttributes("C:\\.DOT", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrArchive));  // a leading "." hides nothing
  ASSERT_TRUE(env_.GetAttributes("C:\\DIR", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrDirectory));
  ASSERT_TRUE(env_.GetAttributes("C:", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrDirectory));
  EXPECT_TRUE(env_.GetAttributes("C:\\NONE", &a).IsNotFound());
  EXPECT_TRUE(env_.NormalFileExists("C:\\PLAIN.DAT"));
  EXPECT_TRUE(env_.NormalFileExists("C:\\.dot"));
  uint64_t size = 0;
  ASSERT_TRUE(env_.GetFileSize("C:\\Plain.Dat", &size).ok());
  EXPECT_EQ(size, 1u);
  EXPECT_TRUE(env_.GetFileSize("C:\\DIR", &size).IsNotFound());
}

TEST_F(PosixEnvTest, HiddenAndSystemFromTheExtendedAttribute) {
  Put(c_ + "/H.DAT", "h");
  Put(c_ + "/S.DAT", "s");
  Put(c_ + "/HS.DAT", "hs");
  if (!XattrsWork(c_ + "/H.DAT")) GTEST_SKIP() << "no user extended attributes under /tmp";
  ASSERT_EQ(setxattr((c_ + "/H.DAT").c_str(), "user.DOSATTRIB", "0x2", 3, 0), 0);
  ASSERT_EQ(setxattr((c_ + "/S.DAT").c_str(), "user.DOSATTRIB", "0x4", 3, 0), 0);
  ASSERT_EQ(setxattr((c_ + "/HS.DAT").c_str(), "user.DOSATTRIB", "0x26", 4, 0), 0);
  uint32_t a = 0;
  ASSERT_TRUE(env_.GetAttributes("C:\\H.DAT", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrArchive | kAttrHidden));
  ASSERT_TRUE(env_.GetAttributes("C:\\S.DAT", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrArchive | kAttrSystem));
  ASSERT_TRUE(env_.GetAttributes("C:\\HS.DAT", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrArchive | kAttrHidden | kAttrSystem));
  EXPECT_FALSE(env_.NormalFileExists("C:\\S.DAT"));

  ASSERT_TRUE(env_.SetArchiveOnly("C:\\hs.dat").ok());
  ASSERT_TRUE(env_.GetAttributes("C:\\HS.DAT", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrArchive));
  EXPECT_LT(getxattr((c_ + "/HS.DAT").c_str(), "user.DOSATTRIB", nullptr, 0), 0);

  // Attributes follow a symbolic link.
  ASSERT_EQ(symlink("H.DAT", (c_ + "/LINK").c_str()), 0);
  ASSERT_TRUE(env_.GetAttributes("C:\\LINK", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrArchive | kAttrHidden));
}

TEST_F(PosixEnvTest, SetArchiveOnlyClearsReadOnly) {
  Put(c_ + "/RO.DAT", "r", 0440);
  Put(c_ + "/.RO", "r", 0444);
  ASSERT_TRUE(env_.SetArchiveOnly("C:\\ro.dat").ok());
  EXPECT_EQ(Mode(c_ + "/RO.DAT"), mode_t(0640));
  uint32_t a = 0;
  ASSERT_TRUE(env_.GetAttributes("C:\\RO.DAT", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrArchive));
  ASSERT_TRUE(env_.SetArchiveOnly("C:\\.ro").ok());
  ASSERT_TRUE(env_.GetAttributes("C:\\.RO", &a).ok());
  EXPECT_EQ(a, uint32_t(kAttrArchive));
  EXPECT_TRUE(env_.SetArchiveOnly("C:\\NONE").IsNotFound());
}

// A FIFO or a device in a file's place is refused at once: opened to be
// read it would wait for a writer, or never end.
TEST_F(PosixEnvTest, WhatIsNoFileIsRefusedWithoutWaiting) {
  ASSERT_EQ(mkfifo((c_ + "/FIFO.DAT").c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/zero", (c_ + "/ZERO.DAT").c_str()), 0);
  std::string content;
  for (const char* path : {"C:\\FIFO.DAT", "C:\\ZERO.DAT"}) {
    EXPECT_EQ(env_.ReadFile(path, &content).ToString(),
              std::string("read ") + path + ": not a regular file");
    EXPECT_FALSE(env_.CopyFile(path, "C:\\COPY.DAT").ok());
    EXPECT_EQ(env_.AppendFile(path, "x").ToString(),
              std::string("append ") + path + ": not a regular file");
  }
  EXPECT_TRUE(env_.SetArchiveOnly("C:\\FIFO.DAT").ok());  // nothing to clear
  EXPECT_FALSE(Exists(c_ + "/COPY.DAT"));
}

TEST_F(PosixEnvTest, ReadOnlyDirectoryRefusesNewAndDeletedFiles) {
  MakeDir(c_ + "/LOCKED");
  Put(c_ + "/LOCKED/IN.DAT", "in");
  ASSERT_EQ(chmod((c_ + "/LOCKED").c_str(), 0555), 0);
  EXPECT_EQ(env_.ReplaceFile("C:\\LOCKED\\NEW.DAT", "n").reason(), "access denied");
  EXPECT_EQ(env_.AppendFile("C:\\LOCKED\\NEW.DAT", "n").reason(), "access denied");
  EXPECT_EQ(env_.DeleteFile("C:\\LOCKED\\IN.DAT").reason(), "access denied");
  EXPECT_EQ(env_.ReplaceFile("C:\\LOCKED\\IN.DAT", "n").reason(), "access denied");
  EXPECT_EQ(Names(c_ + "/LOCKED"), (std::set<std::string>{"IN.DAT"}));
  EXPECT_EQ(Get(c_ + "/LOCKED/IN.DAT"), "in");
  // Appending changes no directory entry.
  EXPECT_TRUE(env_.AppendFile("C:\\LOCKED\\IN.DAT", "+").ok());
  EXPECT_EQ(Get(c_ + "/LOCKED/IN.DAT"), "in+");
}

TEST_F(PosixEnvTest, ReplaceFileKeepsPermissionsAndLeavesNoTemporaryFile) {
  Put(c_ + "/T.DAT", "old", 0640);
  ASSERT_TRUE(env_.ReplaceFile("C:\\t.dat", std::string("new\r\n\0\xff", 7)).ok());
  EXPECT_EQ(Get(c_ + "/T.DAT"), std::string("new\r\n\0\xff", 7));
  EXPECT_EQ(Mode(c_ + "/T.DAT"), mode_t(0640));
  ASSERT_TRUE(env_.ReplaceFile("C:\\t.dat", "").ok());
  EXPECT_EQ(Get(c_ + "/T.DAT"), "");

  const mode_t mask = umask(022);
  ASSERT_TRUE(env_.ReplaceFile("C:\\NEW.DAT", "n").ok());
  umask(077);
  ASSERT_TRUE(env_.ReplaceFile("C:\\PRIVATE.DAT", "p").ok());
  umask(mask);
  EXPECT_EQ(Mode(c_ + "/NEW.DAT"), mode_t(0644));
  EXPECT_EQ(Mode(c_ + "/PRIVATE.DAT"), mode_t(0600));
  EXPECT_EQ(Names(c_), (std::set<std::string>{"NEW.DAT", "PRIVATE.DAT", "T.DAT"}));
}

// A process killed inside ReplaceFile leaves its temporary file; only
// names of that pattern beside the file go, whatever else lies there.
TEST_F(PosixEnvTest, StrayTemporariesOfAReplaceAreRemovedAndNothingElse) {
  Put(c_ + "/T.DAT", "t");
  for (const char* name :
       {"T.DAT:vaxo-Ab12Cd", "t.dat.vaxo-ZZ9999", "T.DAT:vaxo-12345", "T.DAT:other-123456",
        "U.DAT:vaxo-abcdef", "T.DAT:vaxo-12345!", "T.DATX:vaxo-123456"})
    Put(c_ + "/" + name, name);
  MakeDir(c_ + "/T.DAT:vaxo-dir123");
  std::vector<std::string> removed;
  ASSERT_TRUE(env_.RemoveStrayTemporaries("C:\\t.dat", &removed).ok());
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(removed, (std::vector<std::string>{"C:\\T.DAT:vaxo-Ab12Cd", "C:\\t.dat.vaxo-ZZ9999"}));
  EXPECT_EQ(Names(c_), (std::set<std::string>{"T.DAT", "T.DAT:vaxo-12345", "T.DAT:other-123456",
                                              "U.DAT:vaxo-abcdef", "T.DAT:vaxo-12345!",
                                              "T.DATX:vaxo-123456", "T.DAT:vaxo-dir123"}));
}

TEST_F(PosixEnvTest, ReplaceThroughALinkWritesItsTarget) {
  MakeDir(c_ + "/real");
  Put(c_ + "/real/target.dat", "old", 0600);
  ASSERT_EQ(symlink("real/target.dat", (c_ + "/LINK.DAT").c_str()), 0);
  ASSERT_EQ(symlink("LINK.DAT", (c_ + "/LINK2.DAT").c_str()), 0);  // a chain
  ASSERT_TRUE(env_.ReplaceFile("C:\\link2.dat", "new").ok());
  struct stat st;
  ASSERT_EQ(lstat((c_ + "/LINK2.DAT").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(lstat((c_ + "/LINK.DAT").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Get(c_ + "/real/target.dat"), "new");
  EXPECT_EQ(Mode(c_ + "/real/target.dat"), mode_t(0600));
  EXPECT_EQ(Names(c_ + "/real"), (std::set<std::string>{"target.dat"}));
  EXPECT_EQ(Names(c_), (std::set<std::string>{"LINK.DAT", "LINK2.DAT", "real"}));

  // A dangling link: the file comes into being where it points.
  ASSERT_EQ(symlink("real/later.dat", (c_ + "/LATER.DAT").c_str()), 0);
  ASSERT_TRUE(env_.ReplaceFile("C:\\LATER.DAT", "l").ok());
  EXPECT_EQ(Get(c_ + "/real/later.dat"), "l");
  ASSERT_EQ(lstat((c_ + "/LATER.DAT").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

// Fails the n-th system call, as SQLite's tests do, for every n until the
// replacement gets through: every failure must leave the old file and
// nothing else.
TEST_F(PosixEnvTest, ReplaceFileFailingAnywhereKeepsTheOldContent) {
  Put(c_ + "/TARGET.DAT", "old content", 0640);
  const std::string content = "a new content that needs several writes";
  std::set<std::string> failed_ops;
  bool done = false;
  for (int n = 1; n < 200 && !done; ++n) {
    int calls = 0;
    std::string failed;
    FailCalls(
        [&](const std::string& call, const std::string&) {
          if (++calls != n) return 0;
          failed = call;
          return EIO;
        },
        8);
    Status s = env_.ReplaceFile("C:\\TARGET.DAT", content);
    if (s.ok()) {
      done = true;
      EXPECT_EQ(Get(c_ + "/TARGET.DAT"), content);
    } else {
      failed_ops.insert(failed);
      EXPECT_EQ(s.op(), failed);
      EXPECT_EQ(s.path(), "C:\\TARGET.DAT");
      EXPECT_EQ(s.reason(), "Input/output error");
      EXPECT_EQ(Get(c_ + "/TARGET.DAT"), "old content") << "failed at " << failed;
    }
    EXPECT_EQ(Names(c_), (std::set<std::string>{"TARGET.DAT"})) << "failed at " << failed;
    EXPECT_EQ(Mode(c_ + "/TARGET.DAT"), mode_t(0640));
  }
  EXPECT_TRUE(done);
  for (const char* op : {"stat", "open", "write", "fsync", "chmod", "close", "rename"})
    EXPECT_EQ(failed_ops.count(op), 1u) << op;
}

TEST_F(PosixEnvTest, WriteFailingMidwayLeavesNoPartOfTheNewContent) {
  Put(c_ + "/T.DAT", "old");
  int writes = 0;
  std::string temp;
  off_t written_before_failure = -1;
  FailCalls(
      [&](const std::string& call, const std::string& host) {
        if (call != "write" || ++writes < 2) return 0;
        temp = host;
        struct stat st;
        if (stat(host.c_str(), &st) == 0) written_before_failure = st.st_size;
        return ENOSPC;
      },
      4);
  Status s = env_.ReplaceFile("C:\\T.DAT", "0123456789");
  EXPECT_EQ(s.ToString(), "write C:\\T.DAT: No space left on device");
  EXPECT_EQ(written_before_failure, 4);  // the first piece had reached the temporary file
  EXPECT_EQ(temp.rfind(c_ + "/T.DAT:vaxo-", 0), 0u) << temp;
  EXPECT_FALSE(Exists(temp));
  EXPECT_EQ(Get(c_ + "/T.DAT"), "old");
  EXPECT_EQ(Names(c_), (std::set<std::string>{"T.DAT"}));
}

// A file system that takes no ":" in names (FAT) still gets a temporary
// file, under a name that no data-file pattern matches.
TEST_F(PosixEnvTest, ReplaceWhereNamesTakeNoColon) {
  Put(c_ + "/T.DAT", "old");
  std::vector<std::string> temps;
  FailCalls([&](const std::string& call, const std::string& host) {
    if (call != "open") return 0;
    temps.push_back(host);
    return host.find(':') != std::string::npos ? EINVAL : 0;
  });
  ASSERT_TRUE(env_.ReplaceFile("C:\\T.DAT", "new").ok());
  ASSERT_EQ(temps.size(), 2u);
  EXPECT_EQ(temps[1].rfind(c_ + "/T.DAT.vaxo-", 0), 0u) << temps[1];
  EXPECT_EQ(Get(c_ + "/T.DAT"), "new");
  EXPECT_EQ(Names(c_), (std::set<std::string>{"T.DAT"}));
}

// Appends to one file read no folder again while none has changed; every
// change of the disk since the last append is seen all the same.
TEST_F(PosixEnvTest, RepeatedAppendFollowsTheDiskBetweenCalls) {
  std::map<std::string, int> calls;
  FailCalls([&](const std::string& call, const std::string&) {
    ++calls[call];
    return 0;
  });
  MakeDir(c_ + "/Log");
  ASSERT_TRUE(env_.AppendFile("C:\\Log\\u.log", "1").ok());
  ASSERT_TRUE(env_.AppendFile("C:\\Log\\u.log", "2").ok());
  calls.clear();
  ASSERT_TRUE(env_.AppendFile("C:\\Log\\u.log", "3").ok());
  EXPECT_EQ(calls["opendir"], 0);
  EXPECT_EQ(calls["stat"], 0);
  EXPECT_EQ(calls["open"], 1);
  EXPECT_EQ(Get(c_ + "/Log/u.log"), "123");
  // Made read-only, which changes no folder: refused all the same.
  ASSERT_EQ(chmod((c_ + "/Log/u.log").c_str(), 0444), 0);
  EXPECT_EQ(env_.AppendFile("C:\\Log\\u.log", "x").reason(), "access denied");
  ASSERT_EQ(chmod((c_ + "/Log/u.log").c_str(), 0644), 0);

  // Removed, then made again: read-only, a directory, a file again.
  ASSERT_EQ(unlink((c_ + "/Log/u.log").c_str()), 0);
  ASSERT_TRUE(env_.AppendFile("C:\\Log\\u.log", "3").ok());
  EXPECT_EQ(Get(c_ + "/Log/u.log"), "3");
  ASSERT_EQ(chmod((c_ + "/Log/u.log").c_str(), 0444), 0);
  EXPECT_EQ(env_.AppendFile("C:\\Log\\u.log", "x").reason(), "access denied");
  ASSERT_EQ(unlink((c_ + "/Log/u.log").c_str()), 0);
  MakeDir(c_ + "/Log/u.log");
  EXPECT_EQ(env_.AppendFile("C:\\Log\\u.log", "x").reason(), "access denied");
  ASSERT_EQ(rmdir((c_ + "/Log/u.log").c_str()), 0);
  Put(c_ + "/Log/u.log", "4");
  ASSERT_TRUE(env_.AppendFile("C:\\Log\\u.log", "5").ok());
  EXPECT_EQ(Get(c_ + "/Log/u.log"), "45");

  // The directory renamed away, then back in another case. The folder the
  // appends went to is still open, and moved: nothing goes there now.
  ASSERT_EQ(rename((c_ + "/Log").c_str(), (c_ + "/Old").c_str()), 0);
  EXPECT_TRUE(env_.AppendFile("C:\\Log\\u.log", "x").IsNotFound());
  EXPECT_EQ(Names(c_), (std::set<std::string>{"Old"}));
  EXPECT_EQ(Get(c_ + "/Old/u.log"), "45");
  ASSERT_EQ(rename((c_ + "/Old").c_str(), (c_ + "/log").c_str()), 0);
  ASSERT_TRUE(env_.AppendFile("C:\\Log\\u.log", "6").ok());
  EXPECT_EQ(Get(c_ + "/log/u.log"), "456");
  ASSERT_TRUE(env_.AppendFile("C:\\Log\\U.LOG", "7").ok());  // another case of the file
  EXPECT_EQ(Get(c_ + "/log/u.log"), "4567");

  // A sibling that differs only in case appears: the pair is no answer.
  MakeDir(c_ + "/Log");
  EXPECT_EQ(env_.AppendFile("C:\\log\\u.log", "x").reason(),
            "two names differ only in letter case: Log, log");
  ASSERT_EQ(rmdir((c_ + "/Log").c_str()), 0);
  Put(c_ + "/log/U.LOG", "9");
  EXPECT_TRUE(env_.AppendFile("C:\\log\\u.log", "x").IsAmbiguous());
  ASSERT_EQ(unlink((c_ + "/log/U.LOG").c_str()), 0);
  EXPECT_EQ(Get(c_ + "/log/u.log"), "4567");

  // The file made a link: the append goes where it points.
  MakeDir(c_ + "/Other");
  ASSERT_EQ(symlink("../log/u.log", (c_ + "/Other/u.log").c_str()), 0);
  ASSERT_TRUE(env_.AppendFile("C:\\Other\\u.log", "+").ok());
  EXPECT_EQ(Get(c_ + "/log/u.log"), "4567+");

  // The same text names another file once the drive is mapped elsewhere or
  // the current folder is another; no folder on the way changed for that.
  const std::string d = root_ + "/drive_d";
  for (const std::string& dir : {d, d + "/log", d + "/log/sub", c_ + "/log/sub"}) MakeDir(dir);
  ASSERT_TRUE(env_.AppendFile("C:\\log\\u.log", "a").ok());
  ASSERT_TRUE(env_.AppendFile("C:\\log\\u.log", "b").ok());
  ASSERT_EQ(setenv("VAXO_DRIVE_C", d.c_str(), 1), 0);
  ASSERT_TRUE(env_.AppendFile("C:\\log\\u.log", "c").ok());
  EXPECT_EQ(Get(c_ + "/log/u.log"), "4567+ab");
  EXPECT_EQ(Get(d + "/log/u.log"), "c");
  const std::string previous = sys::CurrentDirectory();
  ASSERT_EQ(chdir((c_ + "/log").c_str()), 0);
  ASSERT_TRUE(env_.AppendFile("sub\\r.log", "1").ok());
  ASSERT_TRUE(env_.AppendFile("sub\\r.log", "2").ok());
  ASSERT_EQ(chdir((d + "/log").c_str()), 0);
  ASSERT_TRUE(env_.AppendFile("sub\\r.log", "3").ok());
  ASSERT_EQ(chdir(previous.c_str()), 0);
  EXPECT_EQ(Get(c_ + "/log/sub/r.log"), "12");
  EXPECT_EQ(Get(d + "/log/sub/r.log"), "3");
}

// The names of a folder are kept between calls; each change made between
// two reads, in the folder, above it or through a link to it, is seen by
// the second read as a fresh walk would see it.
TEST_F(PosixEnvTest, KeptNamesFollowTheDiskBetweenCalls) {
  struct Row {
    const char* what;
    std::function<void(const std::string& c)> change;
    const char* read;
    const char* want;  // the content read, or the failure's reason
  };
  auto put = [this](const std::string& host, const char* text) { Put(host, text); };
  auto dir = [this](const std::string& host) { MakeDir(host); };
  const char* const kMissing = "No such file or directory";
  const Row rows[] = {
      {"a name that differs only in case appears",
       [&](const std::string& c) { put(c + "/D/A.DAT", "x"); }, "C:\\D\\a.dat",
       "two names differ only in letter case: A.DAT, a.dat"},
      {"the name removed", [&](const std::string& c) { unlink((c + "/D/a.dat").c_str()); },
       "C:\\D\\a.dat", kMissing},
      {"a missing name made", [&](const std::string& c) { put(c + "/D/N.DAT", "n"); },
       "C:\\D\\n.dat", "n"},
      {"the folder renamed, another in its place in another case",
       [&](const std::string& c) {
         rename((c + "/D").c_str(), (c + "/X").c_str());
         dir(c + "/d");
         put(c + "/d/A.DAT", "other");
       },
       "C:\\D\\A.DAT", "other"},
      {"a folder above moved, its subfolders with it",
       [&](const std::string& c) {
         rename((c + "/P").c_str(), (c + "/P0").c_str());
         dir(c + "/P");
         dir(c + "/P/Q");
         put(c + "/P/Q/F.DAT", "new");
       },
       "C:\\P\\Q\\f.dat", "new"},
      {"a pair made in the folder a link leads to",
       [&](const std::string& c) { put(c + "/D/A.DAT", "x"); }, "C:\\L\\a.dat",
       "two names differ only in letter case: A.DAT, a.dat"},
      {"the name renamed to another case",
       [&](const std::string& c) { rename((c + "/D/a.dat").c_str(), (c + "/D/A.DAT").c_str()); },
       "C:\\D\\a.dat", "d"},
      {"the name replaced by a rename over it, a name no folder holds on the way",
       [&](const std::string& c) {
         put(c + "/D/a.dat:tmp", "renamed over");
         rename((c + "/D/a.dat:tmp").c_str(), (c + "/D/a.dat").c_str());
       },
       "C:\\D\\a.dat", "renamed over"},
      {"a folder below renamed, another made in its place",
       [&](const std::string& c) {
         rename((c + "/P/Q").c_str(), (c + "/P/R").c_str());
         dir(c + "/P/q");
         put(c + "/P/q/f.dat", "other");
       },
       "C:\\P\\Q\\f.dat", "other"},
      {"the link pointed elsewhere",
       [&](const std::string& c) {
         unlink((c + "/L").c_str());
         symlink("E", (c + "/L").c_str());
       },
       "C:\\L\\a.dat", "e"},
      {"the link pointed elsewhere, where the name is spelled otherwise",
       [&](const std::string& c) {
         dir(c + "/F");
         put(c + "/F/A.dat", "f");
         unlink((c + "/L").c_str());
         symlink("F", (c + "/L").c_str());
       },
       "C:\\L\\a.dat", "f"},
  };
  // Each change made by this thread, by another one and by another process.
  using Change = std::function<void()>;
  const std::pair<const char*, std::function<void(const Change&)>> makers[] = {
      {"this thread", [](const Change& change) { change(); }},
      {"another thread", [](const Change& change) { std::thread(change).join(); }},
      {"another process",
       [](const Change& change) {
         const pid_t child = fork();
         if (child == 0) {
           change();
           _exit(0);
         }
         int status = 0;
         ASSERT_EQ(waitpid(child, &status, 0), child);
       }},
  };
  for (const auto& maker : makers)
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.what) + ", by " + maker.first);
      const std::string c =
          c_ + "/" + std::to_string(&maker - makers) + "-" + std::to_string(&row - rows);
      ASSERT_EQ(setenv("VAXO_DRIVE_C", c.c_str(), 1), 0);
      MakeDir(c);
      for (const char* d : {"/D", "/E", "/P", "/P/Q"}) MakeDir(c + d);
      Put(c + "/D/a.dat", "d");
      Put(c + "/E/a.dat", "e");
      Put(c + "/P/Q/f.dat", "f");
      ASSERT_EQ(symlink("D", (c + "/L").c_str()), 0);
      std::string text;
      // Read once, so that every folder on the way is kept.
      for (const char* path : {"C:\\D\\a.dat", "C:\\D\\n.dat", "C:\\L\\a.dat", "C:\\P\\Q\\f.dat"})
        env_.ReadFile(path, &text);
      maker.second([&] { row.change(c); });
      const Status s = env_.ReadFile(row.read, &text);
      EXPECT_EQ(s.ok() ? text : s.reason(), row.want);
    }
}

TEST_F(PosixEnvTest, CopyFileTakesThePermissions) {
  Put(c_ + "/SRC.DAT", "source", 0600);
  Put(c_ + "/DST.DAT", "old destination", 0644);
  ASSERT_TRUE(env_.CopyFile("C:\\src.dat", "C:\\dst.dat").ok());
  EXPECT_EQ(Get(c_ + "/DST.DAT"), "source");
  EXPECT_EQ(Mode(c_ + "/DST.DAT"), mode_t(0600));
}

TEST_F(PosixEnvTest, DeleteFileRemovesTheNameOnly) {
  Put(c_ + "/GONE.DAT", "g");
  Put(c_ + "/TARGET.DAT", "t");
  ASSERT_EQ(symlink("TARGET.DAT", (c_ + "/LINK.DAT").c_str()), 0);
  ASSERT_TRUE(env_.DeleteFile("C:\\gone.dat").ok());
  ASSERT_TRUE(env_.DeleteFile("C:\\link.dat").ok());
  EXPECT_EQ(Names(c_), (std::set<std::string>{"TARGET.DAT"}));
  EXPECT_TRUE(env_.DeleteFile("C:\\GONE.DAT").IsNotFound());
}

TEST_F(PosixEnvTest, ListDirectoryGivesNamesAsStoredWithAttributes) {
  MakeDir(c_ + "/STEU");
  const std::string d = c_ + "/STEU";
  Put(d + "/$machine.dat", "m");
  Put(d + "/RO.DAT", "r", 0444);
  Put(d + "/.dotted", "d");
  MakeDir(d + "/Sub");
  ASSERT_EQ(symlink("nowhere", (d + "/DANGLING").c_str()), 0);
  ASSERT_EQ(symlink("LOOP", (d + "/LOOP").c_str()), 0);
  ASSERT_EQ(symlink("Sub", (d + "/SUBLINK").c_str()), 0);
  std::vector<DirEntry> entries = {{"stale", 0}};
  ASSERT_TRUE(env_.ListDirectory("C:\\steu", &entries).ok());
  std::map<std::string, uint32_t> got;
  for (const DirEntry& e : entries) got[e.name] = e.attributes;
  const std::map<std::string, uint32_t> want = {
      {"$machine.dat", kAttrArchive}, {"RO.DAT", kAttrArchive | kAttrReadOnly},
      {".dotted", kAttrArchive},      {"Sub", kAttrDirectory},
      {"DANGLING", kAttrArchive},     {"LOOP", kAttrArchive},
      {"SUBLINK", kAttrDirectory},
  };
  EXPECT_EQ(got, want);
  EXPECT_EQ(entries.size(), want.size());
  EXPECT_TRUE(env_.ListDirectory("C:\\NONE", &entries).IsNotFound());
  EXPECT_TRUE(entries.empty());
}

TEST_F(PosixEnvTest, ProgramDirectoryHoldsTheProgram) {
  const std::string dir = env_.ProgramDirectory();
  EXPECT_EQ(dir.rfind("Z:\\", 0), 0u) << dir;
  EXPECT_NE(dir.back(), '\\');
  EXPECT_TRUE(env_.DirectoryExists(dir)) << dir;
  EXPECT_TRUE(env_.NormalFileExists(dir + "\\platform_test")) << dir;
}

TEST_F(PosixEnvTest, LocalTimestampIsOneLine) {
  const std::string t = env_.LocalTimestamp();
  EXPECT_GE(t.size(), 8u);
  EXPECT_EQ(t.find('\n'), std::string::npos);
}

TEST_F(PosixEnvTest, ConsoleBytesPassUnchanged) {
  const std::string file = root_ + "/out";
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  std::fflush(stdout);
  const int saved = dup(1);
  dup2(fd, 1);
  Status s = env_.WriteStd(1, std::string("a\0\xff\r\n", 5));
  const bool terminal = env_.IsTerminal(1);
  dup2(saved, 1);
  close(saved);
  close(fd);
  EXPECT_TRUE(s.ok());
  EXPECT_FALSE(terminal);
  EXPECT_EQ(Get(file), std::string("a\0\xff\r\n", 5));
}

TEST_F(PosixEnvTest, ReadStdinLineStripsLineEnds) {
  Put(root_ + "/in", "first\r\nsecond\n\nlast");
  ASSERT_NE(std::freopen((root_ + "/in").c_str(), "rb", stdin), nullptr);
  std::vector<std::string> lines;
  std::string line;
  while (env_.ReadStdinLine(&line)) lines.push_back(line);
  std::freopen("/dev/null", "rb", stdin);
  EXPECT_EQ(lines, (std::vector<std::string>{"first", "second", "", "last"}));
}

// --- child processes ----------------------------------------------------------

class RunAndWaitTest : public PosixEnvTest {
 protected:
  void SetUp() override {
    PosixEnvTest::SetUp();
    out_ = root_ + "/probe.out";
    setenv("VAXO_PROBE_OUT", out_.c_str(), 1);
    // Upper case on purpose: the program is found without regard to case.
    probe_ = UCase(Z(VAXO_CHILD_PROBE));
  }
  void TearDown() override {
    unsetenv("VAXO_PROBE_OUT");
    PosixEnvTest::TearDown();
  }
  std::string out_, probe_;
};

TEST_F(RunAndWaitTest, ChildGetsTheTailAsOneArgumentAndItsCodeComesBack) {
  const std::string tail = "C:\\TOOLS\\Vaxo_Value.tmp | $machine.dat /DAT exit=7";
  Status error;
  EXPECT_EQ(env_.RunAndWait(probe_, probe_ + " " + tail, &error), 7);
  EXPECT_TRUE(error.ok());
  EXPECT_EQ(Get(out_), std::string("1\n") + VAXO_CHILD_PROBE + "\n" + tail);
}

TEST_F(RunAndWaitTest, CommandLineWithAnotherProgramTextDropsItsFirstToken) {
  EXPECT_EQ(env_.RunAndWait(probe_, "ValXfer.exe a|b $x exit=3", nullptr), 3);
  EXPECT_EQ(Get(out_), std::string("1\n") + VAXO_CHILD_PROBE + "\na|b $x exit=3");
  EXPECT_EQ(env_.RunAndWait(probe_, probe_, nullptr), 0);
  EXPECT_EQ(Get(out_), std::string("0\n") + VAXO_CHILD_PROBE + "\n");
}

TEST_F(RunAndWaitTest, DeathBySignalGives128PlusTheSignal) {
  EXPECT_EQ(env_.RunAndWait(probe_, probe_ + " signal=15", nullptr), 128 + 15);
}

// The program ignores the signals of a failing write; a child it starts
// gets them back at their defaults.
TEST_F(RunAndWaitTest, ChildStartsWithTheWriteSignalsAtTheirDefaults) {
  sys::IgnoreWriteSignals();
  const int code = env_.RunAndWait(probe_, probe_ + " raise=13 exit=0", nullptr);
  std::signal(SIGPIPE, SIG_DFL);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(code, 128 + SIGPIPE);
}

TEST_F(RunAndWaitTest, ProgramThatCannotStartGivesZero) {
  Status error;
  EXPECT_EQ(env_.RunAndWait("C:\\NONE.EXE", "C:\\NONE.EXE exit=5", &error), 0);
  EXPECT_TRUE(error.IsNotFound()) << error.ToString();
  EXPECT_EQ(error.path(), "C:\\NONE.EXE");

  Put(c_ + "/PLAIN.EXE", "not a program", 0644);
  error = Status::OK();
  EXPECT_EQ(env_.RunAndWait("C:\\PLAIN.EXE", "C:\\PLAIN.EXE exit=5", &error), 0);
  EXPECT_FALSE(error.ok());
  EXPECT_EQ(env_.RunAndWait("C:\\PLAIN.EXE", "C:\\PLAIN.EXE exit=5", nullptr), 0);
}

}  // namespace

}  // namespace vaxo
