// A small pull scanner for the XML parts of a workbook: start and end tags with their local
// names and attributes, and text between them. It keeps no tree and never recurses, so a
// damaged or hostile part costs at most one pass over its bytes.
#pragma once

#include <string>
#include <string_view>

namespace plumo {

class XmlScanner {
 public:
  enum Kind { kStart, kEnd, kText, kDone, kMalformed };

  explicit XmlScanner(std::string_view doc) : doc_(doc) {}

  // The next start tag, end tag or run of text; declarations, comments and processing
  // instructions are passed over. A self-closing tag gives kStart with SelfClosing().
  Kind Next();
  // The tag's name without its namespace prefix.
  std::string_view Name() const { return name_; }
  bool SelfClosing() const { return selfClosing_; }
  // An attribute of the current start tag by its local name, unescaped; empty when absent.
  std::string Attr(std::string_view localName) const;
  bool HasAttr(std::string_view localName) const;
  // The unescaped text of a kText (CDATA sections included as they are).
  std::string Text() const;
  // Offsets of the current token in the document: [TokenStart(), Position()).
  size_t TokenStart() const { return tokenStart_; }
  size_t Position() const { return pos_; }
  // After a kStart: moves behind its matching end tag. False when the document ends first.
  bool SkipElement();
  // After a kStart: the text of the element up to its end tag, unescaped (nested tags'
  // text included, as the <t> runs of a rich string). False when the document ends first.
  bool ElementText(std::string* out);

 private:
  bool FindAttr(std::string_view localName, std::string_view* raw) const;

  std::string_view doc_;
  size_t pos_ = 0;
  size_t tokenStart_ = 0;
  std::string_view name_;
  std::string_view attrs_;
  std::string_view text_;
  bool cdata_ = false;
  bool selfClosing_ = false;
};

// &amp; &lt; &gt; &quot; &apos; and numeric references; the result is UTF-8. An unknown
// entity is kept as it is written.
void XmlUnescapeAppend(std::string_view s, std::string& out);
// Text and attribute values escaped for XML, from ANSI to UTF-8.
void XmlEscapeAnsiAppend(std::string_view ansi, std::string& out);

}  // namespace plumo
