// The page's side of the browser build (see browser_page.h). The JavaScript
// these calls reach is in browser_page.js, linked into the page's script.
#include "platform/host/browser_page.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

// clang-format off
EM_JS(void, mnemora_fresh_canvas, (), { Module.mnemoraPage.freshCanvas(); });
EM_ASYNC_JS(void, mnemora_next_frame, (), { await Module.mnemoraPage.nextPaint(); });
EM_JS(void, mnemora_presented, (), { Module.mnemoraPage.presents++; });
EM_JS(void, mnemora_persist, (), { Module.mnemoraPage.persist(); });
EM_JS(void, mnemora_download, (const char* path), { Module.mnemoraPage.download(UTF8ToString(path)); });
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
#else
bool InBrowser() { return false; }
void BrowserFreshCanvas() {}
void BrowserNextFrame() {}
void BrowserFramePresented() {}
void PersistPlayerFiles() {}
void OfferDownload(const std::string&) {}
#endif

unsigned BrowserYields() { return g_yields; }
void CountBrowserYield() { ++g_yields; }

}  // namespace plat
