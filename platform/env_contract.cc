#include "platform/env_contract.h"

#include <algorithm>

namespace vaxo {

void Contract::Expect(bool ok, const std::string& what, const std::string& detail) {
  if (!ok) failures.push_back(detail.empty() ? what : what + ": " + detail);
}

void Contract::ExpectEq(const std::string& got, const std::string& want, const std::string& what) {
  Expect(got == want, what, "got [" + got + "], want [" + want + "]");
}

void Contract::ExpectFailure(const Status& s, const std::string& op, const std::string& path,
                             const std::string& what) {
  Expect(!s.ok() && s.op() == op && s.path() == path && !s.reason().empty() &&
             s.reason().find_first_of("\r\n") == std::string::npos,
         what, s.ToString());
}

std::string Contract::Read(const std::string& path) {
  std::string content;
  Status s = env->ReadFile(path, &content);
  return s.ok() ? content : "<" + s.ToString() + ">";
}

std::string Contract::Listing(const std::string& dir) {
  std::vector<DirEntry> entries;
  Status s = env->ListDirectory(dir, &entries);
  if (!s.ok()) return "<" + s.ToString() + ">";
  std::vector<std::string> names;
  for (const auto& e : entries)
    names.push_back(e.name + (e.attributes & kAttrDirectory ? "\\" : ""));
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : " ") + n;
  return out;
}

uint32_t Contract::Attributes(const std::string& path) {
  uint32_t attributes = 0;
  return env->GetAttributes(path, &attributes).ok() ? attributes : 0xFFFFFFFFu;
}

namespace {

const std::string kBytes("line 1\r\n\xE4\xF6\xFC \xA7$x\r\n\x00 end\r\n\xFF", 23);

void NamesMatchWithoutRegardToCase(Contract& c) {
  Env* env = c.env;
  c.Expect(env->ReplaceFile(c.At("Alpha.Dat"), "a").ok(), "a new file");
  c.ExpectEq(c.Read(c.At("ALPHA.DAT")), "a", "read in upper case");
  c.ExpectEq(c.Read(c.At("alpha.dat")), "a", "read in lower case");
  c.Expect(env->ReplaceFile(c.At("ALPHA.DAT"), "b").ok(), "replace in upper case");
  c.ExpectEq(c.Listing(c.root), "Alpha.Dat", "the file keeps the name it was made with");
  c.ExpectEq(c.Read(c.At("Alpha.Dat")), "b", "and the new content");
  c.make_dir(c.At("Data"));
  c.Expect(env->ReplaceFile(c.At("DATA\\NewName.Txt"), "n").ok(), "a new file in a found folder");
  c.ExpectEq(c.Listing(c.At("data")), "NewName.Txt", "keeps the spelling it was given");
  c.Expect(env->DirectoryExists(c.At("DATA")), "the folder in upper case");
}

// Code page 1252 (the system's) has upper case for more than a to z.
void CodePageLettersMatchWithoutRegardToCase(Contract& c) {
  Env* env = c.env;
  c.ExpectEq(env->UpperCase("a\xe4\xfe\xff\x9a \xdf\xb5\xf7"), "A\xc4\xde\x9f\x8a \xdf\xb5\xf7",
             "the system's upper case");
  c.make_dir(c.At("\xc4nderung"));
  c.Expect(env->ReplaceFile(c.At("\xe4NDERUNG\\\xfc"
                                 "ber.dat"),
                            "u")
               .ok(),
           "a file in the folder");
  c.ExpectEq(c.Read(c.At("\xc4NDERUNG\\\xdc"
                         "BER.DAT")),
             "u", "read in upper case");
  c.ExpectEq(c.Listing(c.At("\xe4nderung")),
             "\xfc"
             "ber.dat",
             "keeps the spelling it was given");
}

void PathsWithoutADriveLieBelowTheCurrentDirectory(Contract& c) {
  c.Expect(c.env->ReplaceFile(c.At("Rel.txt"), "r").ok(), "a file in the current directory");
  c.ExpectEq(c.Read("Rel.txt"), "r", "its bare name");
  c.ExpectEq(c.Read(".\\sub\\..\\REL.TXT"), "r", "a relative path with . and ..");
  c.ExpectEq(c.Read(c.cwd.substr(2) + "\\rel.txt"), "r", "a path from the drive's root");
  c.Expect(c.env->ReplaceFile("made.txt", "m").ok(), "a new file by its bare name");
  c.ExpectEq(c.Read(c.At("MADE.TXT")), "m", "lands in the current directory");
}

void BytesComeBackUnchanged(Contract& c) {
  Env* env = c.env;
  const std::string a = c.At("a.dat");
  c.Expect(env->ReplaceFile(a, kBytes).ok(), "write every kind of byte");
  c.ExpectEq(c.Read(a), kBytes, "NUL, CR, LF and high bytes unchanged");
  uint64_t size = 0;
  c.Expect(env->GetFileSize(a, &size).ok() && size == kBytes.size(), "the size is the bytes",
           std::to_string(size));
  c.Expect(env->ReplaceFile(a, "").ok(), "replace with nothing");
  c.Expect(env->GetFileSize(a, &size).ok() && size == 0, "an empty file has size 0");
  c.ExpectEq(c.Read(a), "", "and reads as nothing");
  c.ExpectEq(c.Listing(c.root), "a.dat", "no temporary file is left");
}

void NewFilesAreArchiveAndFoldersAreFolders(Contract& c) {
  Env* env = c.env;
  const std::string f = c.At("plain.dat"), d = c.At("Sub Dir");
  env->ReplaceFile(f, "p");
  c.make_dir(d);
  c.Expect(c.Attributes(f) == kAttrArchive, "a new file is archive only",
           std::to_string(c.Attributes(f)));
  c.Expect((c.Attributes(d) & kAttrDirectory) != 0, "a folder is a directory");
  c.Expect(env->NormalFileExists(f) && !env->DirectoryExists(f), "a file is a normal file");
  c.Expect(env->DirectoryExists(d) && !env->NormalFileExists(d), "a folder is no normal file");
  c.ExpectEq(c.Listing(c.root), "Sub Dir\\ plain.dat", "the listing marks the folder");
  c.ExpectEq(c.Listing(d), "", "an empty folder lists nothing");
  uint64_t size = 0;
  c.Expect(!env->GetFileSize(d, &size).ok(), "a folder has no file size");
  std::vector<DirEntry> entries;
  c.Expect(!env->ListDirectory(f, &entries).ok(), "a file cannot be listed");
}

void ArchiveOnlyClearsReadOnlyHiddenAndSystem(Contract& c) {
  const std::string f = c.At("marked.dat"), d = c.At("Marked Dir");
  c.env->ReplaceFile(f, "m");
  c.make_dir(d);
  if (!c.set_attributes(f, kAttrReadOnly | kAttrHidden | kAttrSystem)) return;
  c.Expect(c.Attributes(f) == (kAttrArchive | kAttrReadOnly | kAttrHidden | kAttrSystem),
           "read-only, hidden and system are kept", std::to_string(c.Attributes(f)));
  c.Expect(!c.env->NormalFileExists(f), "a hidden system file is no normal file");
  c.Expect(c.env->SetArchiveOnly(f).ok(), "archive only");
  c.Expect(c.Attributes(f) == kAttrArchive, "then it is archive only",
           std::to_string(c.Attributes(f)));
  c.Expect(c.env->NormalFileExists(f), "and a normal file");
  if (!c.set_attributes(d, kAttrReadOnly | kAttrHidden)) return;
  c.Expect(c.env->SetArchiveOnly(d).ok(), "archive only on a folder");
  c.Expect(c.Attributes(d) == kAttrDirectory, "the folder stays a plain folder",
           std::to_string(c.Attributes(d)));
}

void AttributesAreSetAsGiven(Contract& c) {
  Env* env = c.env;
  const std::string f = c.At("given.dat"), d = c.At("Given Dir");
  env->ReplaceFile(f, "g");
  c.make_dir(d);
  const uint32_t all = kAttrArchive | kAttrReadOnly | kAttrHidden | kAttrSystem;
  if (!c.set_attributes(f, kAttrHidden)) return;  // the surroundings keep no hidden bit
  for (uint32_t bits : {all, uint32_t(kAttrArchive | kAttrReadOnly), uint32_t(kAttrArchive)}) {
    c.Expect(env->SetAttributes(f, bits).ok(), "set " + std::to_string(bits));
    c.Expect(c.Attributes(f) == bits, "the file has them", std::to_string(c.Attributes(f)));
  }
  // (Read-only means little on a folder and Wine keeps none.)
  c.Expect(env->SetAttributes(d, kAttrHidden).ok(), "set a folder's");
  c.Expect(c.Attributes(d) == (kAttrDirectory | kAttrHidden), "the folder keeps its directory bit",
           std::to_string(c.Attributes(d)));
  env->SetAttributes(d, 0);
  c.Expect(c.Attributes(d) == kAttrDirectory, "and none", std::to_string(c.Attributes(d)));
  c.Expect(env->SetAttributes(c.At("none.dat"), 0).IsNotFound(), "a missing file: not found");
}

void FoldersAreMadeOneAtATime(Contract& c) {
  Env* env = c.env;
  c.Expect(env->CreateDirectory(c.At("Made")).ok(), "make a folder");
  c.Expect(env->DirectoryExists(c.At("MADE")), "it is there");
  c.Expect(env->CreateDirectory(c.At("made")).ok(), "making it again is no error");
  c.ExpectEq(c.Listing(c.root), "Made\\", "as first named");
  const std::string deep = c.At("no such dir\\sub");
  Status s = env->CreateDirectory(deep);
  c.ExpectFailure(s, "mkdir", deep, "a folder in a missing folder");
  c.Expect(s.IsNotFound(), "is not found", s.ToString());
  env->ReplaceFile(c.At("file"), "f");
  c.Expect(!env->CreateDirectory(c.At("FILE")).ok(), "a file's name is taken");
  c.Expect(env->AppendFileSynced(c.At("made\\journal"), "1\n").ok() &&
               env->AppendFileSynced(c.At("made\\journal"), "2\n").ok(),
           "a synced append makes and extends a file in it");
  c.ExpectEq(c.Read(c.At("made\\journal")), "1\n2\n", "in order");
}

void HiddenAndSystemFilesAreListedWithTheirAttributes(Contract& c) {
  const std::string h = c.At("hidden.dat");
  c.env->ReplaceFile(h, "h");
  if (!c.set_attributes(h, kAttrHidden)) return;
  std::vector<DirEntry> entries;
  c.Expect(c.env->ListDirectory(c.root, &entries).ok(), "list");
  c.Expect(entries.size() == 1 && entries[0].name == "hidden.dat" &&
               entries[0].attributes == (kAttrArchive | kAttrHidden),
           "the hidden file with its attribute");
  c.Expect(c.env->ReplaceFile(h, "h2").ok(), "a hidden file can be replaced");
  c.Expect((c.Attributes(h) & kAttrHidden) != 0, "and stays hidden",
           std::to_string(c.Attributes(h)));
  c.ExpectEq(c.Read(h), "h2", "with the new content");
}

void ReadOnlyFilesRefuseChanges(Contract& c) {
  Env* env = c.env;
  const std::string ro = c.At("ro.dat"), src = c.At("src.dat");
  env->ReplaceFile(ro, "old");
  env->ReplaceFile(src, "src");
  if (!c.set_attributes(ro, kAttrReadOnly)) return;
  Status s = env->ReplaceFile(ro, "new");
  c.ExpectFailure(s, "replace", ro, "replace over a read-only file is refused");
  c.Expect(!s.IsNotFound(), "refused, not missing");
  c.ExpectFailure(env->AppendFile(ro, "more"), "append", ro, "append is refused");
  c.Expect(!env->CopyFile(src, ro).ok(), "copy onto it is refused");
  c.ExpectFailure(env->DeleteFile(ro), "delete", ro, "delete is refused");
  c.ExpectEq(c.Read(ro), "old", "the content is kept");
  c.ExpectEq(c.Listing(c.root), "ro.dat src.dat", "nothing is left beside it");
  c.Expect(env->SetArchiveOnly(ro).ok(), "archive only");
  c.Expect(env->ReplaceFile(ro, "new").ok(), "then it can be replaced");
  c.ExpectEq(c.Read(ro), "new", "with the new content");
}

void FoldersAreNoFiles(Contract& c) {
  Env* env = c.env;
  const std::string d = c.At("DIR");
  c.make_dir(d);
  std::string content;
  c.Expect(!env->ReplaceFile(d, "x").ok(), "a folder cannot be replaced");
  c.Expect(!env->DeleteFile(d).ok(), "a folder is not deleted as a file");
  const Status read = env->ReadFile(d, &content);
  c.ExpectFailure(read, "read", d, "a folder cannot be read");
  c.Expect(!read.IsNotFound(), "refused, not missing", read.ToString());
  c.Expect(env->DirectoryExists(d), "the folder stays");
}

void FoldersAreRemovedOnlyWhenEmpty(Contract& c) {
  Env* env = c.env;
  const std::string empty = c.At("Empty"), full = c.At("Full"), file = c.At("Full\\x.dat");
  c.make_dir(empty);
  c.make_dir(full);
  env->ReplaceFile(file, "x");
  c.Expect(env->RemoveDirectory(c.At("EMPTY")).ok(), "an empty folder, in another case");
  c.Expect(!env->DirectoryExists(empty), "is gone");
  c.ExpectFailure(env->RemoveDirectory(full), "rmdir", full, "a folder that holds a file");
  c.ExpectFailure(env->RemoveDirectory(file), "rmdir", file, "a file");
  const Status missing = env->RemoveDirectory(empty);
  c.ExpectFailure(missing, "rmdir", empty, "a missing folder");
  c.Expect(missing.IsNotFound(), "is not found", missing.ToString());
  c.ExpectEq(c.Read(file), "x", "the file stays");
  c.ExpectEq(c.Listing(c.root), "Full\\", "and its folder");
  // What no replace of the backend left goes nowhere.
  for (const char* name : {"x.dat.bak", "vxo.dat", "x.dat-vaxo-ABCDEF", "Vaxo_Value.tmp"})
    env->ReplaceFile(c.At("Full\\") + name, name);
  std::vector<std::string> removed;
  c.Expect(env->RemoveStrayTemporaries(file, &removed).ok() && removed.empty(),
           "no stray temporary file beside a file");
  c.Expect(env->RemoveStrayTemporaries(c.At("Full\\new.dat"), &removed).ok() && removed.empty(),
           "nor beside a missing one");
  c.ExpectEq(c.Listing(full), "Vaxo_Value.tmp vxo.dat x.dat x.dat-vaxo-ABCDEF x.dat.bak",
             "every file stays");
}

void AppendMakesThenExtendsTheFile(Contract& c) {
  Env* env = c.env;
  const std::string log = c.At("Log.txt");
  c.Expect(env->AppendFile(log, "one\r\n").ok(), "append makes the file");
  c.Expect(env->AppendFile(c.At("LOG.TXT"), "two\xE4\r\n").ok(), "append by another case");
  c.ExpectEq(c.Read(log), "one\r\ntwo\xE4\r\n", "the pieces in order");
  c.ExpectEq(c.Listing(c.root), "Log.txt", "one file, as first named");
  const std::string nowhere = c.At("NODIR\\LOG.TXT");
  Status s = env->AppendFile(nowhere, "x");
  c.ExpectFailure(s, "append", nowhere, "append in a missing folder fails");
  c.Expect(s.IsNotFound(), "as not found", s.ToString());
}

// A replacement written piece by piece changes its target only on Commit,
// and refuses what ReplaceFile refuses, at once.
void ReplacementsTakeThePlaceOnlyWhenCommitted(Contract& c) {
  Env* env = c.env;
  const std::string a = c.At("Piece.dat");
  std::unique_ptr<ReplacementFile> file;
  c.Expect(env->NewReplacement(a, &file).ok() && file, "a new file");
  if (!file) return;
  c.Expect(file->Append(kBytes.substr(0, 9)).ok() && file->Append("").ok() &&
               file->Append(kBytes.substr(9)).ok(),
           "takes the pieces");
  c.Expect(c.Read(a).find("<") == 0, "the file is not there before the commit", c.Read(a));
  c.Expect(file->Commit().ok(), "commit");
  c.ExpectEq(c.Read(a), kBytes, "then holds the pieces in order, every byte unchanged");
  c.ExpectFailure(file->Append("x"), "replace", a, "nothing more is taken");
  c.ExpectEq(c.Listing(c.root), "Piece.dat", "no temporary file is left");
  c.ExpectEq(c.Read(a), kBytes, "the committed file stays as it is");

  c.Expect(env->NewReplacement(c.At("PIECE.DAT"), &file).ok() && file, "an existing file");
  if (!file) return;
  file->Append("new");
  c.ExpectEq(c.Read(a), kBytes, "keeps its old content while the pieces come");
  file.reset();
  c.ExpectEq(c.Read(a), kBytes, "and when they are dropped without a commit");
  c.ExpectEq(c.Listing(c.root), "Piece.dat", "which leaves nothing behind");
  env->NewReplacement(c.At("PIECE.DAT"), &file);
  if (!file) return;
  c.Expect(file->Commit().ok(), "a commit of no pieces");
  c.ExpectEq(c.Read(a), "", "empties it");
  c.ExpectEq(c.Listing(c.root), "Piece.dat", "under the name it was made with");

  const std::string nowhere = c.At("NODIR\\x.dat");
  Status s = env->NewReplacement(nowhere, &file);
  c.ExpectFailure(s, "replace", nowhere, "a missing folder");
  c.Expect(s.IsNotFound() && !file, "is not found", s.ToString());
  c.make_dir(c.At("Folder"));
  c.Expect(!env->NewReplacement(c.At("folder"), &file).ok() && !file, "a folder is refused");
  if (!c.set_attributes(a, kAttrReadOnly)) return;
  s = env->NewReplacement(a, &file);
  c.ExpectFailure(s, "replace", a, "a read-only file is refused");
  c.ExpectEq(c.Listing(c.root), "Folder\\ Piece.dat", "and nothing is left beside it");
  env->SetArchiveOnly(a);
  if (!c.set_attributes(a, kAttrHidden)) return;
  env->NewReplacement(a, &file);
  if (!file) return;
  c.Expect(file->Append("h").ok() && file->Commit().ok(), "a hidden file is replaced");
  c.ExpectEq(c.Read(a), "h", "with the pieces");
  c.Expect((c.Attributes(a) & kAttrHidden) != 0, "and stays hidden",
           std::to_string(c.Attributes(a)));
}

void CopyTakesTheBytesAndReadOnly(Contract& c) {
  Env* env = c.env;
  const std::string a = c.At("a.dat"), b = c.At("b.dat"), m = c.At("missing.dat");
  env->ReplaceFile(a, kBytes);
  c.Expect(env->CopyFile(a, b).ok(), "copy to a new file");
  c.ExpectEq(c.Read(b), kBytes, "the copy has the source's bytes");
  env->ReplaceFile(a, "changed");
  c.Expect(env->CopyFile(a, c.At("B.DAT")).ok(), "copy over an existing file");
  c.ExpectEq(c.Read(b), "changed", "the copy replaced the old content");
  c.ExpectEq(c.Read(a), "changed", "the source is unchanged");
  Status s = env->CopyFile(m, b);
  c.ExpectFailure(s, "copy", m, "copy from a missing file");
  c.Expect(s.IsNotFound(), "is not found", s.ToString());
  c.ExpectEq(c.Read(b), "changed", "the destination is unchanged");
  s = env->CopyFile(a, c.At("NODIR\\X.DAT"));
  c.Expect(s.IsNotFound(), "copy into a missing folder is not found", s.ToString());
  c.ExpectEq(c.Listing(c.root), "a.dat b.dat", "no temporary file after copies");
  if (!c.set_attributes(a, kAttrReadOnly)) return;
  const std::string r = c.At("r.dat");
  c.Expect(env->CopyFile(a, r).ok(), "copy of a read-only file");
  c.Expect((c.Attributes(r) & kAttrReadOnly) != 0, "the copy is read-only too",
           std::to_string(c.Attributes(r)));
}

void DeleteRemovesTheFile(Contract& c) {
  Env* env = c.env;
  const std::string g = c.At("Gone.dat");
  env->ReplaceFile(g, "g");
  c.Expect(env->DeleteFile(c.At("GONE.DAT")).ok(), "delete by another case");
  c.Expect(!env->NormalFileExists(g), "the file is gone");
  c.ExpectEq(c.Listing(c.root), "", "nothing is left");
  Status s = env->DeleteFile(g);
  c.ExpectFailure(s, "delete", g, "delete of a missing file");
  c.Expect(s.IsNotFound(), "is not found", s.ToString());
}

void MissingNamesAreNotFoundAndSaySo(Contract& c) {
  Env* env = c.env;
  const std::string m = c.At("missing.dat"), deep = c.At("no such dir\\x.dat");
  uint32_t attributes = 0;
  uint64_t size = 0;
  std::string text;
  std::vector<DirEntry> entries;
  Status s = env->GetAttributes(m, &attributes);
  c.ExpectFailure(s, "attributes", m, "attributes of a missing file");
  c.Expect(s.IsNotFound(), "attributes: not found");
  c.Expect(env->GetAttributes(deep, &attributes).IsNotFound(), "in a missing folder: not found");
  s = env->ReadFile(m, &text);
  c.ExpectFailure(s, "read", m, "read of a missing file");
  c.Expect(s.IsNotFound(), "read: not found");
  c.Expect(env->GetFileSize(m, &size).IsNotFound(), "size: not found");
  c.Expect(env->ListDirectory(c.At("no such dir"), &entries).IsNotFound(), "listing: not found");
  c.Expect(env->SetArchiveOnly(m).IsNotFound(), "archive only: not found");
  s = env->ReplaceFile(deep, "x");
  c.ExpectFailure(s, "replace", deep, "replace in a missing folder");
  c.Expect(s.IsNotFound(), "replace: not found", s.ToString());
  c.Expect(!env->NormalFileExists(m) && !env->DirectoryExists(m), "a missing name is nothing");
  c.ExpectEq(c.Listing(c.root), "", "nothing was made");
}

// A name beginning with "." is an ordinary name: a normal file or folder,
// listed like any other and hidden only by its attribute.
void NamesBeginningWithADotAreOrdinary(Contract& c) {
  Env* env = c.env;
  for (const char* name : {".servo", "$.dat", ".upg"})
    c.Expect(env->ReplaceFile(c.At(name), name).ok(), std::string("make ") + name);
  c.make_dir(c.At(".dir"));
  c.ExpectEq(c.Listing(c.root), "$.dat .dir\\ .servo .upg", "listed like any other name");
  const std::string servo = c.At(".servo");
  c.Expect(c.Attributes(servo) == kAttrArchive, "a new dot file is archive only",
           std::to_string(c.Attributes(servo)));
  c.Expect(env->NormalFileExists(c.At(".UPG")), "and a normal file, in any case");
  c.ExpectEq(c.Read(c.At(".Upg")), ".upg", "read like any other");
  const uint32_t dir = c.Attributes(c.At(".dir"));
  c.Expect((dir & kAttrDirectory) && !(dir & kAttrHidden), "a dot folder is not hidden",
           std::to_string(dir));
  if (!c.set_attributes(servo, kAttrHidden)) return;
  c.Expect(!env->NormalFileExists(servo), "hidden by its attribute");
  c.Expect(env->SetArchiveOnly(servo).ok() && env->NormalFileExists(servo),
           "and a normal file again without it");
}

// A name no Windows folder can hold is not there: a lookup of a name with
// such a character finds nothing, and such names made on the host side
// (only the emulation has them) are in no listing and reached by no path.
void NamesWindowsCannotHoldAreNotThere(Contract& c) {
  Env* env = c.env;
  const std::vector<std::string> bad = {
      "p|q.dat", "st*r.dat",    "q?.dat",    "c:d.dat",     "lt<.dat",
      "gt>.dat", "quo\"te.dat", "tab\t.dat", "ctl\x01.dat", "a\\..\\..\\x.dat"};
  uint32_t attributes = 0;
  for (size_t i = 0; i + 1 < bad.size(); ++i)
    c.Expect(!env->GetAttributes(c.At(bad[i]), &attributes).ok(), "no lookup finds " + bad[i]);
  if (!c.make_raw) return;
  env->ReplaceFile(c.At("ok.dat"), "ok");
  for (const std::string& name : bad) c.make_raw(name, "raw");
  c.ExpectEq(c.Listing(c.root), "ok.dat", "only the name Windows can hold is listed");
  for (size_t i = 0; i + 1 < bad.size(); ++i) {
    Status s = env->GetAttributes(c.At(bad[i]), &attributes);
    c.ExpectFailure(s, "attributes", c.At(bad[i]), "a lookup of " + bad[i]);
    c.Expect(!s.IsNotFound(), "an invalid name, not a missing one", s.ToString());
  }
  Status s = env->ReplaceFile(c.At("p|q.dat"), "new");
  c.ExpectFailure(s, "replace", c.At("p|q.dat"), "no file of such a name is made");
  c.ExpectEq(c.Listing(c.root), "ok.dat", "and nothing else either");
}

// Windows holds at most one of two names that differ only in letter case.
// Made side by side on the host (only the emulation can have them), they
// are no answer: every lookup that meets them fails naming them, whatever
// spelling it asks for, instead of choosing one.
void NamesDifferingOnlyInCaseAreNoAnswer(Contract& c) {
  if (!c.make_raw) return;
  Env* env = c.env;
  env->ReplaceFile(c.At("new"), "lower");
  c.make_raw("NEW", "upper");
  c.make_dir(c.At("dir"));
  c.make_raw("DIR", "a file");
  c.ExpectEq(c.Listing(c.root), "DIR NEW dir\\ new", "a listing shows what there is");
  const std::string pair = "two names differ only in letter case: NEW, new";
  std::string text;
  std::vector<DirEntry> entries;
  for (const char* name : {"new", "NEW", "New"}) {
    const Status s = env->ReadFile(c.At(name), &text);
    c.Expect(s.IsAmbiguous() && s.reason() == pair, std::string("read ") + name, s.ToString());
  }
  for (const Status& s : {env->AppendFile(c.At("new"), "x"), env->ReplaceFile(c.At("NEW"), "x"),
                          env->DeleteFile(c.At("new")), env->SetArchiveOnly(c.At("NEW"))})
    c.Expect(s.IsAmbiguous() && s.reason() == pair, "no change through the pair", s.ToString());
  Status s = env->ListDirectory(c.At("Dir"), &entries);
  c.ExpectFailure(s, "list", c.At("Dir"), "a folder of the pair cannot be listed");
  c.ExpectEq(s.reason(), "two names differ only in letter case: DIR, dir", "naming both");
  c.Expect(env->ReplaceFile(c.At("dir\\x.dat"), "x").IsAmbiguous(), "nor reached through");
  const auto thrown = [&c](const char* what, const std::function<bool()>& look) {
    try {
      c.Expect(false, what, look() ? "answered true" : "answered false");
    } catch (const RunError& e) {
      c.Expect(e.status().IsAmbiguous(), what, e.what());
    }
  };
  thrown("a file of the pair neither exists nor is missing",
         [&] { return env->NormalFileExists(c.At("NEW")); });
  thrown("nor does a folder of the pair", [&] { return env->DirectoryExists(c.At("dir")); });
  for (const char* name : {"Abc", "ABC", "abc"}) c.make_raw(name, "");
  uint64_t size = 0;
  c.ExpectEq(env->GetFileSize(c.At("abc"), &size).reason(),
             "3 names differ only in letter case: ABC, Abc, abc", "more than two");
}

}  // namespace

const std::vector<ContractCase>& ContractCases() {
  static const std::vector<ContractCase> cases = {
      {"NamesMatchWithoutRegardToCase", NamesMatchWithoutRegardToCase},
      {"CodePageLettersMatchWithoutRegardToCase", CodePageLettersMatchWithoutRegardToCase},
      {"PathsWithoutADriveLieBelowTheCurrentDirectory",
       PathsWithoutADriveLieBelowTheCurrentDirectory},
      {"BytesComeBackUnchanged", BytesComeBackUnchanged},
      {"NewFilesAreArchiveAndFoldersAreFolders", NewFilesAreArchiveAndFoldersAreFolders},
      {"ArchiveOnlyClearsReadOnlyHiddenAndSystem", ArchiveOnlyClearsReadOnlyHiddenAndSystem},
      {"HiddenAndSystemFilesAreListedWithTheirAttributes",
       HiddenAndSystemFilesAreListedWithTheirAttributes},
      {"AttributesAreSetAsGiven", AttributesAreSetAsGiven},
      {"FoldersAreMadeOneAtATime", FoldersAreMadeOneAtATime},
      {"ReadOnlyFilesRefuseChanges", ReadOnlyFilesRefuseChanges},
      {"FoldersAreNoFiles", FoldersAreNoFiles},
      {"FoldersAreRemovedOnlyWhenEmpty", FoldersAreRemovedOnlyWhenEmpty},
      {"AppendMakesThenExtendsTheFile", AppendMakesThenExtendsTheFile},
      {"ReplacementsTakeThePlaceOnlyWhenCommitted", ReplacementsTakeThePlaceOnlyWhenCommitted},
      {"CopyTakesTheBytesAndReadOnly", CopyTakesTheBytesAndReadOnly},
      {"DeleteRemovesTheFile", DeleteRemovesTheFile},
      {"MissingNamesAreNotFoundAndSaySo", MissingNamesAreNotFoundAndSaySo},
      {"NamesBeginningWithADotAreOrdinary", NamesBeginningWithADotAreOrdinary},
      {"NamesWindowsCannotHoldAreNotThere", NamesWindowsCannotHoldAreNotThere},
      {"NamesDifferingOnlyInCaseAreNoAnswer", NamesDifferingOnlyInCaseAreNoAnswer},
  };
  return cases;
}

}  // namespace vaxo
