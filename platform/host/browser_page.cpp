// The page's side of the browser build (see browser_page.h). The JavaScript
// these calls reach is in browser_page.js, linked into the page's script.
#include "platform/host/browser_page.h"

#include <cstdlib>

#include "platform/platform.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

// clang-format off
EM_JS(void, mnemora_fresh_canvas, (), { Module.mnemoraPage.freshCanvas(); });
EM_ASYNC_JS(void, mnemora_next_frame, (), { await Module.mnemoraPage.nextPaint(); });
EM_JS(void, mnemora_presented, (), { Module.mnemoraPage.presents++; });
EM_JS(void, mnemora_persist, (), { Module.mnemoraPage.persist(); });
EM_JS(void, mnemora_download, (const char* path), { Module.mnemoraPage.download(UTF8ToString(path)); });
EM_ASYNC_JS(int, mnemora_store, (const char* path), {
  return (await Module.mnemoraPage.store(UTF8ToString(path))) ? 1 : 0;
});
EM_ASYNC_JS(int, mnemora_lock, (const char* name, const char* guarded, int waitMs), {
  return await Module.mnemoraPage.lock(UTF8ToString(name), UTF8ToString(guarded), waitMs);
});
EM_JS(void, mnemora_unlock, (int lock), { Module.mnemoraPage.unlock(lock); });
EM_JS(int, mnemora_storage_usable, (), { return Module.mnemoraPage.usable() ? 1 : 0; });
EM_JS(unsigned, mnemora_changed_elsewhere, (), { return Module.mnemoraPage.changedElsewhere(); });
// The notes a line each, in memory the caller frees.
EM_JS(char*, mnemora_storage_notes, (), {
  var text = Module.mnemoraPage.notes().join(String.fromCharCode(10));
  var size = lengthBytesUTF8(text) + 1;
  var out = _malloc(size);
  if (out) stringToUTF8(text, out, size);
  return out;
});
// clang-format on

// The page's shape, its touch buttons and its text field: web/page_controls.js
// (Module.pageControls; a page without it answers "none").
// clang-format off
EM_JS(int, mnemora_page_size, (int* width, int* height), {
  var size = Module.pageControls && Module.pageControls.displaySize();
  if (!size) return 0;
  HEAP32[width >> 2] = size[0];
  HEAP32[height >> 2] = size[1];
  return 1;
});
EM_JS(int, mnemora_page_key, (), { return Module.pageControls ? Module.pageControls.takeKey() : -1; });
EM_JS(void, mnemora_show_screen, (int screen), { if (Module.pageControls) Module.pageControls.showScreen(screen); });
EM_JS(int, mnemora_open_field, (const char* text, int maxLength), {
  return Module.pageControls && Module.pageControls.openField(UTF8ToString(text), maxLength) ? 1 : 0;
});
EM_JS(int, mnemora_read_field, (char* text, int size), {
  var read = Module.pageControls ? Module.pageControls.readField() : null;
  if (!read || !read.state) return 0;
  stringToUTF8(read.text, text, size);
  return read.state;
});
EM_JS(void, mnemora_close_field, (), { if (Module.pageControls) Module.pageControls.closeField(); });
// clang-format on
#endif

namespace plat {
namespace {
unsigned g_yields = 0;
}  // namespace

#ifdef __EMSCRIPTEN__
bool InBrowser() { return true; }
void BrowserFreshCanvas() { mnemora_fresh_canvas(); }
void BrowserNextFrame() {
  mnemora_next_frame();
  CountBrowserYield();
}
void BrowserFramePresented() { mnemora_presented(); }
void PersistPlayerFiles() { mnemora_persist(); }
void OfferDownload(const std::string& path) { mnemora_download(path.c_str()); }
bool StorePlayerFile(const std::string& path) { return mnemora_store(path.c_str()) == 1; }
int BrowserLock(const std::string& lockPath, const std::string& guarded, int waitMs) {
  return mnemora_lock(lockPath.c_str(), guarded.c_str(), waitMs);
}
void BrowserUnlock(int lock) { mnemora_unlock(lock); }
#else
bool InBrowser() { return false; }
void BrowserFreshCanvas() {}
void BrowserNextFrame() {}
void BrowserFramePresented() {}
void PersistPlayerFiles() {}
void OfferDownload(const std::string&) {}
bool StorePlayerFile(const std::string&) { return true; }
int BrowserLock(const std::string&, const std::string&, int) { return 0; }
void BrowserUnlock(int) {}
#endif

#ifdef __EMSCRIPTEN__
bool BrowserPageSize(int& width, int& height) {
  int w = 0, h = 0;
  if (!mnemora_page_size(&w, &h) || w <= 0 || h <= 0) return false;
  width = w;
  height = h;
  return true;
}
bool BrowserPageKey(int& vk, bool& down) {
  const int event = mnemora_page_key();   // code * 2 + 1 when it goes down; -1 none
  if (event < 0) return false;
  vk = event >> 1;
  down = (event & 1) != 0;
  return vk > 0 && vk < 256;
}
void BrowserShowScreen(int screen) { mnemora_show_screen(screen); }
bool BrowserOpenTextField(const std::string& utf8, int maxLength) {
  return mnemora_open_field(utf8.c_str(), maxLength) != 0;
}
int BrowserReadTextField(std::string& utf8) {
  // A name of sixteen characters takes at most 64 bytes of UTF-8; a longer
  // field's text is cut at a whole character.
  char text[256] = {};
  const int state = mnemora_read_field(text, static_cast<int>(sizeof text));
  if (state != 0) utf8 = text;
  return state;
}
void BrowserCloseTextField() { mnemora_close_field(); }
#else
bool BrowserPageSize(int&, int&) { return false; }
bool BrowserPageKey(int&, bool&) { return false; }
void BrowserShowScreen(int) {}
bool BrowserOpenTextField(const std::string&, int) { return false; }
int BrowserReadTextField(std::string&) { return 0; }
void BrowserCloseTextField() {}
#endif

unsigned BrowserYields() { return g_yields; }
void CountBrowserYield() { ++g_yields; }

}  // namespace plat

// The storage of the player's files, as the rest of the program sees it.
#ifdef __EMSCRIPTEN__
std::vector<std::string> PlayerStorageNotes() {
  char* text = mnemora_storage_notes();
  std::vector<std::string> lines;
  if (text != nullptr && text[0] != '\0') lines = SplitLines(text);
  std::free(text);
  return lines;
}
bool PlayerStorageUsable() { return mnemora_storage_usable() == 1; }
unsigned PlayerFilesChangedElsewhere() { return mnemora_changed_elsewhere(); }
#else
std::vector<std::string> PlayerStorageNotes() { return {}; }
bool PlayerStorageUsable() { return true; }
unsigned PlayerFilesChangedElsewhere() { return 0; }
#endif
