// The music sequencer: plays a song file's patterns with the recorded parts
// (song_file.h) on the music channels.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "audio/song_file.h"

// Written by the sequencer only (StartSong, UpdateMusic, StopMusic and the
// level functions); per song.
extern int MusicPlaying;               // 1 while a song plays
extern float MusicSpread;              // pan magnitude of the side tracks

// Arrangement state of the running song, readable for tools and tests.
extern int SongSeed;
extern int BlockCount;                 // blocks arranged since the start, first block 0
extern int BlockInCycle;               // 1-based block within the chord cycle
extern std::string Progression;        // chord letters of the cycle, one per 16 steps
extern std::array<int, 4> PartChoice;  // 1 bass, 2 melody, 3 accompaniment variant
extern std::array<int, 20> TrackSilent, NextTrackSilent, LeadIn;
extern std::array<std::string, 5> TrackPatterns;   // current pattern of each track
// Drum tracks 0, 1 hold a part digit; tonal tracks 2..4 a rate ratio. 0 = nothing.
extern std::array<std::array<float, 64>, 5> StepGrid;
extern int StepIndex;                  // 0..63 once playing
extern int NextStepTime;               // clock ms of the next step
extern int StepInterval;               // ms per step

// The sequencer's clock in milliseconds: the platform's MilliSecs. An offline
// renderer points it at the time of the samples it has pulled, so the music
// runs on sample time while the platform clock stands still. The resets
// leave it as it was installed.
using MusicClockFn = int (*)();
extern MusicClockFn MusicClock;

void ResetMusic();                     // also resets the song file tables
void StartSong(const std::string& name, int seed, int tempoMs);   // seed -1: the clock
void ArrangeBlock();
// Pattern pick under the song's seed; stretched by the section's mode except CHORDS.
std::string PickPattern(int section, int salt);
void UpdateMusic();                    // once per frame, from FlipFrame
void StopMusic();

// The running song's name ("" when none has been started since the last
// stop) and its loudness. Every UpdateMusic sets the ringing notes to the
// Music volume times Master times the music level, so a change of the
// settings is heard at once; the level glides to where it is sent.
extern std::string SongName;
extern float MusicLevel;               // 0..1, 1 after StartSong
// Moves the level to `level` (0..1) over `fadeMs` milliseconds of the clock.
void SetMusicLevel(float level, int fadeMs);
// Fades the song out over `fadeMs` and stops it when the level reaches 0.
void FadeOutMusic(int fadeMs);
bool MusicFadingOut();
void SetMusicSpread(float spread);
float NoteRatio(const std::string& letter);
