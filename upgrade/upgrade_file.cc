#include "upgrade/upgrade_file.h"

#include <exception>

#include "base/exit_code.h"
#include "files/text_file.h"
#include "log/log_buch.h"
#include "platform/env.h"
#include "platform/status.h"
#include "upgrade/vaxo_upg.h"

namespace vaxo {
namespace {

const char kUsage[] =
    "usage: upgrade_file [--check] [-o FILE] OLD NEW UPG\n"
    "Merges the old data file OLD into the new data file NEW by the rules of\n"
    "the upg-file UPG, as an upgrade run does.\n"
    "  --check   reject variables found more than once in a file\n"
    "  -o FILE   write the merged text into FILE (replaced atomically)\n"
    "            instead of standard output\n"
    "The log entries go to standard error. Exit code: 0 all carried over,\n"
    "1 a variable of OLD missing in NEW, 2 a variable missing in OLD without\n"
    "default, 3 no merge (bad usage, unreadable file).\n";

void Say(int stream, const std::string& text) { Env::Default()->WriteStd(stream, text); }

struct Arguments {
  bool check = false;
  bool has_output = false;
  std::string output;
  std::vector<std::string> files;  // OLD, NEW, UPG as given
};

/// False on bad usage, with the reason in `*error`.
bool ParseArguments(const std::vector<std::string>& args, Arguments* parsed, bool* help,
                    std::string* error) {
  bool options_done = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_done || arg.size() < 2 || arg[0] != '-') {
      parsed->files.push_back(arg);
    } else if (arg == "--") {
      options_done = true;
    } else if (arg == "--check") {
      parsed->check = true;
    } else if (arg == "-h" || arg == "--help") {
      *help = true;
    } else if (arg == "-o") {
      if (parsed->has_output) return *error = "-o given twice", false;
      if (i + 1 >= args.size()) return *error = "-o needs a file name", false;
      parsed->has_output = true;
      parsed->output = args[++i];
    } else {
      return *error = "unknown option " + arg, false;
    }
  }
  if (*help) return true;
  if (parsed->files.size() != 3) {
    *error = "expected the three files OLD NEW UPG";
    return false;
  }
  return true;
}

int Merge(const Arguments& arguments) {
  Env* env = Env::Default();
  static const char* const kRoles[] = {"OLD", "NEW", "UPG"};
  // The three inputs are read as they are, hidden ones too, and keep every
  // attribute: merging by hand changes nothing but the output.
  std::string texts[3];
  std::string paths[3];
  for (int k = 0; k < 3; ++k) {
    paths[k] = env->SystemPath(arguments.files[k]);
    std::string bytes;
    const Status s = env->ReadFile(paths[k], &bytes);
    if (s.IsNotFound()) {
      Say(2, std::string("upgrade_file: cannot read ") + kRoles[k] + " file " + arguments.files[k] +
                 ": file not found\n");
      return kUpgradeFileFailed;
    }
    ThrowIfError(s);
    texts[k] = FileText(bytes);
  }
  // Nor is a read-only output made writable: it is refused before the merge.
  const std::string output = arguments.has_output ? env->SystemPath(arguments.output) : "";
  uint32_t attributes = 0;
  if (arguments.has_output && env->GetAttributes(output, &attributes).ok() &&
      (attributes & kAttrReadOnly)) {
    Say(2, "upgrade_file: cannot write " + arguments.output + ": the file is read-only\n");
    return kUpgradeFileFailed;
  }

  ExitCode = 0;
  LogBuch().SetSink([](const std::string& entry) { Say(2, entry); });
  LogBuch().LogState(true);
  bool bTestFlag = arguments.check;
  std::string merged = texts[0];
  CLSVaxoUpg engine;
  ApplyExitCode(engine.Upgrade(paths[1], merged, texts[1], texts[2], bTestFlag));

  if (merged.empty()) {
    // A run would leave the new file alone here; by hand the engineer gets
    // the (empty) result and is told why it is empty.
    Say(2, "upgrade_file: note: the merged text is empty, NEW holds no non-blank line\n");
  }
  if (arguments.has_output) {
    WriteTextFile(output, merged);
  } else {
    ThrowIfError(env->WriteStd(1, TextFileBytes(merged)));
  }
  return ExitCode;
}

}  // namespace

int RunUpgradeFile(const std::vector<std::string>& args) {
  Arguments arguments;
  bool help = false;
  std::string error;
  try {
    if (!ParseArguments(args, &arguments, &help, &error)) {
      Say(2, "upgrade_file: " + error + "\n" + kUsage);
      return kUpgradeFileFailed;
    }
    if (help) {
      Say(1, kUsage);
      return 0;
    }
    return Merge(arguments);
  } catch (const std::exception& e) {  // RunError above all: a file that failed
    Say(2, std::string("upgrade_file: ") + e.what() + "\n");
  }
  return kUpgradeFileFailed;
}

}  // namespace vaxo
