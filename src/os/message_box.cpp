#include "os/message_box.h"

#include "encoding/sjis.h"

namespace tav::platform {

std::vector<int> MessageBoxButtons(unsigned style) {
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE: return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default: return {IDOK};
  }
}

int DefaultButton(unsigned style) {
  const std::vector<int> buttons = MessageBoxButtons(style);
  const size_t index = (style & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}

int EscapeButton(unsigned style) {
  const std::vector<int> buttons = MessageBoxButtons(style);
  for (int id : buttons) {
    if (id == IDCANCEL) return IDCANCEL;
  }
  return buttons.size() == 1 ? IDOK : 0;
}

const char* ButtonCaption(int result) {
  switch (result) {
    case IDOK: return "OK";
    case IDCANCEL: return "キャンセル";
    case IDABORT: return "中止";
    case IDRETRY: return "再試行";
    case IDIGNORE: return "無視";
    case IDYES: return "はい";
    case IDNO: return "いいえ";
    case IDTRYAGAIN: return "再実行";
    case IDCONTINUE: return "続行";
    default: return "?";
  }
}

std::string DialogLine(std::string_view label, std::string_view textSjis) {
  const std::string text = SjisToUtf8(textSjis);
  std::string line(label);
  line += ": ";
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += "\\n";
    } else {
      line += text[i];
    }
  }
  return line;
}

void PrintDialogLine(std::FILE* out, std::string_view label, std::string_view textSjis) {
  std::string line = DialogLine(label, textSjis);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), out);
  std::fflush(out);
}

}  // namespace tav::platform
