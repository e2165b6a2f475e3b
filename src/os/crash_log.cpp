#include "os/crash_log.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "encoding/sjis.h"

namespace tav::platform {
namespace {

constexpr size_t kCodeDumpBefore = 256;
constexpr size_t kCodeDumpLength = 512;
constexpr size_t kStackDumpLength = 512;
constexpr size_t kDataDumpLength = 128;
constexpr size_t kDumpLineBytes = 16;
// Registers below this are small integers, not addresses worth dumping.
constexpr uint64_t kSmallestDumpedAddress = 0x10000;
// Reads never cross a multiple of this, so one unreadable page costs only its own bytes.
constexpr uint64_t kReadChunk = 4096;

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Collects the log in a fixed buffer and hands it to write(2) in large pieces.
class LogWriter {
 public:
  explicit LogWriter(int fd) : fd_(fd) {}
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  void Append(const char* text, size_t size) {
    while (size > 0) {
      if (used_ == sizeof(buffer_)) Flush();
      size_t take = sizeof(buffer_) - used_;
      if (take > size) take = size;
      memcpy(buffer_ + used_, text, take);
      used_ += take;
      text += take;
      size -= take;
    }
  }
  void Append(const char* text) { Append(text, strlen(text)); }
  void Append(char c) { Append(&c, 1); }

  __attribute__((format(printf, 2, 3))) void Format(const char* format, ...) {
    char line[8192];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    if (length < 0) {
      ok_ = false;
      return;
    }
    Append(line, static_cast<size_t>(length) < sizeof(line) ? static_cast<size_t>(length)
                                                            : sizeof(line) - 1);
  }

  bool Finish() {
    Flush();
    return ok_;
  }

 private:
  void Flush() {
    if (used_ > 0 && !WriteAll(fd_, buffer_, used_)) ok_ = false;
    used_ = 0;
  }

  int fd_;
  char buffer_[4096];
  size_t used_ = 0;
  bool ok_ = true;
};

// A pipe is the fallback probe when process_vm_readv is refused (seccomp, very old kernels):
// write(2) from an unreadable address fails with EFAULT instead of raising a signal.
bool CopyThroughPipe(uint64_t address, unsigned char* out, size_t size) {
  static int pipeEnds[2] = {-1, -1};
  if (pipeEnds[0] < 0 && pipe(pipeEnds) != 0) return false;
  ssize_t written = write(pipeEnds[1], reinterpret_cast<const void*>(address), size);
  if (written <= 0) return false;
  ssize_t got = read(pipeEnds[0], out, static_cast<size_t>(written));
  return got == written && static_cast<size_t>(written) == size;
}

bool CopyFromSelf(uint64_t address, unsigned char* out, size_t size) {
  iovec local{out, size};
  iovec remote{reinterpret_cast<void*>(address), size};
  ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
  if (got >= 0) return static_cast<size_t>(got) == size;
  if (errno == EFAULT || errno == ESRCH) return false;
  return CopyThroughPipe(address, out, size);
}

// One dump: lines of 16 bytes from base + first to base + first + length. The line at offset 0
// carries the label "NAME+0000H" in place of its address.
void WriteDump(LogWriter& out, const char* registerName, uint64_t base, int64_t first,
               size_t length) {
  char label[16];
  snprintf(label, sizeof(label), "%s+0000H", registerName);
  for (size_t line = 0; line < length; line += kDumpLineBytes) {
    int64_t offset = first + static_cast<int64_t>(line);
    uint64_t address = base + static_cast<uint64_t>(offset);
    unsigned char bytes[kDumpLineBytes];
    bool readable[kDumpLineBytes];
    ReadMemorySafely(address, bytes, readable, kDumpLineBytes);

    if (offset == 0) {
      out.Format("%9s : ", label);
    } else {
      out.Format("%016llXH : ", static_cast<unsigned long long>(address));
    }
    for (size_t i = 0; i < kDumpLineBytes; ++i) {
      if (readable[i]) {
        out.Format("%02X ", bytes[i]);
      } else {
        out.Append("?? ");
      }
    }
    out.Append("    ");
    for (size_t i = 0; i < kDumpLineBytes; ++i) {
      if (!readable[i]) {
        out.Append('?');
      } else {
        out.Append(bytes[i] < 32 ? '.' : static_cast<char>(bytes[i]));
      }
    }
    out.Append(" \r\n");
  }
  out.Append("\r\n\r\n");
}

}  // namespace

CrashLogTexts MakeCrashLogTexts() {
  CrashLogTexts texts;
  texts.header = Utf8ToSjis(
      "モジュール：%s\r\n"
      "例外エラーがスレッド %08XH で発生しました。\r\n"
      "例外エラーコード：%08XH\r\n"
      "例外エラーの種類：%s\r\n"
      "\r\n\r\n"
      "レジスタダンプ；\r\n");
  texts.codeDump = Utf8ToSjis("コードダンプ；\r\n");
  texts.stackDump = Utf8ToSjis("スタックダンプ；\r\n");
  texts.dataDump = Utf8ToSjis("データダンプ；\r\n");
  return texts;
}

void ReadMemorySafely(uint64_t address, unsigned char* out, bool* readable, size_t n) {
  size_t done = 0;
  while (done < n) {
    uint64_t at = address + done;  // wraps around the top of the address space, as a pointer would
    size_t chunk = static_cast<size_t>(kReadChunk - at % kReadChunk);
    if (chunk > n - done) chunk = n - done;
    bool ok = CopyFromSelf(at, out + done, chunk);
    for (size_t i = 0; i < chunk; ++i) {
      readable[done + i] = ok;
      if (!ok) out[done + i] = 0;
    }
    done += chunk;
  }
}

bool WriteCrashLog(int fd, const CrashLogTexts& texts, const CrashSnapshot& crash) {
  using ull = unsigned long long;
  const CrashRegisters& r = crash.registers;
  LogWriter out(fd);

  out.Format(texts.header.c_str(), crash.modulePath, crash.threadId, crash.exceptionCode,
             crash.exceptionName);
  out.Format("CS:RIP  = %04X:%016llX\r\n", r.cs, ull{r.rip});
  out.Format("RAX = %016llX, RBX = %016llX, RCX = %016llX, RDX = %016llX\r\n", ull{r.rax},
             ull{r.rbx}, ull{r.rcx}, ull{r.rdx});
  out.Format("RSI = %016llX, RDI = %016llX, RBP = %016llX, RSP = %016llX\r\n", ull{r.rsi},
             ull{r.rdi}, ull{r.rbp}, ull{r.rsp});
  out.Format("R8  = %016llX, R9  = %016llX, R10 = %016llX, R11 = %016llX\r\n", ull{r.r8},
             ull{r.r9}, ull{r.r10}, ull{r.r11});
  out.Format("R12 = %016llX, R13 = %016llX, R14 = %016llX, R15 = %016llX\r\n", ull{r.r12},
             ull{r.r13}, ull{r.r14}, ull{r.r15});
  // DS and ES are not saved in a 64-bit signal context (they are unused in long mode).
  out.Format("FS = %04X, GS = %04X, SS = %04X\r\n\r\n\r\n", r.fs, r.gs, r.ss);

  out.Append(texts.codeDump.c_str());
  WriteDump(out, "RIP", r.rip, -static_cast<int64_t>(kCodeDumpBefore), kCodeDumpLength);
  out.Append(texts.stackDump.c_str());
  WriteDump(out, "RSP", r.rsp, 0, kStackDumpLength);

  out.Append(texts.dataDump.c_str());
  const struct {
    const char* name;
    uint64_t value;
  } dataRegisters[] = {
      {"RAX", r.rax}, {"RBX", r.rbx}, {"RCX", r.rcx}, {"RDX", r.rdx}, {"RSI", r.rsi},
      {"RDI", r.rdi}, {"RBP", r.rbp}, {"R8", r.r8},   {"R9", r.r9},   {"R10", r.r10},
      {"R11", r.r11}, {"R12", r.r12}, {"R13", r.r13}, {"R14", r.r14}, {"R15", r.r15},
  };
  for (const auto& reg : dataRegisters) {
    if (reg.value >= kSmallestDumpedAddress) WriteDump(out, reg.name, reg.value, 0, kDataDumpLength);
  }
  return out.Finish();
}

}  // namespace tav::platform
