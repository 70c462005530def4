// The sound drivers on offer, in the order the game lists them. A new driver
// is one more entry here and a file of its own in this folder.
#include <array>

#include "platform/sound/sound_driver.h"

namespace plat {
namespace {

// Both drivers are built into every copy of the game; a machine without a
// device shows when the driver is opened.
bool Always() { return true; }

const std::array<SoundDriverKind, 2> kSoundDrivers = {{
    {"FreeMix SDL Audio", false, Always, MakeMixerDriver},
    {"OpenAL Soft", true, Always, MakeOpenALDriver},
}};

}  // namespace

std::span<const SoundDriverKind> SoundDrivers() { return kSoundDrivers; }

}  // namespace plat
