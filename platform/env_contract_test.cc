// The backends' one contract (env_contract.h), case by case, over the
// in-memory file system and over the emulation on a scratch drive.
#include "platform/env_contract.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/env_posix.h"
#include "platform/mem_env.h"
#include "platform/overlay_env.h"
#include "platform/posix_path.h"

namespace vaxo {
namespace {

namespace fs = std::filesystem;

// A backend with one case's surroundings; they go when it goes.
class Backend {
 public:
  virtual ~Backend() = default;
  Contract contract;
};

class MemBackend : public Backend {
 public:
  MemBackend() {
    contract.env = &mem_;
    contract.root = contract.cwd = "C:\\CASE";
    mem_.AddDirectory(contract.root);
    mem_.set_current_directory(contract.root);
    contract.make_dir = [this](const std::string& path) { mem_.AddDirectory(path); };
    contract.set_attributes = [this](const std::string& path, uint32_t attributes) {
      const uint32_t archive = (attributes & kAttrDirectory) ? 0u : uint32_t(kAttrArchive);
      return mem_.SetAttributes(path, attributes | archive).ok();
    };
  }

 private:
  MemEnv mem_;
};

// Drive S: is a scratch folder, and the case's folder the current directory.
class PosixBackend : public Backend {
 public:
  PosixBackend() {
    char tmpl[] = "/tmp/vaxo_contract_XXXXXX";
    scratch_ = mkdtemp(tmpl);
    const char* saved = getenv("VAXO_DRIVE_S");
    saved_drive_ = saved ? saved : "";
    had_drive_ = saved != nullptr;
    setenv("VAXO_DRIVE_S", scratch_.c_str(), 1);
    saved_cwd_ = fs::current_path();
    fs::create_directory(scratch_ / "CASE");
    fs::current_path(scratch_ / "CASE");
    contract.env = &posix_;
    contract.root = "S:\\CASE";
    contract.cwd = HostToWindowsPath((scratch_ / "CASE").string(), "/");
    contract.make_dir = [this](const std::string& path) { fs::create_directory(Host(path)); };
    contract.set_attributes = [this](const std::string& path, uint32_t attributes) {
      const std::string host = Host(path);
      fs::permissions(
          host, fs::perms::owner_write,
          attributes & kAttrReadOnly ? fs::perm_options::remove : fs::perm_options::add);
      const uint32_t dos = attributes & (kAttrHidden | kAttrSystem);
      if (dos == 0) return true;
      const std::string value = FormatDosAttrib(dos);
      return setxattr(host.c_str(), "user.DOSATTRIB", value.data(), value.size(), 0) == 0;
    };
    contract.make_raw = [this](const std::string& raw_name, const std::string& content) {
      if (std::FILE* f = std::fopen((scratch_ / "CASE" / raw_name).c_str(), "wb")) {
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
      }
    };
  }
  ~PosixBackend() override {
    fs::current_path(saved_cwd_);
    if (had_drive_) {
      setenv("VAXO_DRIVE_S", saved_drive_.c_str(), 1);
    } else {
      unsetenv("VAXO_DRIVE_S");
    }
    std::error_code ec;
    for (auto& p : fs::recursive_directory_iterator(scratch_, ec))
      fs::permissions(p.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(scratch_, ec);
  }

 private:
  std::string Host(const std::string& path) {
    std::string host;
    posix_.HostPath("test", path, true, &host);
    return host;
  }

  PosixEnv posix_;
  fs::path scratch_, saved_cwd_;
  std::string saved_drive_;
  bool had_drive_ = false;
};

// A view that keeps its changes in memory, over either backend: folders
// are made below it and fall through; attributes are set through it. The
// view tells no two names of one folder apart (a drive S: that is a folder
// of Z:), so its case's folder is the current directory by that one's own
// name. Names made below after the view changed their folder are not its
// case, so the raw names are left out, as for the in-memory file system.
class OverlayBackend : public Backend {
 public:
  explicit OverlayBackend(std::unique_ptr<Backend> below)
      : below_(std::move(below)), overlay_(below_->contract.env, below_->contract.cwd) {
    contract.env = &overlay_;
    contract.root = contract.cwd = below_->contract.cwd;
    contract.make_dir = below_->contract.make_dir;
    contract.set_attributes = [this](const std::string& path, uint32_t attributes) {
      const uint32_t archive = (attributes & kAttrDirectory) ? 0u : uint32_t(kAttrArchive);
      return overlay_.SetAttributes(path, attributes | archive).ok();
    };
  }

 private:
  std::unique_ptr<Backend> below_;
  OverlayEnv overlay_;
};

struct Param {
  const char* backend;
  size_t index;
};

class EnvContractTest : public ::testing::TestWithParam<Param> {};

TEST_P(EnvContractTest, Holds) {
  const std::string name = GetParam().backend;
  std::unique_ptr<Backend> backend;
  if (name == "Mem" || name == "OverlayOnMem") {
    backend.reset(new MemBackend);
  } else {
    backend.reset(new PosixBackend);
  }
  if (name.compare(0, 7, "Overlay") == 0) backend.reset(new OverlayBackend(std::move(backend)));
  ContractCases()[GetParam().index].run(backend->contract);
  for (const std::string& failure : backend->contract.failures) ADD_FAILURE() << failure;
}

std::vector<Param> AllParams() {
  std::vector<Param> params;
  for (const char* backend : {"Mem", "Posix", "OverlayOnMem", "OverlayOnPosix"})
    for (size_t i = 0; i < ContractCases().size(); ++i) params.push_back({backend, i});
  return params;
}

INSTANTIATE_TEST_SUITE_P(Backends, EnvContractTest, ::testing::ValuesIn(AllParams()),
                         [](const ::testing::TestParamInfo<Param>& info) {
                           return std::string(info.param.backend) + "_" +
                                  ContractCases()[info.param.index].name;
                         });

}  // namespace
}  // namespace vaxo
