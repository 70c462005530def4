// Name entry after a round.
#pragma once

extern bool NameEntryOpen;   // true while EnterName runs

// Edits PlayerName until Enter, a click or Escape; the round is recorded with
// whatever name stands.
void EnterName();
// Whether name entry accepts a typed character: codes 32..255 except "|" and 127.
bool NameCharAccepted(int code);
