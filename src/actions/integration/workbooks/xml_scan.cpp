#include "actions/integration/workbooks/xml_scan.h"

#include <cstring>

#include "base/ansi_unicode.h"

namespace plumo {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view LocalName(std::string_view qualified) {
  const size_t colon = qualified.find(':');
  return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

void AppendUtf8(std::string& out, unsigned long cp) {
  if (cp == 0 || cp > 0x10FFFF) cp = '?';
  char buf[4];
  size_t n;
  if (cp < 0x80) { buf[0] = static_cast<char>(cp); n = 1; }
  else if (cp < 0x800) { buf[0] = static_cast<char>(0xC0 | (cp >> 6)); buf[1] = static_cast<char>(0x80 | (cp & 0x3F)); n = 2; }
  else if (cp < 0x10000) {
    buf[0] = static_cast<char>(0xE0 | (cp >> 12));
    buf[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    buf[2] = static_cast<char>(0x80 | (cp & 0x3F));
    n = 3;
  } else {
    buf[0] = static_cast<char>(0xF0 | (cp >> 18));
    buf[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    buf[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    buf[3] = static_cast<char>(0x80 | (cp & 0x3F));
    n = 4;
  }
  out.append(buf, n);
}

}  // namespace

XmlScanner::Kind XmlScanner::Next() {
  selfClosing_ = false;
  cdata_ = false;
  for (;;) {
    tokenStart_ = pos_;
    if (pos_ >= doc_.size()) return kDone;
    if (doc_[pos_] != '<') {
      const size_t lt = doc_.find('<', pos_);
      const size_t end = lt == std::string_view::npos ? doc_.size() : lt;
      text_ = doc_.substr(pos_, end - pos_);
      pos_ = end;
      return kText;
    }
    if (doc_.compare(pos_, 9, "<![CDATA[") == 0) {
      const size_t end = doc_.find("]]>", pos_ + 9);
      if (end == std::string_view::npos) return kMalformed;
      text_ = doc_.substr(pos_ + 9, end - pos_ - 9);
      cdata_ = true;
      pos_ = end + 3;
      return kText;
    }
    const bool comment = doc_.compare(pos_, 4, "<!--") == 0;
    const bool declaration = pos_ + 1 < doc_.size() && (doc_[pos_ + 1] == '?' || doc_[pos_ + 1] == '!');
    if (!comment && !declaration) break;
    const size_t end = comment ? doc_.find("-->", pos_ + 4) : doc_.find('>', pos_);
    if (end == std::string_view::npos) return kMalformed;
    pos_ = end + (comment ? 3 : 1);
  }
  // A tag: find its '>' outside quoted attribute values.
  size_t i = pos_ + 1;
  char quote = 0;
  for (; i < doc_.size(); ++i) {
    const char c = doc_[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      break;
    }
  }
  if (i >= doc_.size()) return kMalformed;
  std::string_view inner = doc_.substr(pos_ + 1, i - pos_ - 1);
  pos_ = i + 1;
  const bool end = !inner.empty() && inner[0] == '/';
  if (end) inner.remove_prefix(1);
  if (!end && !inner.empty() && inner.back() == '/') {
    selfClosing_ = true;
    inner.remove_suffix(1);
  }
  size_t n = 0;
  while (n < inner.size() && !IsSpace(inner[n])) ++n;
  if (n == 0) return kMalformed;
  name_ = LocalName(inner.substr(0, n));
  attrs_ = inner.substr(n);
  return end ? kEnd : kStart;
}

bool XmlScanner::FindAttr(std::string_view localName, std::string_view* raw) const {
  size_t i = 0;
  while (i < attrs_.size()) {
    while (i < attrs_.size() && IsSpace(attrs_[i])) ++i;
    const size_t nameStart = i;
    while (i < attrs_.size() && attrs_[i] != '=' && !IsSpace(attrs_[i])) ++i;
    std::string_view name = LocalName(attrs_.substr(nameStart, i - nameStart));
    while (i < attrs_.size() && (IsSpace(attrs_[i]) || attrs_[i] == '=')) ++i;
    if (i >= attrs_.size()) return false;
    const char q = attrs_[i];
    if (q != '"' && q != '\'') return false;
    const size_t close = attrs_.find(q, i + 1);
    if (close == std::string_view::npos) return false;
    if (!name.empty() && name == localName) {
      *raw = attrs_.substr(i + 1, close - i - 1);
      return true;
    }
    i = close + 1;
  }
  return false;
}

bool XmlScanner::HasAttr(std::string_view localName) const {
  std::string_view raw;
  return FindAttr(localName, &raw);
}

std::string XmlScanner::Attr(std::string_view localName) const {
  std::string_view raw;
  std::string out;
  if (FindAttr(localName, &raw)) XmlUnescapeAppend(raw, out);
  return out;
}

std::string XmlScanner::Text() const {
  if (cdata_) return std::string(text_);
  std::string out;
  XmlUnescapeAppend(text_, out);
  return out;
}

bool XmlScanner::SkipElement() {
  if (selfClosing_) return true;
  for (int depth = 1; depth > 0;) {
    switch (Next()) {
      case kStart: if (!selfClosing_) ++depth; break;
      case kEnd: --depth; break;
      case kText: break;
      default: return false;
    }
  }
  return true;
}

bool XmlScanner::ElementText(std::string* out) {
  out->clear();
  if (selfClosing_) return true;
  for (int depth = 1; depth > 0;) {
    switch (Next()) {
      case kStart: if (!selfClosing_) ++depth; break;
      case kEnd: --depth; break;
      case kText:
        if (cdata_) out->append(text_);
        else XmlUnescapeAppend(text_, *out);
        break;
      default: return false;
    }
  }
  return true;
}

void XmlUnescapeAppend(std::string_view s, std::string& out) {
  size_t i = 0;
  while (i < s.size()) {
    const size_t amp = s.find('&', i);
    if (amp == std::string_view::npos) {
      out.append(s, i);
      return;
    }
    out.append(s, i, amp - i);
    const size_t semi = s.find(';', amp);
    if (semi == std::string_view::npos || semi - amp > 12) {
      out.push_back('&');
      i = amp + 1;
      continue;
    }
    std::string_view entity = s.substr(amp + 1, semi - amp - 1);
    if (entity == "amp") out.push_back('&');
    else if (entity == "lt") out.push_back('<');
    else if (entity == "gt") out.push_back('>');
    else if (entity == "quot") out.push_back('"');
    else if (entity == "apos") out.push_back('\'');
    else if (entity.size() > 1 && entity[0] == '#') {
      const bool hex = entity[1] == 'x' || entity[1] == 'X';
      unsigned long cp = 0;
      bool digits = entity.size() > (hex ? 2u : 1u);
      for (size_t k = hex ? 2 : 1; k < entity.size() && digits; ++k) {
        const char c = entity[k];
        int d = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
              : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) digits = false;
        else cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(d);
        if (cp > 0x10FFFF) cp = 0x110000;
      }
      if (!digits) {
        out.append(s, amp, semi - amp + 1);
      } else {
        AppendUtf8(out, cp);
      }
    } else {
      out.append(s, amp, semi - amp + 1);
    }
    i = semi + 1;
  }
}

void XmlEscapeAnsiAppend(std::string_view ansi, std::string& out) {
  size_t run = 0;
  for (size_t i = 0; i < ansi.size(); ++i) {
    const char c = ansi[i];
    const char* replacement = nullptr;
    switch (c) {
      case '&': replacement = "&amp;"; break;
      case '<': replacement = "&lt;"; break;
      case '>': replacement = "&gt;"; break;
      case '"': replacement = "&quot;"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x80) continue;
    }
    out.append(ansi, run, i - run);
    if (replacement) out += replacement;
    else AppendAnsiAsUtf8(out, ansi.substr(i, 1));
    run = i + 1;
  }
  out.append(ansi, run);
}

}  // namespace plumo
