// The page around the browser build, as the runtime offers it to the game:
// the display's size that the page decides, the screen shown (for the touch
// buttons) and the page's text field for typing on a touch device. On the
// desktop every call answers "no page".
#include <string>
#include <vector>

#include "platform/host/browser_page.h"
#include "platform/host/host.h"
#include "platform/platform.h"

int PageDisplaySize(int& width, int& height) { return plat::BrowserPageSize(width, height) ? 1 : 0; }

void ShowPageScreen(int screen) { plat::BrowserShowScreen(screen); }

int OpenPageTextField(const std::string& text, int maxLength) {
  return plat::BrowserOpenTextField(plat::Latin1ToUtf8(text), maxLength) ? 1 : 0;
}

int ReadPageTextField(std::string& text) {
  std::string utf8;
  const int state = plat::BrowserReadTextField(utf8);
  if (state == 0) return 0;
  text.clear();
  for (int code : plat::DecodeTypedText(utf8.c_str())) text += static_cast<char>(code);
  return state;
}

void ClosePageTextField() { plat::BrowserCloseTextField(); }
