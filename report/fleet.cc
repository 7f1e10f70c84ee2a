#include "report/fleet.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "base/text.h"

namespace vaxo {
namespace report {

const char* const kHostVerdicts[4] = {"NOT COMPLETE", "NO REPORT", "CHECK", "OK"};

namespace {

using Json = nlohmann::json;

const char kJsonName[] = "Upgrade_vaxo.json";
const char kPageName[] = "Upgrade_vaxo.html";

int Rank(const std::string& verdict) {
  for (int i = 0; i < 4; ++i)
    if (verdict == kHostVerdicts[i]) return i;
  return 1;
}

std::string Bytes(const Json& text) { return Utf8ToLatin1(text.get<std::string>()); }

// The report's fields this row needs; throws on a field of another type.
void ReadReport(const Json& j, HostRow* row) {
  // "CHECK: finished with exit code 2; ..." -> CHECK
  const std::string line = Bytes(j.at("verdict"));
  const std::string verdict = line.substr(0, line.find(':'));
  if (Rank(verdict) == 1) throw std::runtime_error("no verdict in \"" + line + "\"");
  row->verdict = verdict;
  const Json& code = j.at("exit_code");
  // A stopped run writes no closing entry: it ends with 3.
  if (!code.is_null())
    row->exit_code = code.get<int>();
  else if (j.value("ended", "") == "stopped")
    row->exit_code = 3;
  row->preview = j.value("preview", false);
  int64_t written = 0, left = 0;
  // Reports that know what a run leaves behind list the files not taken.
  bool counted = j.contains("not_taken");
  const Json& files = j.at("files");
  for (const Json& f : files) {
    if (f.value("result", Json()) == "written") ++written;
    if (!f.contains("left_behind")) continue;
    counted = true;
    if (!f["left_behind"].is_null()) left += int64_t(f["left_behind"].size());
  }
  row->files = int64_t(files.size());
  row->files_written = written;
  if (counted) row->left_behind = left;
  const Json& shift = j.at("shift");
  if (shift.at("ran").get<bool>()) {
    std::vector<std::string> missing;
    for (const Json& name : shift.at("missing")) missing.push_back(Bytes(name));
    row->shift_missing = missing;
  }
}

}  // namespace

HostRow HostFromJson(const std::string& host, const std::string& json) {
  HostRow row;
  row.host = host;
  try {
    ReadReport(Json::parse(json), &row);
  } catch (const Json::exception& e) {
    row = HostRow();
    row.host = host;
    row.verdict = "NO REPORT";
    row.problem = std::string("not a report: ") + e.what();
  } catch (const std::runtime_error& e) {
    row = HostRow();
    row.host = host;
    row.verdict = "NO REPORT";
    row.problem = std::string("not a report: ") + e.what();
  }
  return row;
}

Status LoadFleet(Env* env, const std::string& dir, std::vector<HostRow>* rows) {
  std::vector<DirEntry> entries;
  Status s = env->ListDirectory(dir, &entries);
  if (!s.ok()) return s;
  rows->clear();
  for (const DirEntry& e : entries) {
    if (!(e.attributes & kAttrDirectory)) continue;
    const std::string folder = dir + "\\" + e.name;
    std::string json;
    HostRow row;
    s = env->ReadFile(folder + "\\" + kJsonName, &json);
    if (s.ok()) {
      row = HostFromJson(e.name, json);
    } else {
      row.host = e.name;
      row.verdict = "NO REPORT";
      if (!s.IsNotFound()) row.problem = s.ToString();
    }
    if (!row.problem.empty()) row.problem = folder + "\\" + kJsonName + ": " + row.problem;
    uint32_t attributes = 0;
    if (env->GetAttributes(folder + "\\" + kPageName, &attributes).ok())
      row.report = e.name + "/" + kPageName;
    rows->push_back(std::move(row));
  }
  std::sort(rows->begin(), rows->end(), [](const HostRow& a, const HostRow& b) {
    const int ra = Rank(a.verdict), rb = Rank(b.verdict);
    return ra != rb ? ra < rb : a.host < b.host;
  });
  return Status::OK();
}

bool HostIsOk(const HostRow& row) { return row.verdict == "OK"; }

}  // namespace report
}  // namespace vaxo
