// Card decks, table art, the heart of the lives display and the title logo:
// the numbered files of the game folder, loaded after every display set-up,
// and the X / Z stepping through them. Players may add Deck_NN.png and
// BG_NN.png files; only numbers 01..25 are looked at, gaps are allowed.
#include "game/decks.h"

#include "platform/platform.h"

// Start values: ResetDecks.
std::array<int, 30> DeckImages;
std::array<int, 30> TableImages;
int DeckCount;
int TableCount;
int HeartImage;
int TitleImage;
int DeckIndex;
int TableIndex;
int Difficulty;

namespace {

constexpr int kHighestNumber = 25;

// "01".."25": the last two characters of "00" followed by the number.
std::string TwoDigits(int n) { return Right("00" + IntToString(n), 2); }

// Display set-ups run again and again while the program lives; the image a
// slot held before is released when a new one takes its place, so repeated
// set-ups do not pile up copies of the same art.
void StoreImage(int& slot, int image) {
  if (slot != 0 && slot != image) FreeImage(slot);
  slot = image;
}

int EntryOrNone(const std::array<int, 30>& table, int index) {
  if (index < 1 || index > kHighestNumber) return 0;
  return table[index];
}

}  // namespace

void ResetDecks() {
  DeckIndex = 1;
  TableIndex = 1;
  Difficulty = 1;
  DeckImages.fill(0);
  TableImages.fill(0);
  DeckCount = 0;
  TableCount = 0;
  HeartImage = 0;
  TitleImage = 0;
}

void LoadDecks() {
  for (int n = 1; n <= kHighestNumber; ++n) {
    std::string deck = "Deck_" + TwoDigits(n) + ".png";
    if (FileType(deck) != 0) {
      StoreImage(DeckImages[n], LoadAnimImage(deck, 96, 128, 0, 25, 3));
      DeckCount = n;
    }
    std::string table = "BG_" + TwoDigits(n) + ".png";
    if (FileType(table) != 0) {
      StoreImage(TableImages[n], LoadImage(table, 3));
      TableCount = n;
    }
  }

  StoreImage(HeartImage, LoadImage("heart.png", 3));
  StoreImage(TitleImage, LoadImage("logo.png", 3));
}

void StepDeck() {
  DeckIndex += 1;
  if (DeckIndex > DeckCount) DeckIndex = 1;
}

void StepTable() {
  TableIndex += 1;
  if (TableIndex > TableCount) TableIndex = 1;
}

int CurrentDeckImage() { return EntryOrNone(DeckImages, DeckIndex); }
int CurrentTableImage() { return EntryOrNone(TableImages, TableIndex); }
