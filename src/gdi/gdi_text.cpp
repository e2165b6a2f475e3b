#include "gdi/gdi_text.h"

#include <algorithm>
#include <optional>

namespace tav::platform {
namespace {

constexpr uint16_t kSpace = 0x20;
constexpr uint16_t kCr = 0x0D;
constexpr uint16_t kLf = 0x0A;

struct Char {
  uint16_t code;
  bool prefixed;  // followed an "&"
};

// "&x" marks x, "&&" is one "&", and a final "&" stays as it is.
std::vector<Char> RemovePrefixes(std::string_view sjis) {
  std::vector<uint16_t> codes = SplitSjisChars(sjis);
  std::vector<Char> out;
  out.reserve(codes.size());
  for (size_t i = 0; i < codes.size(); ++i) {
    if (codes[i] == '&' && i + 1 < codes.size()) {
      ++i;
      out.push_back({codes[i], codes[i] != '&'});
    } else {
      out.push_back({codes[i], false});
    }
  }
  return out;
}

// CR LF and LF CR are one break, CR CR and LF LF two; a break at the very end starts no line.
std::vector<std::vector<Char>> SplitLines(const std::vector<Char>& text) {
  std::vector<std::vector<Char>> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    uint16_t code = text[i].code;
    if (code != kCr && code != kLf) {
      lines.back().push_back(text[i]);
      continue;
    }
    if (i + 1 < text.size() && (text[i + 1].code == kCr || text[i + 1].code == kLf) && text[i + 1].code != code) ++i;
    if (i + 1 < text.size()) lines.emplace_back();
  }
  return lines;
}

struct Piece {
  size_t begin;      // first character drawn
  size_t end;        // one past the last drawn
  size_t nextStart;  // where the next output line starts
};

// One output line taken from characters begin … of a line that does not fit as a whole.
Piece BreakLine(const std::vector<Char>& line, const std::vector<int>& advances, size_t begin, int64_t maxWidth,
                bool dropSpaceBeforeBreak) {
  size_t fit = 0;  // k: characters that fit
  int64_t width = 0;
  while (begin + fit < line.size() && width + advances[begin + fit] <= maxWidth) width += advances[begin + fit++];
  auto at = [&](size_t offset) { return line[begin + offset].code; };
  for (size_t b = fit; b > 0; --b) {
    bool afterSpace = at(b) != kSpace && at(b - 1) == kSpace;
    if (!afterSpace && !IsFullWidthCode(at(b - 1))) continue;
    size_t end = b;
    if (dropSpaceBeforeBreak && at(b - 1) == kSpace) --end;
    size_t next = b + (at(b) == kSpace ? 1 : 0);
    return {begin, begin + end, begin + next};
  }
  // No opportunity within the width: the first word overflows up to the next space (dropped)
  // or through the next full-width character, whichever comes first.
  for (size_t i = begin + fit; i < line.size(); ++i) {
    if (line[i].code == kSpace) return {begin, i, i + 1};
    if (IsFullWidthCode(line[i].code)) return {begin, i + 1, i + 1};
  }
  return {begin, line.size(), line.size()};
}

}  // namespace

std::vector<TextLine> LayoutDrawText(const Font& font, std::string_view sjis, const RECT& rect, unsigned flags) {
  std::vector<TextLine> out;
  if (sjis.empty()) return out;
  const bool singleLine = flags & DT_SINGLELINE;
  const bool wordBreak = (flags & DT_WORDBREAK) && !singleLine;
  const bool centre = flags & DT_CENTER;
  const bool right = !centre && (flags & DT_RIGHT);
  const int64_t maxWidth = int64_t{rect.right} - rect.left;
  const int height = font.Height();

  std::vector<Char> text = RemovePrefixes(sjis);
  std::vector<std::vector<Char>> lines = singleLine ? std::vector<std::vector<Char>>{text} : SplitLines(text);

  auto emit = [&](const std::vector<Char>& line, const std::vector<int>& advances, size_t begin, size_t end) {
    TextLine result;
    int64_t width = 0;
    for (size_t i = begin; i < end; ++i) {
      if (line[i].prefixed && result.underlined < 0) result.underlined = static_cast<int>(i - begin);
      result.codes.push_back(line[i].code);
      width += advances[i];
    }
    result.width = static_cast<int>(width);
    int64_t x = rect.left;
    if (centre) x = (int64_t{rect.left} + rect.right - width) / 2;
    if (right) x = rect.right - width;
    result.x = static_cast<int>(x);
    int64_t top = int64_t{rect.top} + static_cast<int64_t>(out.size()) * height;
    if (singleLine && (flags & DT_VCENTER)) {
      top = rect.top + (int64_t{rect.bottom} - rect.top) / 2 - height / 2;
    } else if (singleLine && (flags & DT_BOTTOM)) {
      top = int64_t{rect.bottom} - height;
    }
    result.top = static_cast<int>(std::clamp<int64_t>(top, INT32_MIN, INT32_MAX));
    out.push_back(std::move(result));
    // Lines stop after the first one that reaches below the rectangle.
    return top + height <= rect.bottom;
  };

  for (const std::vector<Char>& line : lines) {
    std::vector<int> advances;
    advances.reserve(line.size());
    int64_t total = 0;
    for (const Char& c : line) total += advances.emplace_back(font.Advance(c.code));
    if (!wordBreak || total <= maxWidth) {
      if (!emit(line, advances, 0, line.size())) return out;
      continue;
    }
    size_t begin = 0;
    int64_t remaining = total;
    while (true) {
      if (remaining <= maxWidth) {
        if (!emit(line, advances, begin, line.size())) return out;
        break;
      }
      Piece piece = BreakLine(line, advances, begin, maxWidth, centre || right);
      if (!emit(line, advances, piece.begin, piece.end)) return out;
      for (size_t i = begin; i < piece.nextStart; ++i) remaining -= advances[i];
      begin = piece.nextStart;
      if (begin >= line.size()) break;
    }
  }
  return out;
}

namespace {

// The lines of one DrawTextA, laid out with `font`, drawn.
int DrawLines(DeviceContext& dc, const std::shared_ptr<const Font>& font, const std::vector<TextLine>& lines,
              const RECT& rect) {
  RECT area = dc.DrawableArea();
  RECT clip{std::max(area.left, rect.left), std::max(area.top, rect.top), std::min(area.right, rect.right),
            std::min(area.bottom, rect.bottom)};
  for (const TextLine& line : lines) {
    dc.DrawTextRun(line.x, line.top, line.codes, &rect);
    if (line.underlined < 0 || clip.left >= clip.right) continue;
    int64_t from = line.x;
    for (int i = 0; i < line.underlined; ++i) from += font->Advance(line.codes[static_cast<size_t>(i)]);
    int64_t to = from + font->Advance(line.codes[static_cast<size_t>(line.underlined)]) - 1;
    int64_t row = int64_t{line.top} + font->Ascent() + 1;
    if (row < clip.top || row >= clip.bottom) continue;
    dc.CopySpan(row, std::max<int64_t>(from, clip.left), std::min<int64_t>(to, clip.right), dc.GetTextColor());
  }
  if (lines.empty()) return 0;
  return lines.back().top + font->Height() - rect.top;
}

}  // namespace

int DrawTextA(DeviceContext& dc, std::string_view sjis, const RECT& rect, unsigned flags) {
  std::shared_ptr<const Font> font = dc.SelectedFont();
  if (!font) return 0;
  return DrawLines(dc, font, LayoutDrawText(*font, sjis, rect, flags), rect);
}

int DrawTextCache::Draw(DeviceContext& dc, std::string_view sjis, const RECT& rect, unsigned flags) {
  std::shared_ptr<const Font> font = dc.SelectedFont();
  if (!font) return 0;
  if (font != font_ || sjis != text_ || !(rect == rect_) || flags != flags_) {
    lines_ = LayoutDrawText(*font, sjis, rect, flags);
    font_ = std::move(font);
    text_.assign(sjis);
    rect_ = rect;
    flags_ = flags;
  }
  return DrawLines(dc, font_, lines_, rect);
}

int DeviceContext::TextOut(int x, int y, std::string_view sjis) {
  return DrawTextRun(x, y, SplitSjisChars(sjis), nullptr);
}

int DeviceContext::DrawTextRun(int x, int y, const std::vector<uint16_t>& codes, const RECT* extraClip) {
  std::shared_ptr<const Font> font = SelectedFont();
  if (!font) return 0;
  RECT clip = DrawableArea();
  if (extraClip) {
    clip.left = std::max(clip.left, extraClip->left);
    clip.top = std::max(clip.top, extraClip->top);
    clip.right = std::min(clip.right, extraClip->right);
    clip.bottom = std::min(clip.bottom, extraClip->bottom);
  }
  // The run's width is measured here only when the run is not drawn or its background is
  // painted; otherwise drawing it measures it.
  auto measure = [&] {
    int64_t width = 0;
    for (uint16_t code : codes) width += font->Advance(code);
    return width;
  };
  if (clip.left >= clip.right || clip.top >= clip.bottom) return static_cast<int>(measure());
  if (state_.bkMode == OPAQUE) {
    const int64_t width = measure();
    int64_t bottom = std::min<int64_t>(int64_t{y} + font->Height(), clip.bottom);
    for (int64_t row = std::max<int64_t>(y, clip.top); row < bottom; ++row) {
      CopySpan(row, std::max<int64_t>(x, clip.left), std::min<int64_t>(int64_t{x} + width, clip.right),
               state_.bkColor);
    }
  }
  return font->DrawRun(*state_.bitmap, clip, x, y, codes, ColorrefToPixel(state_.textColor));
}

}  // namespace tav::platform
