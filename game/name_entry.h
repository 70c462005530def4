// Name entry after a round.
#pragma once

#include <functional>
#include <string>

constexpr int kNameMaxLength = 16;   // letters the pad's picker and the page's field grow a name to

// Set by EnterName while it runs; read by tests and bots that drive a session.
extern bool NameEntryOpen;

// Name entry closed (a run that ended inside it leaves it open).
void ResetNameEntry();
// Edits PlayerName until Enter, a click or Escape; the round is recorded with
// whatever name stands. named, when given, runs as soon as the name is
// accepted, before the last frame and the wait for the key or button to be
// let go: a save there is not held up by a long press.
void EnterName(const std::function<void()>& named = {});
// Whether name entry accepts a typed character: codes 32..255 except "|" and 127.
bool NameCharAccepted(int code);
// The page's text field (a touch device's keyboard) read into name, when it
// changed: its accepted characters, at most kNameMaxLength of them. True
// when the field was finished (Enter or Done).
bool TakePageField(std::string& name);

// The pad's letter picker, drawn on the name-entry screen once a pad is
// used there: up and down change the letter under the cursor, left and right
// move the cursor (one place past the end starts a new letter), B deletes, A
// accepts the name. The picker offers only letters the score file keeps
// ("|" is never among them) and grows a name to at most kNameMaxLength.
extern const char* const kPickerLetters;
enum class PickerAction { Up, Down, Left, Right, Delete };
// One picker step on the name, cursor at pos (0..size; size is the new-letter place).
void ApplyPickerAction(std::string& name, int& pos, PickerAction action);
