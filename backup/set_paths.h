// What a backup set may name. A journal is a file in the log's folder, and
// whoever can write there could add lines to it; the rollback carries out
// only what a run can have done: it acts on files directly in the
// machine-data folders the set recorded, by full paths with no "." or ".."
// names, outside the log's folder, and it reads saved bytes only from the
// set's own packs ("pre-N"). Bytes are taken back only for data files
// ("$*.dat", "*.servo"); attributes for any file of those folders, since
// the run makes every hidden file there visible when it looks for data.
#pragma once

#include <string>

#include "platform/env.h"

namespace vaxo {
namespace backup {

/// True for "X:\name\..." or "\\server\share\...": no empty, "." or ".."
/// name, no "/" and no trailing "\".
bool IsPlainFullPath(const std::string& path);
/// The folder of `path` (without the last "\"); empty when it has none.
std::string FolderOf(const std::string& path);
/// True for the names of the data files a run writes: "$*.dat", "*.servo".
bool IsDataFileName(Env* env, const std::string& name);
/// True for a pack of the set's own: "pre-" and a number.
bool IsPackName(const std::string& name);

}  // namespace backup
}  // namespace vaxo
