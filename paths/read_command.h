// The command reader: turns the program's command line (source root, "|",
// destination root) into the four machine-data directories of the run and
// checks that each holds data files, trying one alternative location for
// each. Without a "|" it asks for the two roots in the path-settings form.
// Every step goes to the logbook.
#pragma once

#include <string>

namespace vaxo {

class CLSReadCommand {
 public:
  /// True when all four directories were found. Without a "|" the form is
  /// shown; leaving it without accepting ends the program (exit code 0).
  bool ReadCommand(std::string strCommand);

  std::string GetZiel_R1() const { return strZiel_R1; }
  std::string GetQuelle_R1() const { return strQuelle_R1; }
  std::string GetZiel_Steu() const { return strZiel_Steu; }
  std::string GetQuelle_Steu() const { return strQuelle_Steu; }
  /// True once ReadCommand has shown the path-settings form: a person is
  /// there to be told how the run ends.
  bool FormShown() const { return bFormShown; }

 private:
  struct DirTexts;
  enum DirIndex { kQuelleR1, kQuelleSteu, kZielR1, kZielSteu };
  static const DirTexts kDirTexts[4];

  /// True when `strDir` holds a normal file matching one of the patterns.
  bool CheckPath(std::string strDir, std::string strPattern1, std::string strPattern2);
  /// Without leading and trailing blanks and without one trailing "\".
  std::string TrimPath(std::string strPath);
  /// Verifies one directory: `strDir` first, then `strAlternative`. An empty
  /// `strDir` (an empty half of the command line) fails at once.
  bool CheckDir(const DirTexts& texts, std::string& strDir, const std::string& strAlternative);

  std::string strZiel_R1;
  std::string strQuelle_R1;
  std::string strZiel_Steu;
  std::string strQuelle_Steu;
  bool bFormShown = false;
};

}  // namespace vaxo
