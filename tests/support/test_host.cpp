// The test-only face of the headless host: start it in-process, push input,
// drive the virtual clock, read the back buffer, fake joypads, and replace
// the process end with a hook, and read what the mixer played.
#include "support/test_host.h"

#include "platform/internal.h"
#include "platform/render/render_backend.h"
#include "platform/host/host.h"
#include "platform/sound/sound_driver.h"
#include "platform/platform.h"

namespace testhost {
namespace {

plat::HeadlessControl* Control() { return plat::CurrentHeadless(); }

}  // namespace

void Start(const std::string& scriptPath) {
  // Drop the old display before its host goes, then clear every table so no
  // state leaks from one test into the next.
  if (GraphicsOpenNow()) EndGraphics();
  plat::SetHost(plat::MakeHeadlessHost(scriptPath));
  plat::ResetAllPlatformState();
}

void RefuseDrivers(int mask) {
  if (auto* c = Control()) c->RefuseDrivers(mask);
}

void ReportOpenGlRenderer(const std::string& name) {
  if (auto* c = Control()) c->ReportOpenGlRenderer(name);
}

int Sleeps() {
  auto* c = Control();
  return c ? c->Sleeps() : 0;
}

void LimitWaits(int ms) {
  if (auto* c = Control()) c->LimitWaits(ms);
}

void ScriptLines(const std::string& lines) {
  if (auto* c = Control()) c->AddScript(lines);
}

void PushKey(int vk, bool down) {
  if (auto* c = Control()) c->QueueNow(down ? plat::HeadlessEvent::KeyDown : plat::HeadlessEvent::KeyUp, vk);
}

void PushText(const std::string& text) {
  if (auto* c = Control()) c->QueueNow(plat::HeadlessEvent::Text, 0, 0, text);
}

void PushMouseMove(int windowX, int windowY) {
  if (auto* c = Control()) c->QueueNow(plat::HeadlessEvent::MouseMoveWindow, windowX, windowY);
}

void PushMouseButton(int button, bool down) {
  if (auto* c = Control())
    c->QueueNow(down ? plat::HeadlessEvent::MouseDown : plat::HeadlessEvent::MouseUp, button);
}

void PushClose() {
  if (auto* c = Control()) c->QueueNow(plat::HeadlessEvent::Close);
}

int AddPad(const std::string& name, int buttonMask) {
  plat::PadState pad;
  pad.connected = true;
  pad.name = name;
  pad.buttonMask = buttonMask;
  plat::Input().pads.push_back(pad);
  return static_cast<int>(plat::Input().pads.size()) - 1;
}

namespace {
plat::PadState* PadAt(int port) {
  auto& pads = plat::Input().pads;
  return port >= 0 && port < static_cast<int>(pads.size()) ? &pads[port] : nullptr;
}
}  // namespace

void SetPadAxis(int port, int axis, float value) {
  if (auto* p = PadAt(port); p && axis >= 0 && axis < 6) p->axes[axis] = value;
}

void SetPadHat(int port, float hat) {
  if (auto* p = PadAt(port)) p->hat = hat;
}

void SetPadButton(int port, int button, bool down) {
  if (auto* p = PadAt(port); p && button >= 0 && button < 32) {
    if (down)
      p->buttons |= 1u << button;
    else
      p->buttons &= ~(1u << button);
  }
}

int AddController(const std::string& name) { return plat::PlugFakeController(name); }

void SetControllerButton(int port, int button, bool down) {
  plat::SetFakeControllerButton(port, button, down);
}

void SetControllerAxis(int port, int axis, float value) { plat::SetFakeControllerAxis(port, axis, value); }

void UnplugPad(int port) {
  if (auto* p = PadAt(port)) *p = plat::PadState();
}

uint32_t Clock() {
  auto* c = Control();
  return c ? c->Clock() : 0;
}

void Advance(int ms) {
  if (auto* c = Control()) c->Advance(ms);
}

uint32_t Frame::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  size_t i = (static_cast<size_t>(y) * width + x) * 4;
  return (uint32_t(rgba[i]) << 16) | (uint32_t(rgba[i + 1]) << 8) | rgba[i + 2];
}

Frame BackBuffer() {
  Frame f;
  plat::RenderBackend* be = plat::CurrentBackend();
  if (!be) return f;
  plat::FlushDrawList();
  f.width = be->Width();
  f.height = be->Height();
  std::vector<plat::Rgba8> px(static_cast<size_t>(f.width) * f.height);
  be->ReadPixels(0, 0, f.width, f.height, px.data());
  f.rgba.resize(px.size() * 4);
  for (size_t i = 0; i < px.size(); ++i) {
    f.rgba[i * 4] = px[i].r;
    f.rgba[i * 4 + 1] = px[i].g;
    f.rgba[i * 4 + 2] = px[i].b;
    f.rgba[i * 4 + 3] = px[i].a;
  }
  return f;
}

int Presents() { return plat::PresentCount(); }

void SetEndHook(void (*hook)()) { plat::g_endHook = hook; }
int LastEndCode() { return plat::g_lastEndCode; }

namespace {
std::vector<plat::TextRecord> g_recorded;
}  // namespace

std::vector<TextCall> Texts() {
  std::vector<TextCall> out;
  if (plat::g_textLog)
    for (const auto& t : g_recorded)
      if (t.image == 0) out.push_back({t.text, t.x, t.y, t.font, t.colour});
  return out;
}

void RecordTexts(bool on) {
  g_recorded.clear();
  plat::g_textLog = on ? &g_recorded : nullptr;
}

std::vector<DrawnText> DrawnTexts() {
  std::vector<DrawnText> out;
  for (size_t i = 0; i < g_recorded.size(); ++i) {
    const plat::TextRecord& r = g_recorded[i];
    if (r.image == 0 && r.inked)
      out.push_back(DrawnText{r.text, r.font, r.x0, r.y0, r.x1, r.y1, r.windowWidth, r.windowHeight, r.rotation,
                              static_cast<int>(i)});
  }
  return out;
}

std::vector<DrawnImage> DrawnImages() {
  std::vector<DrawnImage> out;
  for (size_t i = 0; i < g_recorded.size(); ++i) {
    const plat::TextRecord& r = g_recorded[i];
    if (r.image > 0)
      out.push_back(DrawnImage{static_cast<int>(i), r.image, r.frame, r.x0, r.y0, r.x1, r.y1, r.windowWidth,
                               r.windowHeight});
  }
  return out;
}

std::vector<DrawnRect> DrawnRects() {
  std::vector<DrawnRect> out;
  for (size_t i = 0; i < g_recorded.size(); ++i) {
    const plat::TextRecord& r = g_recorded[i];
    if (r.image == plat::kRectRecord)
      out.push_back(DrawnRect{static_cast<int>(i), r.x0, r.y0, r.x1, r.y1, r.colour, r.alpha, r.windowWidth,
                              r.windowHeight});
  }
  return out;
}

void ClearDrawnTexts() { g_recorded.clear(); }

void RasteriseEveryFrame(bool eager) { plat::SetEagerHeadlessRaster(eager); }

std::vector<PlayedSound> Played() { return plat::PlayedSounds(); }

void ClearPlayed() { plat::ClearPlayedSounds(); }

std::vector<int16_t> PullSamples(int frames) { return plat::PullCurrentMixer(frames); }

}  // namespace testhost
