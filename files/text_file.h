// Whole text files between disk and memory, and the line rules of the
// system's texts. In memory every line of a file text ends with CR LF.
#pragma once

#include <string>
#include <string_view>

namespace vaxo {

/// Reads the file's text in one read: every line end (CR LF or a lone CR)
/// becomes CR LF, the last line gets CR LF too; a lone LF stays inside its
/// line. A missing or empty file gives the empty text; anything else that
/// fails, a folder in the file's place too, throws.
void ReadTextFile(const std::string& file_name, std::string& text);

/// The text ReadTextFile makes of the bytes of a file.
std::string FileText(const std::string& bytes);

/// True when FileText(bytes) is `bytes` itself: every CR has its LF, and
/// the last line its CR LF.
bool IsFileText(std::string_view bytes);

/// True when TextFileBytes(text) is `text` itself: IsFileText, and no line
/// break followed by another CR or LF.
bool IsFileBytes(std::string_view text);

/// The bytes WriteTextFile puts on disk for `text`: only CR ends a line,
/// the CR and LF bytes after it are one break, every line ends with CR LF.
std::string TextFileBytes(const std::string& text);

/// Replaces the file's content with TextFileBytes(text), atomically: after
/// a failure (thrown) the file still holds its old content.
void WriteTextFile(const std::string& file_name, const std::string& text);

/// Returns the first line of `buffer` and removes it with its terminator
/// (CR, LF or CR LF, whichever comes first; one LF right after it goes too).
std::string CutFirstLine(std::string& buffer);

/// The same rule without changing the text: the line starting at `pos` goes
/// to `*line`, and the position after its terminator is returned.
size_t NextLine(const std::string& text, size_t pos, std::string* line);

/// Sets every file of `directory` (hidden ones included, system files and
/// subdirectories not) to archive only. Every failure is ignored.
void ClearFileAttributes(const std::string& directory);

}  // namespace vaxo
