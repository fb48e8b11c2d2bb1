#include "accessible.h"

#include <oleacc.h>

#include "app.h"
#include "handles.h"

#include <string>
#include <utility>

namespace fw {

namespace {

// Spelled out: the import libraries' IID_IAccessible resolves to no data.
constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

using FromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);

// A text as a string the caller owns, for one of the texts that replace the standard answer.
HRESULT AnswerText(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The platform's standard object of the window, with the role, the extra states and the texts of a control
// drawn or named by the program. Everything else is the standard object's answer.
class ControlAccessible final : public IAccessible {
public:
    ControlAccessible(HWND control, long role, AccessibleTexts texts, IAccessible* standard,
                      FromWindowFn fromWindow)
        : m_control(control),
          m_role(role),
          m_texts(std::move(texts)),
          m_standard(standard),
          m_fromWindow(fromWindow) {}
    ControlAccessible(const ControlAccessible&) = delete;
    ControlAccessible& operator=(const ControlAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, kIidAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return m_standard->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return m_standard->GetTypeInfo(index, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override {
        return m_standard->GetIDsOfNames(iid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* error, UINT* argError) override {
        return m_standard->Invoke(id, iid, lcid, flags, params, result, error, argError);
    }

    // IAccessible: role and state are ours, the rest the standard object's.
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!IsSelf(child)) return m_standard->get_accRole(child, role);
        if (!role) return E_POINTER;
        role->vt = VT_I4;
        role->lVal = m_role;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        const HRESULT hr = m_standard->get_accState(child, state);
        if (FAILED(hr) || !IsSelf(child) || state->vt != VT_I4 || !::IsWindow(m_control)) return hr;
        if (::SendMessageW(m_control, BM_GETCHECK, 0, 0) == BST_CHECKED) state->lVal |= STATE_SYSTEM_CHECKED;
        if (m_role == ROLE_SYSTEM_PUSHBUTTON &&
            (::GetWindowLongW(m_control, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            state->lVal |= STATE_SYSTEM_DEFAULT;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return m_standard->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        return m_standard->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** dispatch) override {
        return m_standard->get_accChild(child, dispatch);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child) || m_texts.name.empty()) return m_standard->get_accName(child, name);
        return AnswerText(m_texts.name, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return m_standard->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        if (!IsSelf(child) || m_texts.description.empty()) return m_standard->get_accDescription(child, text);
        return AnswerText(m_texts.description, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return m_standard->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return m_standard->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return m_standard->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return m_standard->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return m_standard->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!IsSelf(child) || m_texts.defaultAction.empty())
            return m_standard->get_accDefaultAction(child, action);
        return AnswerText(m_texts.defaultAction, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return m_standard->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        return m_standard->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return m_standard->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        if (m_texts.passHitTests && child) {
            for (HWND below = ::GetWindow(m_control, GW_HWNDNEXT); below;
                 below = ::GetWindow(below, GW_HWNDNEXT)) {
                RECT rc{};
                if (!(::GetWindowLongW(below, GWL_STYLE) & WS_VISIBLE) || !::GetWindowRect(below, &rc) ||
                    x < rc.left || x >= rc.right || y < rc.top || y >= rc.bottom)
                    continue;
                IDispatch* object = nullptr;
                if (FAILED(m_fromWindow(below, OBJID_WINDOW, IID_IDispatch,
                                        reinterpret_cast<void**>(&object))) ||
                    !object)
                    break;
                child->vt = VT_DISPATCH;
                child->pdispVal = object;
                return S_OK;
            }
        }
        return m_standard->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return m_standard->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return m_standard->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return m_standard->put_accValue(child, value);
    }

private:
    ~ControlAccessible() { m_standard->Release(); }

    LONG m_refs = 1;
    HWND m_control;
    long m_role;
    AccessibleTexts m_texts;
    IAccessible* m_standard;  // owned: one reference
    FromWindowFn m_fromWindow;
};

}  // namespace

LRESULT AnswerControlGetObject(HWND control, WPARAM wp, LPARAM lp, long role, const AccessibleTexts& texts) {
    if (static_cast<long>(lp) != OBJID_CLIENT) return 0;
    // The accessibility library stays loaded with the objects it made, as long as the application object.
    CWinApp* app = CWinApp::Get();
    const HMODULE oleacc = app ? app->SystemLibrary(L"oleacc.dll") : nullptr;
    if (!oleacc) return 0;
    using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
    using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    const auto createStandard = GetProc<CreateStdAccessibleObjectFn>(oleacc, "CreateStdAccessibleObject");
    const auto lresultFromObject = GetProc<LresultFromObjectFn>(oleacc, "LresultFromObject");
    const auto fromWindow = GetProc<FromWindowFn>(oleacc, "AccessibleObjectFromWindow");
    if (!createStandard || !lresultFromObject || !fromWindow) return 0;
    IAccessible* standard = nullptr;
    if (FAILED(createStandard(control, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&standard))))
        return 0;
    auto* object = new ControlAccessible(control, role, texts, standard, fromWindow);
    const LRESULT answer = lresultFromObject(kIidAccessible, wp, object);
    object->Release();  // the answer holds its own reference
    return answer < 0 ? 0 : answer;
}

}  // namespace fw
