#include "actions/programs/dll_call.h"

#include <cstring>

#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "platform/libraries.h"
#include "vars/constants.h"

namespace plumo {
namespace {

constexpr size_t kMaxArguments = 10;
// Texts go by address; a function may write into them (GetWindowTextA), so each buffer has room
// for the longest text of the system whatever the argument's own length.
constexpr size_t kTextBufferMinimum = 4096;
constexpr size_t kResultVariableWidth = 63;

// Functions that fill a structure whose address they take: where it goes and how it reads.
enum class Shape { kPoint, kRect, kPlacement, kVersion };
struct ShapedFunction {
  const char* name;
  size_t position;
  Shape shape;
};
constexpr ShapedFunction kShaped[] = {
    {"GetCursorPos", 0, Shape::kPoint},        {"GetWindowRect", 1, Shape::kRect},
    {"GetClientRect", 1, Shape::kRect},        {"GetWindowPlacement", 1, Shape::kPlacement},
    {"GetVersionExA", 0, Shape::kVersion},
};
constexpr size_t kShapeBytes = 160;
constexpr uint32_t kPlacementSize = 44;
constexpr uint32_t kVersionInfoSize = 148;

int32_t Int(const char* p, size_t i) {
  int32_t v;
  std::memcpy(&v, p + 4 * i, 4);
  return v;
}

std::string ShapeText(Shape shape, const char* p) {
  switch (shape) {
    case Shape::kPoint: return FormatText("%d,%d", Int(p, 0), Int(p, 1));
    case Shape::kRect: return FormatText("%d,%d,%d,%d", Int(p, 0), Int(p, 1), Int(p, 2), Int(p, 3));
    case Shape::kPlacement:
      return FormatText("%d,%d,%d,%d,%d,%d", Int(p, 1), Int(p, 2), Int(p, 7), Int(p, 8), Int(p, 9), Int(p, 10));
    case Shape::kVersion:
      return FormatText("%lu,%lu,%lu,%lu,%lu,%s", static_cast<unsigned long>(Int(p, 0)),
                        static_cast<unsigned long>(Int(p, 1)), static_cast<unsigned long>(Int(p, 2)),
                        static_cast<unsigned long>(Int(p, 3)), static_cast<unsigned long>(Int(p, 4)),
                        std::string(p + 20, strnlen(p + 20, 128)).c_str());
  }
  return "";
}

struct Located {
  std::unique_ptr<Library> library;
  void* function = nullptr;
  std::string name;
};

Located LocateAnew(Session& session, Libraries& libraries, const std::string& library, const std::string& function) {
  std::vector<std::string> places;
  const std::string name(NamePart(library));
  // A library named with its folder is looked for there first.
  if (name != library) places.push_back(library);
  if (!name.empty()) {
    places.push_back(name);
    places.push_back(session.system().WindowsFolder() + "\\" + name);
    places.push_back(session.system().SystemFolder() + "\\" + name);
  }
  for (std::string& name : libraries.SystemLibraries()) places.push_back(std::move(name));
  for (const std::string& place : places) {
    std::unique_ptr<Library> loaded = libraries.Load(place);
    if (!loaded) continue;
    for (const std::string& name : {function, function + "A", function + "ExA"})
      if (void* fn = loaded->Find(name)) return Located{std::move(loaded), fn, name};
  }
  return {};
}

Located Locate(Session& session, Libraries& libraries, const std::string& library, const std::string& function,
               DllCallCache* cache) {
  if (!cache) return LocateAnew(session, libraries, library, function);
  const std::string key = library + '\n' + function;
  {
    std::lock_guard<std::mutex> lock(cache->mu);
    auto it = cache->found.find(key);
    if (it != cache->found.end()) return Located{nullptr, it->second.function, it->second.name};
  }
  Located at = LocateAnew(session, libraries, library, function);
  if (at.function && at.library->Resident()) {
    std::lock_guard<std::mutex> lock(cache->mu);
    cache->found[key] = DllCallCache::Found{at.function, at.name};
  }
  return at;
}

}  // namespace

DllCallOutcome CallDllFunction(Session& session, Libraries& libraries, const std::string& library,
                               const DllCallText& call, DllCallCache* cache) {
  DllCallOutcome out;
  if (call.count > kMaxArguments) {
    out.error = FormatText("Parameter count incorrect (%d)", static_cast<int>(call.count));
    return out;
  }
  Located at = Locate(session, libraries, library, call.function, cache);
  if (!at.function) {
    out.error = "The function call \"" + call.function + "\" could not be located";
    return out;
  }
  const ShapedFunction* shaped = nullptr;
  for (const ShapedFunction& row : kShaped)
    if (at.name == row.name) shaped = &row;

  std::vector<std::vector<char>> buffers(call.arguments.size());
  std::vector<uintptr_t> words(call.arguments.size());
  for (size_t i = 0; i < call.arguments.size(); ++i) {
    const DllArgument& arg = call.arguments[i];
    if (arg.numeric) {
      words[i] = static_cast<uintptr_t>(DllNumber(arg.text));
      continue;
    }
    buffers[i].assign(std::max(arg.text.size() + 1, kTextBufferMinimum), '\0');
    std::memcpy(buffers[i].data(), arg.text.data(), arg.text.size());
    words[i] = reinterpret_cast<uintptr_t>(buffers[i].data());
  }
  std::vector<char> structure(kShapeBytes, '\0');
  if (shaped) {
    const uint32_t size = shaped->shape == Shape::kPlacement ? kPlacementSize
                          : shaped->shape == Shape::kVersion ? kVersionInfoSize
                                                             : 0;
    std::memcpy(structure.data(), &size, 4);
    if (words.size() <= shaped->position) words.resize(shaped->position + 1);
    words[shaped->position] = reinterpret_cast<uintptr_t>(structure.data());
  }
  if (words.size() > kMaxArguments) {
    out.error = FormatText("Parameter count incorrect (%d)", static_cast<int>(words.size()));
    return out;
  }
  const NativeCallResult r = libraries.Call(at.function, words.data(), static_cast<int>(words.size()));
  if (!r.fault.empty()) {
    out.error = "The function call \"" + call.function + "\" crashed (" + r.fault + ") and was abandoned";
    return out;
  }
  out.called = true;
  out.value = static_cast<int32_t>(static_cast<uint32_t>(r.value));
  out.calleePopped = r.calleePopped;
  out.resultText = shaped ? ShapeText(shaped->shape, structure.data()) : std::to_string(out.value);
  if (r.lastError != 0) out.lastError = libraries.ErrorMessage(r.lastError);
  for (size_t i = 0; i < call.arguments.size(); ++i) {
    const DllArgument& arg = call.arguments[i];
    if (arg.numeric) out.after.push_back(std::to_string(static_cast<int32_t>(static_cast<uint32_t>(words[i]))));
    else out.after.emplace_back(buffers[i].data(), strnlen(buffers[i].data(), buffers[i].size()));
  }
  return out;
}

namespace {

DllArgumentHost HostFor(Session& session, int slot, int index) {
  DllArgumentHost host;
  host.variable = [&session, slot, index](std::string_view name) {
    return session.ExpandStep("%" + std::string(name), slot, index);
  };
  host.expand = [&session, slot, index](std::string_view text) { return session.ExpandStep(text, slot, index); };
  // The run thread waits for this Step, so its formula engine is free.
  host.evaluate = [&session](std::string_view expression) {
    std::string out;
    const double value = session.formulas.Evaluate(expression, &out);
    return out.empty() ? FormatText("%.15g", value) : out;
  };
  host.constant = [&session](std::string_view name) {
    std::string text(name);
    ReplaceConstants(text, session.formulas);
    return text;
  };
  return host;
}

// "%r = Function(...)": the result variable's name; empty for none.
std::string ResultVariable(std::string_view text) {
  const size_t open = text.find('(');
  const size_t equals = text.find('=');
  if (equals == std::string_view::npos || equals > open || text.find('%') == std::string_view::npos) return "";
  std::string_view name = Trim(text.substr(0, equals));
  name = name.substr(0, name.find_first_of(" ="));
  if (!name.empty() && name[0] == '%') name.remove_prefix(1);
  return std::string(name.substr(0, kResultVariableWidth));
}

// Only where the call could tell (32-bit x86, a function with arguments).
void LogConvention(Session& session, const Step& step, const DllCallOutcome& out) {
  if (out.calleePopped < 0 || out.after.empty()) return;
  const bool stdcall = out.calleePopped > 0;
  const bool saidCdecl = ContainsNoCase(step.options, "cdecl");
  const bool saidStdcall = ContainsNoCase(step.options, "stdcall");
  if ((saidCdecl && stdcall) || (saidStdcall && !stdcall))
    LogLine(session, std::string("    The function took ") + (stdcall ? "the stdcall" : "the cdecl") +
                         " convention; the Step names the other (the call was made right either way)");
}

}  // namespace

int CallDllStep(Session& session, Libraries& libraries, DllCallCache& cache, int slot, int index, DllCaller caller) {
  Step& step = session.scripts.At(slot)->steps[static_cast<size_t>(index)];
  const bool api = caller == DllCaller::kWindowsApi;
  const std::string resultVariable = api ? ResultVariable(step.text) : "";
  // The Windows API's text is expanded whole; a DLL call reads its variables itself, so that
  // arguments that name one can be written back.
  const std::string text = api ? session.ExpandStep(step.text, slot, index) : step.text;
  const DllCallText call = ParseDllCall(text, HostFor(session, slot, index));
  const std::string library = api ? "" : session.ExpandStep(step.value1, slot, index);
  const DllCallOutcome out = CallDllFunction(session, libraries, library, call, &cache);
  if (!out.called) return session.Fail(out.error);
  if (!out.lastError.empty()) LogLine(session, "Function Error: " + out.lastError);
  LogConvention(session, step, out);
  session.StoreOutput(slot, index, out.resultText);
  RunVariables* variables = session.variables();
  if (api) {
    if (!resultVariable.empty() && variables)
      variables->StoreInto(slot, index, "Variable", "%" + resultVariable, out.resultText);
    return result::kSuccess;
  }
  if (variables) {
    for (size_t i = 0; i < call.arguments.size() && i < out.after.size(); ++i) {
      if (!call.arguments[i].variable.empty())
        variables->StoreInto(slot, index, "Variable", "%" + call.arguments[i].variable, out.after[i]);
      variables->StoreInto(slot, index, "Variable", FormatText("%%parameter%d", static_cast<int>(i + 1)), out.after[i]);
    }
  }
  return result::kSuccess;
}

}  // namespace plumo
