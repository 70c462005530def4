// The setup file in-process: the audio driver's prefix rules, a driver named
// in the wrong letter case, an empty binding table, and a save that cannot
// be written keeping the previous file.
#include <gtest/gtest.h>

#include "framework/controls.h"
#include "framework/log.h"
#include "framework/setup_file.h"
#include "framework_spine/temp_tree.h"
#include "platform/platform.h"
#include "platform/test_host.h"

namespace {

class SetupFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testhost::Start();
    ResetSetup();
    ResetBindings();
  }
  void TearDown() override { CloseLog(); }

  int AutoPick(std::vector<std::string> names) {
    ResetSetup();
    AudioDriverNames = std::move(names);
    ChooseAudioDriver();
    return ::Setup[14];
  }
};

}  // namespace

TEST_F(SetupFileTest, AutomaticDriverPickFollowsThePrefixRules) {
  // The last "Direct" wins over any earlier pick, in any letter case.
  EXPECT_EQ(AutoPick({"FreeAudio", "OpenAL Soft", "DirectSound", "directx mixer", "Null"}), 3);
  // Otherwise the first "OpenAL" or "Free".
  EXPECT_EQ(AutoPick({"Null", "FreeAudio", "OpenAL Soft"}), 1);
  EXPECT_EQ(AutoPick({"Null", "openal", "FreeAudio"}), 1);
  // "OPENA" is too short a prefix, "Fre" too: nothing picked, slot 0.
  EXPECT_EQ(AutoPick({"Null", "OpenA", "Fre"}), 0);
  EXPECT_EQ(AutoPick({}), 0);
}

TEST_F(SetupFileTest, ANamedDriverIsMatchedExactlyAndSuppressesThePick) {
  spinetest::TempTree tree("setupread");
  ChangeDir(tree.root.string());
  AudioDriverNames = {"FreeAudio", "OpenAL Soft", "DirectSound"};
  {
    std::ofstream out(tree.root / "Setup.ini", std::ios::binary);
    out << "[Audio]\r\nAudioDriver = openal soft\r\n";
  }
  ReadSetup();
  ChooseAudioDriver();
  EXPECT_TRUE(AudioDriverNamed);
  EXPECT_EQ(::Setup[14], 0);   // no exact match, and no automatic pick either

  ResetSetup();
  AudioDriverNames = {"FreeAudio", "OpenAL Soft", "DirectSound"};
  {
    std::ofstream out(tree.root / "Setup.ini", std::ios::binary);
    out << "AUDIODRIVER=DirectSound=x\r\n";   // "=x" is a third field
  }
  ReadSetup();
  EXPECT_EQ(::Setup[14], 2);
  {
    std::ofstream out(tree.root / "Setup.ini", std::ios::binary);
    out << "AUDIODRIVER=DirectSound\r\nAudioDriver = OpenAL Soft\r\n";
  }
  ReadSetup();
  EXPECT_EQ(::Setup[14], 1);   // the later line wins
  ChangeDir((tree.root / "253").string());
}

TEST_F(SetupFileTest, EmptyBindingsEndTheFileWithTheControlsTitle) {
  Bindings.fill(0);
  AudioDriverNames.clear();
  std::string text = SetupFileText();
  const std::string tail = "\r\nAudioDriver = \r\n\r\n[Controls]\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  // Slot 0 is written like any other; 100 does not exist in the file.
  Bindings[0] = 7;
  Bindings[99] = 8;
  Bindings[100] = 9;
  text = SetupFileText();
  EXPECT_NE(text.find("[Controls]\r\nKey=0,7\r\nKey=99,8\r\n"), std::string::npos);
  EXPECT_EQ(text.find("Key=100"), std::string::npos);
}

TEST_F(SetupFileTest, AFailedSaveKeepsThePreviousFile) {
  spinetest::TempTree tree("setupsave");
  {
    std::ofstream out(tree.root / "Setup.ini", std::ios::binary);
    out << "Width=1024\r\n";
  }
  OpenLog((tree.root / "Debug.txt").string());
  // A folder where the temporary file should go: the write fails even for
  // a user whom permissions do not stop.
  std::filesystem::create_directory(tree.root / "Setup.ini.tmp");
  SaveSetup();
  EXPECT_EQ(tree.Read("Setup.ini"), "Width=1024\r\n");
  EXPECT_EQ(tree.Cwd(), tree.Canon("253"));
  CloseLog();
  EXPECT_EQ(tree.Lines("Debug.txt"), std::vector<std::string>{"\tCould not save Setup.ini"});

  std::filesystem::remove(tree.root / "Setup.ini.tmp");
  SaveSetup();
  EXPECT_EQ(tree.Read("Setup.ini"), SetupFileText());
  EXPECT_FALSE(std::filesystem::exists(tree.root / "Setup.ini.tmp"));
}
