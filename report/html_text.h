// Text for an HTML page: the markup characters made entities, every other
// byte as it is (the pages declare their one-byte character set).
#pragma once

#include <string>
#include <string_view>

namespace vaxo {
namespace report {

void HtmlEscape(std::string_view text, std::string* out);
std::string HtmlEscaped(std::string_view text);

/// The start of a page of ours up to its styles' first rule: one file that
/// loads nothing from outside (a content security policy forbids it), in
/// the one-byte character set of the log. The page's own rules follow.
std::string PageHead(std::string_view title);

}  // namespace report
}  // namespace vaxo
