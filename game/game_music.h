// Which song each screen plays, and starting it: the title screen has a calm
// song, each difficulty's round its own, faster the harder the round.
#pragma once

enum class ScreenSong { Title, Easy, Medium, Hard };

struct SongChoice {
  const char* name;   // music/NAME.ini
  int tempoMs;        // the sequencer's tempo: two steps per tempoMs
};
SongChoice SongFor(ScreenSong song);
// The round's song for a difficulty (0 Easy, 1 Medium, 2 Hard; others Easy).
ScreenSong RoundSong(int difficulty);

// Once per frame from a screen that has a song: starts it unless it plays
// already, and stops any song while the Music volume is 0. The title song
// keeps the seed it took from the clock when it first played, so the title
// plays the same tune after every round; a round takes a new seed each time
// it starts (ChooseRoundSeed).
void PlayScreenSong(ScreenSong song);
void ChooseRoundSeed();
void ResetGameMusic();
