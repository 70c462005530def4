// The boundary to the machine: display, drawing, sound, input, files, text,
// numbers, lists, random numbers, clock and process. Nothing above this layer
// includes SDL, OpenGL, libpng, FreeType or OpenAL.
//
// Images, fonts, pixel maps, sounds, channels and streams are integer handles
// into tables inside the platform; 0 means none. A 0 or stale handle passed to
// any operation is ignored quietly (results are 0 / empty).
//
// Strings are std::string holding one byte per character (codes 0..255);
// positions are 1-based as the game counts them.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

// ---------------------------------------------------------------- start-up
// Picks the host: the headless host when MNEMORA_HEADLESS is set (its value
// names an input script file; empty: no input), the SDL host otherwise.
void InitPlatform();
// Sets the application title, used as the window caption.
void SetAppTitle(const std::string& title);

// ---------------------------------------------------------------- display
// Render back ends, as the setup numbers them.
constexpr int kDriverOpenGL = 0;      // batched OpenGL
constexpr int kDriverDirect3D9 = 1;   // SDL's own renderer (SDL_RenderGeometry)
constexpr int kDriverDirectX7 = 2;    // our software rasteriser
void SetGraphicsDriver(int driver, int flags = 2);
int CountGraphicsModes();
// index 0-based; returns 0 when the index is out of range (all outputs 0)
int GetGraphicsMode(int index, int& width, int& height, int& depth, int& hertz);
int GraphicsModeExists(int width, int height, int depth = 0, int hertz = 0);
// depth 0: a window with a client area of that size; otherwise full screen.
// Returns 1 when the display is open, 0 on failure.
int Graphics(int width, int height, int depth = 0, int hertz = 60, int flags = 0);
void EndGraphics();
int GraphicsOpenNow();                 // 1 while a display is open
int GraphicsWidth();                   // back buffer size in pixels
int GraphicsHeight();
// What draws the open display, as its graphics driver names it (OpenGL's
// renderer, "llvmpipe (LLVM 15.0.6, 256 bits)" say); "" when the back end
// does not say (the SDL renderer, the software one, no display).
std::string GraphicsRenderer();
// 1 when that renderer draws on the CPU: a software OpenGL or WebGL
// (llvmpipe, softpipe, SwiftShader...), which fills the screen more slowly
// than the software back end.
int GraphicsRendererInSoftware();
void SetVirtualResolution(float width, float height);
float VirtualResolutionWidth();
float VirtualResolutionHeight();
void Cls();
void SetClsColor(int r, int g, int b);
// Hands everything drawn so far to the back end and sets it rendering, so
// the work overlaps a following sleep (the frame routine calls it before its
// pacing). Presenting, reading pixels and Flip flush on their own.
void FlushDrawing();
// sync 0: present at once; sync -1: present paced to the display's refresh.
void Flip(int sync = -1);
int AppTerminate();                    // 1 once per close request
// 1 while a close request waits to be read by AppTerminate; leaves it there.
// Wait loops end on it and leave the request to the next frame, which closes.
int AppTerminatePending();
void HideMouse();
void ShowMouse();
// Pumps window-system events into the input state. Wait loops call it every
// pass; Flip and Delay call it too.
void PollSystem();

// ---------------------------------------------------------------- drawing state
// How drawn pixels meet the back buffer. One numbering for the whole
// program: these are the numbers SetBlend takes and every back end runs.
enum BlendMode : int {
  kBlendMask = 1,   // alpha 0.5 or less is skipped; the rest replaces the back buffer
  kBlendSolid = 2,  // the source replaces the back buffer
  kBlendAlpha = 3,  // source x alpha + back buffer x (1 - alpha)
  kBlendLight = 4,  // back buffer + source x alpha, saturating (additive glow)
  kBlendShade = 5,  // back buffer x source (multiply)
};
void SetColor(int r, int g, int b);
void GetColor(int& r, int& g, int& b);
void SetAlpha(float alpha);
float GetAlpha();
void SetBlend(int mode);               // a BlendMode; any other number is ignored
BlendMode GetBlend();
// While on, drawing at opacity 0 costs a back end what visible drawing costs:
// none may skip it, though it still changes no pixel. A load that measures
// the machine (the engine test) draws this way; off, the default, lets a
// back end skip what cannot show.
void SetFullCostInvisible(bool on);
void SetRotation(float degrees);
float GetRotation();
void SetScale(float sx, float sy);
void GetScale(float& sx, float& sy);
void SetImageFont(int font);           // 0: the built-in default font
int GetImageFont();
void AutoMidHandle(int on);
void SetImageHandle(int image, float x, float y);
void MidHandleImage(int image);

// ---------------------------------------------------------------- drawing
void DrawImage(int image, float x, float y, int frame = 0);
void DrawRect(float x, float y, float w, float h);
void DrawLine(float x1, float y1, float x2, float y2);
void DrawText(const std::string& text, float x, float y);
int TextWidth(const std::string& text);
int TextHeight(const std::string& text);
// Copies the back buffer area at logical (x, y) of the image's size into the
// frame (the image must have been created with flag 8).
void GrabImage(int image, int x, int y, int frame = 0);
// Copies real back-buffer pixels into a new pixel map.
int GrabPixmap(int x, int y, int w, int h);
int PixmapWidth(int pixmap);
int PixmapHeight(int pixmap);
void FreePixmap(int pixmap);
int SavePixmapPNG(int pixmap, const std::string& path, int compression = 5);

// ---------------------------------------------------------------- images and fonts
constexpr int kImageMasked = 1, kImageFiltered = 2, kImageDynamic = 8;
int LoadImage(const std::string& path, int flags = 3);
int LoadAnimImage(const std::string& path, int cellWidth, int cellHeight, int firstCell,
                  int cellCount, int flags = 3);
int CreateImage(int width, int height, int frames = 1, int flags = 8);
int ImageWidth(int image);
int ImageHeight(int image);
int ImageFrames(int image);
void FreeImage(int image);
constexpr int kFontSmooth = 4;
int LoadImageFont(const std::string& path, int pixelSize, int style = kFontSmooth);
void FreeFont(int font);

// ---------------------------------------------------------------- audio
std::vector<std::string> AudioDrivers();
int AudioDriverExists(const std::string& name);
int SetAudioDriver(const std::string& name);
std::string CurrentAudioDriver();
int EnableOpenALAudio();
int LoadSound(const std::string& path, int flags = 0);
void FreeSound(int sound);
int AllocChannel();
// Drops a channel handle the game no longer keeps (stops it first).
void FreeChannel(int channel);
void CueSound(int sound, int channel);
void ResumeChannel(int channel);
void StopChannel(int channel);
int ChannelPlaying(int channel);
void SetChannelVolume(int channel, float volume);
void SetChannelPan(int channel, float pan);
void SetChannelRate(int channel, float rate);

// ---------------------------------------------------------------- the page around the browser build
// On the desktop (and headless) none of these does anything.
// In the browser the page decides the display's size: 1 and its drawing area
// in device pixels (the page caps it); 0 where the player chooses the size.
int PageDisplaySize(int& width, int& height);
// The screen shown, so that a touch device gets the buttons that fit it (a
// pause button in a round, the settings button on the title and in a round).
constexpr int kPageScreenOther = 0, kPageScreenTitle = 1, kPageScreenRound = 2;
void ShowPageScreen(int screen);
// The page's own text field, where a touch device types with its own
// keyboard. Opened with the text so far (Latin-1, as the game keeps it): 1
// when the page shows it (a touch device), 0 otherwise. Read: 0 unchanged, 1
// changed, 2 finished by the keyboard's Enter or Done; text then holds the
// field's text in Latin-1 (characters beyond it dropped).
int OpenPageTextField(const std::string& text, int maxLength);
int ReadPageTextField(std::string& text);
void ClosePageTextField();

// ---------------------------------------------------------------- keyboard and mouse
// Key codes are Windows virtual-key codes 1..255; mouse buttons 1 left, 2 right, 3 middle.
// The codes the program names (letters are their capital's character code).
constexpr int kKeyBackspace = 8, kKeyTab = 9, kKeyReturn = 13, kKeyEscape = 27, kKeySpace = 32;
constexpr int kKeyLeft = 37, kKeyUp = 38, kKeyRight = 39, kKeyDown = 40;
constexpr int kKeyC = 67, kKeyV = 86, kKeyX = 88, kKeyZ = 90;
constexpr int kKeyF4 = 115, kKeyF11 = 122, kKeyF12 = 123;
constexpr int kKeyLShift = 160, kKeyRShift = 161, kKeyLControl = 162, kKeyRControl = 163;
constexpr int kKeyLAlt = 164, kKeyRAlt = 165;
int KeyDown(int key);
int KeyHit(int key);
int GetChar();
void FlushKeys();
int MouseDown(int button);
int MouseHit(int button);
void FlushMouse();
float VirtualMouseX();
float VirtualMouseY();
void MoveMouse(float x, float y);

// ---------------------------------------------------------------- joypads (ports from 0)
int JoyCount();
std::string JoyName(int port);
int JoyButtonCaps(int port);
int JoyDown(int button, int port);
float JoyX(int port);
float JoyY(int port);
float JoyZ(int port);
float JoyR(int port);
float JoyU(int port);
float JoyV(int port);
float JoyHat(int port);                // -1 centred, else fraction of a turn clockwise from up

// Pads with a known layout (a game-controller mapping: built in, from the
// SDL_GAMECONTROLLERCONFIG variable, or from a mapping file) also read as a
// standard controller, so A, B, Start and the D-pad mean the same on every
// such pad. Raw joystick reading above keeps working for every pad.
constexpr int kControllerA = 0, kControllerB = 1, kControllerX = 2, kControllerY = 3;
constexpr int kControllerBack = 4, kControllerGuide = 5, kControllerStart = 6;
constexpr int kControllerLeftStick = 7, kControllerRightStick = 8;
constexpr int kControllerLeftShoulder = 9, kControllerRightShoulder = 10;
constexpr int kControllerDpadUp = 11, kControllerDpadDown = 12, kControllerDpadLeft = 13,
              kControllerDpadRight = 14;
constexpr int kControllerButtons = 15;
constexpr int kControllerLeftX = 0, kControllerLeftY = 1, kControllerRightX = 2, kControllerRightY = 3,
              kControllerTriggerLeft = 4, kControllerTriggerRight = 5;
int JoyIsController(int port);                   // 1 when the pad has a controller layout
int JoyControllerDown(int button, int port);     // kController... buttons
float JoyControllerAxis(int axis, int port);     // sticks -1..1 (down and right positive), triggers 0..1
// Adds controller layouts from a mapping file (one SDL mapping per line);
// pads already plugged in get theirs at once. Returns the number added, 0
// when the file is missing, no regular file, or the host has no controller
// support. Only the first kMaxControllerLayouts mapping lines are used;
// *left (when given) says how many more there were.
constexpr int kMaxControllerLayouts = 5000;
constexpr size_t kMaxControllerLayoutBytes = 16u << 20;
int LoadControllerLayouts(const std::string& path, int* left = nullptr);
// The headless host's input scripts are read up to this size.
constexpr size_t kMaxInputScriptBytes = 64u << 20;
// Where a player keeps a mapping file of their own: gamecontrollerdb.txt in
// $XDG_CONFIG_HOME/mnemora (or ~/.config/mnemora); "" when neither is set.
std::string PlayerControllerLayoutsPath();

// ---------------------------------------------------------------- files and folders
int ChangeDir(const std::string& path);
std::string CurrentDir();
int FileType(const std::string& path);  // 0 nothing (or a pipe or device), 1 file, 2 folder
int ReadFile(const std::string& path);  // stream handle or 0; regular files only
// Created or truncated; stream handle or 0. Regular files only, and a link
// in its place is refused, not followed.
int WriteFile(const std::string& path);
// As WriteFile, for a file that one running program writes at a time (a
// log): locked while it is open, and truncated only once the lock is had.
// -1 when another running program holds it (its file is left as it is).
int WriteHeldFile(const std::string& path);
std::string ReadLine(int stream);
void WriteLine(int stream, const std::string& text);
int Eof(int stream);
// Hands what was written so far to the operating system (no disk sync).
void FlushStream(int stream);
// Flushes and closes; returns 1 when every byte written reached the file.
int CloseStream(int stream);
int DeleteFile(const std::string& path);
// Renames over an existing file in one step; 1 on success.
int RenameFile(const std::string& from, const std::string& to);
// Reads a whole file. 1: read to its end; 0: there is no such file (a link to
// nothing included); -1: something is there but could not be opened or read
// to its end (permissions, an I/O error, a folder). bytes holds what was read.
int ReadWholeFile(const std::string& path, std::string& bytes);
// Which file a name leads to, and how it stood: another program that saves
// it in place or renames a new one over it changes one of these.
struct FileStamp {
  bool exists = false;
  uint64_t device = 0, inode = 0;
  int64_t size = 0;
  int64_t modifiedNs = 0;   // nanoseconds since 1970
  bool operator==(const FileStamp&) const = default;
};
// As above, and the stamp of the very file that was read (exists false when
// there was none).
int ReadWholeFile(const std::string& path, std::string& bytes, FileStamp& stamp);
// The stamp of the file a name leads to now (links followed).
FileStamp StampOfFile(const std::string& path);
// An exclusive lock on the file `path` (created when missing and left in
// place), shared with every other program that locks the same file; another
// user's lock file is locked when it can be read. Waits up to waitMs for
// another holder. A handle (above 0) to let go of with UnlockFile; 0 when the
// lock could not be had (a folder, pipe or link in its place included).
int LockFile(const std::string& path, int waitMs);
void UnlockFile(int lock);
// A guard file marks work that may kill the program (a display set-up)
// while it runs: every running program doing that work holds it, the last
// one to finish removes it, and one whose program died stays behind.
// 0: nothing there; 1: there, and no running program holds it (left
// behind); 2: held by a running program, this one included.
int GuardFileState(const std::string& path);
// Puts the guard up (or joins the one there); a handle above 0, 0 when it
// could not be made. The file never stands at its name without its holder.
int RaiseGuardFile(const std::string& path);
// Lets go of a guard: removed, unless another running program still holds it.
void DropGuardFile(int guard);
// What reading in the player's stored files had to tell, a line each: in the
// browser, stored entries that could not be read (kept aside) or a storage
// that can't be used. None on the desktop.
std::vector<std::string> PlayerStorageNotes();
// False when the player's files can't be kept at all (the browser's storage
// is blocked): nothing saved outlives the page.
bool PlayerStorageUsable();
// Counts the times files of the player's folder were replaced by what another
// copy of the game saved (in the browser: another tab of the page), for the
// screens that show what is in them. Always 0 on the desktop.
unsigned PlayerFilesChangedElsewhere();
// Splits text into lines. LF, CR LF and a lone CR each end a line, and so does
// a zero byte; a line end at the very end starts no further line.
std::vector<std::string> SplitLines(const std::string& text);
// Calls body with each line of text, split as SplitLines does.
void ForEachLine(const std::string& text, const std::function<void(const std::string&)>& body);
// Replaces a file by bytes in one step: the bytes go to a temporary file
// beside the file (the name, ".tmp-" and eight letters or digits, created
// exclusively: nothing already there is followed or opened), are flushed to
// the disk, and only then renamed over it. A symbolic link is followed (also
// one that points to nothing yet): its target is replaced in the target's
// folder and the link stays. 1 on success; on failure the old file is as it
// was. Temporary files of this file that saves left an hour or more ago
// (the program died while writing) are removed after a save.
int SaveFileAtomically(const std::string& path, const std::string& bytes);
// Keeps bytes beside a file as a copy named path + ".bad-" + tag (with "-2",
// "-3"... added when that name is taken). A copy that already holds the same
// bytes is kept instead of a new one; of the copies, at most `keep` are left
// (the oldest go first, once the new copy is written). The copy's name as it
// is on disk; "" when none could be made.
std::string KeepCopyBeside(const std::string& path, const std::string& tag, const std::string& bytes, int keep);
// Writes bytes to a new file; refuses (0) when something is there already.
int WriteNewFile(const std::string& path, const std::string& bytes);
// A saved file the player takes away (a screenshot): where the player has no
// folder to open it from (the browser) it is offered as a download; on the
// desktop it stays where it was saved and nothing else happens.
void HandOverFile(const std::string& path);

// ---------------------------------------------------------------- where the data lives
// Two ways to run, both found from the executable's own place:
// - portable: a Files/ folder beside the executable, read and written in place;
// - installed: <prefix>/share/games/mnemora beside <prefix>/games/mnemora, never
//   written. Every file operation above maps the player's own files (see
//   PlacePlayerFiles) to the player's folders, and looks for the player's own
//   decks and tables beside the installed ones (OverlayPlayerData).
constexpr int kDataNotFound = 0;
constexpr int kDataPortable = 1;
constexpr int kDataInstalled = 2;
struct DataSearch {
  std::string folder;                 // chosen on the command line: a game folder or its Files/
  bool portableOnly = false;          // only the Files/ folder beside the executable
  std::vector<std::string> mustHold;  // subfolders a data folder must have
  std::string fromFolder;             // searched from; "" = the executable's folder
};
// Picks the data folder and switches the mapping on for an installed one.
int FindGameData(const DataSearch& search);
std::string DataFolder();                  // absolute; "" when not found
std::vector<std::string> DataPlacesTried();  // the folders looked at, in order
// After a search that found nothing: a folder of the data that is there but
// can't be entered (the search stopped at it); "" when none was.
std::string DataFolderDenied();
std::string ExecutableFolder();
enum class PlayerFolder { Config, Data, State, Pictures };
// The player's folder of that kind from the XDG variables (absolute ones
// only), else the usual one under the home folder.
std::string PlayerFolderPath(PlayerFolder kind);
// Installed data: files whose path below the data folder matches `pattern`
// (fnmatch rules, '*' stays inside a folder) live in the player's folder of
// that kind, under their own name, for reading and writing alike.
void PlacePlayerFiles(const std::string& pattern, PlayerFolder kind);
// Installed data: files directly in the data's `folder` are looked for in the
// player's data folder first; written ones go there.
void OverlayPlayerData(const std::string& folder);
// Where a file of the data folder (path below it) is written; creates nothing.
std::string WhereFileGoes(const std::string& dataRelative);
// The absolute name of a file of the data folder (path below it), for every
// file operation above, which maps it; dataRelative itself when no data
// folder has been found.
std::string DataFilePath(const std::string& dataRelative);

// ---------------------------------------------------------------- text and numbers
std::string Left(const std::string& s, int n);
std::string Right(const std::string& s, int n);
std::string Mid(const std::string& s, int position, int count = -1);
int Instr(const std::string& s, const std::string& sub, int start = 1);
std::string Replace(const std::string& s, const std::string& find, const std::string& with);
std::string Trim(const std::string& s);
std::string Upper(const std::string& s);
std::string Lower(const std::string& s);
std::string Chr(int code);
int Asc(const std::string& s);
int ToInt(const std::string& s);
int64_t StringToLong(const std::string& s);
std::string IntToString(int value);
std::string LongToString(int64_t value);
int FloatToInt(double value);
int AbsInt(int value);
float Sin(float degrees);
float Cos(float degrees);
float Floor(float value);

// ---------------------------------------------------------------- lists of records
// A list of shared records. Passes run first to last; the record being visited
// may be removed during the pass (ListPass moves on before calling the body).
template <class T>
using RecordList = std::list<std::shared_ptr<T>>;

template <class T>
void ClearList(RecordList<T>& list) { list.clear(); }
template <class T>
void ListAddLast(RecordList<T>& list, std::shared_ptr<T> record) { list.push_back(std::move(record)); }
template <class T>
void ListRemove(RecordList<T>& list, const std::shared_ptr<T>& record) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (*it == record) { list.erase(it); return; }
  }
}
// Stable sort; compare returns negative, zero or positive.
template <class T, class Compare>
void SortList(RecordList<T>& list, bool ascending, Compare compare) {
  list.sort([&](const std::shared_ptr<T>& a, const std::shared_ptr<T>& b) {
    int c = compare(*a, *b);
    return ascending ? c < 0 : c > 0;
  });
}
template <class T, class Body>
void ListPass(RecordList<T>& list, Body body) {
  for (auto it = list.begin(); it != list.end();) {
    std::shared_ptr<T> record = *it;
    ++it;
    body(record);
  }
}

// ---------------------------------------------------------------- random numbers
void SeedRnd(int seed);
int RndSeed();
double Rnd01();                         // a real in [0, 1)
int Rand(int a, int b = 1);
double RndRange(double a, double b);

// ---------------------------------------------------------------- clock, calendar, memory, process
int MilliSecs();
void Delay(int ms);
std::string CurrentDate();              // "06 Dec 2010"
std::string CurrentTime();              // "14:05:09"
int GCCollect();
int64_t GCMemAlloced();
// Ends the process with exit code 0, or the given code after a failure.
[[noreturn]] void End(int exitCode = 0);
