// Web pages as the Internet actions read them: addresses, HTML turned into text, and the tag
// or link found around a search text. The rules are described in docs/INTERNET.md.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace plumo {

// "www.x.org" gets "http://" in front; other addresses stay as they are.
std::string WithScheme(std::string_view address);

// ref resolved against the page address base (RFC 3986 in the forms pages use).
std::string ResolveAddress(std::string_view base, std::string_view ref);

// The text a browser would show, with CR LF line ends.
std::string HtmlToText(std::string_view html);

// The tag or link around the first occurrence of `search` (any case): with "Inner" in options
// the element's inner HTML, with "Raw" the whole element, otherwise its link ("Absolute":
// resolved against page). nullopt when the text or a tag around it is not found.
std::optional<std::string> ExtractWebTag(std::string_view html, std::string_view search, std::string_view options,
                                         std::string_view page);

// The address and the form data of "HTTP Post": the data is `data` when given, else what
// follows the first '?' of the address; characters outside the form alphabet are escaped.
struct PostForm {
  std::string address;
  std::string data;
};
PostForm SplitPostForm(std::string_view address, std::string_view data);

}  // namespace plumo
