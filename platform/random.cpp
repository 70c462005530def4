// The shared random generator: a 31-bit multiplicative congruential state
// (multiplier 48271, modulus 2^31 - 1, stepped with Schrage's method so no
// product overflows). Stored games, the pause menu's picture and the tests
// depend on the exact sequence after a seed, so none of this may change.
#include <cmath>
#include <cstdint>

#include "platform/internal.h"
#include "platform/platform.h"

namespace {

constexpr int32_t kStartState = 4660;
int32_t g_state = kStartState;

int32_t Step() {
  int32_t s = 48271 * (g_state % 44488) - 3399 * (g_state / 44488);
  if (s < 0) s += 2147483647;
  g_state = s;
  return s;
}

// Truncation toward zero of a real that is known to fit an int64.
int64_t Truncate(double v) { return static_cast<int64_t>(v); }

}  // namespace

namespace plat {
void ResetRandom() { g_state = kStartState; }
namespace {
const ResetHook s_resetRandom(ResetRandom);
}  // namespace
}  // namespace plat

// 2^31 - 1 is the modulus itself: like 0 it would step to 0 and stay there,
// every real 0 and every Rand its lower bound, so it also starts at 4660.
void SeedRnd(int seed) {
  g_state = static_cast<int32_t>(static_cast<uint32_t>(seed) & 0x7FFFFFFFu);
  if (g_state == 0 || g_state == 0x7FFFFFFF) g_state = kStartState;
}

int RndSeed() { return g_state; }

double Rnd01() {
  int32_t s1 = Step();
  int32_t s2 = Step();
  return ((s1 & 0x1FFFFFFC) + (s2 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
}

// Both bounds are included whichever order they come in. The span is worked
// out in 64 bits so Rand(INT_MIN, INT_MAX) does not overflow.
int Rand(int a, int b) {
  int64_t d = int64_t(b) - int64_t(a);
  double r = Rnd01();
  if (d > 0) return static_cast<int>(a + Truncate(r * double(d + 1)));
  return static_cast<int>(b + Truncate(r * double(1 - d)));
}

double RndRange(double a, double b) {
  double low = a < b ? a : b;
  return low + Rnd01() * std::fabs(b - a);
}
