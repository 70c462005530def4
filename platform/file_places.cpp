// Where the game's data lives and where each player's files go: the search
// from the executable's own place, the player's XDG folders, and the mapping
// every path-taking file operation runs its path through.
//
// Portable data needs no mapping: the game reads and writes its Files/ folder
// in place. Installed data is a read-only tree under the prefix; while it is in
// use, a path that falls inside it is sent to the player's folders when the
// framework declared it a player file, looked for in the player's data folder
// first when it lies in an overlaid folder, and never written in place.
//
// The mapping works on whole paths, so the framework keeps walking between
// folders with relative names exactly as it does over a portable tree.
#include <fnmatch.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "platform/internal.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

struct PlayerFileRule {
  std::string pattern;  // below the data folder
  PlayerFolder kind;
};

struct DataPlaces {
  int kind = kDataNotFound;
  fs::path folder;                      // canonical; empty when none
  std::vector<std::string> tried;
  fs::path denied;                      // a folder of the data that can't be entered
  std::vector<PlayerFileRule> playerFiles;
  std::vector<std::string> overlays;    // top folders of the data, no slash
};

DataPlaces& Places() {
  static DataPlaces* places = new DataPlaces;
  return *places;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  const passwd* entry = getpwuid(getuid());
  if (entry != nullptr && entry->pw_dir != nullptr) return entry->pw_dir;
  return "/";
}

// A relative XDG value is to be ignored: honouring it would scatter the
// player's files over whatever folder the game was started from.
std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] == '/') return value;
  return HomeFolder() + "/" + fallbackBelowHome;
}

// The pictures folder as the player's user-dirs.dirs names it: the lines are
// shell assignments, XDG_PICTURES_DIR="$HOME/Pictures" or an absolute path.
std::string PicturesFolder() {
  std::ifstream in(XdgFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    const std::string key = "XDG_PICTURES_DIR=\"";
    if (line.rfind(key, 0) != 0) continue;
    size_t end = line.find('"', key.size());
    if (end == std::string::npos) continue;
    std::string value = line.substr(key.size(), end - key.size());
    if (value.rfind("$HOME", 0) == 0) value = HomeFolder() + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  const char* set = std::getenv("XDG_PICTURES_DIR");
  if (set != nullptr && set[0] == '/') return set;
  return HomeFolder() + "/Pictures";
}

// A folder the program can't enter or list (an archive unpacked with odd
// modes, a shared copy another user restricted) is there but not usable.
bool Enterable(const fs::path& folder) { return access(folder.c_str(), R_OK | X_OK) == 0; }

// Whether the folder and each of mustHold in it are folders the program can
// enter. The first one that is there but can't be entered goes to denied.
bool HoldsAll(const fs::path& folder, const std::vector<std::string>& mustHold, fs::path& denied) {
  std::error_code ec;
  bool isFolder = fs::is_directory(folder, ec);
  if (ec && (ec == std::errc::permission_denied)) denied = folder;
  if (!isFolder) return false;
  if (!Enterable(folder)) {
    denied = folder;
    return false;
  }
  for (const std::string& sub : mustHold) {
    if (!fs::is_directory(folder / sub, ec)) return false;
    if (!Enterable(folder / sub)) {
      denied = folder / sub;
      return false;
    }
  }
  return true;
}

// The path below the installed data folder, or empty when the path is not in it.
fs::path InsideInstalledData(const std::string& path) {
  const DataPlaces& places = Places();
  if (places.kind != kDataInstalled || path.empty()) return {};
  fs::path full = path;
  if (full.is_relative()) {
    std::error_code ec;
    full = fs::current_path(ec) / full;
    if (ec) return {};
  }
  fs::path below = full.lexically_normal().lexically_relative(places.folder);
  if (below.empty() || below == "." || *below.begin() == "..") return {};
  return below;
}

// How a path below the installed data is read.
enum class ReadFrom {
  Player,        // a player file: only the player's copy counts
  PlayerFirst,   // an overlaid folder: the player's file, else the installed one
  Installed,     // the installed file; writes still go to the player's side
};

// The player's side of a path below the data folder, and how it is read.
std::pair<fs::path, ReadFrom> PlayerSide(const fs::path& below) {
  const DataPlaces& places = Places();
  std::string name = below.generic_string();
  for (const PlayerFileRule& rule : places.playerFiles) {
    if (fnmatch(rule.pattern.c_str(), name.c_str(), FNM_PATHNAME) == 0) {
      return {fs::path(PlayerFolderPath(rule.kind)) / below.filename(), ReadFrom::Player};
    }
  }
  fs::path data = PlayerFolderPath(PlayerFolder::Data);
  auto parts = std::distance(below.begin(), below.end());
  for (const std::string& folder : places.overlays) {
    if (parts == 2 && *below.begin() == folder) return {data / below.filename(), ReadFrom::PlayerFirst};
  }
  return {data / below, ReadFrom::Installed};
}

}  // namespace

std::string ExecutableFolder() {
#ifdef __EMSCRIPTEN__
  // The page's file system holds the data as an installed game's (the
  // program in /mnemora/bin, the data in /mnemora/share/games/mnemora), and
  // the player's files go to their XDG folders, kept in IndexedDB.
  return "/mnemora/bin";
#endif
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.parent_path().string();
}

std::string PlayerFolderPath(PlayerFolder kind) {
  switch (kind) {
    case PlayerFolder::Config: return XdgFolder("XDG_CONFIG_HOME", ".config") + "/mnemora";
    case PlayerFolder::Data: return XdgFolder("XDG_DATA_HOME", ".local/share") + "/mnemora";
    case PlayerFolder::State: return XdgFolder("XDG_STATE_HOME", ".local/state") + "/mnemora";
    case PlayerFolder::Pictures: return PicturesFolder() + "/Mnemora";
  }
  return {};
}

int FindGameData(const DataSearch& search) {
  DataPlaces& places = Places();
  places.kind = kDataNotFound;
  places.folder.clear();
  places.tried.clear();
  places.denied.clear();

  std::vector<std::pair<fs::path, int>> candidates;
  if (!search.folder.empty()) {
    // A game folder (holding Files/) or the data folder itself.
    fs::path chosen = fs::absolute(search.folder).lexically_normal();
    std::error_code ec;
    if (fs::is_directory(chosen / "Files", ec)) chosen /= "Files";
    candidates.emplace_back(chosen, kDataPortable);
  } else {
    fs::path exe = search.fromFolder.empty() ? fs::path(ExecutableFolder()) : fs::path(search.fromFolder);
    candidates.emplace_back((exe / "Files").lexically_normal(), kDataPortable);
    if (!search.portableOnly) {
      candidates.emplace_back((exe / ".." / "share" / "games" / "mnemora").lexically_normal(), kDataInstalled);
    }
  }

  for (const auto& [folder, kind] : candidates) {
    places.tried.push_back(folder.string());
    // Data that is there but can't be entered is not passed over for other
    // data: the player would never learn why their game is not the one used.
    if (!HoldsAll(folder, search.mustHold, places.denied)) {
      if (!places.denied.empty()) break;
      continue;
    }
    std::error_code ec;
    fs::path real = fs::canonical(folder, ec);
    places.folder = ec ? folder : real;
    places.kind = kind;
    break;
  }
  return places.kind;
}

std::string DataFolder() { return Places().folder.string(); }
std::vector<std::string> DataPlacesTried() { return Places().tried; }
std::string DataFolderDenied() { return Places().denied.string(); }

void PlacePlayerFiles(const std::string& pattern, PlayerFolder kind) {
  for (PlayerFileRule& rule : Places().playerFiles) {
    if (rule.pattern == pattern) {
      rule.kind = kind;
      return;
    }
  }
  Places().playerFiles.push_back({pattern, kind});
}

void OverlayPlayerData(const std::string& folder) {
  std::string name = folder;
  while (!name.empty() && name.back() == '/') name.pop_back();
  for (const std::string& known : Places().overlays) {
    if (known == name) return;
  }
  Places().overlays.push_back(name);
}

std::string WhereFileGoes(const std::string& dataRelative) {
  const DataPlaces& places = Places();
  if (places.kind != kDataInstalled) return (places.folder / dataRelative).string();
  return PlayerSide(fs::path(dataRelative).lexically_normal()).first.string();
}

std::string DataFilePath(const std::string& dataRelative) {
  const DataPlaces& places = Places();
  if (places.kind == kDataNotFound || places.folder.empty()) return dataRelative;
  return (places.folder / dataRelative).lexically_normal().string();
}

namespace plat {

std::string MapPath(const std::string& path, FileAccess access) {
  fs::path below = InsideInstalledData(path);
  if (below.empty()) return path;
  auto [player, readFrom] = PlayerSide(below);
  std::error_code ec;
  if (access == FileAccess::Write) {
    fs::create_directories(player.parent_path(), ec);
    return player.string();
  }
  if (readFrom == ReadFrom::Player) return player.string();
  if (readFrom == ReadFrom::PlayerFirst && fs::exists(player, ec)) return player.string();
  return path;
}

// A restarted platform searches again: tests must not inherit an installed tree.
namespace {
const ResetHook s_resetPlaces([] {
  Places().kind = kDataNotFound;
  Places().folder.clear();
  Places().tried.clear();
  Places().denied.clear();
});
}  // namespace

}  // namespace plat
