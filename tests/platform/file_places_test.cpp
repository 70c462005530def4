// Where the data is found and where the player's files go: the search from
// the executable's folder, the XDG folders, and the mapping of every file
// operation while an installed (read-only) tree is in use.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "platform/internal.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and puts the old values back.
class Environment {
 public:
  void Set(const std::string& name, const std::optional<std::string>& value) {
    if (saved_.count(name) == 0) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) setenv(name.c_str(), value->c_str(), 1); else unsetenv(name.c_str());
  }
  ~Environment() {
    for (const auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1); else unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

void Touch(const fs::path& path, const std::string& bytes = "x") {
  fs::create_directories(path.parent_path());
  WriteBytes(path.string(), bytes);
}

// A prefix with the executable's folder and an installed data tree, a home
// with no XDG variables, and the player-file rules start-up declares.
class InstalledTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root = folder.Path();
    home = root / "home";
    fs::create_directories(home);
    env.Set("HOME", home.string());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_PICTURES_DIR"}) {
      env.Set(name, std::nullopt);
    }
    fs::create_directories(root / "prefix" / "games");
    data = root / "prefix" / "share" / "games" / "mnemora";
    Touch(data / "Common" / "logo.png", "common logo");
    Touch(data / "253" / "Deck_01.png", "installed deck");
    Touch(data / "253" / "scores.dat", "installed scores");

    PlacePlayerFiles("Setup.ini*", PlayerFolder::Config);
    PlacePlayerFiles("Debug.txt", PlayerFolder::State);
    PlacePlayerFiles("253/crash.dat", PlayerFolder::State);
    PlacePlayerFiles("253/scores.dat*", PlayerFolder::Data);
    PlacePlayerFiles("*.png*", PlayerFolder::Pictures);
    OverlayPlayerData("253/");
  }
  void TearDown() override {
    plat::ResetStreams();
    plat::ResetAllPlatformState();   // no installed tree leaks into the next test
  }

  int Search(const std::string& chosen = "", bool portableOnly = false) {
    DataSearch search;
    search.folder = chosen;
    search.portableOnly = portableOnly;
    search.mustHold = {"Common", "253"};
    search.fromFolder = (root / "prefix" / "games").string();
    return FindGameData(search);
  }

  // The bytes a whole file reads as through the platform's streams.
  static std::string ReadThrough(const std::string& path) {
    int f = ReadFile(path);
    std::string text = Eof(f) ? "" : ReadLine(f);
    CloseStream(f);
    return text;
  }
  static void WriteThrough(const std::string& path, const std::string& line) {
    int f = WriteFile(path);
    ASSERT_NE(f, 0) << path;
    WriteLine(f, line);
    ASSERT_EQ(CloseStream(f), 1);
  }

  // Every file under the prefix with its bytes: nothing may change there.
  std::map<std::string, std::string> PrefixContents() const {
    std::map<std::string, std::string> all;
    for (const auto& entry : fs::recursive_directory_iterator(root / "prefix")) {
      all[entry.path().string()] = entry.is_regular_file() ? ReadBytes(entry.path().string()) : "<dir>";
    }
    return all;
  }

  TempFolder folder{"places", TempFolder::kEntered};
  Environment env;
  fs::path root, home, data;
};

TEST_F(InstalledTree, PlayerFilesGoToTheXdgFoldersAndThePrefixStaysUntouched) {
  ASSERT_EQ(Search(), kDataInstalled);
  EXPECT_EQ(fs::path(DataFolder()), fs::canonical(data));
  auto before = PrefixContents();

  // The framework walks the tree with relative names, as over a portable one.
  ASSERT_EQ(ChangeDir(DataFolder()), 1);
  WriteThrough("Debug.txt", "log");
  WriteThrough("Setup.ini.tmp", "settings");
  EXPECT_EQ(RenameFile("Setup.ini.tmp", "Setup.ini"), 1);
  ASSERT_EQ(ChangeDir("253"), 1);
  // No scores of the player's own yet: the installed file is not read for them.
  EXPECT_EQ(FileType("scores.dat"), 0);
  WriteThrough("scores.dat.tmp", "scores");
  EXPECT_EQ(RenameFile("scores.dat.tmp", "scores.dat"), 1);
  WriteThrough("crash.dat", "guard");
  EXPECT_EQ(FileType("crash.dat"), 1);
  EXPECT_EQ(ReadThrough("../Setup.ini"), "settings");
  ASSERT_EQ(ChangeDir(".."), 1);
  WriteThrough("Mnemora (Screenshot).png.part", "picture");
  EXPECT_EQ(RenameFile("Mnemora (Screenshot).png.part", "Mnemora (Screenshot).png"), 1);
  EXPECT_EQ(FileType("Mnemora (Screenshot).png"), 1);

  EXPECT_EQ(ReadBytes((home / ".config/mnemora/Setup.ini").string()), "settings\r\n");
  EXPECT_EQ(ReadBytes((home / ".local/share/mnemora/scores.dat").string()), "scores\r\n");
  EXPECT_EQ(ReadBytes((home / ".local/state/mnemora/Debug.txt").string()), "log\r\n");
  EXPECT_EQ(ReadBytes((home / ".local/state/mnemora/crash.dat").string()), "guard\r\n");
  EXPECT_EQ(ReadBytes((home / "Pictures/Mnemora/Mnemora (Screenshot).png").string()), "picture\r\n");
  EXPECT_FALSE(fs::exists(home / ".config/mnemora/Setup.ini.tmp"));

  // Deleting the guard removes the player's copy; deleting installed data
  // leaves it in place and says the name is still there.
  ASSERT_EQ(ChangeDir("253"), 1);
  EXPECT_EQ(DeleteFile("crash.dat"), 1);
  EXPECT_FALSE(fs::exists(home / ".local/state/mnemora/crash.dat"));
  EXPECT_EQ(DeleteFile("Deck_01.png"), 0);
  EXPECT_EQ(PrefixContents(), before);
}

TEST_F(InstalledTree, PlayerDecksAreFoundBesideTheInstalledOnesAndWinOverThem) {
  ASSERT_EQ(Search(), kDataInstalled);
  ASSERT_EQ(ChangeDir(DataFolder() + "/253"), 1);
  EXPECT_EQ(FileType("Deck_07.png"), 0);
  Touch(home / ".local/share/mnemora/Deck_07.png", "player deck");
  EXPECT_EQ(FileType("Deck_07.png"), 1);
  EXPECT_EQ(ReadThrough("Deck_07.png"), "player deck");
  EXPECT_EQ(ReadThrough("Deck_01.png"), "installed deck");
  Touch(home / ".local/share/mnemora/Deck_01.png", "player's deck 1");
  EXPECT_EQ(ReadThrough("Deck_01.png"), "player's deck 1");
  // Only the game folder is overlaid: the shared art is always the installed one.
  Touch(home / ".local/share/mnemora/logo.png", "player logo");
  Touch(home / ".local/share/mnemora/Common/logo.png", "player logo");
  EXPECT_EQ(ReadThrough("../Common/logo.png"), "common logo");
}

TEST_F(InstalledTree, XdgVariablesChooseTheFoldersButRelativeOnesAreIgnored) {
  env.Set("XDG_CONFIG_HOME", (root / "cfg").string());
  env.Set("XDG_DATA_HOME", (root / "data").string());
  env.Set("XDG_STATE_HOME", "relative/state");   // invalid: would land in the working folder
  Touch(root / "cfg" / "user-dirs.dirs",
        "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
  EXPECT_EQ(PlayerFolderPath(PlayerFolder::Config), (root / "cfg" / "mnemora").string());
  EXPECT_EQ(PlayerFolderPath(PlayerFolder::Data), (root / "data" / "mnemora").string());
  EXPECT_EQ(PlayerFolderPath(PlayerFolder::State), (home / ".local/state/mnemora").string());
  EXPECT_EQ(PlayerFolderPath(PlayerFolder::Pictures), (home / "Bilder" / "Mnemora").string());

  Touch(root / "cfg" / "user-dirs.dirs", "XDG_PICTURES_DIR=\"/srv/shots\"\n");
  EXPECT_EQ(PlayerFolderPath(PlayerFolder::Pictures), "/srv/shots/Mnemora");
  Touch(root / "cfg" / "user-dirs.dirs", "XDG_PICTURES_DIR=\"shots\"\n");
  EXPECT_EQ(PlayerFolderPath(PlayerFolder::Pictures), (home / "Pictures" / "Mnemora").string());

  ASSERT_EQ(Search(), kDataInstalled);
  EXPECT_EQ(WhereFileGoes("Setup.ini"), (root / "cfg" / "mnemora" / "Setup.ini").string());
  EXPECT_EQ(WhereFileGoes("253/scores.dat"), (root / "data" / "mnemora" / "scores.dat").string());
  EXPECT_EQ(WhereFileGoes("Debug.txt"), (home / ".local/state/mnemora/Debug.txt").string());
}

TEST_F(InstalledTree, PortableFilesBesideTheExecutableComeFirstAndAreNotMapped) {
  fs::path files = root / "prefix" / "games" / "Files";
  fs::create_directories(files / "Common");
  fs::create_directories(files / "253");
  ASSERT_EQ(Search(), kDataPortable);
  EXPECT_EQ(fs::path(DataFolder()), fs::canonical(files));
  ASSERT_EQ(ChangeDir(DataFolder()), 1);
  WriteThrough("Setup.ini", "here");
  EXPECT_EQ(ReadBytes((files / "Setup.ini").string()), "here\r\n");
  EXPECT_EQ(WhereFileGoes("253/scores.dat"), (fs::canonical(files) / "253/scores.dat").string());
  EXPECT_FALSE(fs::exists(home / ".config"));
}

TEST_F(InstalledTree, ChosenFoldersAndTheNotFoundCase) {
  // --portable never falls back to the installed tree; both places are named.
  EXPECT_EQ(Search("", true), kDataNotFound);
  EXPECT_EQ(DataPlacesTried(), std::vector<std::string>{(root / "prefix/games/Files").string()});
  fs::remove_all(data / "253");
  EXPECT_EQ(Search(), kDataNotFound);
  EXPECT_EQ(DataPlacesTried(), (std::vector<std::string>{(root / "prefix/games/Files").string(),
                                                         (root / "prefix/share/games/mnemora").string()}));
  EXPECT_EQ(DataFolder(), "");

  // --data takes a game folder holding Files/ or the Files/ folder itself,
  // used in place like a portable one.
  fs::create_directories(root / "copy" / "Files" / "Common");
  fs::create_directories(root / "copy" / "Files" / "253");
  EXPECT_EQ(Search((root / "copy").string()), kDataPortable);
  EXPECT_EQ(fs::path(DataFolder()), fs::canonical(root / "copy" / "Files"));
  EXPECT_EQ(Search((root / "copy" / "Files").string()), kDataPortable);
  EXPECT_EQ(Search((root / "nowhere").string()), kDataNotFound);
  EXPECT_EQ(DataPlacesTried(), std::vector<std::string>{(root / "nowhere").string()});
}

}  // namespace
