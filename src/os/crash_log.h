#pragma once

// The exception log: the text a crash report saves for the program's developers. Everything here
// runs inside a signal handler, so it formats into fixed buffers and writes with write(2); the
// Shift-JIS texts it needs are converted beforehand (MakeCrashLogTexts) and only read here.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tav::platform {

// The registers of the faulting context that the log shows.
struct CrashRegisters {
  uint64_t rip = 0, rsp = 0;
  uint64_t rax = 0, rbx = 0, rcx = 0, rdx = 0, rsi = 0, rdi = 0, rbp = 0;
  uint64_t r8 = 0, r9 = 0, r10 = 0, r11 = 0, r12 = 0, r13 = 0, r14 = 0, r15 = 0;
  uint16_t cs = 0, fs = 0, gs = 0, ss = 0;
};

// One crash as the log describes it. The strings are Shift-JIS and owned by the caller.
struct CrashSnapshot {
  const char* modulePath = "";     // the executable's full path
  uint32_t threadId = 0;
  uint32_t exceptionCode = 0;      // Windows exception code, e.g. 0xC0000005
  const char* exceptionName = "";  // its name from the table of exception names
  CrashRegisters registers;
};

// The fixed Japanese parts of the log, already in Shift-JIS.
struct CrashLogTexts {
  std::string header;     // format: module path, thread id, code, name
  std::string codeDump;   // heading of the code dump
  std::string stackDump;  // heading of the stack dump
  std::string dataDump;   // heading of the data dumps
};

CrashLogTexts MakeCrashLogTexts();

// Writes the whole log to fd. Memory that cannot be read is shown as "??" and "?" instead of
// faulting again. Returns false when a write failed.
bool WriteCrashLog(int fd, const CrashLogTexts& texts, const CrashSnapshot& crash);

// Copies n bytes starting at address into out without ever faulting; readable[i] tells whether
// out[i] was read. Safe inside a signal handler.
void ReadMemorySafely(uint64_t address, unsigned char* out, bool* readable, size_t n);

}  // namespace tav::platform
