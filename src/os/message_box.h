#pragma once

// Message-box styles and results as the Windows API numbers them (scripts pass and receive the
// raw numbers), the buttons each style shows, and the console line a headless dialog prints.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tav::platform {

constexpr unsigned MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2;
constexpr unsigned MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_CANCELTRYCONTINUE = 0x6;
constexpr unsigned MB_ICONHAND = 0x10, MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONASTERISK = 0x40;
constexpr unsigned MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200;
constexpr unsigned MB_TYPEMASK = 0xF, MB_ICONMASK = 0xF0, MB_DEFMASK = 0xF00;

constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;
constexpr int IDTRYAGAIN = 10, IDCONTINUE = 11;

// The results of the style's buttons, left to right. An unknown button set shows OK alone.
std::vector<int> MessageBoxButtons(unsigned style);

// The button that Return chooses: the first, or the second/third with MB_DEFBUTTON2/3 when the
// style has that many.
int DefaultButton(unsigned style);

// What closing the box (Escape, close box) answers: Cancel where the style has it, OK for a
// lone OK button, otherwise 0 (Windows does not let such a box be closed).
int EscapeButton(unsigned style);

// The caption of a result's button, UTF-8.
const char* ButtonCaption(int result);

// "LABEL: TEXT" with the Shift-JIS text converted to UTF-8 and each CR LF, CR or LF written as
// the two characters "\n"; no line end.
std::string DialogLine(std::string_view label, std::string_view textSjis);

// Writes DialogLine and a line feed to `out` and flushes it, so that the line is in place
// before anything the program does next.
void PrintDialogLine(std::FILE* out, std::string_view label, std::string_view textSjis);

}  // namespace tav::platform
