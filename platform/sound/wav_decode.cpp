// The WAV reader: RIFF/WAVE images held in memory, PCM 8-bit unsigned or
// 16-bit signed, mono or stereo, any sane rate, decoded to signed 16-bit.
// Every size read from the file is checked against the bytes actually present
// before it is used, so broken or hostile files are rejected, never trusted.
#include "platform/sound/sound_driver.h"

#include <cstring>

namespace plat {
namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

struct Format {
  bool seen = false;
  uint16_t tag = 0;
  int channels = 0;
  uint32_t rate = 0;
  int blockAlign = 0;
  int bits = 0;
};

// Reads the fmt chunk body; false when it describes something we cannot play.
bool ReadFormat(const uint8_t* body, uint32_t size, Format& fmt) {
  if (size < 16) return false;
  fmt.tag = Le16(body);
  fmt.channels = Le16(body + 2);
  fmt.rate = Le32(body + 4);
  fmt.blockAlign = Le16(body + 12);
  fmt.bits = Le16(body + 14);
  if (fmt.tag == kFormatExtensible) {
    // The real format sits in the first two bytes of the sub-format GUID.
    if (size < 40) return false;
    int validBits = Le16(body + 18);
    if (validBits != 0 && validBits != fmt.bits) return false;
    fmt.tag = Le16(body + 24);
  }
  if (fmt.tag != kFormatPcm) return false;
  if (fmt.channels != 1 && fmt.channels != 2) return false;
  if (fmt.bits != 8 && fmt.bits != 16) return false;
  if (fmt.blockAlign != fmt.channels * fmt.bits / 8) return false;
  if (fmt.rate < uint32_t(kWavMinRate) || fmt.rate > uint32_t(kWavMaxRate)) return false;
  fmt.seen = true;
  return true;
}

}  // namespace

bool DecodeWav(const uint8_t* data, size_t size, SoundData& out) {
  out = SoundData{};
  if (data == nullptr || size < 12) return false;
  if (std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) return false;

  // The RIFF size may claim less than the file holds (trailing junk is
  // ignored) but a claim of more means the file was cut short: the data
  // chunk check below then rejects it if the cut reaches the samples.
  size_t end = size;
  uint64_t riffEnd = uint64_t(Le32(data + 4)) + 8;
  if (riffEnd < end) end = size_t(riffEnd);

  Format fmt;
  const uint8_t* samples = nullptr;
  uint32_t sampleBytes = 0;
  size_t pos = 12;
  while (pos + 8 <= end) {
    const uint8_t* chunk = data + pos;
    uint32_t chunkSize = Le32(chunk + 4);
    size_t bodyPos = pos + 8;
    size_t available = end - bodyPos;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (fmt.seen || chunkSize > available) return false;
      if (!ReadFormat(data + bodyPos, chunkSize, fmt)) return false;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (samples != nullptr) return false;   // two data chunks: which one is meant?
      if (chunkSize > available || chunkSize > kWavMaxDataBytes) return false;
      samples = data + bodyPos;
      sampleBytes = chunkSize;
    } else if (chunkSize > available) {
      break;   // an unknown chunk cut short at the end: nothing more to find
    }
    // Chunks are padded to an even length.
    uint64_t next = uint64_t(bodyPos) + chunkSize + (chunkSize & 1);
    if (next >= end) break;
    pos = size_t(next);
  }
  if (!fmt.seen || samples == nullptr) return false;

  // A partial frame at the end of the data is dropped.
  size_t frames = sampleBytes / size_t(fmt.blockAlign);
  if (frames == 0) return false;

  out.channels = fmt.channels;
  out.rate = int(fmt.rate);
  size_t count = frames * size_t(fmt.channels);
  out.samples.resize(count);
  if (fmt.bits == 8) {
    for (size_t i = 0; i < count; ++i) out.samples[i] = int16_t((int(samples[i]) - 128) * 256);
  } else {
    for (size_t i = 0; i < count; ++i) out.samples[i] = int16_t(Le16(samples + 2 * i));
  }
  return true;
}

}  // namespace plat
