// Text for an HTML page: the markup characters made entities, every other
// byte as it is (the pages declare their one-byte character set).
#pragma once

#include <string>
#include <string_view>

namespace vaxo {
namespace report {

void HtmlEscape(std::string_view text, std::string* out);
std::string HtmlEscaped(std::string_view text);

}  // namespace report
}  // namespace vaxo
