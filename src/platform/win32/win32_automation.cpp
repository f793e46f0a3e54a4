#include "platform/win32/win32_automation.h"

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <vector>

#include "platform/win32/win32_error.h"

namespace plumo {
namespace {

std::wstring Wide(std::string_view s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const wchar_t* w, UINT length) {
  if (!w || length == 0) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(length), nullptr, 0, "?", nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(length), s.data(), n, "?", nullptr);
  return s;
}

OsError ComError(const char* call, HRESULT hr) { return OsError(call, static_cast<uint32_t>(hr), Win32Message(static_cast<DWORD>(hr))); }

// COM stays initialised on a thread while any object made there lives.
struct ComScope {
  bool initialised = false;
  ComScope() { initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  ~ComScope() {
    if (initialised) CoUninitialize();
  }
};

AutoValue FromVariant(const VARIANT& v, const std::shared_ptr<ComScope>& scope);
void ToVariant(const AutoValue& a, VARIANT* v);

class DispatchObject : public AutoObject {
 public:
  DispatchObject(IDispatch* dispatch, std::shared_ptr<ComScope> scope) : dispatch_(dispatch), scope_(std::move(scope)) {}
  ~DispatchObject() override { dispatch_->Release(); }

  OsError Get(std::string_view name, const std::vector<AutoValue>& args, AutoValue* result) override {
    VARIANT out;
    VariantInit(&out);
    OsError e = Invoke(name, args, nullptr, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &out);
    if (e) *result = FromVariant(out, scope_);
    VariantClear(&out);
    return e;
  }

  OsError Put(std::string_view name, const std::vector<AutoValue>& args, const AutoValue& value) override {
    return Invoke(name, args, &value, DISPATCH_PROPERTYPUT, nullptr);
  }

 private:
  OsError Invoke(std::string_view name, const std::vector<AutoValue>& args, const AutoValue* value, WORD flags, VARIANT* out) {
    std::wstring wide = Wide(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = 0;
    HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return OsError("GetIDsOfNames", static_cast<uint32_t>(hr), "The object has no \"" + std::string(name) + "\"");
    // Arguments go in reverse order; a put's value comes first.
    std::vector<VARIANT> list(args.size() + (value ? 1 : 0));
    size_t at = 0;
    if (value) ToVariant(*value, &list[at++]);
    for (size_t i = args.size(); i-- > 0;) ToVariant(args[i], &list[at++]);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {list.data(), value ? &putId : nullptr, static_cast<UINT>(list.size()), value ? 1u : 0u};
    EXCEPINFO exception = {};
    UINT badArgument = 0;
    hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, out, &exception, &badArgument);
    for (VARIANT& v : list) VariantClear(&v);
    if (SUCCEEDED(hr)) return OsError::Ok();
    std::string message;
    if (hr == DISP_E_EXCEPTION) {
      if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
      message = Narrow(exception.bstrDescription, exception.bstrDescription ? SysStringLen(exception.bstrDescription) : 0);
      if (exception.scode) hr = exception.scode;
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (message.empty()) message = Win32Message(static_cast<DWORD>(hr));
    return OsError(("Invoke " + std::string(name)).c_str(), static_cast<uint32_t>(hr), message);
  }

  IDispatch* dispatch_;
  std::shared_ptr<ComScope> scope_;
};

AutoValue FromVariant(const VARIANT& v, const std::shared_ptr<ComScope>& scope) {
  const VARTYPE type = V_VT(&v);
  if (type == (VT_ARRAY | VT_VARIANT)) {
    SAFEARRAY* array = V_ARRAY(&v);
    const UINT dims = SafeArrayGetDim(array);
    if (dims < 1 || dims > 2) return {};
    LONG low[2] = {0, 0}, high[2] = {0, 0};
    for (UINT d = 0; d < dims; ++d) {
      SafeArrayGetLBound(array, d + 1, &low[d]);
      SafeArrayGetUBound(array, d + 1, &high[d]);
    }
    // One dimension is one row; with two, the first counts the rows.
    const uint32_t rows = dims == 2 ? static_cast<uint32_t>(high[0] - low[0] + 1) : 1;
    const uint32_t columns = static_cast<uint32_t>(high[dims - 1] - low[dims - 1] + 1);
    AutoValue out = AutoValue::Array(rows, columns);
    for (uint32_t r = 0; r < rows; ++r) {
      for (uint32_t c = 0; c < columns; ++c) {
        LONG index[2];
        if (dims == 2) index[0] = low[0] + static_cast<LONG>(r), index[1] = low[1] + static_cast<LONG>(c);
        else index[0] = low[0] + static_cast<LONG>(c);
        VARIANT item;
        VariantInit(&item);
        if (SUCCEEDED(SafeArrayGetElement(array, index, &item))) out.items[size_t(r) * columns + c] = FromVariant(item, scope);
        VariantClear(&item);
      }
    }
    return out;
  }
  switch (type) {
    case VT_EMPTY: case VT_NULL: return {};
    case VT_BSTR: return AutoValue::Text(Narrow(V_BSTR(&v), SysStringLen(V_BSTR(&v))));
    case VT_BOOL: return AutoValue::Bool(V_BOOL(&v) != VARIANT_FALSE);
    case VT_ERROR: {
      AutoValue e;
      e.kind = AutoValue::Kind::kError;
      e.number = static_cast<double>(static_cast<uint32_t>(V_ERROR(&v)) & 0xFFFF);
      return e;
    }
    case VT_DISPATCH: {
      AutoValue o;
      if (!V_DISPATCH(&v)) return o;
      V_DISPATCH(&v)->AddRef();
      o.kind = AutoValue::Kind::kObject;
      o.object = std::make_shared<DispatchObject>(V_DISPATCH(&v), scope);
      return o;
    }
    default: {
      VARIANT number;
      VariantInit(&number);
      if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&v), 0, VT_R8))) return {};
      return AutoValue::Number(V_R8(&number));
    }
  }
}

void ToVariant(const AutoValue& a, VARIANT* v) {
  VariantInit(v);
  switch (a.kind) {
    case AutoValue::Kind::kNumber: V_VT(v) = VT_R8; V_R8(v) = a.number; break;
    case AutoValue::Kind::kBool: V_VT(v) = VT_BOOL; V_BOOL(v) = a.number != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case AutoValue::Kind::kText: {
      std::wstring w = Wide(a.text);
      V_VT(v) = VT_BSTR;
      V_BSTR(v) = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
      break;
    }
    case AutoValue::Kind::kArray: {
      SAFEARRAYBOUND bounds[2] = {{a.rows, 1}, {a.columns, 1}};
      SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
      if (!array) break;
      for (uint32_t r = 0; r < a.rows; ++r) {
        for (uint32_t c = 0; c < a.columns; ++c) {
          LONG index[2] = {static_cast<LONG>(r + 1), static_cast<LONG>(c + 1)};
          VARIANT item;
          ToVariant(a.items[size_t(r) * a.columns + c], &item);
          SafeArrayPutElement(array, index, &item);
          VariantClear(&item);
        }
      }
      V_VT(v) = VT_ARRAY | VT_VARIANT;
      V_ARRAY(v) = array;
      break;
    }
    default: break;  // no caller passes objects or errors back
  }
}

}  // namespace

AutoObjectPtr Win32Automation::Create(const std::string& progId, OsError* error) {
  auto scope = std::make_shared<ComScope>();
  const std::wstring wide = Wide(progId);
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(wide.c_str(), &clsid);
  if (FAILED(hr)) {
    *error = OsError("CLSIDFromProgID", static_cast<uint32_t>(hr), "\"" + progId + "\" is not installed");
    return nullptr;
  }
  IDispatch* dispatch = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  if (FAILED(hr)) {
    *error = ComError("CoCreateInstance", hr);
    return nullptr;
  }
  return std::make_shared<DispatchObject>(dispatch, scope);
}

}  // namespace plumo
