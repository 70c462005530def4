// Temporary folders and whole files for tests. A folder lives under the
// system's temporary folder (each CTest test has a TMPDIR of its own) and is
// removed with everything in it when its object goes; a folder that was
// entered is left for the previous working folder first.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

namespace fs = std::filesystem;

class TempFolder {
 public:
  // kPlain: an empty folder; the working folder stays where it is.
  // kEntered: the folder becomes the working folder.
  // kDataTree: Common/ and 253/ inside, as in the game's data folder, with
  // 253/ the working folder, as during a run; the game's files are named in
  // it (UseAsGameData).
  enum Kind { kPlain, kEntered, kDataTree };

  // name: a word for the folder's name, which also holds the process and a
  // serial number. base: the folder to make it in; empty, the test's own
  // temporary folder.
  explicit TempFolder(const std::string& name = "test", Kind kind = kPlain, const fs::path& base = {});
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const fs::path& Path() const { return path_; }
  fs::path operator/(const fs::path& relative) const { return path_ / relative; }

  // Makes Path()/relative (made when missing) the working folder until the
  // folder is removed.
  void Enter(const fs::path& relative = {});
  // A failed test leaves the folder in place and names it, for a look inside.
  void KeepIfFailed() { keepIfFailed_ = true; }

  std::string Read(const fs::path& relative) const;
  std::vector<std::string> Lines(const fs::path& relative) const;   // CR LF lines
  void Write(const fs::path& relative, const std::string& bytes) const;

  // Makes this folder (or Path()/relative) the game's data folder, as
  // start-up's search does: the player's files are named in it. A restart of
  // the platform forgets it.
  void UseAsGameData(const fs::path& relative = {}) const;
  // Copies Files/<relative> of the generated game folder to the same place here.
  void CopyShipped(const std::string& relative) const;
  void CopyAllCommon() const;   // every file of Files/Common
  // The working folder and Path()/relative with links resolved, to compare.
  static std::string Cwd();
  std::string Canon(const fs::path& relative) const;

 private:
  fs::path path_;
  fs::path previous_;   // the working folder before Enter; empty when never entered
  pid_t owner_;         // a child process (a death test, a fork) leaves the folder alone
  bool keepIfFailed_ = false;
  mutable bool usedAsData_ = false;   // UseAsGameData was called
};

// The generated game folder's Files/.
fs::path ShippedFiles();

// Whole files as bytes, no line-end translation; a file that cannot be read
// reads as "".
std::string ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, const std::string& bytes);
// The lines of a text, each without its end; a last line without an end
// counts too.
std::vector<std::string> SplitLines(const std::string& text, const std::string& end = "\r\n");

}  // namespace testsupport
