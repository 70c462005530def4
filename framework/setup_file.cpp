// "Setup.ini": the setup values, reading them at start-up, choosing the audio
// driver, and writing the whole file anew on Tab, Apply and exit.
#include "framework/setup_file.h"

#include "audio/sound_effects.h"
#include "framework/controls.h"
#include "framework/fields.h"
#include "framework/frame_flip.h"
#include "framework/log.h"
#include "framework/startup.h"
#include "platform/platform.h"

// Start values: ResetSetup.
std::array<int, 100> Setup;
std::vector<std::string> AudioDriverNames;
bool AudioDriverNamed;

namespace {

// The audio reads the three loudness settings through this; ResetSetup
// installs it with the setup table's start values.
int ReadSetupVolume(VolumeKind kind) {
  switch (kind) {
    case VolumeKind::Master: return Setup[kSetupMaster];
    case VolumeKind::Sounds: return Setup[kSetupSounds];
    case VolumeKind::Music: return Setup[kSetupMusic];
  }
  return 0;
}

// The file was there but could not be read: it is never saved over this
// session. The player is told once that settings could not be saved.
bool g_setupUnreadable;
bool g_toldSaveFailed;

// In the data folder (installed: the player's settings folder).
std::string SetupFilePath() { return DataFilePath("Setup.ini"); }
std::string SetupLockPath() { return DataFilePath("Setup.ini.lock"); }   // shared by every copy of the game
constexpr int kLockWaitMs = 10000;
// The slots the file stores; the others (widescreen, mode) are worked out.
constexpr int kStoredSlots[] = {kSetupFullscreen, kSetupEngine, kSetupWidth, kSetupHeight, kSetupFrameskip,
                                kSetupMaster, kSetupSounds, kSetupMusic, kSetupAudioDriver};

// The values as the file held them when this session read or last wrote it.
// A setting whose value differs now was changed by this session, and only
// those are written over what another copy of the game may have saved since.
bool g_baseKnown;
SetupValues g_base;
}  // namespace

void ResetSetupValues(SetupValues& values) {
  values.setup.fill(0);
  values.setup[kSetupWidth] = 800;
  values.setup[kSetupHeight] = 600;
  values.setup[kSetupFullscreen] = 0;
  values.setup[kSetupFrameskip] = 0;
  values.setup[kSetupMaster] = 50;
  values.setup[kSetupSounds] = 50;
  values.setup[kSetupMusic] = 50;
  values.bindings = DefaultBindings();
}

void ResetSetup() {
  ReadVolume = &ReadSetupVolume;
  SetupValues start;
  ResetSetupValues(start);
  Setup = start.setup;
  AudioDriverNames.clear();
  AudioDriverNamed = false;
  g_setupUnreadable = false;
  g_toldSaveFailed = false;
  g_baseKnown = false;
}

namespace {

// The absolute value of a number written as ToInt reads it (decimal, "%"
// binary or "$" hexadecimal), held at limit instead of wrapping round, so
// a huge number can't come back as a small or negative one.
int64_t AbsValue(const std::string& text, int64_t limit) {
  size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  int base = 10;
  if (i < n && (text[i] == '%' || text[i] == '$')) base = text[i++] == '%' ? 2 : 16;
  int64_t value = 0;
  for (; i < n; ++i) {
    char c = text[i];
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
    if (digit >= base) break;
    value = value * base + digit;
    if (value > limit) return limit;
  }
  return value;
}

constexpr int64_t kMaxSize = 100000;   // pixels; beyond any display
constexpr int kMaxVolume = 100;        // percent

// Input codes a binding may hold: nothing, a key, or a code of pads 1..4.
bool BindableCode(int64_t code) {
  return code == 0 || (code >= 1 && code <= 255) ||
         (code >= kInputPadBase && code < kInputPadBase + kMaxPads * kInputPadStride);
}

int Volume(const std::string& key, const std::string& value, bool reading) {
  int64_t v = AbsValue(value, kMaxVolume + 1);
  if (v > kMaxVolume) {
    if (reading) LogLine("\tSetup.ini: " + key + " out of range, held at " + std::to_string(kMaxVolume));
    v = kMaxVolume;
  }
  return static_cast<int>(v);
}

// Applies one line to the values. Start-up's reading (reading true) logs what
// it sets and notes a named driver; reading the file again before a save is
// silent.
void ApplySetupLine(const std::string& line, SetupValues& into, bool reading) {
  std::array<int, 100>& setup = into.setup;
  std::array<int, 101>& bindings = into.bindings;
  std::string key = Upper(Trim(Field(line, "=", 1)));
  std::string value = Trim(Field(line, "=", 2));

  if (key == "AUDIODRIVER") {
    if (reading) AudioDriverNamed = true;
    for (size_t i = 0; i < AudioDriverNames.size(); ++i) {
      if (AudioDriverNames[i] == value) setup[kSetupAudioDriver] = static_cast<int>(i);
    }
  }
  if (key == "FULLSCREEN") {
    std::string v = Upper(value);
    if (v == "TRUE" || v == "ON") {
      setup[kSetupFullscreen] = 1;
      if (reading) LogLine("\tSetting to Fullscreen");
    }
  }
  if (key == "GFX ENGINE" || key == "GFXENGINE") {
    std::string v = Upper(value);
    if (v == "DX9") {
      setup[kSetupEngine] = 1;
      if (reading) LogLine("\tDirectX 9 Mode");
    }
    if (v == "DX7") {
      setup[kSetupEngine] = 2;
      if (reading) LogLine("\tDirectX 7 Mode");
    }
  }
  if (key == "WIDTH") setup[kSetupWidth] = static_cast<int>(AbsValue(value, kMaxSize));
  if (key == "HEIGHT") setup[kSetupHeight] = static_cast<int>(AbsValue(value, kMaxSize));
  if (key == "ESS") {
    setup[kSetupFrameskip] = 1;
    if (reading) LogLine("\tAssuming Emergency Slow System values.");
  }
  if (key == "KEY") {
    // Every slot the writer writes is read back, slot 0 included; a code no
    // input can have leaves the binding as it was.
    int64_t n = AbsValue(Field(value, ",", 1), 100);
    int64_t code = AbsValue(Field(value, ",", 2), kInputPadBase + kMaxPads * kInputPadStride);
    if (n < 100 && BindableCode(code)) bindings[n] = static_cast<int>(code);
  }
  if (key == "MASTER") setup[kSetupMaster] = Volume("Master", value, reading);
  if (key == "SOUND") setup[kSetupSounds] = Volume("Sound", value, reading);
  if (key == "MUSIC") setup[kSetupMusic] = Volume("Music", value, reading);
}

SetupValues LiveValues() { return {Setup, Bindings}; }

void ApplyText(const std::string& text, SetupValues& into, bool reading) {
  // An empty file still counts as one empty line.
  if (text.empty()) ApplySetupLine("", into, reading);
  ForEachLine(text, [&into, reading](const std::string& line) { ApplySetupLine(line, into, reading); });
}

}  // namespace

void ApplySetupText(const std::string& text) {
  SetupValues live = LiveValues();
  ApplyText(text, live, true);
  Setup = live.setup;
  Bindings = live.bindings;
}

void ReadSetup() {
  std::string text;
  int read = ReadWholeFile(SetupFilePath(), text);
  if (read < 0) {
    // Saving the defaults over it would lose every setting in it.
    g_setupUnreadable = true;
    LogLine("\tCould not read Setup.ini: it is left as it is and not saved this session");
    return;
  }
  if (read > 0) {
    LogLine("\tReading Setup File");
    ApplySetupText(text);
  }
  g_base = LiveValues();
  g_baseKnown = true;
}

bool SetupFileUnreadable() { return g_setupUnreadable; }

void ChooseAudioDriver() {
  if (!AudioDriverNamed) {
    bool picked = false;
    for (size_t i = 0; i < AudioDriverNames.size(); ++i) {
      std::string name = AudioDriverNames[i];
      if (Upper(Left(name, 6)) == "OPENAL" && !picked) {
        Setup[kSetupAudioDriver] = static_cast<int>(i);
        picked = true;
      }
      if (Upper(Left(name, 4)) == "FREE" && !picked) {
        Setup[kSetupAudioDriver] = static_cast<int>(i);
        picked = true;
      }
      if (Upper(Left(name, 6)) == "DIRECT") {
        Setup[kSetupAudioDriver] = static_cast<int>(i);
        picked = true;
      }
    }
  }

  LogLine("Setting Audio Driver");
  int index = Setup[kSetupAudioDriver];
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

std::string SetupFileText() { return SetupFileText(LiveValues()); }

std::string SetupFileText(const SetupValues& values) {
  const std::array<int, 100>& Setup = values.setup;
  const std::array<int, 101>& Bindings = values.bindings;
  std::string out;
  auto line = [&out](const std::string& text) { out += text + "\r\n"; };
  line("[Graphics]");
  if (Setup[kSetupFullscreen] == 0) line("Fullscreen = False");
  if (Setup[kSetupFullscreen] == 1) line("Fullscreen = True");
  if (Setup[kSetupEngine] == 0) line("GFX Engine = OpenGL");
  if (Setup[kSetupEngine] == 1) line("GFX Engine = DX9");
  if (Setup[kSetupEngine] == 2) line("GFX Engine = DX7");
  line("Width=" + std::to_string(Setup[kSetupWidth]));
  line("Height=" + std::to_string(Setup[kSetupHeight]));
  if (Setup[kSetupFrameskip] == 1) line("ESS=1 ; This is a slow system, and things must run a wee bit slower for it.  Awww..");
  line("");
  line("[Audio]");
  line("Master = " + std::to_string(Setup[kSetupMaster]));
  line("Sound = " + std::to_string(Setup[kSetupSounds]));
  line("Music = " + std::to_string(Setup[kSetupMusic]));
  std::string chosen;
  if (Setup[kSetupAudioDriver] >= 0 && Setup[kSetupAudioDriver] < static_cast<int>(AudioDriverNames.size())) chosen = AudioDriverNames[Setup[kSetupAudioDriver]];
  line("AudioDriver = " + chosen);
  for (const std::string& name : AudioDriverNames) line("; AudioDriver = " + name);
  line("");
  line("[Controls]");
  // A binding cleared by the player is written as cleared where a default
  // would otherwise come back on the next start.
  const std::array<int, 101> defaults = DefaultBindings();
  for (int n = 0; n <= 99; ++n) {
    if (Bindings[n] > 0 || (Bindings[n] == 0 && defaults[n] != 0)) {
      line("Key=" + std::to_string(n) + "," + std::to_string(Bindings[n]));
    }
  }
  return out;
}

namespace {

bool SameStoredValues(const SetupValues& a, const SetupValues& b) {
  for (int slot : kStoredSlots) {
    if (a.setup[slot] != b.setup[slot]) return false;
  }
  for (int n = 0; n <= 99; ++n) {
    if (a.bindings[n] != b.bindings[n]) return false;
  }
  return true;
}

// Under the lock: the file as it is now, with the settings this session
// changed written over it. False when it is there but can't be read.
bool WriteChangedSettings() {
  const SetupValues live = LiveValues();
  SetupValues out = live;
  if (g_baseKnown) {
    std::string text;
    int read = ReadWholeFile(SetupFilePath(), text);
    if (read < 0) {
      LogLine("\tCould not read Setup.ini again before saving over it: it is left as it is");
      return false;
    }
    // What the file says, over the values a missing line stands for.
    SetupValues fresh = LiveValues();
    ResetSetupValues(fresh);
    if (read > 0) ApplyText(text, fresh, false);
    out = fresh;
    for (int slot : kStoredSlots) {
      if (live.setup[slot] != g_base.setup[slot]) out.setup[slot] = live.setup[slot];
    }
    for (int n = 0; n <= 99; ++n) {
      if (live.bindings[n] != g_base.bindings[n]) out.bindings[n] = live.bindings[n];
    }
  }
  // A temporary file renamed over the old one only when every byte reached
  // the disk: a crash or a full disk keeps the previous settings.
  if (SaveFileAtomically(SetupFilePath(), SetupFileText(out)) != 1) {
    LogLine("\tCould not save Setup.ini");
    return false;
  }
  g_base = live;
  g_baseKnown = true;
  return true;
}

}  // namespace

void SaveSetup() {
  bool saved = false;
  if (g_setupUnreadable) {
    LogLine("\tDid not save Setup.ini over the file that could not be read");
  } else if (g_baseKnown && SameStoredValues(LiveValues(), g_base) && FileType(SetupFilePath()) == 1) {
    // Nothing changed since the file was read or written: it stays as it is.
    saved = true;
  } else {
    // One save at a time among the copies of the game sharing the file.
    int lock = LockFile(SetupLockPath(), kLockWaitMs);
    if (lock == 0) LogLine("\tCould not lock Setup.ini; saving without the lock");
    saved = WriteChangedSettings();
    UnlockFile(lock);
  }
  if (!saved && !g_toldSaveFailed) {
    g_toldSaveFailed = true;
    AddNotification("Could not save your settings", 1);
  }
}
