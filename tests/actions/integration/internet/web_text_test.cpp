#include "actions/integration/internet/web_text.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

TEST(WebText, HtmlBecomesTheTextABrowserShows) {
  struct Case {
    const char* html;
    const char* text;
  } cases[] = {
      {"<p>Fish &amp; chips&nbsp;&nbsp;today</p>", "Fish & chips  today"},
      {"one<br>two<BR/>three", "one\r\ntwo\r\nthree"},
      {"<ul><li>one</li><li>two</li></ul>after", "* one\r\n* two\r\nafter"},
      {"<head><style>p{x}</style><script>var a = '<p>';</script></head>shown", "shown"},
      {"a  \r\n\t b", "a b"},
      {"<h1>Title</h1><p>Body</p>", "Title\r\n\r\nBody"},
      {"<pre>a\n  b</pre>", "a\r\n  b"},
      {"x &lt;tag&gt; &#65;&#x42; &euro; &#8212; &unknown; a < b", "x <tag> AB \x80 \x97 &unknown; a < b"},
      {"<table><tr><td>1</td><td>2</td></tr></table>", "1\t2"},
      {"<!-- <p>hidden</p> -->seen", "seen"},
      {"<a href=\"x>y\">link</a>", "link"},
      {"<script>never closed", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(HtmlToText(c.html), c.text) << c.html;
}

TEST(WebText, AddressesResolveAgainstThePage) {
  const char* page = "http://h.org/a/b/page.html?q=1#top";
  struct Case {
    const char* ref;
    const char* expected;
  } cases[] = {
      {"x.html", "http://h.org/a/b/x.html"},
      {"../x.html", "http://h.org/a/x.html"},
      {"../../../x.html", "http://h.org/x.html"},
      {"./x.html?y=2", "http://h.org/a/b/x.html?y=2"},
      {"/root.html", "http://h.org/root.html"},
      {"//cdn.org/s.js", "http://cdn.org/s.js"},
      {"https://other.org/", "https://other.org/"},
      {"mailto:a@b.c", "mailto:a@b.c"},
      {"?z=3", "http://h.org/a/b/page.html?z=3"},
      {"#part", "http://h.org/a/b/page.html?q=1#part"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveAddress(page, c.ref), c.expected) << c.ref;
  EXPECT_EQ(ResolveAddress("http://h.org", "x.html"), "http://h.org/x.html");
  EXPECT_EQ(WithScheme("www.h.org/x"), "http://www.h.org/x");
  EXPECT_EQ(WithScheme("ftp://www.h.org"), "ftp://www.h.org");
}

TEST(WebText, ExtractFindsTheTagOrLinkAroundTheText) {
  const std::string html =
      "<meta http-equiv=\"refresh\" content=\"5; url='/next.html'\">"
      "<ul><li>plain item</li><li><a href=\"/docs/two.html\">Two link</a></li></ul>"
      "<A HREF='../dl/setup.zip' class=x>Download <b>setup</b></A>"
      "<img src=\"images/logo.png\" alt=\"Logo picture\">";
  const char* page = "http://h.org/sub/page.html";
  struct Case {
    const char* search;
    const char* options;
    std::optional<std::string> expected;
  } cases[] = {
      {"Download", "Link HREF (Relative)", "../dl/setup.zip"},
      {"download", "Link HREF (Absolute)", "http://h.org/dl/setup.zip"},
      {"Download", "Raw HREF Tag", "<A HREF='../dl/setup.zip' class=x>Download <b>setup</b></A>"},
      {"Download", "Raw Inner Tag", "Download <b>setup</b>"},
      {"Logo picture", "", "images/logo.png"},
      {"Logo picture", "Link HREF (Absolute)", "http://h.org/sub/images/logo.png"},
      {"refresh", "", "/next.html"},
      {"Two link", "", "/docs/two.html"},
      {"plain item", "", "plain item"},
      {"", "", "/docs/two.html"},
      {"not on the page", "", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ExtractWebTag(html, c.search, c.options, page), c.expected) << c.search;
  EXPECT_EQ(ExtractWebTag("<p>text without tags</p>", "text", "", page), std::nullopt);
}

TEST(WebText, PostFormComesFromTheQueryOrTheDataField) {
  PostForm f = SplitPostForm("http://h/search?q=hello world&lang=en", "");
  EXPECT_EQ(f.address, "http://h/search");
  EXPECT_EQ(f.data, "q=hello+world&lang=en");
  f = SplitPostForm("http://h/search?keep=1", "name=J\xF6rg&a%20b=<x>");
  EXPECT_EQ(f.address, "http://h/search?keep=1");
  EXPECT_EQ(f.data, "name=J%F6rg&a%20b=%3Cx%3E");
}

}  // namespace
}  // namespace plumo
