#pragma once

// `MIODynamicPlayer`: plays an MIO stream out of a container. It reads sound packets ahead
// (on a reader thread, or on demand without one), keeps an index of the key packets it has met,
// seeks by sample (decoding from the last key packet so that the byte coder's models are those
// the encoder had), and decodes packets into PCM blocks on the library heap. After the last
// packet the reader wraps to the start of the stream: IsAtStreamStart is how a caller sees the
// end of the sound.
//
// Threads: file access happens on the reader thread (or, without one, on the caller's thread);
// decoding on the caller's thread, or on the reader thread while the caller waits for a seek.
// A build without threads (the web build) reads on demand whatever mode is asked for: the
// packets, and so the samples, are the same either way.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "medialib/mio_decoder.h"
#include "medialib/qri_file.h"

namespace tav::medialib {

class MIODynamicPlayer : public QRIFile {
  ESL_DECLARE_CLASS(MIODynamicPlayer)

 public:
  static constexpr int kWithThread = 0;      // reader thread, queue of 8 packets
  static constexpr int kWithoutThread = -1;  // no thread, queue of 2

  MIODynamicPlayer();
  MIODynamicPlayer(const MIODynamicPlayer&) = delete;
  MIODynamicPlayer& operator=(const MIODynamicPlayer&) = delete;
  ~MIODynamicPlayer() override;

  // Null on success, else one of the player's messages. Any other queue mode is the queue's
  // capacity with a reader thread. The file must stay open until Close.
  const char* Open(ESLFileObject* file, int queueMode);
  // Stops the reader thread (waiting for it) and forgets the stream.
  void Close();

  uint32_t GetChannelCount() const { return SoundInfo().channelCount; }
  uint32_t GetFrequency() const { return SoundInfo().samplesPerSec; }
  uint32_t GetBitsPerSample() const { return SoundInfo().bitsPerSample; }
  uint32_t GetTotalSampleCount() const { return SoundInfo().allSampleCount; }

  // Whether the next packet starts at sample 0 (also true when no packet can be had).
  bool IsAtStreamStart();
  // The next packet decoded (interleaved PCM, freed with ReleaseBlock), or null.
  void* GetNextBlock(size_t* bytes);
  // The decoded packet that holds `sample`, with the sample's byte offset in it; null when the
  // stream has no such sample or the packet cannot be decoded.
  void* SeekAndGetBlock(uint32_t sample, size_t* bytes, size_t* offset);
  void ReleaseBlock(void* block);

  // Packets decoded since Open (primed or returned); for tests and the benchmark.
  size_t DecodedPackets() const { return decodedPackets_; }

 private:
  struct Packet;
  class PacketContext;
  struct SeekRequest;

  std::unique_ptr<Packet> ReadPacket(bool withData, bool wrap);
  bool SeekToSample(uint64_t sample, const Packet* inHand);
  bool SeekInFile(uint64_t sample);
  bool Decode(const Packet& packet, void* output);
  bool Prime(const Packet& packet);
  void* DecodeBlock(const Packet& packet, size_t* bytes);
  std::unique_ptr<Packet> TakePacket();
  void ReaderThread();
  void AddKey(uint64_t sample, uint64_t chunkPosition);

  std::unique_ptr<PacketContext> context_;
  std::unique_ptr<MIODecoder> decoder_;
  std::vector<uint8_t> primeOutput_;
  size_t decodedPackets_ = 0;

  std::thread thread_;
  std::mutex queueMutex_;  // guards the queue, the requests and readerEnded_
  std::condition_variable queueChanged_;
  std::deque<std::unique_ptr<Packet>> queue_;
  size_t capacity_ = 2;
  std::deque<SeekRequest*> requests_;  // null: quit
  bool readerEnded_ = false;

  std::recursive_mutex fileLock_;      // file position, current sample, key index
  uint64_t currentSample_ = 0;
  std::vector<std::pair<uint64_t, uint64_t>> keyIndex_;  // (first sample, chunk position)
};

}  // namespace tav::medialib
