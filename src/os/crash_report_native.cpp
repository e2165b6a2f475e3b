#include "os/crash_report.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>

#include "os/crash_log.h"
#include "os/crash_prompt.h"
#include "encoding/sjis.h"

#if !defined(__x86_64__)
#error "The crash report reads x86-64 registers from the signal context."
#endif

namespace tav::platform {
namespace {

constexpr uint32_t kSingleStep = 0x80000004;
constexpr uint32_t kBreakpoint = 0x80000003;
constexpr uint32_t kAlignment = 0x80000002;
constexpr uint32_t kAccessViolation = 0xC0000005;
constexpr uint32_t kStackOverflow = 0xC00000FD;
constexpr uint32_t kIllegalInstruction = 0xC000001D;
constexpr uint32_t kPrivilegedInstruction = 0xC0000096;
constexpr uint32_t kIntegerDivideByZero = 0xC0000094;

struct ExceptionName {
  uint32_t code;
  const char* name;
};

constexpr ExceptionName kExceptionNames[] = {
    {0xC0000005, "ページアクセス例外"},
    {0x80000002, "アライメント例外"},
    {0xC000008C, "配列境界例外"},
    {0xC000008D, "FPU デノーマルオペランド例外"},
    {0xC000008E, "FPU ゼロ除算例外"},
    {0xC000008F, "FPU 精度例外"},
    {0xC0000090, "FPU 不正オペランド例外"},
    {0xC0000091, "FPU オーバーフロー例外"},
    {0xC0000092, "FPU スタックチェック例外"},
    {0xC0000093, "FPU アンダーフロー例外"},
    {0xC0000094, "ゼロ除算例外"},
    {0xC0000095, "オーバーフロー例外"},
    {0xC0000096, "特権命令例外"},
    {0xC0000006, "ページ例外"},
    {0xC000001D, "無効命令例外"},
    {0xC00000FD, "スタックオーバーフロー例外"},
    {0xC0000026, "不正ディスポジション例外"},
    {0x80000001, "保護ページ例外"},
};
constexpr size_t kExceptionNameCount = std::size(kExceptionNames);
constexpr const char* kUnknownExceptionName = "無効例外";

constexpr const char* kCaption = "◆　例外エラー情報　◆";
constexpr const char* kFaultReportFormat =
    "▼ プログラム実行中に以下の例外エラーが発生しました。\n"
    "    %s\n"
    "    CS:RIP = %04X:%016llX\n";
constexpr const char* kFaultQuestion =
    "\n詳細をログファイルに保存しますか？\n\n"
    "※このログファイルをプログラム開発者に送ると何らかの修正情報が得られるかもしれません。\n\n"
    "≫ログを保存して実行を継続する場合には「はい」を、\n"
    "≫ログを保存せずに実行を継続する場合には「いいえ」を、\n"
    "≫ログを保存せずに終了する場合には「キャンセル」を選択してください。";
constexpr const char* kBreakpointReportFormat = "ブレークポイント例外が %016llXH で発生しました。\n";
constexpr const char* kBreakpointQuestion = "処理を続行しますか？";
constexpr const char* kLogSavedQuestion = "ログファイルを保存しました。\n処理を続行しますか？";
constexpr const char* kFallbackLogName = "tav-error.log";

constexpr int kCrashExitCode = 255;  // exit code -1, as a process status byte
constexpr size_t kPathCapacity = 1024;
constexpr uint64_t kTrapFlag = 0x100;
constexpr unsigned long kSigcontextHasSs = 0x2;  // UC_SIGCONTEXT_SS of the kernel's ucontext
constexpr size_t kAltStackSize = 1 << 20;        // room for a message box's toolkit as well
constexpr uint64_t kPageSize = 4096;
// Below a stack's lowest address the kernel keeps this much unmapped (its stack guard gap).
constexpr uint64_t kStackGuardGap = 1 << 20;
// A fault this close to the stack pointer is the stack running into its guard.
constexpr uint64_t kNearStackPointer = 64 * 1024;

// Everything the handler reads, prepared before any crash so that the handler converts nothing.
struct ReportSettings {
  bool headless = false;
  std::string crashLogPath;
  std::string modulePathSjis;
  CrashLogTexts logTexts;
  std::array<std::string, kExceptionNameCount + 1> namesSjis;  // the last: unknown codes
  std::string chooserPath;  // the file chooser program, empty when none is installed
};

ReportSettings g_settings;
std::mutex g_configureMutex;
bool g_configured = false;  // guarded by g_configureMutex

// The calling thread's stack, for telling a stack overflow from any other access violation.
thread_local uint64_t t_stackLow = 0;
thread_local uint64_t t_stackGuardSize = 0;

std::string ExecutablePath() {
  char buffer[4096];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
}

// Owns an alternate signal stack for one thread, with a guard page below it so that a handler
// overrunning it faults instead of writing over unrelated memory.
class AlternateSignalStack {
 public:
  AlternateSignalStack() {
    void* memory = mmap(nullptr, kAltStackSize + kPageSize, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (memory == MAP_FAILED) return;
    mprotect(memory, kPageSize, PROT_NONE);
    stack_t stack{};
    stack.ss_sp = static_cast<char*>(memory) + kPageSize;
    stack.ss_size = kAltStackSize;
    if (sigaltstack(&stack, nullptr) != 0) {
      munmap(memory, kAltStackSize + kPageSize);
      return;
    }
    memory_ = memory;
  }
  ~AlternateSignalStack() {
    if (memory_ == nullptr) return;
    stack_t stack{};
    stack.ss_flags = SS_DISABLE;
    sigaltstack(&stack, nullptr);
    munmap(memory_, kAltStackSize + kPageSize);
  }
  AlternateSignalStack(const AlternateSignalStack&) = delete;
  AlternateSignalStack& operator=(const AlternateSignalStack&) = delete;

 private:
  void* memory_ = nullptr;
};

thread_local std::optional<AlternateSignalStack> t_altStack;
thread_local bool t_threadPrepared = false;

void PrepareThread() {
  t_threadPrepared = true;
  stack_t current{};
  if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) != 0) {
    t_altStack.emplace();
  }
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    void* low = nullptr;
    size_t size = 0;
    size_t guard = 0;
    if (pthread_attr_getstack(&attributes, &low, &size) == 0) {
      t_stackLow = reinterpret_cast<uint64_t>(low);
    }
    if (pthread_attr_getguardsize(&attributes, &guard) == 0) t_stackGuardSize = guard;
    pthread_attr_destroy(&attributes);
  }
}

// ---- from here on everything runs inside the signal handler ----

void WriteText(int fd, const char* text) {
  size_t size = strlen(text);
  while (size > 0) {
    ssize_t written = write(fd, text, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text += written;
    size -= static_cast<size_t>(written);
  }
}

size_t NameIndex(uint32_t code) {
  for (size_t i = 0; i < kExceptionNameCount; ++i) {
    if (kExceptionNames[i].code == code) return i;
  }
  return kExceptionNameCount;
}

const char* NameUtf8(uint32_t code) {
  size_t index = NameIndex(code);
  return index < kExceptionNameCount ? kExceptionNames[index].name : kUnknownExceptionName;
}

CrashRegisters ReadRegisters(const ucontext_t& context) {
  const greg_t* g = context.uc_mcontext.gregs;
  auto reg = [g](int index) { return static_cast<uint64_t>(g[index]); };
  CrashRegisters r;
  r.rip = reg(REG_RIP);
  r.rsp = reg(REG_RSP);
  r.rax = reg(REG_RAX);
  r.rbx = reg(REG_RBX);
  r.rcx = reg(REG_RCX);
  r.rdx = reg(REG_RDX);
  r.rsi = reg(REG_RSI);
  r.rdi = reg(REG_RDI);
  r.rbp = reg(REG_RBP);
  r.r8 = reg(REG_R8);
  r.r9 = reg(REG_R9);
  r.r10 = reg(REG_R10);
  r.r11 = reg(REG_R11);
  r.r12 = reg(REG_R12);
  r.r13 = reg(REG_R13);
  r.r14 = reg(REG_R14);
  r.r15 = reg(REG_R15);
  // The kernel packs the segment selectors as cs, gs, fs and (when flagged) ss, 16 bits each.
  uint64_t segments = reg(REG_CSGSFS);
  r.cs = static_cast<uint16_t>(segments);
  r.gs = static_cast<uint16_t>(segments >> 16);
  r.fs = static_cast<uint16_t>(segments >> 32);
  if ((context.uc_flags & kSigcontextHasSs) != 0) {
    r.ss = static_cast<uint16_t>(segments >> 48);
  } else {
    // Older kernels do not save SS; in user mode it never changes, so the live value is the same.
    uint16_t ss = 0;
    __asm__("mov %%ss, %0" : "=r"(ss));
    r.ss = ss;
  }
  return r;
}

bool IsStackOverflow(uint64_t faultAddress, uint64_t stackPointer) {
  if (t_stackLow != 0) {
    uint64_t below = t_stackLow > kStackGuardGap ? t_stackLow - kStackGuardGap : 0;
    if (faultAddress >= below && faultAddress < t_stackLow + t_stackGuardSize + kPageSize) {
      return true;
    }
  }
  uint64_t distance =
      faultAddress > stackPointer ? faultAddress - stackPointer : stackPointer - faultAddress;
  return distance < kNearStackPointer;
}

// Maps a signal to the Windows exception code the report names.
uint32_t ExceptionCode(int signal, const siginfo_t& info, const CrashRegisters& registers) {
  switch (signal) {
    case SIGSEGV:
      if (info.si_code > 0 &&
          IsStackOverflow(reinterpret_cast<uint64_t>(info.si_addr), registers.rsp)) {
        return kStackOverflow;
      }
      return kAccessViolation;
    case SIGBUS:
      return kAlignment;
    case SIGFPE:
      switch (info.si_code) {
        case FPE_INTOVF: return 0xC0000095;
        case FPE_FLTDIV: return 0xC000008E;
        case FPE_FLTOVF: return 0xC0000091;
        case FPE_FLTUND: return 0xC0000093;
        case FPE_FLTRES: return 0xC000008F;
        case FPE_FLTINV: return 0xC0000090;
        case FPE_FLTSUB: return 0xC000008C;
        default: return kIntegerDivideByZero;  // FPE_INTDIV, and SIGFPE sent by kill
      }
    case SIGILL:
      return info.si_code == ILL_PRVOPC || info.si_code == ILL_PRVREG ? kPrivilegedInstruction
                                                                      : kIllegalInstruction;
    default:  // SIGTRAP
      return info.si_code == TRAP_TRACE ? kSingleStep : kBreakpoint;
  }
}

// A signal sent by kill or raise (si_code <= 0) interrupted nothing; returning from a fault an
// instruction raised runs that instruction again and faults again, for ever.
bool CanContinue(const siginfo_t& info) { return info.si_code <= 0; }

[[noreturn]] void EndProcess() { _exit(kCrashExitCode); }

void ContinueExecution(const siginfo_t& info) {
  if (!CanContinue(info)) EndProcess();
}

// "Continue the search": the system's default action for the signal ends the process once the
// handler returns.
void PassToSystem(int signal) {
  struct sigaction defaultAction {};
  defaultAction.sa_handler = SIG_DFL;
  sigemptyset(&defaultAction.sa_mask);
  sigaction(signal, &defaultAction, nullptr);
  raise(signal);
}

// Serialises reports from several threads; a fault inside the report itself ends the process.
class ReportGuard {
 public:
  ReportGuard() : self_(static_cast<int>(syscall(SYS_gettid))) {
    for (;;) {
      int expected = 0;
      if (owner_.compare_exchange_strong(expected, self_)) return;
      if (expected == self_) {
        WriteText(STDERR_FILENO, "tav: the crash report itself crashed\n");
        EndProcess();
      }
      timespec pause{0, 10 * 1000 * 1000};
      nanosleep(&pause, nullptr);
    }
  }
  ~ReportGuard() { owner_.store(0); }
  ReportGuard(const ReportGuard&) = delete;
  ReportGuard& operator=(const ReportGuard&) = delete;

 private:
  static inline std::atomic<int> owner_{0};
  int self_;
};

bool SaveLog(const char* path, const CrashSnapshot& crash) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool written = WriteCrashLog(fd, g_settings.logTexts, crash);
  return close(fd) == 0 && written;
}

CrashSnapshot MakeSnapshot(uint32_t code, const CrashRegisters& registers) {
  CrashSnapshot crash;
  crash.modulePath = g_settings.modulePathSjis.c_str();
  crash.threadId = static_cast<uint32_t>(syscall(SYS_gettid));
  crash.exceptionCode = code;
  crash.exceptionName = g_settings.namesSjis[NameIndex(code)].c_str();
  crash.registers = registers;
  return crash;
}

// Without dialogs: the report on standard error and the log where the options say.
void ReportWithoutDialogs(const char* report, const CrashSnapshot& crash) {
  char line[kPathCapacity + 128];
  snprintf(line, sizeof(line), "%s\n%s", kCaption, report);
  WriteText(STDERR_FILENO, line);
  const std::string& path = g_settings.crashLogPath;
  if (path.empty()) {
    WriteText(STDERR_FILENO, "tav: no crash log was asked for (--crash-log FILE)\n");
  } else if (SaveLog(path.c_str(), crash)) {
    snprintf(line, sizeof(line), "tav: crash log written to %s\n", path.c_str());
    WriteText(STDERR_FILENO, line);
  } else {
    snprintf(line, sizeof(line), "tav: could not write the crash log %s (errno %d)\n",
             path.c_str(), errno);
    WriteText(STDERR_FILENO, line);
  }
}

void HandleBreakpoint(int signal, const siginfo_t& info, const CrashRegisters& registers) {
  // The trap leaves RIP past the 0xCC; the report names the breakpoint instruction itself.
  uint64_t address = registers.rip;
  if (info.si_code > 0) {
    unsigned char before = 0;
    bool readable = false;
    ReadMemorySafely(registers.rip - 1, &before, &readable, 1);
    if (readable && before == 0xCC) address = registers.rip - 1;
  }
  char report[256];
  snprintf(report, sizeof(report), kBreakpointReportFormat,
           static_cast<unsigned long long>(address));

  if (!g_settings.headless) {
    char text[512];
    snprintf(text, sizeof(text), "%s%s", report, kBreakpointQuestion);
    CrashAnswer answer = AskCrashQuestion(kCaption, text, false);
    if (answer == CrashAnswer::kYes) return;  // execution goes on after the 0xCC
    if (answer != CrashAnswer::kNoDialog) {
      PassToSystem(signal);
      return;
    }
  }
  ReportWithoutDialogs(report, MakeSnapshot(kBreakpoint, registers));
}

void HandleFault(int signal, const siginfo_t& info, uint32_t code,
                 const CrashRegisters& registers) {
  char report[512];
  snprintf(report, sizeof(report), kFaultReportFormat, NameUtf8(code), registers.cs,
           static_cast<unsigned long long>(registers.rip));
  CrashSnapshot crash = MakeSnapshot(code, registers);

  CrashAnswer answer = CrashAnswer::kNoDialog;
  if (!g_settings.headless) {
    char text[2048];
    snprintf(text, sizeof(text), "%s%s", report, kFaultQuestion);
    answer = AskCrashQuestion(kCaption, text, true);
  }
  switch (answer) {
    case CrashAnswer::kNoDialog:
      ReportWithoutDialogs(report, crash);
      EndProcess();
    case CrashAnswer::kCancel:
      EndProcess();
    case CrashAnswer::kNo:
      ContinueExecution(info);
      return;
    case CrashAnswer::kYes:
      break;
  }

  char path[kPathCapacity];
  if (!g_settings.crashLogPath.empty()) {
    snprintf(path, sizeof(path), "%s", g_settings.crashLogPath.c_str());
  } else {
    switch (AskForLogPath(g_settings.chooserPath, path, sizeof(path))) {
      case LogPathChoice::kChosen:
        break;
      case LogPathChoice::kCancelled:
        PassToSystem(signal);
        return;
      case LogPathChoice::kNoChooser:
        snprintf(path, sizeof(path), "%s", kFallbackLogName);
        break;
    }
  }
  if (!SaveLog(path, crash)) {
    PassToSystem(signal);
    return;
  }
  if (AskCrashQuestion(kCaption, kLogSavedQuestion, false) == CrashAnswer::kYes) {
    ContinueExecution(info);
  } else {
    PassToSystem(signal);
  }
}

void OnFatalSignal(int signal, siginfo_t* info, void* context) {
  int savedErrno = errno;
  auto* machine = static_cast<ucontext_t*>(context);
  CrashRegisters registers = ReadRegisters(*machine);
  uint32_t code = ExceptionCode(signal, *info, registers);
  if (code == kSingleStep) {
    machine->uc_mcontext.gregs[REG_EFL] &= ~static_cast<greg_t>(kTrapFlag);
  } else {
    ReportGuard guard;
    if (code == kBreakpoint) {
      HandleBreakpoint(signal, *info, registers);
    } else {
      HandleFault(signal, *info, code, registers);
    }
  }
  errno = savedErrno;
}

void InstallHandlers() {
  struct sigaction action {};
  action.sa_sigaction = &OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP}) sigaction(signal, &action, nullptr);
}

void ConfigureLocked(const CrashReportOptions& options) {
  g_settings.headless = options.headless;
  g_settings.crashLogPath = options.crashLogPath;
  g_settings.modulePathSjis = Utf8ToSjis(ExecutablePath());
  g_settings.logTexts = MakeCrashLogTexts();
  for (size_t i = 0; i < kExceptionNameCount; ++i) {
    g_settings.namesSjis[i] = Utf8ToSjis(kExceptionNames[i].name);
  }
  g_settings.namesSjis[kExceptionNameCount] = Utf8ToSjis(kUnknownExceptionName);
  g_settings.chooserPath = options.headless ? std::string() : FindLogFileChooser();
  g_configured = true;
}

}  // namespace

void ConfigureCrashReport(const CrashReportOptions& options) {
  std::lock_guard lock(g_configureMutex);
  ConfigureLocked(options);
}

void InstallCrashFilter() {
  {
    std::lock_guard lock(g_configureMutex);
    if (!g_configured) ConfigureLocked({});
  }
  static std::once_flag installed;
  std::call_once(installed, InstallHandlers);
  if (!t_threadPrepared) PrepareThread();
}

}  // namespace tav::platform
