#ifdef _WIN32

#include "ComJVLink.h"

#include <windows.h>

#include <oleauto.h> // after windows.h, which it needs

#include <array>
#include <vector>

namespace solvane {

namespace {

// JV-Link's texts are Japanese: calls are made with the Japanese locale, as JV-Link's own samples do.
const LCID kJapanese = MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), SORT_DEFAULT);

// ASCII arguments (identifiers, dataspecs, keys, times) as a BSTR the caller frees.
BSTR asciiBstr(const std::string& text)
{
    std::wstring w(text.begin(), text.end());
    return SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

// A BSTR from JV-Link as Shift-JIS bytes (code page 932), the form every record position counts in.
std::string sjisOf(BSTR text)
{
    if (!text)
        return {};
    const int len = static_cast<int>(SysStringLen(text));
    if (len == 0)
        return {};
    const int n = WideCharToMultiByte(932, 0, text, len, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(932, 0, text, len, out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace

struct ComJVLink::Impl {
    IDispatch* dispatch = nullptr;
    std::array<DISPID, 8> ids{};
    enum Name { Init, SetUI, Open, RTOpen, Status, Read, Cancel, Close };

    ~Impl()
    {
        if (dispatch)
            dispatch->Release();
    }

    // Invokes a method with arguments in their declared order (IDispatch wants them reversed).
    HRESULT invoke(Name name, std::vector<VARIANTARG> args, VARIANT& result)
    {
        std::vector<VARIANTARG> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        VariantInit(&result);
        EXCEPINFO excep{};
        UINT argErr = 0;
        const HRESULT hr =
            dispatch->Invoke(ids[name], IID_NULL, kJapanese, DISPATCH_METHOD, &params, &result, &excep, &argErr);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
        return hr;
    }

    // The method's long result, or JV-Link's internal-error code when the call itself failed.
    static int resultOf(HRESULT hr, VARIANT& result)
    {
        if (FAILED(hr))
            return -401;
        VARIANT asLong;
        VariantInit(&asLong);
        const int rc = SUCCEEDED(VariantChangeType(&asLong, &result, 0, VT_I4)) ? asLong.lVal : -401;
        VariantClear(&result);
        return rc;
    }
};

std::unique_ptr<ComJVLink> ComJVLink::Create(std::string* error)
{
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"JVDTLab.JVLink", &clsid))) {
        *error = "JV-Link (JVDTLab.JVLink) is not registered";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&impl->dispatch));
    if (FAILED(hr)) {
        *error = "JV-Link cannot be created (HRESULT " + std::to_string(static_cast<long>(hr)) + ")";
        return nullptr;
    }
    static const wchar_t* const names[] = {L"JVInit", L"JVSetUIProperties", L"JVOpen", L"JVRTOpen", L"JVStatus",
                                           L"JVRead", L"JVCancel",          L"JVClose"};
    for (std::size_t i = 0; i < impl->ids.size(); ++i) {
        LPOLESTR name = const_cast<LPOLESTR>(names[i]);
        hr = impl->dispatch->GetIDsOfNames(IID_NULL, &name, 1, kJapanese, &impl->ids[i]);
        if (FAILED(hr)) {
            std::wstring w(names[i]);
            *error = "JV-Link has no method " + std::string(w.begin(), w.end());
            return nullptr;
        }
    }
    return std::unique_ptr<ComJVLink>(new ComJVLink(std::move(impl)));
}

ComJVLink::ComJVLink(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ComJVLink::~ComJVLink() = default;

static VARIANTARG bstrArg(BSTR b)
{
    VARIANTARG v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = b;
    return v;
}

static VARIANTARG longArg(LONG l)
{
    VARIANTARG v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = l;
    return v;
}

static VARIANTARG longRef(LONG* l)
{
    VARIANTARG v;
    VariantInit(&v);
    v.vt = VT_I4 | VT_BYREF;
    v.plVal = l;
    return v;
}

static VARIANTARG bstrRef(BSTR* b)
{
    VARIANTARG v;
    VariantInit(&v);
    v.vt = VT_BSTR | VT_BYREF;
    v.pbstrVal = b;
    return v;
}

int ComJVLink::JVInit(const std::string& sid)
{
    BSTR s = asciiBstr(sid);
    VARIANT r;
    const HRESULT hr = impl_->invoke(Impl::Init, {bstrArg(s)}, r);
    SysFreeString(s);
    return Impl::resultOf(hr, r);
}

int ComJVLink::JVSetUIProperties()
{
    VARIANT r;
    const HRESULT hr = impl_->invoke(Impl::SetUI, {}, r);
    return Impl::resultOf(hr, r);
}

int ComJVLink::JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount,
                      int& downloadCount, std::string& lastFileTimestamp)
{
    BSTR spec = asciiBstr(dataspec);
    BSTR from = asciiBstr(fromtime);
    LONG reads = 0, downloads = 0;
    BSTR stamp = nullptr; // allocated by JV-Link
    VARIANT r;
    const HRESULT hr = impl_->invoke(
        Impl::Open,
        {bstrArg(spec), bstrArg(from), longArg(option), longRef(&reads), longRef(&downloads), bstrRef(&stamp)}, r);
    SysFreeString(spec);
    SysFreeString(from);
    readCount = reads;
    downloadCount = downloads;
    lastFileTimestamp = sjisOf(stamp);
    SysFreeString(stamp);
    return Impl::resultOf(hr, r);
}

int ComJVLink::JVRTOpen(const std::string& dataspec, const std::string& key)
{
    BSTR spec = asciiBstr(dataspec);
    BSTR k = asciiBstr(key);
    VARIANT r;
    const HRESULT hr = impl_->invoke(Impl::RTOpen, {bstrArg(spec), bstrArg(k)}, r);
    SysFreeString(spec);
    SysFreeString(k);
    return Impl::resultOf(hr, r);
}

int ComJVLink::JVStatus()
{
    VARIANT r;
    const HRESULT hr = impl_->invoke(Impl::Status, {}, r);
    return Impl::resultOf(hr, r);
}

int ComJVLink::JVRead(std::string& record, int bufferSize, std::string& fileName)
{
    BSTR buff = nullptr, name = nullptr;
    LONG size = bufferSize;
    VARIANT r;
    const HRESULT hr = impl_->invoke(Impl::Read, {bstrRef(&buff), longRef(&size), bstrRef(&name)}, r);
    int rc = Impl::resultOf(hr, r);
    record = rc > 0 ? sjisOf(buff) : std::string();
    fileName = sjisOf(name);
    SysFreeString(buff);
    SysFreeString(name);
    // The record's length is its Shift-JIS byte count, which the caller checks against the bytes.
    // A positive answer without text is a damaged record, not the end of the data.
    if (rc > 0)
        rc = record.empty() ? -403 : static_cast<int>(record.size());
    return rc;
}

void ComJVLink::JVCancel()
{
    VARIANT r;
    impl_->invoke(Impl::Cancel, {}, r);
    VariantClear(&r);
}

int ComJVLink::JVClose()
{
    VARIANT r;
    const HRESULT hr = impl_->invoke(Impl::Close, {}, r);
    return Impl::resultOf(hr, r);
}

} // namespace solvane

#endif
