// The view that keeps its changes in memory: what it shows, that nothing
// below it changes, and that an append costs what it appends. (The backends'
// contract runs over it in env_contract_test.cc.)
#include "platform/overlay_env.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <new>

#include "platform/mem_env.h"

// Bytes allocated while counting is on: what the appends below copy.
namespace {
std::atomic<bool> counting{false};
std::atomic<uint64_t> allocated{0};
}  // namespace

void* operator new(std::size_t n) {
  if (counting) allocated += n;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vaxo {
namespace {

// Every file below C:\ with its attributes and bytes.
std::map<std::string, std::string> Snapshot(const MemEnv& disk) {
  std::map<std::string, std::string> all;
  for (const std::string& path : disk.FilesBelow("C:\\"))
    all[path] = std::to_string(disk.Attributes(path)) + " " + disk.FileContent(path);
  return all;
}

std::string Listing(Env* env, const std::string& dir) {
  std::vector<DirEntry> entries;
  EXPECT_TRUE(env->ListDirectory(dir, &entries).ok());
  std::map<std::string, uint32_t> sorted;
  for (const DirEntry& e : entries) sorted[e.name] = e.attributes;
  std::string out;
  for (const auto& kv : sorted) out += kv.first + ":" + std::to_string(kv.second) + " ";
  return out;
}

TEST(OverlayEnvTest, ShowsTheChangesAndChangesNothingBelow) {
  MemEnv disk;
  disk.AddFile("C:\\INST\\Keep.dat", "keep");
  disk.AddFile("C:\\INST\\ReadOnly.dat", "ro", kAttrArchive | kAttrReadOnly);
  disk.AddFile("C:\\INST\\Gone.dat", "gone");
  disk.AddFile("C:\\INST\\Log.txt", "1\n");
  disk.AddDirectory("C:\\INST\\Sub");
  disk.set_current_directory("C:\\INST");
  const auto before = Snapshot(disk);
  OverlayEnv view(&disk, "C:\\INST");

  EXPECT_FALSE(view.ReplaceFile("C:\\INST\\READONLY.DAT", "x").ok());
  EXPECT_TRUE(view.SetArchiveOnly("c:\\inst\\readonly.dat").ok());
  EXPECT_TRUE(view.ReplaceFile("C:\\INST\\READONLY.DAT", "new").ok());
  EXPECT_TRUE(view.AppendFile("log.txt", "2\n").ok());  // by the current folder
  EXPECT_TRUE(view.DeleteFile("C:\\INST\\GONE.DAT").ok());
  EXPECT_TRUE(view.CopyFile("C:\\INST\\Keep.dat", "C:\\INST\\Sub\\Made.dat").ok());
  EXPECT_TRUE(view.CreateDirectory("C:\\INST\\Sub\\Deeper").ok());

  EXPECT_EQ(Snapshot(disk), before);
  EXPECT_EQ(disk.FilesBelow("C:\\INST\\SUB").size(), 0u);
  // Names as the folder below spells them; attributes and bytes as changed.
  EXPECT_EQ(Listing(&view, "C:\\INST"), "Keep.dat:32 Log.txt:32 ReadOnly.dat:32 Sub:16 ");
  EXPECT_EQ(Listing(&view, "C:\\INST\\SUB"), "Deeper:16 Made.dat:32 ");
  std::string text;
  EXPECT_TRUE(view.ReadFile("C:\\INST\\LOG.TXT", &text).ok());
  EXPECT_EQ(text, "1\n2\n");
  EXPECT_TRUE(view.ReadFile("C:\\INST\\ReadOnly.dat", &text).ok());
  EXPECT_EQ(text, "new");
  EXPECT_TRUE(view.ReadFile("C:\\INST\\Gone.dat", &text).IsNotFound());
  EXPECT_TRUE(view.Holds("C:\\INST\\gone.dat") && !view.Holds("C:\\INST\\Keep.dat"));
  // A file deleted can be made again.
  EXPECT_TRUE(view.ReplaceFile("C:\\INST\\Gone.dat", "back").ok());
  EXPECT_TRUE(view.ReadFile("C:\\INST\\GONE.DAT", &text).ok());
  EXPECT_EQ(text, "back");
  EXPECT_EQ(Snapshot(disk), before);
}

// Bytes allocated by `appends` appends of 100 bytes to a log of 10 kB below.
uint64_t AllocatedByAppends(int appends, uint64_t* lifted) {
  MemEnv disk;
  disk.AddFile("C:\\LOG\\Upgrade_vaxo.log", std::string(10000, 'x'));
  OverlayEnv view(&disk, "C:\\");
  const std::string line(98, 'y');
  allocated = 0;
  counting = true;
  for (int i = 0; i < appends; ++i) view.AppendFile("C:\\LOG\\Upgrade_vaxo.log", line + "\r\n");
  counting = false;
  *lifted = view.bytes_lifted();
  return allocated;
}

// Twice the appends cost about twice as much (a copy of the whole log at
// each append costs four times as much), and the log is read from below once.
TEST(OverlayEnvTest, AnAppendCostsWhatItAppends) {
  uint64_t lifted_n = 0, lifted_2n = 0;
  const uint64_t n = AllocatedByAppends(2000, &lifted_n);
  const uint64_t twice = AllocatedByAppends(4000, &lifted_2n);
  EXPECT_EQ(lifted_n, 10000u);
  EXPECT_EQ(lifted_2n, 10000u);
  EXPECT_LT(double(twice) / double(n), 2.6)
      << n << " bytes for 2,000 appends, " << twice << " for 4,000";
}

}  // namespace
}  // namespace vaxo
