// What an upgrade leaves behind in one data file: every variable of the old
// file that no rule of the upg-file names and whose value the new file does
// not hold. Lines, keys and upper case are the engine's own, so the list
// speaks of exactly the variables the engine would look at.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vaxo {
namespace report {

/// One value of the old file that no rule carries.
struct LeftValue {
  enum class Kind { kDiffers, kOldOnly };
  std::string key;  ///< up to and including "=", spaces removed, upper case
  Kind kind = Kind::kDiffers;
  std::string old_line;  ///< the old file's line of the key, spaces at the ends removed
  std::string new_line;  ///< the new file's, likewise; empty for kOldOnly
};

const char* LeftKindName(LeftValue::Kind kind);  ///< "differs", "old-only"

/// The keys an upg-file names: each rule's key as the engine forms it,
/// spaces removed.
std::vector<std::string> NamedKeys(std::string_view upg_text);

/// The values of `old_text` left behind against `new_text`, in the old
/// file's order: each key of the old file (its first variable line) that is
/// not in `named`, whose line in the new file is missing or has another
/// value. `skip` are keys never listed (the shifted names).
std::vector<LeftValue> LeftBehind(const std::string& old_text, const std::string& new_text,
                                  const std::vector<std::string>& named,
                                  const std::vector<std::string>& skip = {});

}  // namespace report
}  // namespace vaxo
