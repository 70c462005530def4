// Builds WAV images in memory for the audio tests: a well-formed file from
// samples, and the pieces (chunks, little-endian fields) to break one on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace wavtest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline void PutTag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(tag[i]));
}

inline Bytes Chunk(const char* tag, const Bytes& body) {
  Bytes b;
  PutTag(b, tag);
  Put32(b, uint32_t(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  if (body.size() & 1) b.push_back(0);
  return b;
}

inline Bytes FmtBody(int channels, int rate, int bits, int blockAlign = -1, int tag = 1) {
  if (blockAlign < 0) blockAlign = channels * bits / 8;
  Bytes b;
  Put16(b, uint32_t(tag));
  Put16(b, uint32_t(channels));
  Put32(b, uint32_t(rate));
  Put32(b, uint32_t(rate * blockAlign));
  Put16(b, uint32_t(blockAlign));
  Put16(b, uint32_t(bits));
  return b;
}

// RIFF header with the true size around the given chunks.
inline Bytes Riff(const std::vector<Bytes>& chunks) {
  Bytes body;
  PutTag(body, "WAVE");
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, uint32_t(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// 16-bit samples, interleaved when stereo.
inline Bytes Pcm16(const std::vector<int16_t>& samples) {
  Bytes b;
  for (int16_t s : samples) Put16(b, uint16_t(s));
  return b;
}

inline Bytes Wav16(int channels, int rate, const std::vector<int16_t>& samples) {
  return Riff({Chunk("fmt ", FmtBody(channels, rate, 16)), Chunk("data", Pcm16(samples))});
}

inline Bytes Wav8(int channels, int rate, const Bytes& samples) {
  return Riff({Chunk("fmt ", FmtBody(channels, rate, 8)), Chunk("data", samples)});
}

// A mono sound holding one value throughout: easy to recognise in a mix.
inline Bytes Constant16(int rate, int frames, int16_t value) {
  return Wav16(1, rate, std::vector<int16_t>(size_t(frames), value));
}

inline void WriteFileBytes(const std::string& path, const Bytes& b) {
  testsupport::WriteBytes(path, std::string(b.begin(), b.end()));
}

}  // namespace wavtest
