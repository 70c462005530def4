// "Setup.ini": the setup values, reading them at start-up, choosing the audio
// driver, and writing the whole file anew on Tab, Apply and exit.
#include "framework/setup_file.h"

#include <cctype>

#include "audio/sound_effects.h"
#include "framework/clock.h"
#include "framework/controls.h"
#include "framework/fields.h"
#include "framework/game_identity.h"
#include "framework/log.h"
#include "framework/notifications.h"
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
bool g_toldKeptForLater;   // the player heard that a save could not lock

// In the data folder (installed: the player's settings folder).
std::string SetupFilePath() { return DataFilePath("Setup.ini"); }
std::string SetupLockPath() { return DataFilePath("Setup.ini.lock"); }   // shared by every copy of the game
constexpr int kLockWaitMs = 500;   // another copy holds the lock only while it writes; never seconds of frames
// The slots the file stores; the others (widescreen, mode) are worked out.
constexpr int kStoredSlots[] = {kSetupFullscreen, kSetupEngine, kSetupWidth, kSetupHeight, kSetupFrameskip,
                                kSetupMaster, kSetupSounds, kSetupMusic, kSetupAudioDriver};

// The values as the file held them when this session read or last wrote it.
// A setting whose value differs now was changed by this session, and only
// those are written over what another copy of the game may have saved since.
bool g_baseKnown;
SetupValues g_base;
// The file as read when it had lines not understood; kept aside before the
// first save over it ("" when there is nothing to keep).
std::string g_setupAsItWas;
constexpr int kCopiesKept = 5;
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
  g_toldKeptForLater = false;
  g_baseKnown = false;
  g_setupAsItWas.clear();
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

// Whether text holds a number as ToInt reads it: blanks, a sign, "%" or "$",
// then at least one digit.
bool HasNumber(const std::string& text) {
  size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  if (i < n && text[i] == '%') return i + 1 < n && (text[i + 1] == '0' || text[i + 1] == '1');
  if (i < n && text[i] == '$') return i + 1 < n && std::isxdigit(static_cast<unsigned char>(text[i + 1]));
  return i < n && std::isdigit(static_cast<unsigned char>(text[i]));
}

// Whether a line is one the reader understands: blank, a section title, a
// comment, "ESS" alone, or a key with its "=" and, where the key takes
// numbers, its numbers. A cut line ("Key", "Key=", "Master") would otherwise
// read as 0 and clear a binding or mute the game.
bool Understood(const std::string& line, const std::string& key, const std::string& value) {
  std::string trimmed = Trim(line);
  if (trimmed.empty() || trimmed[0] == '[' || trimmed[0] == ';' || trimmed[0] == '#') return true;
  if (trimmed.find('=') == std::string::npos) return key == "ESS";
  if (key == "KEY") {
    size_t comma = value.find(',');
    return comma != std::string::npos && HasNumber(value.substr(0, comma)) && HasNumber(value.substr(comma + 1));
  }
  if (key == "WIDTH" || key == "HEIGHT" || key == "MASTER" || key == "SOUND" || key == "MUSIC") return HasNumber(value);
  return true;
}

// Applies one line to the values; false (nothing applied) for a line that is
// not understood.
bool ApplySetupLine(const std::string& line, SetupValues& into, bool reading) {
  std::array<int, 100>& setup = into.setup;
  std::array<int, 101>& bindings = into.bindings;
  std::string key = Upper(Trim(Field(line, "=", 1)));
  std::string value = Trim(Field(line, "=", 2));
  if (!Understood(line, key, value)) return false;

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
  return true;
}

SetupValues LiveValues() { return {Setup, Bindings}; }

// Applies a file's text. Start-up's reading (reading true) logs what it sets,
// notes a named driver and logs each line it does not understand; reading
// the file again before a save is silent. The number of lines not understood.
int ApplyText(const std::string& raw, SetupValues& into, bool reading) {
  std::string text = raw;
  // A byte-order mark is no part of the first setting. A file saved as
  // UTF-16 by an editor is read as the one-byte text it holds.
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  if (text.size() >= 2 && (text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0)) {
    const bool little = text[0] == '\xFF';
    std::string narrow;
    for (size_t i = 2; i + 1 < text.size(); i += 2) {
      unsigned char low = static_cast<unsigned char>(text[little ? i : i + 1]);
      unsigned char high = static_cast<unsigned char>(text[little ? i + 1 : i]);
      narrow.push_back(high == 0 ? static_cast<char>(low) : '?');
    }
    text = narrow;
  }
  // An empty file still counts as one empty line.
  if (text.empty()) ApplySetupLine("", into, reading);
  int strange = 0;
  int number = 0;
  ForEachLine(text, [&](const std::string& line) {
    ++number;
    if (ApplySetupLine(line, into, reading)) return;
    ++strange;
    if (reading) LogLine("\tSetup.ini line " + std::to_string(number) + " not understood: " + line);
  });
  return strange;
}

}  // namespace

int ApplySetupText(const std::string& text) {
  SetupValues live = LiveValues();
  int strange = ApplyText(text, live, true);
  Setup = live.setup;
  Bindings = live.bindings;
  return strange;
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
    // Lines not understood are lost when the file is written anew: it is
    // kept aside first, as it was.
    if (ApplySetupText(text) > 0) g_setupAsItWas = text;
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
    SetupValues fresh;
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
  if (!g_setupAsItWas.empty()) {
    std::string aside = KeepCopyBeside(SetupFilePath(), std::to_string(MakeTimestamp("")), g_setupAsItWas, kCopiesKept);
    if (aside.empty()) {
      g_setupUnreadable = true;
      LogLine("\tCould not keep a copy of Setup.ini: it is not saved this session");
      return false;
    }
    LogLine("\tSetup.ini as it was is kept as " + aside);
    g_setupAsItWas.clear();
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
    // One save at a time among the copies of the game sharing the file. A
    // lock that can't be had now writes nothing over what another copy may
    // be writing: the changes stay in memory, and the next save (or leaving)
    // writes them.
    int lock = LockFile(SetupLockPath(), kLockWaitMs);
    if (lock == 0) {
      LogLine("\tCould not lock Setup.ini: the changes are kept for the next save");
      if (!g_toldKeptForLater) AddNotification("Your settings are kept until they can be saved", 1);
      g_toldKeptForLater = true;
      return;
    }
    saved = WriteChangedSettings();
    UnlockFile(lock);
  }
  if (!saved && !g_toldSaveFailed) {
    g_toldSaveFailed = true;
    AddNotification("Could not save your settings", 1);
  }
}
