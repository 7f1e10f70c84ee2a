// The pure text side of the Unix emulation of Windows paths: how a Windows
// path is taken apart, how a host path is shown as a drive path, how names
// are matched without regard to case, and what a started child receives.
// Nothing here touches the file system, so all of it is tested directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vaxo {

/// A Windows path taken apart: an upper-case drive letter and the names
/// below the drive root, with empty and "." names dropped and ".." applied.
struct WindowsPathParts {
  char drive = 'Z';
  std::vector<std::string> names;
};

/// True for a path with neither a drive nor a leading separator: it is
/// taken from the host's current directory.
bool IsRelativeWindowsPath(const std::string& path);
/// The drive of `path`, upper case: its own letter, or Z: (the current
/// drive) for a path without one.
char WindowsDriveOf(const std::string& path);

/// Takes `path` apart. "X:\a" and "X:a" are on drive X, "\a" is on Z: (the
/// current drive) and a relative path lies below `cwd`, the host's current
/// directory (a "/"-separated absolute host path). "/" counts as "\".
WindowsPathParts SplitWindowsPath(const std::string& path, const std::string& cwd);

/// `dir` + "/" + `name` (one "/" only).
std::string JoinHost(const std::string& dir, const std::string& name);
/// The directory part of a host path ("." when it has none, "/" for the
/// root) and its last name.
std::string HostDirname(const std::string& host);
std::string HostBasename(const std::string& host);

/// True for a name a Windows folder can hold: none of "\\", "/", ":", "*",
/// "?", "\"", "<", ">", "|" and no control character (bytes 0 to 31).
bool IsWindowsName(const std::string& name);

/// The names of `names` that equal `wanted` without regard to case (code
/// page 1252, as the system matches names), in byte order. More than one is a pair Windows cannot
/// hold: no choice among them would be Windows' answer.
std::vector<std::string> CaseMatches(const std::vector<std::string>& names,
                                     const std::string& wanted);

/// Hidden and system bits kept in the "user.DOSATTRIB" extended attribute,
/// whose value is the text "0x%x" of the attribute bits.
uint32_t ParseDosAttrib(const std::string& value);
std::string FormatDosAttrib(uint32_t attributes);

/// The Windows form of a host path, character for character: every "/"
/// becomes "\", and an absolute path gets the drive "Z:" in front
/// ("/srv/old/" gives "Z:\srv\old\", "/" gives "Z:\"); nothing is
/// trimmed or normalised, as Windows keeps what was typed. "~" and "~/..."
/// have no Windows form: "~" stands for `home`. A relative path stays
/// relative ("../x" gives "..\x"): it lies below the current directory, as
/// on Windows.
std::string HostToWindowsPath(const std::string& host, const std::string& home);

/// One path as given by the user: when its core (the text without
/// surrounding blanks and double quotes) is a host path, the core is
/// replaced by its Windows form and the quotes and blanks stay around it;
/// a core in Windows form (a drive "X:" or a "\") stays as it is.
std::string PresentPath(const std::string& text, const std::string& home);

/// PresentPath applied to every "|"-separated piece of a command line.
std::string PresentCommandLine(const std::string& text, const std::string& home);

/// The arguments after the program's own name in `cmdline` (each ended by
/// a NUL, as the kernel lists them), joined with single blanks.
std::string JoinArguments(const std::string& cmdline);

/// The one argument a started program receives: `command_line` without its
/// leading program text (`application`, compared without regard to case;
/// otherwise the first blank-separated or quoted token) and without one
/// blank after it.
std::string ChildArgument(const std::string& application, const std::string& command_line);

}  // namespace vaxo
