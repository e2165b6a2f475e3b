#include "medialib/mio_player.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "medialib/heap.h"
#include "medialib/library_init.h"
#include "os/diagnostics.h"
#include "os/threads_available.h"

namespace tav::medialib {

ESL_IMPLEMENT_CLASS(MIODynamicPlayer, QRIFile)

namespace {
constexpr size_t kQueueWithThread = 8;
constexpr size_t kQueueWithoutThread = 2;
constexpr uint64_t kChunkHeaderBytes = 16;

void Trace(const std::string& text) {
  platform::Diagnose(platform::Severity::Warning, "", text);
}
}  // namespace

struct MIODynamicPlayer::Packet {
  uint64_t first = 0;          // first sample index
  uint64_t chunkPosition = 0;  // of the "SoundStm" chunk header
  MIODataHeader header;
  uint8_t* data = nullptr;     // on the library heap
  size_t length = 0;

  Packet() = default;
  Packet(const Packet&) = delete;
  Packet& operator=(const Packet&) = delete;
  ~Packet() { eslHeapFree(nullptr, data, 0); }
  bool Contains(uint64_t sample) const {
    return first <= sample && sample - first < header.sampleCount;
  }
  bool IsKey() const { return (header.flags & kMIOKeyPacket) != 0; }
};

// Serves the coded bytes of the packet being decoded.
class MIODynamicPlayer::PacketContext : public QRISADecodeContext {
 public:
  void Attach(const Packet& packet) {
    data_ = packet.data;
    left_ = packet.length;
  }
  size_t ReadNextData(uint8_t* buffer, size_t bytes) override {
    size_t count = std::min(bytes, left_);
    if (count > 0) memcpy(buffer, data_, count);
    data_ += count;
    left_ -= count;
    return count;
  }

 private:
  const uint8_t* data_ = nullptr;
  size_t left_ = 0;
};

struct MIODynamicPlayer::SeekRequest {
  uint64_t sample = 0;
  bool done = false;
  bool succeeded = false;
};

MIODynamicPlayer::MIODynamicPlayer() = default;

MIODynamicPlayer::~MIODynamicPlayer() { Close(); }

const char* MIODynamicPlayer::Open(ESLFileObject* file, int queueMode) {
  Close();
  if (const char* error = QRIFile::Open(file)) {
    Trace(std::string("[MIODynamicPlayer::Open] ファイルを開けませんでした。") + error);
    return mio_messages::kCannotOpen;
  }
  if ((PresenceFlags() & kQRIHasSoundInfo) == 0) {
    Trace("[MIODynamicPlayer::Open] 音声情報がありません。");
    QRIFile::Close();
    return mio_messages::kNoSoundInfo;
  }
  decoder_ = std::make_unique<MIODecoder>();
  if (decoder_->Initialize(SoundInfo(), HasByteCoderMark()) != 0) {
    Trace("[MIODynamicPlayer::Open] MIO デコーダの初期化に失敗しました。");
    Close();
    return mio_messages::kDecoderInit;
  }
  context_ = std::make_unique<PacketContext>();
  if (!context_->Model().IsValid()) {
    Close();
    return mio_messages::kDecoderInit;
  }
  currentSample_ = 0;
  readerEnded_ = false;
  // Without threads (the web build) packets are always read on demand.
  if (queueMode == kWithoutThread || !platform::ThreadsAvailable()) {
    capacity_ = kQueueWithoutThread;
    std::unique_ptr<Packet> first = ReadPacket(true, true);
    if (first == nullptr) {
      Close();
      return mio_messages::kNoPacket;
    }
    queue_.push_back(std::move(first));
    return nullptr;
  }
  capacity_ = queueMode == kWithThread ? kQueueWithThread : static_cast<size_t>(std::max(queueMode, 1));
  thread_ = std::thread(&MIODynamicPlayer::ReaderThread, this);
  std::unique_lock lock(queueMutex_);
  queueChanged_.wait(lock, [this] { return queue_.size() >= capacity_ || readerEnded_; });
  if (queue_.size() < capacity_) {
    lock.unlock();
    Close();
    return mio_messages::kNoPacket;
  }
  return nullptr;
}

void MIODynamicPlayer::Close() {
  if (thread_.joinable()) {
    {
      std::lock_guard lock(queueMutex_);
      requests_.push_back(nullptr);
    }
    queueChanged_.notify_all();
    thread_.join();
  }
  queue_.clear();
  requests_.clear();
  keyIndex_.clear();
  decoder_.reset();
  context_.reset();
  decodedPackets_ = 0;
  currentSample_ = 0;
  QRIFile::Close();
}

void MIODynamicPlayer::AddKey(uint64_t sample, uint64_t chunkPosition) {
  auto at = std::lower_bound(keyIndex_.begin(), keyIndex_.end(),
                             std::make_pair(sample, uint64_t{0}));
  if (at == keyIndex_.end() || at->first != sample) keyIndex_.insert(at, {sample, chunkPosition});
}

// The next "SoundStm" packet; at the end of the stream (with `wrap`) the first one again. Null
// when there is none or it is malformed.
std::unique_ptr<MIODynamicPlayer::Packet> MIODynamicPlayer::ReadPacket(bool withData, bool wrap) {
  std::lock_guard lock(fileLock_);
  if (!IsOpen()) return nullptr;
  if (!DescendChunk("SoundStm")) {
    if (!wrap || currentSample_ == 0) return nullptr;
    SeekTo(StreamStart());
    currentSample_ = 0;
    if (!DescendChunk("SoundStm")) return nullptr;
  }
  auto packet = std::make_unique<Packet>();
  const Chunk& chunk = *CurrentChunk();
  packet->chunkPosition = chunk.start - kChunkHeaderBytes;
  uint64_t dataLength = chunk.length >= kMIODataHeaderBytes ? chunk.length - kMIODataHeaderBytes : 0;
  uint8_t header[kMIODataHeaderBytes];
  bool ok = Read(header, kMIODataHeaderBytes) == kMIODataHeaderBytes;
  if (ok) {
    packet->header = {header[0], header[1], header[2], header[3], LoadLE32(header + 4)};
    ok = packet->header.sampleCount > 0 && packet->header.sampleCount <= kMIOMaxPacketSamples &&
         dataLength <= kEslHeapMaxBlock;
  }
  if (ok && withData) {
    packet->length = static_cast<size_t>(dataLength);
    packet->data = static_cast<uint8_t*>(eslHeapAllocate(nullptr, packet->length, 0));
    ok = packet->data != nullptr && Read(packet->data, packet->length) == packet->length;
  }
  AscendChunk();
  if (!ok) return nullptr;
  packet->first = currentSample_;
  currentSample_ += packet->header.sampleCount;
  if (packet->IsKey()) AddKey(packet->first, packet->chunkPosition);
  return packet;
}

bool MIODynamicPlayer::Decode(const Packet& packet, void* output) {
  context_->Attach(packet);
  ++decodedPackets_;
  return decoder_->DecodeSound(*context_, packet.header, output) == 0;
}

bool MIODynamicPlayer::Prime(const Packet& packet) {
  primeOutput_.resize(decoder_->BlockBytes(packet.header.sampleCount));
  return Decode(packet, primeOutput_.data());
}

void* MIODynamicPlayer::DecodeBlock(const Packet& packet, size_t* bytes) {
  size_t size = decoder_->BlockBytes(packet.header.sampleCount);
  void* block = eslHeapAllocate(nullptr, size, 0);
  if (block == nullptr) return nullptr;
  if (!Decode(packet, block)) {
    eslHeapFree(nullptr, block, 0);
    return nullptr;
  }
  if (bytes != nullptr) *bytes = size;
  return block;
}

// Positions the stream so that the packet holding `sample` heads the queue with the decoder
// primed for it. `inHand` is the packet the reader thread had read but not yet queued.
bool MIODynamicPlayer::SeekToSample(uint64_t sample, const Packet* inHand) {
  std::unique_lock lock(queueMutex_);
  auto holder = std::find_if(queue_.begin(), queue_.end(),
                             [&](const auto& p) { return p->Contains(sample); });
  if (holder != queue_.end()) {
    // The packets ahead of it in the queue follow the last one decoded, so decoding from the
    // queue's head (or from a later key packet) primes the models.
    size_t target = static_cast<size_t>(holder - queue_.begin());
    size_t start = 0;
    for (size_t i = target + 1; i-- > 0;) {
      if (queue_[i]->IsKey()) {
        start = i;
        break;
      }
    }
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(start));
    bool ok = true;
    while (ok && !queue_.front()->Contains(sample)) {
      ok = Prime(*queue_.front());
      queue_.pop_front();
    }
    if (inHand != nullptr) {
      // The reader reads on from the packet it had in hand, so no packet goes missing.
      std::lock_guard fileLock(fileLock_);
      SeekTo(inHand->chunkPosition);
      currentSample_ = inHand->first;
    }
    return ok;
  }
  queue_.clear();
  lock.unlock();
  return SeekInFile(sample);
}

bool MIODynamicPlayer::SeekInFile(uint64_t sample) {
  std::unique_lock fileLock(fileLock_);
  // From the greatest known key packet at or before the sample (or the stream start), walk the
  // packet headers up to the sample, indexing the key packets met.
  auto key = std::upper_bound(keyIndex_.begin(), keyIndex_.end(),
                              std::make_pair(sample, ~uint64_t{0}));
  if (key != keyIndex_.begin()) {
    --key;
    SeekTo(key->second);
    currentSample_ = key->first;
  } else {
    SeekTo(StreamStart());
    currentSample_ = 0;
  }
  for (;;) {
    uint64_t before = currentSample_;
    std::unique_ptr<Packet> header = ReadPacket(false, false);
    if (header == nullptr) {  // the stream ends before the sample
      SeekTo(StreamStart());
      currentSample_ = 0;
      return false;
    }
    if (header->Contains(sample)) {
      currentSample_ = before;
      break;
    }
  }
  key = std::upper_bound(keyIndex_.begin(), keyIndex_.end(), std::make_pair(sample, ~uint64_t{0}));
  if (key != keyIndex_.begin()) {
    --key;
    SeekTo(key->second);
    currentSample_ = key->first;
  } else {
    // No key packet before it: decode from the stream's start with the models as new, which
    // is how the encoder began.
    SeekTo(StreamStart());
    currentSample_ = 0;
    context_->Model().Reset();
  }
  for (;;) {
    std::unique_ptr<Packet> packet = ReadPacket(true, false);
    if (packet == nullptr) return false;
    if (packet->Contains(sample)) {
      fileLock.unlock();
      std::lock_guard lock(queueMutex_);
      queue_.push_back(std::move(packet));
      queueChanged_.notify_all();
      return true;
    }
    if (!Prime(*packet)) return false;
  }
}

std::unique_ptr<MIODynamicPlayer::Packet> MIODynamicPlayer::TakePacket() {
  std::unique_lock lock(queueMutex_);
  if (!thread_.joinable()) {
    if (queue_.empty()) {
      lock.unlock();
      std::unique_ptr<Packet> packet = ReadPacket(true, true);
      return packet;
    }
  } else {
    queueChanged_.wait(lock, [this] { return !queue_.empty() || readerEnded_; });
    if (queue_.empty()) return nullptr;
  }
  std::unique_ptr<Packet> packet = std::move(queue_.front());
  queue_.pop_front();
  queueChanged_.notify_all();
  return packet;
}

bool MIODynamicPlayer::IsAtStreamStart() {
  if (!IsOpen()) return true;
  std::unique_lock lock(queueMutex_);
  if (!thread_.joinable()) {
    if (queue_.empty()) {
      lock.unlock();
      std::unique_ptr<Packet> packet = ReadPacket(true, true);
      if (packet == nullptr) return true;
      lock.lock();
      queue_.push_back(std::move(packet));
    }
  } else {
    queueChanged_.wait(lock, [this] { return !queue_.empty() || readerEnded_; });
    if (queue_.empty()) return true;
  }
  return queue_.front()->first == 0;
}

void* MIODynamicPlayer::GetNextBlock(size_t* bytes) {
  if (bytes != nullptr) *bytes = 0;
  if (!IsOpen()) return nullptr;
  std::unique_ptr<Packet> packet = TakePacket();
  return packet != nullptr ? DecodeBlock(*packet, bytes) : nullptr;
}

void* MIODynamicPlayer::SeekAndGetBlock(uint32_t sample, size_t* bytes, size_t* offset) {
  if (bytes != nullptr) *bytes = 0;
  if (offset != nullptr) *offset = 0;
  if (!IsOpen()) return nullptr;
  bool sought;
  if (thread_.joinable()) {
    SeekRequest request;
    request.sample = sample;
    std::unique_lock lock(queueMutex_);
    requests_.push_back(&request);
    queueChanged_.notify_all();
    queueChanged_.wait(lock, [&] { return request.done || readerEnded_; });
    if (!request.done) {
      requests_.erase(std::remove(requests_.begin(), requests_.end(), &request), requests_.end());
    }
    sought = request.done && request.succeeded;
  } else {
    sought = SeekToSample(sample, nullptr);
  }
  if (!sought) return nullptr;
  std::unique_ptr<Packet> packet = TakePacket();
  if (packet == nullptr || !packet->Contains(sample)) return nullptr;
  void* block = DecodeBlock(*packet, bytes);
  if (block != nullptr && offset != nullptr) {
    *offset = static_cast<size_t>(sample - packet->first) * decoder_->BytesPerSample();
  }
  return block;
}

void MIODynamicPlayer::ReleaseBlock(void* block) { eslHeapFree(nullptr, block, 0); }

void MIODynamicPlayer::ReaderThread() {
  rudInitializeTask();
  std::unique_ptr<Packet> inHand = ReadPacket(true, true);
  std::unique_lock lock(queueMutex_);
  while (inHand != nullptr) {
    queueChanged_.wait(lock, [this] { return !requests_.empty() || queue_.size() < capacity_; });
    if (!requests_.empty()) {
      SeekRequest* request = requests_.front();
      requests_.pop_front();
      if (request == nullptr) break;  // quit
      lock.unlock();
      bool ok = SeekToSample(request->sample, inHand.get());
      inHand = ReadPacket(true, true);
      lock.lock();
      request->succeeded = ok;
      request->done = true;
      queueChanged_.notify_all();
      continue;
    }
    queue_.push_back(std::move(inHand));
    queueChanged_.notify_all();
    lock.unlock();
    inHand = ReadPacket(true, true);
    lock.lock();
  }
  readerEnded_ = true;
  queueChanged_.notify_all();
  lock.unlock();
  rudCloseTask();
}

}  // namespace tav::medialib
