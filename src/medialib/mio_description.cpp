#include "medialib/mio_description.h"

#include <cstdint>

namespace tav::medialib {

namespace {

bool IsBlank(char16_t c) { return c <= u' '; }

std::u16string_view TrimEnd(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

}  // namespace

std::vector<DescriptionTag> ParseDescription(std::u16string_view text) {
  std::vector<DescriptionTag> tags;
  if (text.empty() || text[0] != u'#') {
    tags.push_back({u"comment", std::u16string(TrimEnd(text))});
    return tags;
  }
  std::u16string content;
  auto finish = [&] {
    if (!tags.empty()) tags.back().content = std::u16string(TrimEnd(content));
    content.clear();
  };
  bool firstLine = true;
  while (!text.empty()) {
    size_t lineEnd = text.find(u'\n');
    std::u16string_view line = text.substr(0, lineEnd);
    text = lineEnd == std::u16string_view::npos ? std::u16string_view{} : text.substr(lineEnd + 1);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);

    if (line.size() >= 1 && line[0] == u'#' && (line.size() < 2 || line[1] != u'#')) {
      finish();
      size_t at = 1;
      while (at < line.size() && IsBlank(line[at])) ++at;
      size_t nameEnd = at;
      while (nameEnd < line.size() && !IsBlank(line[nameEnd])) ++nameEnd;
      tags.push_back({std::u16string(line.substr(at, nameEnd - at)), {}});
      firstLine = true;
      continue;
    }
    if (line.size() >= 2 && line[0] == u'#') line.remove_prefix(1);  // "##..." is a literal '#'
    if (!firstLine) content += u"\r\n";
    content += line;
    firstLine = false;
  }
  finish();
  return tags;
}

std::optional<std::u16string> FindDescriptionTag(const std::vector<DescriptionTag>& tags,
                                                 std::u16string_view name) {
  for (const DescriptionTag& tag : tags) {
    if (tag.name.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; same && i < name.size(); ++i) same = Fold(tag.name[i]) == Fold(name[i]);
    if (same) return tag.content;
  }
  return std::nullopt;
}

const std::vector<std::u16string_view>& KnownDescriptionTags() {
  static const std::vector<std::u16string_view> names = {
      u"title",     u"vocal-player", u"composer",   u"arranger", u"source",
      u"track",     u"release-date", u"genre",      u"rewind-point", u"hot-spot",
      u"resolution", u"comment",     u"words",      u"raw"};
  return names;
}

uint32_t ParseRewindPoint(std::u16string_view content) {
  size_t at = 0;
  while (at < content.size() && IsBlank(content[at])) ++at;
  uint64_t value = 0;
  bool any = false;
  for (; at < content.size() && content[at] >= u'0' && content[at] <= u'9'; ++at) {
    value = value * 10 + (content[at] - u'0');
    if (value > UINT32_MAX) return 0;
    any = true;
  }
  return any ? static_cast<uint32_t>(value) : 0;
}

}  // namespace tav::medialib
