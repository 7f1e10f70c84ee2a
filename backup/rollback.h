// Taking a run back with its backup set (backup_env.h): every file the run
// changed that still holds what the run left in it gets its bytes and
// attributes from before the run, a file the run made is removed, and
// attributes the run reset are set back. A file changed since the run is
// left alone and named, unless forced. What is done is journalled, so a
// set is never applied twice and a rollback that stopped can go on.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/env.h"

namespace vaxo {
namespace backup {

enum RollbackCode {
  kAllRestored = 0,  ///< every file is as before the run (or nothing was to do)
  kSomeLeftAlone = 1,
  kRollbackFailed = 3,
};

/// Where the set in `set_folder` holds a file's bytes from before the run.
struct SavedPlace {
  bool existed = false;  // false: the run made it
  std::string pack;      // the path of the pack that holds them
  size_t offset = 0, size = 0;
  std::string fingerprint;  // empty in sets of earlier versions
};
/// The bytes of `place` out of its pack's content `pack`; an error naming
/// the pack when they are missing or differ from their fingerprint.
Status SavedBytes(const SavedPlace& place, const std::string& pack, std::string* bytes);
/// Every file the run changed the bytes of, by its path in upper case:
/// where its bytes lie, for a caller that reads them a pack at a time.
Status SavedPlaces(Env* env, const std::string& set_folder,
                   std::map<std::string, SavedPlace>* places);

/// Rolls back the set in `set_folder`. `out` receives one line per file
/// acted on or left alone, then a summary line.
int Rollback(Env* env, const std::string& set_folder, bool force, std::vector<std::string>* out);

}  // namespace backup
}  // namespace vaxo
