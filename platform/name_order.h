// The order in which the system's file list shows names: the word sort of
// the user's locale with letter case ignored (on Windows CompareStringA
// with NORM_IGNORECASE). Reproduced here for names of printable ASCII
// characters, as the system orders them in the United States and western
// European locales:
//  1. The names are compared character by character, leaving out hyphens
//     and apostrophes, by the weights: blank ! " # $ % & ( ) * , . / : ; ?
//     @ [ \ ] ^ _ ` { | } ~ + < = > below the digits 0 to 9, below the
//     letters A to Z, upper and lower case alike; a name that ends first
//     comes first.
//  2. Names equal so far are told apart by their hyphens and apostrophes,
//     taken in turn from the left: one that stands further right comes
//     first, at the same place an apostrophe before a hyphen; the name
//     that runs out of them first comes first.
//  3. Names still equal differ only in letter case and count as equal.
// Any other byte (a control character, a byte of 0x80 and above) weighs
// more than every printable ASCII character, bytes compared by their value
// in upper case (code page 1252): a best effort, not the system's order.
#pragma once

#include <string>

namespace vaxo {

/// <0 when `a` comes before `b`, 0 when the two are equal, >0 after.
int CompareNamesWordSort(const std::string& a, const std::string& b);

}  // namespace vaxo
