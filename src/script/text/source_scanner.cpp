#include "script/text/source_scanner.h"

#include <algorithm>

#include "encoding/sjis.h"

namespace tav::script {
namespace {

constexpr int kNoTerminator = -1;

// One walk over the text; `out` and `removedLineBreaks` are filled when given.
class Scanner {
 public:
  Scanner(std::string* out, std::vector<size_t>* removedLineBreaks)
      : out_(out), removed_(removedLineBreaks) {}

  ScanStop Run(std::string_view text, int terminator) {
    ScanStop stop;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
      const char c = text[i];
      const auto u = static_cast<unsigned char>(c);
      const bool trailByte = leadPending_ && platform::IsSjisTrailByte(u);
      leadPending_ = false;
      if (escaped_ || trailByte) {
        escaped_ = false;
        if (!InComment()) Emit(c);
        continue;
      }
      if (inLineComment_) {
        if (c == '\n') {
          inLineComment_ = false;
          Emit(c);
        }
        continue;
      }
      if (inBlockComment_) {
        if (c == '*' && i + 1 < n && text[i + 1] == '/') {
          inBlockComment_ = false;
          ++i;
        } else if (c == '\n' && removed_) {
          removed_->push_back(out_ ? out_->size() : 0);
        }
        continue;
      }
      const bool quoted = inDouble_ || inSingle_;
      if (!quoted && u == terminator && parens_ == 0 && brackets_ == 0 && braces_ == 0) {
        stop.found = true;
        stop.end = i;
        stop.sawComment = sawComment_;
        return stop;
      }
      if (!quoted && c == '/' && i + 1 < n && (text[i + 1] == '/' || text[i + 1] == '*')) {
        (text[i + 1] == '/' ? inLineComment_ : inBlockComment_) = true;
        sawComment_ = true;
        ++i;
        continue;
      }
      if (c == '"') {
        if (!inSingle_) inDouble_ = !inDouble_;
      } else if (c == '\'') {
        if (!inDouble_) inSingle_ = !inSingle_;
      } else if (c == '\\') {
        escaped_ = true;
      } else if (!quoted) {
        CountBracket(c);
      }
      if (platform::IsSjisLeadByte(u)) leadPending_ = true;
      Emit(c);
    }
    stop.end = n;
    stop.sawComment = sawComment_;
    stop.inQuotes = inDouble_ || inSingle_;
    stop.openParens = parens_;
    stop.openBrackets = brackets_;
    stop.openBraces = braces_;
    return stop;
  }

  bool EndedInBlockComment() const { return inBlockComment_; }

 private:
  bool InComment() const { return inLineComment_ || inBlockComment_; }
  void Emit(char c) {
    if (out_) out_->push_back(c);
  }
  void CountBracket(char c) {
    switch (c) {
      case '(': ++parens_; break;
      case '[': ++brackets_; break;
      case '{': ++braces_; break;
      case ')': if (parens_ > 0) --parens_; break;
      case ']': if (brackets_ > 0) --brackets_; break;
      case '}': if (braces_ > 0) --braces_; break;
      default: break;
    }
  }

  std::string* out_;
  std::vector<size_t>* removed_;
  bool inDouble_ = false;
  bool inSingle_ = false;
  bool escaped_ = false;
  bool leadPending_ = false;
  bool inLineComment_ = false;
  bool inBlockComment_ = false;
  bool sawComment_ = false;
  int parens_ = 0;
  int brackets_ = 0;
  int braces_ = 0;
};

}  // namespace

ScanStop ScanTo(std::string_view text, char terminator) {
  Scanner scanner(nullptr, nullptr);
  return scanner.Run(text, static_cast<unsigned char>(terminator));
}

CommentFreeText RemoveComments(std::string_view source) {
  CommentFreeText result;
  result.text_.reserve(source.size());
  Scanner scanner(&result.text_, &result.removedLineBreaks_);
  scanner.Run(source, kNoTerminator);
  result.endedInComment_ = scanner.EndedInBlockComment();
  return result;
}

int CommentFreeText::LineOf(size_t offset) const {
  offset = std::min(offset, text_.size());
  if (!lineFeedsFound_) {
    for (size_t i = text_.find('\n'); i != std::string::npos; i = text_.find('\n', i + 1)) lineFeeds_.push_back(i);
    lineFeedsFound_ = true;
  }
  const auto kept = std::lower_bound(lineFeeds_.begin(), lineFeeds_.end(), offset) - lineFeeds_.begin();
  // A comment removed at `offset` itself lies before the character there.
  const auto swallowed =
      std::upper_bound(removedLineBreaks_.begin(), removedLineBreaks_.end(), offset) -
      removedLineBreaks_.begin();
  return 1 + static_cast<int>(kept + swallowed);
}

}  // namespace tav::script
