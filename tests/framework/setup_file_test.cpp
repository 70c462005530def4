// The setup file in-process: the audio driver's prefix rules, a driver named
// in the wrong letter case, bindings that come back as saved, numbers held
// in range, damaged and unreadable files, links, and a save that cannot be
// written keeping the previous file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/setup_file.h"
#include "platform/platform.h"
#include "support/test_host.h"
#include "support/temp_folder.h"
#include "support/unprivileged.h"

namespace {

class SetupFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testhost::Start();
    ResetSetup();
    ResetBindings();
    ResetFrameFlip();
  }
  void TearDown() override {
    ResetLog();
    ResetFrameFlip();
  }

  int AutoPick(std::vector<std::string> names) {
    ResetSetup();
    AudioDriverNames = std::move(names);
    ChooseAudioDriver();
    return ::Setup[kSetupAudioDriver];
  }
};

}  // namespace

TEST_F(SetupFileTest, AutomaticDriverPickFollowsThePrefixRules) {
  // The last "Direct" wins over any earlier pick, in any letter case.
  EXPECT_EQ(AutoPick({"FreeMix Test", "OpenAL Test", "DirectMix Test", "directmix test", "Null"}), 3);
  // Otherwise the first "OpenAL" or "Free".
  EXPECT_EQ(AutoPick({"Null", "FreeMix Test", "OpenAL Test"}), 1);
  EXPECT_EQ(AutoPick({"Null", "openal test", "FreeMix Test"}), 1);
  // "OPENA" is too short a prefix, "Fre" too: nothing picked, slot 0.
  EXPECT_EQ(AutoPick({"Null", "OpenA", "Fre"}), 0);
  EXPECT_EQ(AutoPick({}), 0);
}

TEST_F(SetupFileTest, ANamedDriverIsMatchedExactlyAndSuppressesThePick) {
  testsupport::TempFolder tree("setupread", testsupport::TempFolder::kDataTree);
  ChangeDir(tree.Path().string());
  AudioDriverNames = {"FreeMix Test", "OpenAL Test", "DirectMix Test"};
  tree.Write("Setup.ini", "[Audio]\r\nAudioDriver = openal test\r\n");
  ReadSetup();
  ChooseAudioDriver();
  EXPECT_TRUE(AudioDriverNamed);
  EXPECT_EQ(::Setup[kSetupAudioDriver], 0);   // no exact match, and no automatic pick either

  ResetSetup();
  AudioDriverNames = {"FreeMix Test", "OpenAL Test", "DirectMix Test"};
  tree.Write("Setup.ini", "AUDIODRIVER=DirectMix Test=x\r\n");   // "=x" is a third field
  ReadSetup();
  EXPECT_EQ(::Setup[kSetupAudioDriver], 2);
  tree.Write("Setup.ini", "AUDIODRIVER=DirectMix Test\r\nAudioDriver = OpenAL Test\r\n");
  ReadSetup();
  EXPECT_EQ(::Setup[kSetupAudioDriver], 1);   // the later line wins
  ChangeDir((tree.Path() / "253").string());
}

TEST_F(SetupFileTest, ClearedBindingsAreWrittenAsCleared) {
  // Nothing bound anywhere: the slots that have a default say so, the rest
  // are left out, and nothing follows.
  Bindings.fill(0);
  AudioDriverNames.clear();
  std::string text = SetupFileText();
  const std::string tail =
      "\r\nAudioDriver = \r\n\r\n[Controls]\r\nKey=0,0\r\nKey=3,0\r\nKey=5,0\r\nKey=8,0\r\n"
      "Key=10,0\r\nKey=11,0\r\nKey=12,0\r\nKey=13,0\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  // The defaults themselves are written as always; 100 does not exist in the file.
  ResetBindings();
  Bindings[0] = 7;
  Bindings[99] = 8;
  Bindings[100] = 9;
  text = SetupFileText();
  EXPECT_NE(text.find("[Controls]\r\nKey=0,7\r\nKey=3,37\r\nKey=5,39\r\nKey=8,40\r\nKey=10,90\r\n"
                      "Key=11,88\r\nKey=12,67\r\nKey=13,86\r\nKey=99,8\r\n"),
            std::string::npos);
  EXPECT_EQ(text.find("Key=100"), std::string::npos);
}

// What is saved is what the next start reads: slot 0 (Up) included, and a
// binding the player cleared stays cleared instead of its default coming back.
TEST_F(SetupFileTest, EveryBindingComesBackAfterARestart) {
  testsupport::TempFolder tree("setuproundtrip", testsupport::TempFolder::kDataTree);
  Bindings[0] = 87;      // W for up
  Bindings[10] = 0;      // button 1 cleared
  Bindings[21] = 301;    // player 2 up on pad 1
  const std::array<int, 101> saved = Bindings;
  SaveSetup();
  ResetBindings();
  ChangeDir(tree.Path().string());
  ReadSetup();
  ChangeDir((tree.Path() / "253").string());
  EXPECT_EQ(Bindings, saved);
}

TEST_F(SetupFileTest, NumbersAreHeldInRange) {
  testsupport::TempFolder tree("setuprange", testsupport::TempFolder::kDataTree);
  ChangeDir(tree.Path().string());
  tree.Write("Setup.ini", "Master = -2147483648\r\nSound=99999999999999999999\r\nMusic = 40\r\nKey=5," +
                              std::string(1 << 20, '7') + "\r\nKey=3,256\r\nKey=8,$1F4\r\nKey=13,499\r\n" +
                              "Key=100,65\r\nWidth=4294968096\r\n");
  ReadSetup();
  EXPECT_EQ(::Setup[kSetupMaster], 100);   // volumes are percentages
  EXPECT_EQ(::Setup[kSetupSounds], 100);
  EXPECT_EQ(::Setup[kSetupMusic], 40);
  EXPECT_EQ(Bindings[5], 39);    // no input has these codes: the bindings stay
  EXPECT_EQ(Bindings[3], 37);
  EXPECT_EQ(Bindings[8], 40);    // 500: a fifth pad
  EXPECT_EQ(Bindings[13], 499);  // the last button code of pad 4
  EXPECT_NE(::Setup[kSetupWidth], 800);    // not wrapped round to a size that looks sensible
  ChangeDir((tree.Path() / "253").string());
}

TEST_F(SetupFileTest, ALoneCrEndsALine) {
  testsupport::TempFolder tree("setupcr", testsupport::TempFolder::kDataTree);
  ChangeDir(tree.Path().string());
  tree.Write("Setup.ini", "[Graphics]\rWidth=1024\rHeight=768\r\rGFX Engine = DX7\r[Audio]\rMaster = 20\r");
  ReadSetup();
  EXPECT_EQ(::Setup[kSetupWidth], 1024);
  EXPECT_EQ(::Setup[kSetupHeight], 768);
  EXPECT_EQ(::Setup[kSetupEngine], 2);
  EXPECT_EQ(::Setup[kSetupMaster], 20);
  ChangeDir((tree.Path() / "253").string());
}

TEST_F(SetupFileTest, AnUnreadableFileIsNeverSavedOver) {
  testsupport::TempFolder tree("setupunreadable", testsupport::TempFolder::kDataTree, FolderAnybodyCanReach());
  std::filesystem::permissions(tree.Path(), std::filesystem::perms::all);
  std::filesystem::permissions(tree.Path() / "253", std::filesystem::perms::all);
  const std::string mine = "[Graphics]\r\nWidth=1920\r\nHeight=1080\r\n";
  tree.Write("Setup.ini", mine);
  std::filesystem::permissions(tree.Path() / "Setup.ini", std::filesystem::perms::none);
  std::string failure = RunUnprivileged([&tree] {
    // A change of folder that failed would leave the child where the file
    // looks missing, and the saves below would then prove nothing.
    if (ChangeDir(tree.Path().string()) != 1) return std::string("could not enter the scene");
    ReadSetup();
    if (ChangeDir((tree.Path() / "253").string()) != 1) return std::string("could not enter the game folder");
    SaveSetup();
    SaveSetup();
    if (!SetupFileUnreadable()) return std::string("not seen as unreadable");
    int told = 0;
    for (const auto& m : MessageList) told += m->txt == "Could not save your settings";
    if (told != 1) return "told " + std::to_string(told) + " times";
    return std::string();
  });
  EXPECT_EQ(failure, "");
  std::filesystem::permissions(tree.Path() / "Setup.ini", std::filesystem::perms::owner_read);
  EXPECT_EQ(tree.Read("Setup.ini"), mine);
}

TEST_F(SetupFileTest, SavingThroughALinkReplacesItsTarget) {
  testsupport::TempFolder tree("setuplink", testsupport::TempFolder::kDataTree);
  std::filesystem::create_directory(tree.Path() / "synced");
  // A link to a file that is not there yet, relative to the link's folder.
  std::filesystem::create_symlink("synced/Setup.ini", tree.Path() / "Setup.ini");
  SaveSetup();
  EXPECT_TRUE(std::filesystem::is_symlink(tree.Path() / "Setup.ini"));
  EXPECT_EQ(tree.Read("synced/Setup.ini"), SetupFileText());
  ::Setup[kSetupMaster] = 7;
  SaveSetup();
  EXPECT_TRUE(std::filesystem::is_symlink(tree.Path() / "Setup.ini"));
  EXPECT_NE(tree.Read("synced/Setup.ini").find("Master = 7\r\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(tree.Path() / "synced/Setup.ini.tmp"));
  EXPECT_FALSE(std::filesystem::exists(tree.Path() / "Setup.ini.tmp"));
  EXPECT_EQ(tree.Cwd(), tree.Canon("253"));
}

TEST_F(SetupFileTest, AFailedSaveKeepsThePreviousFile) {
  testsupport::TempFolder tree("setupsave", testsupport::TempFolder::kDataTree);
  tree.Write("Setup.ini", "Width=1024\r\n");
  OpenLog((tree.Path() / "Debug.txt").string());
  {
    // A disk about to be full: the new file can't be written whole, even by
    // a user whom permissions do not stop (the log's short line still fits).
    FileSizeLimit full(100);
    SaveSetup();
    EXPECT_EQ(tree.Read("Setup.ini"), "Width=1024\r\n");
    EXPECT_EQ(tree.Cwd(), tree.Canon("253"));
    CloseLog();
    EXPECT_EQ(tree.Lines("Debug.txt"), std::vector<std::string>{"\tCould not save Setup.ini"});
    ResetLog();

    // The player is told, once however often it fails.
    SaveSetup();
    ASSERT_EQ(MessageList.size(), 1u);
    EXPECT_EQ(MessageList.front()->txt, "Could not save your settings");
  }

  SaveSetup();
  EXPECT_EQ(tree.Read("Setup.ini"), SetupFileText());
  for (const auto& entry : std::filesystem::directory_iterator(tree.Path())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

// A save that can't take the lock (something else in its place) writes
// nothing over what another copy may be writing: the changed settings stay
// in memory, the player hears of it once, and a later save writes them.
TEST_F(SetupFileTest, ASaveThatCannotLockKeepsTheChangesForTheNextSave) {
  testsupport::TempFolder tree("setuplock", testsupport::TempFolder::kDataTree);
  AudioDriverNames = {"Null"};
  tree.Write("Setup.ini", "[Audio]\r\nMaster = 50\r\n");
  ReadSetup();
  std::filesystem::create_directory(tree.Path() / "Setup.ini.lock");
  ::Setup[kSetupMaster] = 80;
  SaveSetup();
  SaveSetup();
  EXPECT_EQ(tree.Read("Setup.ini"), "[Audio]\r\nMaster = 50\r\n");
  ASSERT_EQ(MessageList.size(), 1u);
  EXPECT_EQ(MessageList.front()->txt, "Your settings are kept until they can be saved");
  std::filesystem::remove(tree.Path() / "Setup.ini.lock");
  SaveSetup();
  EXPECT_NE(tree.Read("Setup.ini").find("Master = 80\r\n"), std::string::npos) << tree.Read("Setup.ini");
}

// Two windows: each writes only the settings it changed over what the other
// saved, and one that changed nothing leaves the file as it is.
TEST_F(SetupFileTest, ASaveWritesOnlyWhatThisSessionChanged) {
  testsupport::TempFolder tree("setupmerge", testsupport::TempFolder::kDataTree);
  AudioDriverNames = {"Null"};
  tree.Write("Setup.ini", "[Audio]\r\nMaster = 50\r\nMusic = 50\r\n[Controls]\r\nKey=0,38\r\n");
  ReadSetup();

  // Another copy saves a new music volume and a new Up key (by hand, its own way).
  const std::string theirs = "[Audio]\r\nMaster = 50\r\nMusic = 20\r\n[Controls]\r\nKey=0,87\r\n";
  tree.Write("Setup.ini", theirs);
  SaveSetup();   // nothing changed here
  EXPECT_EQ(tree.Read("Setup.ini"), theirs);

  // Here the master volume and Down change: theirs stay, ours are added.
  ::Setup[kSetupMaster] = 80;
  Bindings[8] = 83;
  SaveSetup();
  std::string saved = tree.Read("Setup.ini");
  EXPECT_NE(saved.find("Master = 80\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Music = 20\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Key=0,87\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Key=8,83\r\n"), std::string::npos) << saved;

  // Changed back here after that save: the change back is a change too.
  tree.Write("Setup.ini", saved + "Sound = 10\r\n");
  ::Setup[kSetupMaster] = 50;
  SaveSetup();
  saved = tree.Read("Setup.ini");
  EXPECT_NE(saved.find("Master = 50\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Sound = 10\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Music = 20\r\n"), std::string::npos) << saved;
  // What this session shows is still its own.
  EXPECT_EQ(::Setup[kSetupMusic], 50);
}

// A first start without a file writes one, changed or not.
TEST_F(SetupFileTest, AMissingFileIsWritten) {
  testsupport::TempFolder tree("setupfirst", testsupport::TempFolder::kDataTree);
  ReadSetup();
  SaveSetup();
  EXPECT_EQ(tree.Read("Setup.ini"), SetupFileText());
  std::filesystem::remove(tree.Path() / "Setup.ini");
  SaveSetup();
  EXPECT_EQ(tree.Read("Setup.ini"), SetupFileText());
}

// A setting needs its "=" and its numbers: a cut line leaves the setting as
// it was; the lines not understood are logged, and the file is kept as it
// was before the first save over it. A byte-order mark and UTF-16 are read.
TEST_F(SetupFileTest, LinesWithoutTheirSeparatorOrNumbersChangeNothing) {
  testsupport::TempFolder tree("setupcut", testsupport::TempFolder::kDataTree);
  OpenLog((tree.Path() / "Debug.txt").string());
  const std::string damaged = "Master = 30\r\nKey=0,87\r\nMaster\r\nWidth\r\nKey=5\r\nKey=\r\nKey\r\nSound=\r\nESS\r\n";
  tree.Write("Setup.ini", damaged);
  ReadSetup();
  CloseLog();
  EXPECT_EQ(::Setup[kSetupMaster], 30);
  EXPECT_EQ(::Setup[kSetupSounds], 50);
  EXPECT_EQ(::Setup[kSetupWidth], 800);
  EXPECT_EQ(Bindings[0], 87);
  EXPECT_EQ(Bindings[5], 39);
  EXPECT_EQ(::Setup[kSetupFrameskip], 1);   // "ESS" alone still means it
  const std::string log = tree.Read("Debug.txt");
  EXPECT_NE(log.find("\tSetup.ini line 3 not understood: Master\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\tSetup.ini line 8 not understood: Sound=\r\n"), std::string::npos) << log;

  ::Setup[kSetupMusic] = 70;
  SaveSetup();
  std::vector<std::string> kept;
  for (const auto& entry : std::filesystem::directory_iterator(tree.Path())) {
    if (entry.path().filename().string().rfind("Setup.ini.bad-", 0) == 0) kept.push_back(tree.Read(entry.path().filename()));
  }
  EXPECT_EQ(kept, std::vector<std::string>{damaged});
  EXPECT_NE(tree.Read("Setup.ini").find("Music = 70\r\n"), std::string::npos);

  ResetSetup();
  ResetBindings();
  tree.Write("Setup.ini", "\xEF\xBB\xBFMaster = 20\r\n");
  ReadSetup();
  EXPECT_EQ(::Setup[kSetupMaster], 20);
  std::string wide = "\xFF\xFE";
  for (char c : std::string("Music = 15\r\nKey=8,83\r\n")) wide += std::string(1, c) + '\0';
  tree.Write("Setup.ini", wide);
  ReadSetup();
  EXPECT_EQ(::Setup[kSetupMusic], 15);
  EXPECT_EQ(Bindings[8], 83);
}

// A write that stops part-way (a full disk) must not cost the settings the
// player had: the file stays as it was, byte for byte, and nothing is left
// beside it.
TEST_F(SetupFileTest, ASaveCutShortLeavesThePreviousFileAsItWas) {
  testsupport::TempFolder tree("setupfull", testsupport::TempFolder::kDataTree);
  const std::string mine = "[Graphics]\r\nWidth=1920\r\nHeight=1080\r\n";
  tree.Write("Setup.ini", mine);
  ::Setup[kSetupMaster] = 7;
  ASSERT_GT(SetupFileText().size(), 200u);
  std::string failure = RunWithFileSizeLimit(100, [] {
    SaveSetup();
    for (const auto& m : MessageList)
      if (m->txt == "Could not save your settings") return std::string();
    return std::string("the failed save was not told");
  });
  EXPECT_EQ(failure, "");
  EXPECT_EQ(tree.Read("Setup.ini"), mine);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(tree.Path())) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"253", "Common", "Setup.ini", "Setup.ini.lock"}));   // the lock stays
}
