#include "scripts/script_writer.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "scripts/markup.h"

namespace plumo {
namespace {

// The hint only sizes the first allocation: a hundred thousand Steps would ask for 470 MB.
constexpr size_t kMaxInitialCapacity = 64u << 20;
constexpr std::string_view kDefaultFailureMode = "Display Error and Stop";

struct Layout {
  std::string eol;
  std::string ind;
};

Layout LayoutOf(uint32_t flags) {
  if (flags == 0) return {"\r\n", "\t"};
  Layout l;
  l.eol = (flags & layout::kCrLf) ? "\r\n" : (flags & layout::kCr) ? "\r" : (flags & layout::kLf) ? "\n" : "\r\n";
  const size_t width = std::min<uint32_t>(flags & layout::kWidthMask, layout::kMaxWidth);
  l.ind.assign(width, (flags & layout::kTabs) ? '\t' : ' ');
  return l;
}

class StepWriter {
 public:
  StepWriter(std::string& out, const Layout& layout, const WriteOptions& options)
      : out_(out), l_(layout), o_(options) {}

  void Write(const Step& s) {
    out_ += "<step>";
    out_ += l_.eol;
    Line("action", s.action, false);
    if (!s.text.empty()) Line("text", s.text, true);
    if (!s.options.empty()) Line("options", s.options, true);
    for (int n = 1; n <= 8; ++n)
      if (!s.Value(n).empty()) Line("value" + std::to_string(n), s.Value(n), true);
    if (!s.data.empty()) {
      out_ += l_.ind;
      out_ += "<data type=\"string\">";
      out_ += s.data.str();
      out_ += "</data>";
      out_ += l_.eol;
    }
    if (!s.timeout.empty() && s.timeout != "0") Line("timeout", s.timeout, false);
    if (s.status != 0) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(s.status));
      Line("status", hex, false);
    }
    if (s.indents > 0) Line("indents", std::to_string(s.indents), false);
    for (size_t n = 0; n < s.embeddedIds.size() && s.embeddedIds[n] > 0; ++n)
      Line("embedded_ID_" + std::to_string(n + 1), std::to_string(s.embeddedIds[n]), false);
    if (!s.output.empty()) {
      out_ += l_.ind;
      if (s.outputValue.empty()) {
        out_ += "<output>";
      } else {
        out_ += "<output value=\"";
        AppendEscapedAttribute(out_, s.outputValue);
        out_ += "\">";
      }
      out_ += s.output.str();
      out_ += "</output>";
      out_ += l_.eol;
    }
    const bool plainFailure = s.onfailValue.empty() && s.onfailImage == 0 && s.onfailLog == 0;
    if (!s.onfail.empty() && !(plainFailure && s.onfail == kDefaultFailureMode)) {
      out_ += l_.ind;
      if (plainFailure) {
        out_ += "<onfail>";
      } else {
        out_ += "<onfail value=\"";
        AppendEscapedAttribute(out_, s.onfailValue);
        out_ += "\" image=\"" + std::to_string(s.onfailImage) + "\" log=\"" + std::to_string(s.onfailLog) + "\">";
      }
      out_ += s.onfail.str();
      out_ += "</onfail>";
      out_ += l_.eol;
    }
    if (o_.withComments && !s.comment.empty()) Line("comment", s.comment, true);
    if (!s.custom.empty()) Line("custom", s.custom, true);
    out_ += "</step>\r\n";
  }

 private:
  void Line(std::string_view name, std::string_view value, bool escapable) {
    out_ += l_.ind;
    out_ += '<';
    out_ += name;
    out_ += '>';
    if (escapable && o_.encodeXml) AppendEscaped(out_, value);
    else out_ += value;
    out_ += "</";
    out_ += name;
    out_ += '>';
    out_ += l_.eol;
  }

  std::string& out_;
  const Layout& l_;
  const WriteOptions& o_;
};

// A "Set Variable" result names a variable.
void MarkSetVariableResults(Script& script) {
  for (Step& s : script.steps) {
    if (s.action.str().find("Set Variable") == std::string::npos || s.outputValue.empty()) continue;
    const char first = s.outputValue.str()[0];
    if (first != '%' && first != '{') s.outputValue = "%" + s.outputValue.str();
  }
}

}  // namespace

size_t WriteCapacityHint(size_t steps) { return std::max<size_t>(4096, 4704 * steps + 9408); }

WriteOutcome WriteSteps(Script& script, const WriteOptions& options) {
  NormaliseTargets(script);
  MarkSetVariableResults(script);
  WriteOutcome out;
  const size_t total = options.selection ? options.selection->size() : script.steps.size();
  try {
    out.text.reserve(std::min(WriteCapacityHint(total), kMaxInitialCapacity));
    const Layout layout = LayoutOf(script.layout);
    StepWriter writer(out.text, layout, options);
    for (size_t k = 0; k < total; ++k) {
      const size_t index = options.selection ? (*options.selection)[k] : k;
      if (index >= script.steps.size()) continue;
      writer.Write(script.steps[index]);
      ++out.written;
      if (options.progress && total > kWriteProgressAbove)
        options.progress(static_cast<int>((k + 1) * 100 / total));
    }
  } catch (const std::bad_alloc&) {
    return {0, {}, kOutOfMemoryMessage};
  }
  return out;
}

}  // namespace plumo
