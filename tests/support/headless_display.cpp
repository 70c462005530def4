// The headless host with a display open, for tests of screens and drawing.
#include "support/headless_display.h"

#include "framework/display_setup.h"
#include "framework/frame_flip.h"
#include "framework/startup.h"
#include "platform/platform.h"
#include "support/test_host.h"

namespace testsupport {

void StartHeadlessDisplay(const DisplayShape& shape) {
  testhost::Start("");
  ResetProgramTables();
  DebugOverlay = shape.statistics ? 1 : 0;
  OpenHeadlessDisplay(shape);
  LastFlipTime = MilliSecs();
}

void OpenHeadlessDisplay(const DisplayShape& shape) {
  if (GraphicsOpenNow()) EndGraphics();
  if (shape.driver >= 0) SetGraphicsDriver(shape.driver);
  ASSERT_EQ(Graphics(shape.width, shape.height, 0, 60, 0), 1) << shape.width << " x " << shape.height;
  RealWidth = shape.width;
  RealHeight = shape.height;
  VirtualWidth = shape.virtualWidth;
  VirtualHeight = shape.virtualHeight;
  SetVirtualResolution(static_cast<float>(shape.virtualWidth), static_cast<float>(shape.virtualHeight));
}

void HeadlessDisplayTest::TearDown() {
  if (GraphicsOpenNow()) EndGraphics();
}

}  // namespace testsupport
