// The path-settings form `UI`: the dialogue in which the user names the old
// installation (source) and the new one (destination) when the command line
// has no "|". This is the form's logic only; a front end (ui_front_end.h)
// shows it and presses its buttons.
#pragma once

#include <cstdint>
#include <string>

namespace vaxo {

class UI {
 public:
  // Captions, for every front end.
  static constexpr const char* kCaption = "Browse";
  static constexpr const char* kFrameCaption = "Path Settings";
  static constexpr const char* kSourceLabel = "Source :";
  static constexpr const char* kDestinationLabel = "Destination :";
  static constexpr const char* kLeaveCaption = "Exit";
  static constexpr const char* kRunCaption = "Run";
  static constexpr const char* kSourceNotFound = "Source Path not found";
  static constexpr const char* kDestinationNotFound = "Destination Path not found";

  /// The two text boxes, free for editing; `Run` tests what they hold.
  std::string SrcPath = "C:\\ZEL_OLDINST";
  std::string DestPath = "C:\\ZEL\\ROBOTER";

  /// True unless the last `Run` accepted both paths.
  bool isCorrupted() const { return bCorrupted; }
  /// The accepted texts of `SrcPath` and `DestPath`, exactly as they stood.
  const std::string& SourcePath() const { return strSourcePath; }
  const std::string& DestinationPath() const { return strDestinationPath; }

  /// The Run button. Tests both text boxes, the source first; returns the
  /// message to show ("Source Path not found" or "Destination Path not
  /// found", the form stays open) or the empty text when both passed (the
  /// paths are taken and the form is to be hidden).
  std::string Run();
  /// The Exit button: ends the whole program at once with exit code 0.
  void Leave();

  /// True when every leading part of `dirPath` exists (any kind of entry);
  /// a "." part that cannot be found is passed over. Creates nothing.
  bool TestForDir(std::string dirPath);
  /// Cuts the text up to and including its first "\" off the argument and
  /// returns it ("C:\"); without a "\" the whole text, argument unchanged.
  std::string removeDrive(std::string& anyPathWithDrive);
  /// The part after the last "\", or the whole text when there is none.
  std::string getShortName(std::string FileName);
  /// Position (from 1) of the last "\", 0 when there is none.
  int32_t FindLastBackSlash(const std::string& pathname);

 private:
  bool bCorrupted = true;
  std::string strSourcePath;
  std::string strDestinationPath;
};

}  // namespace vaxo
