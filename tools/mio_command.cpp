// `tavtool mio encode|decode|info`: lossless MIO files from and to PCM WAV, and what a file holds.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "commands.h"
#include "medialib/mio_description.h"
#include "medialib/mio_encoder.h"
#include "medialib/mio_player.h"
#include "medialib/raw_file.h"
#include "wav_file.h"

namespace tav::tools {

namespace {

using medialib::MIODynamicPlayer;

constexpr const char* kUsage =
    "usage: tavtool mio encode IN.wav OUT.mio [--rewind SAMPLE] [--packet SAMPLES] [--key-every N]\n"
    "       tavtool mio decode IN.mio OUT.wav\n"
    "       tavtool mio info FILE.mio\n"
    "\n"
    "encode writes a lossless MIO file (8-bit or 16-bit PCM, mono or stereo) with the loop start\n"
    "SAMPLE as its rewind point (default 0), SAMPLES per packet (default 4096) and a key packet\n"
    "every N packets (default 8). decode writes the PCM as a WAV file.\n";

int Usage(const char* problem) {
  if (problem != nullptr) std::fprintf(stderr, "tavtool mio: %s\n", problem);
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "tavtool mio: %s\n", message.c_str());
  return kExitFailed;
}

bool ParseCount(const std::string& text, uint32_t& value, uint32_t minimum) {
  char* end = nullptr;
  unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
  if (text.empty() || text[0] == '-' || *end != '\0' || parsed > UINT32_MAX || parsed < minimum) {
    return false;
  }
  value = static_cast<uint32_t>(parsed);
  return true;
}

int Encode(const Arguments& args) {
  if (args.size() < 3) return Usage("encode needs an input and an output file");
  medialib::MIOEncodeOptions options;
  for (size_t i = 3; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return Usage(("missing value after " + args[i]).c_str());
    bool ok = args[i] == "--rewind"      ? ParseCount(args[i + 1], options.rewindPoint, 0)
              : args[i] == "--packet"    ? ParseCount(args[i + 1], options.packetSamples, 1)
              : args[i] == "--key-every" ? ParseCount(args[i + 1], options.keyEvery, 1)
                                         : false;
    if (!ok) return Usage(("bad option " + args[i] + " " + args[i + 1]).c_str());
  }
  if (options.packetSamples > medialib::kMIOMaxPacketSamples) {
    return Usage("--packet is limited to 1048576 samples");
  }
  PcmSound sound;
  if (std::string error = ReadWav(args[1], sound); !error.empty()) return Fail(error);
  size_t samples = sound.data.size() / (sound.channels * sound.bitsPerSample / 8);
  if (options.rewindPoint >= samples && samples > 0) {
    return Usage("--rewind lies beyond the end of the sound");
  }
  std::vector<uint8_t> file =
      medialib::EncodeMIOFile(sound.data.data(), sound.data.size(), sound.channels,
                              sound.samplesPerSec, sound.bitsPerSample, options);
  if (file.empty()) return Fail("the sound cannot be encoded");
  std::ofstream out(args[2], std::ios::binary | std::ios::trunc);
  if (!out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size())) ||
      !out.flush()) {
    return Fail("cannot write " + args[2]);
  }
  return kExitOk;
}

// Opens the file for the player; the answer is empty on success.
std::string OpenPlayer(const std::string& path, medialib::ERawFile& file, MIODynamicPlayer& player) {
  if (file.Open(path, medialib::ESLFileObject::kRead | medialib::ESLFileObject::kShareRead) != 0) {
    return "cannot open " + path;
  }
  if (const char* error = player.Open(&file, MIODynamicPlayer::kWithoutThread)) {
    return path + ": " + error;
  }
  return {};
}

int Decode(const Arguments& args) {
  if (args.size() != 3) return Usage("decode needs an input and an output file");
  medialib::ERawFile file;
  MIODynamicPlayer player;
  if (std::string error = OpenPlayer(args[1], file, player); !error.empty()) return Fail(error);
  PcmSound sound;
  sound.channels = player.GetChannelCount();
  sound.samplesPerSec = player.GetFrequency();
  sound.bitsPerSample = player.GetBitsPerSample();
  size_t packet = 0;
  do {
    size_t bytes = 0;
    void* block = player.GetNextBlock(&bytes);
    if (block == nullptr) return Fail(args[1] + ": packet " + std::to_string(packet) + " cannot be decoded");
    auto* begin = static_cast<const uint8_t*>(block);
    sound.data.insert(sound.data.end(), begin, begin + bytes);
    player.ReleaseBlock(block);
    ++packet;
  } while (!player.IsAtStreamStart());
  if (std::string error = WriteWav(args[2], sound); !error.empty()) return Fail(error);
  return kExitOk;
}

int Info(const Arguments& args) {
  if (args.size() != 2) return Usage("info needs one file");
  medialib::ERawFile file;
  MIODynamicPlayer player;
  std::string error = OpenPlayer(args[1], file, player);
  if (!error.empty() && !player.IsOpen()) {
    // Say what the container holds even when it cannot be played.
    medialib::QRIFile reader;
    if (file.IsOpen()) {
      if (const char* problem = reader.Open(&file)) return Fail(args[1] + ": " + problem);
      const auto& info = reader.SoundInfo();
      std::printf("transformation: 0x%X\narchitecture: %d\nchannels: %u\nbits: %u\n", info.transformation,
                  info.architecture, info.channelCount, info.bitsPerSample);
    }
    return Fail(error);
  }
  const auto& info = player.SoundInfo();
  std::printf("file version: 0x%08X\n", player.FileVersion());
  std::printf("codec: lossless (0x%08X), byte coder %s\n", info.transformation,
              player.HasByteCoderMark() ? medialib::kByteCoderName : "unknown");
  std::printf("channels: %u\nbits per sample: %u\nsamples per second: %u\ntotal samples: %u\n",
              info.channelCount, info.bitsPerSample, info.samplesPerSec, info.allSampleCount);
  size_t packets = 0, samples = 0;
  do {
    size_t bytes = 0;
    void* block = player.GetNextBlock(&bytes);
    if (block == nullptr) return Fail(args[1] + ": packet " + std::to_string(packets) + " cannot be decoded");
    player.ReleaseBlock(block);
    samples += bytes / (info.channelCount * info.bitsPerSample / 8);
    ++packets;
  } while (!player.IsAtStreamStart());
  std::printf("packets: %zu\nsamples in packets: %zu\n", packets, samples);
  if ((player.PresenceFlags() & medialib::kQRIHasDescription) != 0) {
    for (const auto& tag : medialib::ParseDescription(player.Description().View())) {
      std::printf("#%s: %s\n", medialib::Utf16ToUtf8(tag.name).c_str(),
                  medialib::Utf16ToUtf8(tag.content).c_str());
    }
  }
  if ((player.PresenceFlags() & medialib::kQRIHasCopyright) != 0) {
    std::printf("copyright: %s\n", player.Copyright().ToUtf8().c_str());
  }
  return kExitOk;
}

}  // namespace

int RunMio(const Arguments& args) {
  if (args.empty()) return Usage(nullptr);
  if (args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (args[0] == "encode") return Encode(args);
  if (args[0] == "decode") return Decode(args);
  if (args[0] == "info") return Info(args);
  return Usage(("unknown mio command '" + args[0] + "'").c_str());
}

}  // namespace tav::tools
