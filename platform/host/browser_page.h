// What the runtime asks of the page around the browser build: a fresh canvas
// for each window, the page's paints, storage kept in IndexedDB and files
// handed to the player as downloads. In the desktop build every call returns
// at once and nothing happens.
#pragma once

#include <string>

namespace plat {

// True in the browser build.
bool InBrowser();

// Before a window opens: a canvas keeps the first kind of drawing context it
// was given (WebGL 2, WebGL or 2D), and the back ends ask for different ones,
// so each window gets a new canvas in the old one's place.
void BrowserFreshCanvas();

// Hands control to the browser until its next paint, which shows what was
// drawn (a hidden page paints no more: then after a tenth of a second).
void BrowserNextFrame();
// How many times the program has handed control to the browser so far (by
// BrowserNextFrame or by a sleep).
unsigned BrowserYields();
void CountBrowserYield();

// Counts a frame shown, for the page (its frame rate, and tests that wait for
// the game to draw).
void BrowserFramePresented();

// Writes back to IndexedDB, in the background, every file of the player's
// folder that the program wrote or removed since the last write-back; one
// write-back at a time, a request during one runs after it. Files the page
// never held are left as they are stored.
void PersistPlayerFiles();

// Writes one file just saved to IndexedDB and waits until it is stored there;
// false when the browser refused (a full or blocked storage). True at once
// on the desktop.
bool StorePlayerFile(const std::string& path);

// A save's lock, shared by the page's tabs: waits up to waitMs for it, then
// reads the file it guards (guarded, "" for none) in from IndexedDB as it is
// stored now, so that the save merges into what other tabs saved. A handle
// above 0 for BrowserUnlock; 0 when it could not be had.
int BrowserLock(const std::string& lockPath, const std::string& guarded, int waitMs);
void BrowserUnlock(int lock);

// Offers a saved file as a download.
void OfferDownload(const std::string& path);

// ---------------------------------------------------------------- the page's shape and touch controls
// The display size the page wants: its drawing area in device pixels (capped
// by the page). False on the desktop.
bool BrowserPageSize(int& width, int& height);
// A key pressed by one of the page's touch buttons (pause, settings), one
// event a call: true with the key's virtual-key code and whether it goes down.
bool BrowserPageKey(int& vk, bool& down);
// The screen shown, for the touch buttons that fit it.
void BrowserShowScreen(int screen);
// The page's text field for name entry on a touch device: opened with the
// text so far (UTF-8), true when the page shows it; read: 0 unchanged, 1
// changed, 2 finished (the keyboard's Enter or Done), the field's text in
// text (UTF-8).
bool BrowserOpenTextField(const std::string& utf8, int maxLength);
int BrowserReadTextField(std::string& utf8);
void BrowserCloseTextField();

}  // namespace plat
