// The game's songs: which screen plays which, with which tempo, and the
// per-frame check that keeps the right one playing at the Music volume.
#include "game/game_music.h"

#include <array>
#include <string>

#include "audio/music.h"
#include "audio/sound_effects.h"

namespace {

constexpr int kSongCount = 4;
const SongChoice kSongs[kSongCount] = {
    {"title", 340},    // calm, about 88 beats a minute
    {"easy", 280},
    {"medium", 240},
    {"hard", 205},
};

constexpr int kNoSeed = -1;
// Start values: ResetGameMusic.
std::array<int, kSongCount> Seeds;      // kNoSeed: take the clock
std::array<bool, kSongCount> Missing;   // the song file was not there

}  // namespace

SongChoice SongFor(ScreenSong song) { return kSongs[static_cast<int>(song)]; }

ScreenSong RoundSong(int difficulty) {
  switch (difficulty) {
    case 1: return ScreenSong::Medium;
    case 2: return ScreenSong::Hard;
    default: return ScreenSong::Easy;
  }
}

void ResetGameMusic() {
  Seeds.fill(kNoSeed);
  Missing.fill(false);
}

void ChooseRoundSeed() {
  for (ScreenSong s : {ScreenSong::Easy, ScreenSong::Medium, ScreenSong::Hard}) Seeds[static_cast<int>(s)] = kNoSeed;
}

void PlayScreenSong(ScreenSong song) {
  // At Music 0 nothing plays, and nothing is started.
  if (VolumeSetting(VolumeKind::Music) <= 0) {
    if (MusicPlaying == 1) StopMusic();
    return;
  }
  const int index = static_cast<int>(song);
  const SongChoice& choice = kSongs[index];
  if (MusicPlaying == 1 && SongName == choice.name && !MusicFadingOut()) return;
  // A missing file is not looked for again every frame.
  if (Missing[index]) return;
  // Another song is cut (the mixer fades its notes) rather than left ringing.
  StopMusic();
  StartSong(choice.name, Seeds[index], choice.tempoMs);
  if (MusicPlaying != 1) {
    Missing[index] = true;
    return;
  }
  Seeds[index] = SongSeed;
}
