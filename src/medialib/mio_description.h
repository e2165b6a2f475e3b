#pragma once

// The description text of a container: "#tag" lines, each followed by its content lines. Sound
// streams read "rewind-point", the sample a looping sound starts again from.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tav::medialib {

struct DescriptionTag {
  std::u16string name;
  std::u16string content;
};

// The tags in text order. A text that does not begin with '#' is one tag "comment". Lines end
// with CR LF (a lone LF is taken as well); a content line that begins with "##" contributes its
// text from the second '#' on; content loses trailing characters <= space.
std::vector<DescriptionTag> ParseDescription(std::u16string_view text);

// The first tag of that name (ASCII letters compared without case), or nothing.
std::optional<std::u16string> FindDescriptionTag(const std::vector<DescriptionTag>& tags,
                                                 std::u16string_view name);

// The tag names the library knows, in its table order.
const std::vector<std::u16string_view>& KnownDescriptionTags();

// The decimal sample number of a "rewind-point" content (leading blanks skipped, digits up to
// the first other character); 0 when there is none or it does not fit 32 bits.
uint32_t ParseRewindPoint(std::u16string_view content);

}  // namespace tav::medialib
