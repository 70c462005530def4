// "Setup.ini": the setup values, reading them at start-up, choosing the audio
// driver, and writing the whole file anew on Tab, Apply and exit.
#include "framework/setup_file.h"

#include "audio/sound_effects.h"
#include "framework/controls.h"
#include "framework/fields.h"
#include "framework/log.h"
#include "framework/startup.h"
#include "platform/platform.h"

std::array<int, 100> Setup;
std::vector<std::string> AudioDriverNames;
bool AudioDriverNamed = false;

namespace {

// The audio reads the three loudness settings through this; installed as soon
// as the setup table exists, so no caller can see audio and settings disagree.
int ReadSetupVolume(VolumeKind kind) {
  switch (kind) {
    case VolumeKind::Master: return Setup[11];
    case VolumeKind::Sounds: return Setup[12];
    case VolumeKind::Music: return Setup[13];
  }
  return 0;
}
const bool kVolumeReaderInstalled = (ReadVolume = &ReadSetupVolume, true);

}  // namespace

void ResetSetup() {
  (void)kVolumeReaderInstalled;
  ReadVolume = &ReadSetupVolume;
  Setup.fill(0);
  Setup[5] = 800;
  Setup[6] = 600;
  Setup[1] = 0;
  Setup[7] = 0;
  Setup[11] = 50;
  Setup[12] = 50;
  Setup[13] = 50;
  AudioDriverNames.clear();
  AudioDriverNamed = false;
}

namespace {

int AbsValue(const std::string& text) { return AbsInt(ToInt(text)); }

void ApplySetupLine(const std::string& line) {
  std::string key = Upper(Trim(Field(line, "=", 1)));
  std::string value = Trim(Field(line, "=", 2));

  if (key == "AUDIODRIVER") {
    AudioDriverNamed = true;
    for (size_t i = 0; i < AudioDriverNames.size(); ++i) {
      if (AudioDriverNames[i] == value) Setup[14] = static_cast<int>(i);
    }
  }
  if (key == "FULLSCREEN") {
    std::string v = Upper(value);
    if (v == "TRUE" || v == "ON") {
      Setup[1] = 1;
      LogLine("\tSetting to Fullscreen");
    }
  }
  if (key == "GFX ENGINE" || key == "GFXENGINE") {
    std::string v = Upper(value);
    if (v == "DX9") {
      Setup[3] = 1;
      LogLine("\tDirectX 9 Mode");
    }
    if (v == "DX7") {
      Setup[3] = 2;
      LogLine("\tDirectX 7 Mode");
    }
  }
  if (key == "WIDTH") Setup[5] = AbsValue(value);
  if (key == "HEIGHT") Setup[6] = AbsValue(value);
  if (key == "ESS") {
    Setup[7] = 1;
    LogLine("\tAssuming Emergency Slow System values.");
  }
  if (key == "KEY") {
    int n = AbsValue(Field(value, ",", 1));
    int code = AbsValue(Field(value, ",", 2));
    if (n > 0 && n < 100) Bindings[n] = code;
  }
  if (key == "MASTER") Setup[11] = AbsValue(value);
  if (key == "SOUND") Setup[12] = AbsValue(value);
  if (key == "MUSIC") Setup[13] = AbsValue(value);
}

}  // namespace

void ReadSetup() {
  if (FileType("Setup.ini") == 0) return;
  int stream = ReadFile("Setup.ini");
  if (stream == 0) return;
  LogLine("\tReading Setup File");
  // An empty file still counts as one empty line.
  do {
    ApplySetupLine(ReadLine(stream));
  } while (!Eof(stream));
  CloseStream(stream);
}

void ChooseAudioDriver() {
  if (!AudioDriverNamed) {
    bool picked = false;
    for (size_t i = 0; i < AudioDriverNames.size(); ++i) {
      std::string name = AudioDriverNames[i];
      if (Upper(Left(name, 6)) == "OPENAL" && !picked) {
        Setup[14] = static_cast<int>(i);
        picked = true;
      }
      if (Upper(Left(name, 4)) == "FREE" && !picked) {
        Setup[14] = static_cast<int>(i);
        picked = true;
      }
      if (Upper(Left(name, 6)) == "DIRECT") {
        Setup[14] = static_cast<int>(i);
        picked = true;
      }
    }
  }

  LogLine("Setting Audio Driver");
  int index = Setup[14];
  if (index >= 0 && index < static_cast<int>(AudioDriverNames.size())) {
    const std::string& name = AudioDriverNames[index];
    if (AudioDriverExists(name)) {
      if (Upper(Left(name, 6)) != "OPENAL") {
        SetAudioDriver(name);
      } else if (EnableOpenALAudio()) {
        SetAudioDriver(name);
      }
    }
  }
  LogLine("Set Audio Driver");
  LogLine("");
}

std::string SetupFileText() {
  std::string out;
  auto line = [&out](const std::string& text) { out += text + "\r\n"; };
  line("[Graphics]");
  if (Setup[1] == 0) line("Fullscreen = False");
  if (Setup[1] == 1) line("Fullscreen = True");
  if (Setup[3] == 0) line("GFX Engine = OpenGL");
  if (Setup[3] == 1) line("GFX Engine = DX9");
  if (Setup[3] == 2) line("GFX Engine = DX7");
  line("Width=" + std::to_string(Setup[5]));
  line("Height=" + std::to_string(Setup[6]));
  if (Setup[7] == 1) line("ESS=1 ; This is a slow system, and things must run a wee bit slower for it.  Awww..");
  line("");
  line("[Audio]");
  line("Master = " + std::to_string(Setup[11]));
  line("Sound = " + std::to_string(Setup[12]));
  line("Music = " + std::to_string(Setup[13]));
  std::string chosen;
  if (Setup[14] >= 0 && Setup[14] < static_cast<int>(AudioDriverNames.size())) chosen = AudioDriverNames[Setup[14]];
  line("AudioDriver = " + chosen);
  for (const std::string& name : AudioDriverNames) line("; AudioDriver = " + name);
  line("");
  line("[Controls]");
  for (int n = 0; n <= 99; ++n) {
    if (Bindings[n] > 0) line("Key=" + std::to_string(n) + "," + std::to_string(Bindings[n]));
  }
  return out;
}

void SaveSetup() {
  ChangeDir("..");
  // Write a temporary file and rename it over the old one only when every
  // byte reached the disk: a crash or a full disk keeps the previous settings.
  std::string text = SetupFileText();
  int stream = WriteFile("Setup.ini.tmp");
  bool ok = stream != 0;
  if (ok) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      WriteLine(stream, text.substr(start, end - start));
      start = end + 2;
    }
    ok = CloseStream(stream) == 1;
  }
  if (ok) ok = RenameFile("Setup.ini.tmp", "Setup.ini") == 1;
  if (!ok) {
    DeleteFile("Setup.ini.tmp");
    LogLine("\tCould not save Setup.ini");
  }
  ChangeDir(GameFolder());
}
