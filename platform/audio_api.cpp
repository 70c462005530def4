// The public sound operations: the sound and channel handle tables, the list
// of audio drivers and the choice among them, and the record of what was
// played that tests read. Handles count up from 1 and are not reused until a
// platform reset, so a stale handle can only miss, never reach a newer sound
// or channel — the music takes a fresh channel for every note.
#include "platform/sound/sound_driver.h"
#include "platform/internal.h"
#include "platform/host/host.h"
#include "platform/platform.h"

#include <climits>
#include <cstdio>
#include <deque>

namespace plat {
namespace {

// Files larger than the biggest data chunk we accept plus room for headers
// are refused before they are read in full.
constexpr size_t kMaxWavFileBytes = kWavMaxDataBytes + (size_t(1) << 20);
constexpr size_t kMaxPlayedRecords = 65536;

struct ChannelRecord {
  int sound = 0;           // last sound cued, 0 none
  ChannelParams params;
};

struct AudioState {
  std::unordered_map<int, std::shared_ptr<SoundData>> sounds;   // by handle; freed by FreeSound
  std::unordered_map<int, ChannelRecord> channels;              // by handle; freed by FreeChannel
  int nextSound = 1;
  int nextChannel = 1;
  // By place in SoundDrivers(); made and opened on first use.
  std::vector<std::unique_ptr<AudioDriver>> drivers{SoundDrivers().size()};
  std::vector<bool> opened = std::vector<bool>(SoundDrivers().size());
  int current = kMixerDriver;
  std::deque<PlayedSound> played;                     // oldest first, capped
};

AudioState& State() {
  static AudioState state;
  return state;
}

AudioDriver& Driver(int index) {
  AudioState& st = State();
  if (!st.drivers[index]) {
    st.drivers[index] = SoundDrivers()[index].create();
  }
  return *st.drivers[index];
}

bool OpenDriver(int index) {
  AudioState& st = State();
  if (!st.opened[index]) st.opened[index] = Driver(index).Open();
  return st.opened[index];
}

void CloseDriver(int index) {
  AudioState& st = State();
  if (st.drivers[index]) st.drivers[index]->Close();
  st.opened[index] = false;
}

int DriverCount() { return static_cast<int>(SoundDrivers().size()); }

// The place of the driver with exactly this name among those on offer; -1 for none.
int DriverNamed(const std::string& name) {
  for (int i = 0; i < DriverCount(); ++i)
    if (SoundDrivers()[i].available() && name == SoundDrivers()[i].name) return i;
  return -1;
}

bool HeadlessOrNoHost() {
  Host* host = CurrentHost();
  return host == nullptr || host->Headless();
}

// Every channel operation starts here: the current driver is opened on first
// use and the clock-driven mixer catches up with the time that has passed.
AudioDriver& Current() {
  AudioState& st = State();
  if (!OpenDriver(st.current)) {
    // Only a driver that opened is ever made current; should it fail anyway,
    // our mixer never does.
    st.current = kMixerDriver;
    OpenDriver(kMixerDriver);
  }
  AudioDriver& driver = Driver(st.current);
  driver.Update();
  return driver;
}

int NewHandle(int& next, auto& table) {
  if (next == INT_MAX) {
    // Handles ran out after two thousand million allocations: find a gap.
    for (next = 1; table.count(next) != 0; ++next) {}
  }
  return next++;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  return ReadRegularFile(path, bytes, kMaxWavFileBytes);
}

ChannelRecord* FindChannel(int channel) {
  auto& channels = State().channels;
  auto it = channels.find(channel);
  return it != channels.end() ? &it->second : nullptr;
}

// A restarted platform (testhost::Start) begins with no sounds or channels.
const ResetHook s_resetAudio(&ResetAudio);

}  // namespace

void ResetAudio() {
  AudioState& st = State();
  for (int i = 0; i < DriverCount(); ++i) {
    CloseDriver(i);
    st.drivers[i].reset();
  }
  for (auto& [handle, sound] : st.sounds) CountMemory(-sound->Bytes());
  st.sounds.clear();
  st.channels.clear();
  st.nextSound = 1;
  st.nextChannel = 1;
  st.current = kMixerDriver;
  st.played.clear();
}

}  // namespace plat

using namespace plat;

// ---------------------------------------------------------------- drivers

std::vector<std::string> AudioDrivers() {
  std::vector<std::string> names;
  for (const SoundDriverKind& kind : SoundDrivers())
    if (kind.available()) names.push_back(kind.name);
  return names;
}

int AudioDriverExists(const std::string& name) { return DriverNamed(name) >= 0 ? 1 : 0; }

int SetAudioDriver(const std::string& name) {
  AudioState& st = State();
  int index = DriverNamed(name);
  if (index < 0) return 0;
  if (SoundDrivers()[index].needsDevice && HeadlessOrNoHost()) return 0;
  if (!OpenDriver(index)) return 0;
  if (index != st.current) {
    // Channels keep their handles; what was sounding on the old driver stops.
    CloseDriver(st.current);
    st.current = index;
  }
  return 1;
}

std::string CurrentAudioDriver() { return SoundDrivers()[State().current].name; }

int EnableOpenALAudio() {
  // The headless host plays nothing aloud; its runs must not depend on
  // whether the machine happens to have a sound device.
  if (HeadlessOrNoHost()) return 0;
  return OpenDriver(kOpenALDriver) ? 1 : 0;
}

// ---------------------------------------------------------------- sounds

int LoadSound(const std::string& path, int /*flags: the game passes 0*/) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(plat::MapPath(path, plat::FileAccess::Read), bytes)) return 0;
  auto sound = std::make_shared<SoundData>();
  if (!DecodeWav(bytes.data(), bytes.size(), *sound)) return 0;
  AudioState& st = State();
  int handle = NewHandle(st.nextSound, st.sounds);
  CountMemory(sound->Bytes());
  st.sounds[handle] = std::move(sound);
  return handle;
}

void FreeSound(int sound) {
  AudioState& st = State();
  auto it = st.sounds.find(sound);
  if (it == st.sounds.end()) return;
  // Freeing a sound silences it everywhere; an idle driver may still hold its buffer.
  for (int i = 0; i < DriverCount(); ++i) {
    if (st.opened[i]) st.drivers[i]->StopSound(it->second.get());
  }
  CountMemory(-it->second->Bytes());
  st.sounds.erase(it);
}

// ---------------------------------------------------------------- channels

int AllocChannel() {
  AudioState& st = State();
  Current();
  int handle = NewHandle(st.nextChannel, st.channels);
  st.channels[handle] = ChannelRecord{};
  return handle;
}

void FreeChannel(int channel) {
  if (FindChannel(channel) == nullptr) return;
  Current().Release(channel);
  State().channels.erase(channel);
}

void CueSound(int sound, int channel) {
  ChannelRecord* rec = FindChannel(channel);
  if (rec == nullptr) return;
  auto it = State().sounds.find(sound);
  if (it == State().sounds.end()) return;
  rec->sound = sound;
  Current().Cue(channel, it->second, rec->params);
}

void ResumeChannel(int channel) {
  ChannelRecord* rec = FindChannel(channel);
  if (rec == nullptr) return;
  if (!Current().Resume(channel)) return;
  auto& played = State().played;
  if (played.size() >= kMaxPlayedRecords) played.pop_front();
  played.push_back({rec->sound, channel, rec->params.volume, rec->params.pan, rec->params.rate,
                    AudioClock()});
}

void StopChannel(int channel) {
  if (FindChannel(channel) == nullptr) return;
  Current().Stop(channel);
}

int ChannelPlaying(int channel) {
  if (FindChannel(channel) == nullptr) return 0;
  return Current().Playing(channel) ? 1 : 0;
}

void SetChannelVolume(int channel, float volume) {
  ChannelRecord* rec = FindChannel(channel);
  if (rec == nullptr) return;
  rec->params.volume = ClampVolume(volume);
  Current().SetParams(channel, rec->params);
}

void SetChannelPan(int channel, float pan) {
  ChannelRecord* rec = FindChannel(channel);
  if (rec == nullptr) return;
  rec->params.pan = ClampPan(pan);
  Current().SetParams(channel, rec->params);
}

void SetChannelRate(int channel, float rate) {
  ChannelRecord* rec = FindChannel(channel);
  if (rec == nullptr) return;
  rec->params.rate = ClampRate(rate);
  Current().SetParams(channel, rec->params);
}

// ---------------------------------------------------------------- test access

namespace plat {

std::vector<PlayedSound> PlayedSounds() {
  const auto& played = State().played;
  return std::vector<PlayedSound>(played.begin(), played.end());
}

void ClearPlayedSounds() { State().played.clear(); }

std::vector<int16_t> PullCurrentMixer(int frames) {
  AudioState& st = State();
  // Another driver plays on its own device: the mixer has nothing to give.
  AudioDriver* mixer = st.current == kMixerDriver ? &Current() : nullptr;
  return PullMixerSamples(mixer, frames);
}

}  // namespace plat
