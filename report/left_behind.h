// What an upgrade leaves behind in one data file: every variable of the old
// file that no rule of the upg-file names and whose value the new file does
// not hold. Lines, keys and upper case are the engine's own, so the list
// speaks of exactly the variables the engine would look at.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vaxo {
namespace report {

/// One value of the old file that no rule carries: views into the texts
/// it was found in (LeftBehindList).
struct LeftValue {
  enum class Kind { kDiffers, kOldOnly };
  std::string_view key;  ///< up to and including "=", spaces removed, upper case
  Kind kind = Kind::kDiffers;
  std::string_view old_line;  ///< the old file's line of the key, spaces at the ends removed
  std::string_view new_line;  ///< the new file's, likewise; empty for kOldOnly
};

/// The values one file leaves behind. Their lines point into the old and
/// the new text given to LeftBehind, which must outlive the list; their
/// keys into the list's own text, which stays where it is when the list
/// is moved.
struct LeftBehindList {
  std::vector<LeftValue> values;
  std::unique_ptr<std::string> keys = std::make_unique<std::string>();
};

const char* LeftKindName(LeftValue::Kind kind);  ///< "differs", "old-only"

/// Where a value left behind lies: the offsets of its old and its new line
/// (as LeftValue gives them) in the texts it was found in.
struct LeftSpot {
  static constexpr uint32_t kNone = UINT32_MAX;  ///< no line in the new file
  uint32_t old_at = 0, new_at = kNone;
};

/// Finds the values left behind file after file: its tables and buffers
/// stay from one file to the next, so a file costs no allocation once the
/// largest has been seen, and a line none at all.
class LeftBehindFinder {
 public:
  LeftBehindFinder();
  ~LeftBehindFinder();

  /// Keys passed over in the next Find: those the rules of `upg_text` name
  /// (each rule's key as the engine forms it, spaces removed), and those
  /// given (the shifted names, or the rules the log shows).
  void NameRulesOf(std::string_view upg_text);
  void Name(std::string_view key);

  /// The values of `old_text` left behind against `new_text` into `out`,
  /// in the old file's order: each key of the old file (its first variable
  /// line) that is not named, whose line in the new file is missing or has
  /// another value. Forgets the names afterwards.
  void Find(std::string_view old_text, std::string_view new_text, LeftBehindList* out);

  /// The values at `spots` in the texts Find found them in, as Find gave
  /// them, without looking for them again; false (and `out` of no use)
  /// when a spot holds no variable line of the same key any more.
  static bool Recall(std::string_view old_text, std::string_view new_text,
                     const std::vector<LeftSpot>& spots, LeftBehindList* out);

 private:
  struct Tables;
  std::unique_ptr<Tables> t_;
};

}  // namespace report
}  // namespace vaxo
