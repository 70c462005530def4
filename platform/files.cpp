// Files and folders: the working directory, file types, the table of text
// streams (8-bit lines, CR LF written, LF read), deleting and renaming, whole
// files read at once and replaced in one step, locks and guard files shared
// with other running programs, and the developer's debug output.
//
// Stream handles are never reused while the program runs, so a stale handle
// can't reach a stream opened later; it is ignored like handle 0.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <unordered_map>
#include <vector>

#include "platform/host/browser_page.h"
#include "platform/internal.h"
#include "platform/platform.h"

namespace {

struct Stream {
  FILE* file = nullptr;
  bool writing = false;
  bool atEnd = false;    // reading: nothing left
  bool failed = false;   // writing: some byte did not reach the file
};

struct StreamTable {
  std::unordered_map<int, Stream> open;
  int nextHandle = 1;    // 0 = none, never handed out
};

// Never destroyed: the log is closed from an atexit handler, which may run
// after static destructors of this file would have.
StreamTable& Streams() {
  static StreamTable* table = new StreamTable;
  return *table;
}

Stream* FindStream(int handle) {
  auto& table = Streams().open;
  auto it = table.find(handle);
  return it == table.end() ? nullptr : &it->second;
}

int AddStream(FILE* file, bool writing) {
  StreamTable& table = Streams();
  // Big buffers: the log and the score file are written line by line.
  setvbuf(file, nullptr, _IOFBF, 1 << 16);
  int handle = table.nextHandle++;
  if (table.nextHandle <= 0) table.nextHandle = 1;
  Stream s;
  s.file = file;
  s.writing = writing;
  if (!writing) {
    int c = getc(file);
    if (c == EOF) s.atEnd = true; else ungetc(c, file);
  }
  table.open.emplace(handle, s);
  return handle;
}

// Closes the file; true when everything written reached the disk.
bool FinishStream(Stream& s) {
  bool ok = !s.failed;
  if (s.writing) {
    if (fflush(s.file) != 0) ok = false;
    // The caller may rename this file over a precious one next: make sure
    // the bytes are really down before it does.
    if (fsync(fileno(s.file)) != 0 && errno != EINVAL) ok = false;
  }
  if (fclose(s.file) != 0) ok = false;
  s.file = nullptr;
  return ok;
}

}  // namespace

namespace plat {

// Handle numbers carry on counting: the log may still hold its old handle,
// and it must not land in a file opened after the reset.
void ResetStreams() {
  StreamTable& table = Streams();
  for (auto& [handle, s] : table.open) FinishStream(s);
  table.open.clear();
}

namespace {
const ResetHook s_resetStreams(ResetStreams);
}  // namespace

}  // namespace plat

int ChangeDir(const std::string& path) {
  if (path.empty()) return 0;
  return chdir(path.c_str()) == 0 ? 1 : 0;
}

std::string CurrentDir() {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::current_path(ec);
  return ec ? std::string() : p.string();
}

int FileType(const std::string& name) {
  if (name.empty()) return 0;
  const std::string path = plat::MapPath(name, plat::FileAccess::Read);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return 0;
  if (S_ISDIR(st.st_mode)) return 2;
  // A pipe or a device is no file of ours: reading one would wait or never end.
  return S_ISREG(st.st_mode) ? 1 : 0;
}

namespace plat {

int OpenRegularFile(const std::string& path, int flags, bool followLinks) {
  // Without waiting: opening a pipe waits for its other end, for ever.
  int fd = open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW), 0644);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  // Regular files never wait anyway; the stream's reads and writes should
  // not see "try again" should that ever change.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool ReadRegularFile(const std::string& path, std::vector<uint8_t>& out, size_t maxBytes) {
  out.clear();
  int fd = OpenRegularFile(path, O_RDONLY, true);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && static_cast<uint64_t>(st.st_size) <= maxBytes;
  if (ok) out.reserve(static_cast<size_t>(st.st_size));
  uint8_t block[1 << 16];
  while (ok) {
    ssize_t n = read(fd, block, sizeof block);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
    } else if (out.size() + static_cast<size_t>(n) > maxBytes) {
      ok = false;   // it grew while being read
    } else {
      out.insert(out.end(), block, block + n);
    }
  }
  close(fd);
  return ok;
}

}  // namespace plat

int ReadFile(const std::string& name) {
  if (name.empty()) return 0;
  const std::string path = plat::MapPath(name, plat::FileAccess::Read);
  int fd = plat::OpenRegularFile(path, O_RDONLY, true);
  if (fd < 0) return 0;
  FILE* f = fdopen(fd, "rb");
  if (!f) {
    close(fd);
    return 0;
  }
  return AddStream(f, false);
}

// The log and the crash guard are the only files written this way. A link
// in their place is not followed: whatever it points to is not ours to
// truncate.
int WriteFile(const std::string& name) {
  if (name.empty()) return 0;
  const std::string path = plat::MapPath(name, plat::FileAccess::Write);
  int fd = plat::OpenRegularFile(path, O_WRONLY | O_CREAT | O_TRUNC, false);
  if (fd < 0) return 0;
  FILE* f = fdopen(fd, "wb");
  if (!f) {
    close(fd);
    return 0;
  }
  return AddStream(f, true);
}

// Not truncated before the lock is had: a file held by another program is
// that program's, and stays as it is.
int WriteHeldFile(const std::string& name) {
  if (name.empty()) return 0;
  const std::string path = plat::MapPath(name, plat::FileAccess::Write);
  int fd = plat::OpenRegularFile(path, O_WRONLY | O_CREAT, false);
  if (fd < 0) return 0;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EINTR)) {
    close(fd);
    return -1;
  }
  FILE* f = ftruncate(fd, 0) == 0 ? fdopen(fd, "wb") : nullptr;
  if (!f) {
    close(fd);
    return 0;
  }
  return AddStream(f, true);
}

std::string ReadLine(int stream) {
  Stream* s = FindStream(stream);
  if (!s || s->writing || s->atEnd) return std::string();
  std::string line;
  FILE* f = s->file;
  int c;
  while ((c = getc_unlocked(f)) != EOF) {
    if (c == '\n' || c == 0) break;
    if (c == '\r') continue;
    line.push_back(static_cast<char>(c));
  }
  // Look one byte ahead so Eof turns 1 right after the last line, not one
  // empty read later: "read until Eof" loops see no phantom empty line.
  if (c == EOF) {
    s->atEnd = true;
  } else {
    int next = getc_unlocked(f);
    if (next == EOF) s->atEnd = true; else ungetc(next, f);
  }
  return line;
}

void WriteLine(int stream, const std::string& text) {
  Stream* s = FindStream(stream);
  if (!s || !s->writing || s->failed) return;
  if (fwrite(text.data(), 1, text.size(), s->file) != text.size() ||
      fwrite("\r\n", 1, 2, s->file) != 2) {
    s->failed = true;
  }
}

// An unknown handle has nothing to read: answering 1 keeps a "read until Eof"
// loop over a file that failed to open from spinning for ever.
int Eof(int stream) {
  Stream* s = FindStream(stream);
  if (!s || s->writing) return 1;
  return s->atEnd ? 1 : 0;
}

void FlushStream(int stream) {
  Stream* s = FindStream(stream);
  if (s != nullptr && s->file != nullptr) fflush(s->file);
}

int CloseStream(int stream) {
  StreamTable& table = Streams();
  auto it = table.open.find(stream);
  if (it == table.open.end()) return 0;
  const bool writing = it->second.writing;
  bool ok = FinishStream(it->second);
  table.open.erase(it);
  if (writing) plat::PersistPlayerFiles();
  return ok ? 1 : 0;
}

// Deleting a name of the installed data removes the player's copy only.
int DeleteFile(const std::string& name) {
  if (name.empty()) return 0;
  const std::string path = plat::MapPath(name, plat::FileAccess::Write);
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && unlink(path.c_str()) == 0)
    plat::PersistPlayerFiles();
  return FileType(name) == 0 ? 1 : 0;
}

int RenameFile(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return 0;
  const std::string source = plat::MapPath(from, plat::FileAccess::Write);
  const std::string target = plat::MapPath(to, plat::FileAccess::Write);
  if (std::rename(source.c_str(), target.c_str()) != 0) return 0;
  plat::PersistPlayerFiles();
  return 1;
}

namespace {

FileStamp StampFrom(const struct stat& st) {
  FileStamp stamp;
  stamp.exists = true;
  stamp.device = static_cast<uint64_t>(st.st_dev);
  stamp.inode = static_cast<uint64_t>(st.st_ino);
  stamp.size = static_cast<int64_t>(st.st_size);
  stamp.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return stamp;
}

}  // namespace

int ReadWholeFile(const std::string& name, std::string& bytes, FileStamp& stamp) {
  bytes.clear();
  stamp = FileStamp();
  if (name.empty()) return 0;
  const std::string path = plat::MapPath(name, plat::FileAccess::Read);
  // Only a regular file is one of ours (a pipe would keep the reader
  // waiting for ever, a device might never end).
  int fd = plat::OpenRegularFile(path, O_RDONLY, true);
  if (fd < 0) {
    // Nothing there, or a link to nothing: a missing file. Anything else
    // (a folder on the way that may not be searched, a loop of links, no
    // permission, a pipe) means something may be there that can't be read.
    return errno == ENOENT || errno == ENOTDIR ? 0 : -1;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return -1;
  }
  stamp = StampFrom(st);
  if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      return -1;
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return 1;
}

int ReadWholeFile(const std::string& name, std::string& bytes) {
  FileStamp stamp;
  return ReadWholeFile(name, bytes, stamp);
}

FileStamp StampOfFile(const std::string& name) {
  if (name.empty()) return {};
  const std::string path = plat::MapPath(name, plat::FileAccess::Read);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return {};
  return StampFrom(st);
}

// The handle is the descriptor plus one, so that 0 means none. The lock goes
// with the descriptor: a program that dies lets go of it at once.
int LockFile(const std::string& name, int waitMs) {
  if (name.empty()) return 0;
  const std::string path = plat::MapPath(name, plat::FileAccess::Write);
  int fd = plat::OpenRegularFile(path, O_RDWR | O_CREAT, false);
  // Another user's lock file in a folder both write to: a lock needs no
  // more than reading it.
  if (fd < 0 && errno == EACCES) fd = plat::OpenRegularFile(path, O_RDONLY, false);
  if (fd < 0) return 0;
  for (int waited = 0;; waited += 10) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd + 1;
    if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= waitMs) break;
    usleep(10000);
  }
  close(fd);
  return 0;
}

void UnlockFile(int lock) {
  if (lock <= 0) return;
  flock(lock - 1, LOCK_UN);
  close(lock - 1);
}

namespace {

// A whole-file lock of the open file itself (not of the process), which a
// program that dies lets go of at once, and whose holder can be asked about
// without taking it. false when it can't be had now.
bool GuardLock(int fd, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
#else
  errno = EINVAL;
  return false;
#endif
}

// Such locks are not to be had everywhere (the browser's files): a guard
// then works as a plain file, as it always did.
bool NoGuardLocks() { return errno == EINVAL || errno == ENOSYS || errno == ENOLCK; }

// Whether a descriptor still is the file at path (nobody removed or
// replaced it in between).
bool StillAt(int fd, const std::string& path) {
  struct stat held, named;
  return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

std::unordered_map<int, std::string>& GuardsHeld() {
  static auto* held = new std::unordered_map<int, std::string>;   // by handle: the file's path
  return *held;
}

int KeepGuard(int fd, const std::string& path) {
  GuardsHeld()[fd + 1] = path;
  plat::PersistPlayerFiles();
  return fd + 1;
}

// A file of a name no one else uses: `stem` and eight letters or digits,
// created exclusively (nothing already there is followed or opened). The
// descriptor, or -1.
int CreateFreshFile(const std::string& stem, std::string& name, int flags) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::mt19937_64 pick(std::random_device{}() ^ static_cast<uint64_t>(getpid()) ^
                              static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = stem;
    for (int i = 0; i < 8; ++i) name += kLetters[pick() % (sizeof kLetters - 1)];
    int fd = open(name.c_str(), flags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

int GuardFileState(const std::string& name) {
  if (FileType(name) == 0) return 0;
  const std::string path = plat::MapPath(name, plat::FileAccess::Read);
  int fd = plat::OpenRegularFile(path, O_RDONLY, true);
  if (fd < 0) return 1;   // something there that no running program holds
  int state = 1;
#ifdef F_OFD_GETLK
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  if (fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) state = 2;
#endif
  close(fd);
  return state;
}

int RaiseGuardFile(const std::string& name) {
  if (name.empty()) return 0;
  const std::string path = plat::MapPath(name, plat::FileAccess::Write);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    // One there already (another program's, or one left behind): joined,
    // if it is still the one at that name once locked.
    int fd = plat::OpenRegularFile(path, O_RDWR, false);
    if (fd >= 0) {
      if ((GuardLock(fd, F_RDLCK) || NoGuardLocks()) && StillAt(fd, path)) return KeepGuard(fd, path);
      close(fd);
      usleep(1000);   // its last holder is removing it
      continue;
    }
    if (errno != ENOENT) return 0;
    // A new one is made under a name of its own, locked, and only then
    // linked into place: it never stands there without its lock.
    std::string fresh;
    fd = CreateFreshFile(path + ".new-", fresh, O_RDWR);
    if (fd < 0) return 0;
    fchmod(fd, 0644);
    GuardLock(fd, F_RDLCK);
    int linked = link(fresh.c_str(), path.c_str()) == 0 ? 0 : errno;
    unlink(fresh.c_str());
    if (linked == 0) return KeepGuard(fd, path);
    close(fd);
    if (linked == EEXIST) continue;
    // A file system without links: made in place.
    fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return 0;
    }
    GuardLock(fd, F_RDLCK);
    return KeepGuard(fd, path);
  }
  return 0;
}

void DropGuardFile(int guard) {
  auto it = GuardsHeld().find(guard);
  if (it == GuardsHeld().end()) return;
  const int fd = guard - 1;
  // The last holder removes it; while another running program holds it,
  // it stays for that one.
  if ((GuardLock(fd, F_WRLCK) || NoGuardLocks()) && StillAt(fd, it->second)) {
    unlink(it->second.c_str());
    plat::PersistPlayerFiles();
  }
  close(fd);
  GuardsHeld().erase(it);
}

void ForEachLine(const std::string& text, const std::function<void(const std::string&)>& body) {
  size_t start = 0, n = text.size();
  std::string line;
  for (size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (c != '\n' && c != '\r' && c != '\0') continue;
    line.assign(text, start, i - start);
    body(line);
    if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) {
    line.assign(text, start, n - start);
    body(line);
  }
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  ForEachLine(text, [&lines](const std::string& line) { lines.push_back(line); });
  return lines;
}

namespace {

// Follows symbolic links to the file a save must replace. A relative link is
// taken from the folder of the link. "" for a loop of links.
std::string FollowLinks(std::string path) {
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) return std::string();
    std::string next(target.data(), static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    if (next[0] != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
    path = next;
  }
  return std::string();
}

// Writes all bytes to a file opened for writing and flushes them to the disk.
bool WriteAllAndSync(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return fsync(fd) == 0 || errno == EINVAL;
}

}  // namespace

namespace {

constexpr char kTempMark[] = ".tmp-";            // a save's temporary file: the name, this, 8 letters or digits
constexpr int kTempLetters = 8;
constexpr int64_t kLeftoverAgeSeconds = 60 * 60;   // no save takes this long

// The folder part of a path ("." for none).
std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// Temporary files that saves of this file left when the program died in the
// middle: plain files of ours, of that very pattern, untouched for an hour
// (a save of another copy in progress is seconds old). Nothing else is
// touched, links included.
void SweepLeftoverTemps(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string prefix = target.substr(target.rfind('/') + 1) + kTempMark;
  const int64_t now = static_cast<int64_t>(time(nullptr));
  namespace fs = std::filesystem;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (entry.size() != prefix.size() + kTempLetters || entry.compare(0, prefix.size(), prefix) != 0) continue;
    if (!std::all_of(entry.begin() + static_cast<long>(prefix.size()), entry.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
      continue;
    }
    const std::string path = folder + "/" + entry;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) continue;
    if (now - static_cast<int64_t>(st.st_mtim.tv_sec) < kLeftoverAgeSeconds) continue;
    unlink(path.c_str());
  }
}

}  // namespace

int SaveFileAtomically(const std::string& name, const std::string& bytes) {
  if (name.empty()) return 0;
  std::string target = FollowLinks(plat::MapPath(name, plat::FileAccess::Write));
  if (target.empty()) return 0;
  // The new file keeps the permissions of the one it replaces.
  mode_t mode = 0644;
  struct stat st;
  if (stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
  // A name of its own, created exclusively: whatever stands at another
  // name (a link planted there, a pipe) is never followed, opened or
  // waited on.
  std::string temp;
  int fd = CreateFreshFile(target + kTempMark, temp, O_WRONLY);
  if (fd < 0) return 0;
  bool ok = WriteAllAndSync(fd, bytes);
  if (fchmod(fd, mode) != 0) ok = false;
  if (close(fd) != 0) ok = false;
  if (ok) ok = std::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return 0;
  }
  // The rename itself reaches the disk with the folder.
  int dir = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  SweepLeftoverTemps(target);
  // Where the disk is the browser's storage, the save is written back now.
  plat::PersistPlayerFiles();
  return 1;
}

int WriteNewFile(const std::string& name, const std::string& bytes) {
  if (name.empty()) return 0;
  const std::string path = plat::MapPath(name, plat::FileAccess::Write);
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  bool ok = WriteAllAndSync(fd, bytes);
  if (close(fd) != 0) ok = false;
  if (!ok) unlink(path.c_str());
  if (ok) plat::PersistPlayerFiles();
  return ok ? 1 : 0;
}

// A file the player takes away: in the browser, a download.
void HandOverFile(const std::string& name) {
  if (!name.empty()) plat::OfferDownload(plat::MapPath(name, plat::FileAccess::Read));
}

std::string KeepCopyBeside(const std::string& name, const std::string& tag, const std::string& bytes, int keep) {
  if (name.empty()) return {};
  namespace fs = std::filesystem;
  const fs::path path = plat::MapPath(name, plat::FileAccess::Write);
  const std::string prefix = path.filename().string() + ".bad-";
  // The copies there are, oldest first; one with these very bytes will do.
  std::vector<std::pair<int64_t, fs::path>> copies;
  std::error_code ec;
  for (fs::directory_iterator it(path.parent_path().empty() ? fs::path(".") : path.parent_path(), ec), end;
       !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (entry.rfind(prefix, 0) != 0) continue;
    std::string held;
    FileStamp stamp;
    if (ReadWholeFile(it->path().string(), held, stamp) != 1) continue;
    if (held == bytes) return it->path().string();
    copies.emplace_back(stamp.modifiedNs, it->path());
  }
  // A free name: the tag, then the tag with a counter.
  for (int n = 1; n < 100; ++n) {
    std::string copy = path.string() + ".bad-" + tag + (n > 1 ? "-" + std::to_string(n) : "");
    int fd = open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return {};
    }
    bool ok = WriteAllAndSync(fd, bytes);
    if (close(fd) != 0) ok = false;
    if (!ok) {
      unlink(copy.c_str());
      return {};
    }
    // Only now that the new copy is whole do the oldest make room for it: a
    // full disk costs no copy.
    std::sort(copies.begin(), copies.end());
    for (size_t i = 0; copies.size() - i >= static_cast<size_t>(std::max(keep, 1)); ++i) {
      unlink(copies[i].second.c_str());
    }
    return copy;
  }
  return {};
}
