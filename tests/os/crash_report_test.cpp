#include "os/crash_report.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "os/crash_log.h"
#include "encoding/sjis.h"

namespace tav::platform {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tav-crash-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string File(const char* name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Splits at CR LF; the log must end with one.
std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

struct ChildResult {
  pid_t pid = 0;
  int status = 0;
  std::string errors;  // the child's standard error
};

// Runs body in a forked child with its standard error captured; a body that returns exits 0.
template <typename Body>
ChildResult RunInChild(const TempDir& dir, Body body) {
  std::string errorsPath = dir.File("stderr.txt");
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, STDERR_FILENO);
    body();
    _exit(0);
  }
  ChildResult result;
  result.pid = pid;
  waitpid(pid, &result.status, 0);
  result.errors = ReadFile(errorsPath);
  return result;
}

void InstallHeadless(const std::string& logPath) {
  ConfigureCrashReport({true, logPath});
  InstallCrashFilter();
}

// These faults are the point of the tests: the undefined-behaviour checker must let them happen.
[[gnu::noinline, gnu::no_sanitize("undefined")]] void WriteThroughNull() {
  volatile int* volatile pointer = nullptr;
  *pointer = 1;
}

[[gnu::noinline, gnu::no_sanitize("undefined")]] void DivideByZero() {
  volatile int dividend = 7;
  volatile int divisor = 0;
  volatile int quotient = dividend / divisor;
  (void)quotient;
}

volatile bool g_recurse = true;

[[gnu::noinline]] int RecurseForever(volatile char* previous) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(previous[0] + 1);
  if (!g_recurse) return frame[0];
  return RecurseForever(frame) + frame[1];
}

uint64_t ParseHex(const std::string& text) { return std::stoull(text, nullptr, 16); }

std::string Hex16(uint64_t value) {
  char text[32];
  snprintf(text, sizeof(text), "%016" PRIX64, value);
  return text;
}

// Checks one dump beginning at lines[at]: lineCount lines of 16 bytes from firstAddress, the
// line at labelLine labelled "label", every readable byte shown the same in both columns, then
// the two extra blank lines. Answers the index after the dump.
size_t ExpectDump(const std::vector<std::string>& lines, size_t at, const std::string& label,
                  uint64_t firstAddress, size_t lineCount, size_t labelLine) {
  static const std::regex kBytes("^((?:[0-9A-F]{2}|\\?\\?) ){16}    ([\\s\\S]{16}) $");
  for (size_t i = 0; i < lineCount; ++i) {
    const std::string& line = lines.at(at + i);
    char prefix[40];
    if (i == labelLine) {
      snprintf(prefix, sizeof(prefix), "%9s : ", label.c_str());
    } else {
      snprintf(prefix, sizeof(prefix), "%sH : ", Hex16(firstAddress + 16 * i).c_str());
    }
    EXPECT_EQ(line.substr(0, strlen(prefix)), prefix) << label << " line " << i;
    std::string rest = line.substr(strlen(prefix));
    EXPECT_TRUE(std::regex_match(rest, kBytes)) << label << " line " << i << ": " << rest;
    for (size_t b = 0; b < 16 && rest.size() == 16 * 3 + 4 + 16 + 1; ++b) {
      std::string hex = rest.substr(b * 3, 2);
      char shown = rest[16 * 3 + 4 + b];
      if (hex == "??") {
        EXPECT_EQ(shown, '?');
      } else {
        auto value = static_cast<unsigned char>(ParseHex(hex));
        EXPECT_EQ(shown, value < 32 ? '.' : static_cast<char>(value));
      }
    }
  }
  EXPECT_EQ(lines.at(at + lineCount), "");
  EXPECT_EQ(lines.at(at + lineCount + 1), "");
  return at + lineCount + 2;
}

struct LoggedRegisters {
  uint64_t rip = 0, rsp = 0;
  std::vector<std::pair<std::string, uint64_t>> data;  // RAX .. R15 in dump order
};

// Checks the register block (lines[7] onwards) and answers the values.
LoggedRegisters ExpectRegisterLines(const std::vector<std::string>& lines) {
  const std::string h = "([0-9A-F]{16})";
  const std::regex ripLine("^CS:RIP  = [0-9A-F]{4}:" + h + "$");
  const std::regex fourLine("^(\\w+) +=? ?" + h + ", (\\w+) += " + h + ", (\\w+) += " + h +
                            ", (\\w+) += " + h + "$");
  LoggedRegisters registers;
  std::smatch match;
  EXPECT_TRUE(std::regex_match(lines.at(7), match, ripLine)) << lines.at(7);
  if (!match.empty()) registers.rip = ParseHex(match[1]);
  const char* order[4][4] = {{"RAX", "RBX", "RCX", "RDX"},
                             {"RSI", "RDI", "RBP", "RSP"},
                             {"R8", "R9", "R10", "R11"},
                             {"R12", "R13", "R14", "R15"}};
  for (int row = 0; row < 4; ++row) {
    const std::string& line = lines.at(8 + row);
    EXPECT_TRUE(std::regex_match(line, match, fourLine)) << line;
    if (match.empty()) continue;
    for (int col = 0; col < 4; ++col) {
      EXPECT_EQ(match[1 + 2 * col].str(), order[row][col]);
      uint64_t value = ParseHex(match[2 + 2 * col]);
      if (row == 1 && col == 3) {
        registers.rsp = value;
      } else {
        registers.data.emplace_back(order[row][col], value);
      }
    }
  }
  EXPECT_TRUE(std::regex_match(lines.at(12), std::regex("^FS = [0-9A-F]{4}, GS = [0-9A-F]{4}, "
                                                        "SS = [0-9A-F]{4}$")))
      << lines.at(12);
  return registers;
}

// Checks a whole log written by a child of this process, whose code lives at the same addresses
// as ours: the RIP line of the code dump must show the bytes found there.
void ExpectCompleteLog(const std::string& log, pid_t thread, const char* code, const char* name) {
  std::vector<std::string> lines = SplitCrLf(log);
  ASSERT_GT(lines.size(), 90u);
  EXPECT_EQ(SjisToUtf8(lines[0]), "モジュール：" + fs::read_symlink("/proc/self/exe").string());
  char threadLine[128];
  snprintf(threadLine, sizeof(threadLine), "例外エラーがスレッド %08XH で発生しました。",
           static_cast<unsigned>(thread));
  EXPECT_EQ(SjisToUtf8(lines[1]), threadLine);
  EXPECT_EQ(SjisToUtf8(lines[2]), std::string("例外エラーコード：") + code + "H");
  EXPECT_EQ(SjisToUtf8(lines[3]), std::string("例外エラーの種類：") + name);
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "");
  EXPECT_EQ(SjisToUtf8(lines[6]), "レジスタダンプ；");
  LoggedRegisters registers = ExpectRegisterLines(lines);
  EXPECT_EQ(lines.at(13), "");
  EXPECT_EQ(lines.at(14), "");

  EXPECT_EQ(SjisToUtf8(lines.at(15)), "コードダンプ；");
  size_t next = ExpectDump(lines, 16, "RIP+0000H", registers.rip - 256, 32, 16);
  std::string ripLine = lines.at(16 + 16).substr(12);
  for (size_t b = 0; b < 16; ++b) {
    auto expected = reinterpret_cast<const unsigned char*>(registers.rip)[b];
    EXPECT_EQ(ParseHex(ripLine.substr(b * 3, 2)), expected) << "code byte " << b;
  }
  EXPECT_EQ(SjisToUtf8(lines.at(next)), "スタックダンプ；");
  next = ExpectDump(lines, next + 1, "RSP+0000H", registers.rsp, 32, 0);
  EXPECT_EQ(SjisToUtf8(lines.at(next)), "データダンプ；");
  ++next;
  for (const auto& [reg, value] : registers.data) {
    if (value <= 0xFFFF) continue;
    next = ExpectDump(lines, next, reg + "+0000H", value, 8, 0);
  }
  EXPECT_EQ(next, lines.size());
}

TEST(CrashReportTest, AccessViolationWritesTheLogAndEndsWith255) {
  TempDir dir;
  std::string logPath = dir.File("crash.log");
  ChildResult child = RunInChild(dir, [&] {
    InstallHeadless(logPath);
    WriteThroughNull();
  });
  ASSERT_TRUE(WIFEXITED(child.status)) << "status " << child.status;
  EXPECT_EQ(WEXITSTATUS(child.status), 255);
  EXPECT_NE(child.errors.find("◆　例外エラー情報　◆\n▼ プログラム実行中に以下の例外エラーが発生"
                              "しました。\n    ページアクセス例外\n    CS:RIP = "),
            std::string::npos)
      << child.errors;
  EXPECT_NE(child.errors.find("crash log written to " + logPath), std::string::npos);
  ExpectCompleteLog(ReadFile(logPath), child.pid, "C0000005", "ページアクセス例外");
}

TEST(CrashReportTest, DivisionByZeroIsNamedAndReported) {
  TempDir dir;
  std::string logPath = dir.File("crash.log");
  ChildResult child = RunInChild(dir, [&] {
    InstallHeadless(logPath);
    DivideByZero();
  });
  ASSERT_TRUE(WIFEXITED(child.status)) << "status " << child.status;
  EXPECT_EQ(WEXITSTATUS(child.status), 255);
  EXPECT_NE(child.errors.find("\n    ゼロ除算例外\n"), std::string::npos) << child.errors;
  ExpectCompleteLog(ReadFile(logPath), child.pid, "C0000094", "ゼロ除算例外");
}

TEST(CrashReportTest, StackOverflowIsReportedFromTheAlternateStack) {
  auto overflow = [] {
    char seed[1] = {0};
    RecurseForever(seed);
  };
  for (bool onSecondThread : {false, true}) {
    TempDir dir;
    std::string logPath = dir.File("crash.log");
    ChildResult child = RunInChild(dir, [&] {
      ConfigureCrashReport({true, logPath});
      if (!onSecondThread) {
        InstallCrashFilter();
        overflow();
      }
      // Every thread needs its own alternate stack, installed by its own first call.
      std::thread([&] {
        InstallCrashFilter();
        overflow();
      }).join();
    });
    ASSERT_TRUE(WIFEXITED(child.status)) << "status " << child.status;
    EXPECT_EQ(WEXITSTATUS(child.status), 255);
    std::vector<std::string> lines = SplitCrLf(ReadFile(logPath));
    ASSERT_GT(lines.size(), 4u);
    EXPECT_EQ(SjisToUtf8(lines[2]), "例外エラーコード：C00000FDH") << onSecondThread;
    EXPECT_EQ(SjisToUtf8(lines[3]), "例外エラーの種類：スタックオーバーフロー例外");
  }
}

TEST(CrashReportTest, BreakpointIsReportedAndExecutionContinuesAfterIt) {
  TempDir dir;
  std::string logPath = dir.File("crash.log");
  ChildResult child = RunInChild(dir, [&] {
    InstallHeadless(logPath);
    __asm__ volatile("int3");
    _exit(7);  // reached only when execution continued after the breakpoint
  });
  ASSERT_TRUE(WIFEXITED(child.status)) << "status " << child.status;
  EXPECT_EQ(WEXITSTATUS(child.status), 7);
  std::smatch match;
  ASSERT_TRUE(std::regex_search(child.errors, match,
                                std::regex("ブレークポイント例外が ([0-9A-F]{16})H で発生しました。")))
      << child.errors;
  // The address named is the int3 instruction itself, not the one after it.
  EXPECT_EQ(*reinterpret_cast<const unsigned char*>(ParseHex(match[1])), 0xCC);
  std::vector<std::string> lines = SplitCrLf(ReadFile(logPath));
  ASSERT_GT(lines.size(), 3u);
  EXPECT_EQ(SjisToUtf8(lines[2]), "例外エラーコード：80000003H");
}

TEST(CrashReportTest, SingleStepTrapIsClearedSilently) {
  TempDir dir;
  ChildResult child = RunInChild(dir, [&] {
    InstallHeadless("");
    // Set the trap flag: the instruction after popfq traps once, and the handler must clear the
    // flag or every later instruction would trap too. The stack pointer first steps over the
    // red zone, which pushfq would otherwise overwrite.
    __asm__ volatile(
        "sub $128, %%rsp\n\t"
        "pushfq\n\t"
        "orq $0x100, (%%rsp)\n\t"
        "popfq\n\t"
        "nop\n\t"
        "add $128, %%rsp" ::: "memory", "cc");
    uint64_t flags = 0;
    __asm__ volatile("sub $128, %%rsp\n\tpushfq\n\tpopq %0\n\tadd $128, %%rsp" : "=r"(flags));
    _exit((flags & 0x100) != 0 ? 1 : 0);
  });
  ASSERT_TRUE(WIFEXITED(child.status)) << "status " << child.status;
  EXPECT_EQ(WEXITSTATUS(child.status), 0);
  EXPECT_EQ(child.errors, "");
}

TEST(CrashReportTest, WindowedWithoutADisplayFallsBackToTheHeadlessReport) {
  TempDir dir;
  std::string logPath = dir.File("crash.log");
  ChildResult child = RunInChild(dir, [&] {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    ConfigureCrashReport({false, logPath});
    InstallCrashFilter();
    WriteThroughNull();
  });
  ASSERT_TRUE(WIFEXITED(child.status)) << "status " << child.status;
  EXPECT_EQ(WEXITSTATUS(child.status), 255);
  EXPECT_TRUE(fs::exists(logPath));
}

TEST(CrashLogTest, UnreadableBytesShowAsQuestionMarks) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  void* mapping = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(mapping, MAP_FAILED);
  auto* bytes = static_cast<unsigned char*>(mapping);
  ASSERT_EQ(mprotect(bytes + page, page, PROT_NONE), 0);
  const unsigned char tail[8] = {'A', 'b', 0x01, 0x1F, 0x20, 0x7E, 0x80, 0xFF};
  memcpy(bytes + page - 8, tail, 8);

  CrashSnapshot crash;
  crash.exceptionCode = 0xC0000005;
  crash.registers.rip = reinterpret_cast<uint64_t>(bytes + page / 2);
  crash.registers.rsp = reinterpret_cast<uint64_t>(bytes);
  crash.registers.rax = reinterpret_cast<uint64_t>(bytes + page - 8);
  crash.registers.rbx = 0xFFFF;  // too small to be an address: no dump
  crash.registers.r8 = reinterpret_cast<uint64_t>(bytes);

  TempDir dir;
  std::string path = dir.File("unit.log");
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_TRUE(WriteCrashLog(fd, MakeCrashLogTexts(), crash));
  close(fd);
  munmap(mapping, 2 * page);

  std::string log = ReadFile(path);
  EXPECT_NE(log.find("RAX+0000H : 41 62 01 1F 20 7E 80 FF ?? ?? ?? ?? ?? ?? ?? ??     Ab.. ~\x80\xFF"
                     "???????? \r\n"),
            std::string::npos);
  EXPECT_EQ(log.find("RBX+0000H"), std::string::npos);
  EXPECT_NE(log.find("\r\n R8+0000H : 00 00 "), std::string::npos);
  // The RAX dump's second line lies wholly in the protected page.
  EXPECT_NE(log.find(Hex16(crash.registers.rax + 16) + "H : ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? "
                     "?? ??     ???????????????? \r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace tav::platform
