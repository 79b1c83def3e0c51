#include "com/typeinfo.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

namespace com {

namespace {

std::size_t storageSize(VARTYPE vt) {
    if (vt & (VT_ARRAY | VT_BYREF)) return sizeof(void*);
    switch (vt) {
        case VT_I1:
        case VT_UI1: return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL: return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR: return 4;
        case VT_VARIANT: return sizeof(VARIANT);
        default: return 8;
    }
}

[[noreturn]] void badTable(const char* member, const char* what) {
    throw std::invalid_argument(std::string("type table, member ") + member + ": " + what);
}

}  // namespace

const MemberDesc* TypeDesc::find(DISPID id, INVOKEKIND kind) const {
    for (const MemberDesc& m : members)
        if (m.dispid == id && m.kind == kind) return &m;
    return nullptr;
}

namespace detail {

MemberDesc makeMember(const char* name, DISPID id, INVOKEKIND kind, std::vector<ParamDesc> params, const char* help,
                      WORD flags, std::vector<VARTYPE> types, std::vector<bool> references, InvokeThunk invoke,
                      ProxySlot proxy) {
    const std::size_t arity = types.size();
    std::size_t retvals = 0;
    if (kind == INVOKE_PROPERTYGET) {
        if (arity == 0 || !references.back()) badTable(name, "a property get ends with its [retval] pointer");
        retvals = 1;
    } else if (kind == INVOKE_FUNC && arity > 0 && references.back() &&
               (params.size() < arity || (params.back().flags & PARAMFLAG_FRETVAL))) {
        retvals = 1;
    }
    if (params.size() > arity) badTable(name, "more parameters named than the function has");
    params.resize(arity);
    for (std::size_t i = 0; i < arity; ++i) {
        ParamDesc& p = params[i];
        bool retval = retvals && i == arity - 1;
        VARTYPE natural = types[i];
        if (p.vt == VT_EMPTY) {
            p.vt = natural;
        } else {
            if (references[i] && !(p.vt & VT_BYREF)) p.vt |= VT_BYREF;
            if (storageSize(p.vt & ~VT_BYREF) != storageSize(natural & ~VT_BYREF) || (p.vt & VT_BYREF) != (natural & VT_BYREF))
                badTable(name, "declared type does not fit the C++ parameter");
        }
        p.flags = retval ? PARAMFLAG_FOUT | PARAMFLAG_FRETVAL
                         : references[i] ? PARAMFLAG_FIN | PARAMFLAG_FOUT : PARAMFLAG_FIN;
    }
    return MemberDesc{name, id, kind, std::move(params), help, flags, invoke, proxy};
}

}  // namespace detail

MemberDesc dispMethod(const char* name, DISPID id, std::vector<ParamDesc> params, const char* help, WORD flags) {
    for (ParamDesc& p : params)
        if (p.flags == PARAMFLAG_NONE) p.flags = (p.vt & VT_BYREF) ? PARAMFLAG_FIN | PARAMFLAG_FOUT : PARAMFLAG_FIN;
    return MemberDesc{name, id, INVOKE_FUNC, std::move(params), help, flags, nullptr, nullptr};
}

TypeDesc dispInterface(const char* name, REFIID iid, const char* help, std::vector<MemberDesc> members, WORD flags) {
    return TypeDesc{TKIND_DISPATCH, name, iid, flags, help, std::move(members), {}, nullptr, {}};
}

TypeDesc coClass(const char* name, REFCLSID clsid, const char* help, std::vector<ImplDesc> implemented, WORD flags) {
    return TypeDesc{TKIND_COCLASS, name, clsid, flags, help, {}, std::move(implemented), nullptr, {}};
}

TypeDesc enumType(const char* name, REFGUID guid, const char* help, std::vector<EnumConstant> constants) {
    return TypeDesc{TKIND_ENUM, name, guid, 0, help, {}, {}, nullptr, std::move(constants)};
}

namespace {

BSTR bstrOf(const char* text) {
    if (!text) return nullptr;
    std::u16string t = toUtf16(text);
    return SysAllocStringLen(t.data(), static_cast<UINT>(t.size()));
}

class TypeInfoImpl;
class TypeLibImpl;

// Everything made from tables lives for the whole process: the objects are few and hosts may
// hold on to them anywhere. Held through a pointer that is never freed, so nothing is torn
// down under a late user at exit.
struct Tables {
    std::mutex lock;
    std::map<const TypeDesc*, TypeInfoImpl*> infos;
    std::map<const TypeLibDesc*, TypeLibImpl*> libs;
    std::map<const TypeDesc*, const TypeLibDesc*> owners;
    std::vector<const TypeLibDesc*> registered;
};
Tables& tables() {
    static Tables* t = new Tables;
    return *t;
}

class TypeInfoImpl final : public ITypeInfo {
public:
    explicit TypeInfoImpl(const TypeDesc& desc) : desc_(desc) {}
    const TypeDesc& desc() const { return desc_; }

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ITypeInfo) {
            *out = static_cast<ITypeInfo*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT GetTypeAttr(TYPEATTR** out) override {
        if (!out) return E_INVALIDARG;
        auto* a = new TYPEATTR{};
        a->guid = desc_.guid;
        a->lcid = 0;
        a->typekind = desc_.kind;
        a->cFuncs = static_cast<WORD>(desc_.members.size());
        a->cVars = static_cast<WORD>(desc_.constants.size());
        a->cImplTypes = static_cast<WORD>(desc_.implemented.size());
        a->cbSizeVft = static_cast<WORD>(desc_.kind == TKIND_INTERFACE ? (7 + desc_.members.size()) * sizeof(void*)
                                                                      : 7 * sizeof(void*));
        a->wTypeFlags = desc_.flags;
        if (const TypeLibDesc* lib = owner()) {
            a->wMajorVerNum = lib->majorVersion;
            a->wMinorVerNum = lib->minorVersion;
        }
        *out = a;
        return S_OK;
    }
    void ReleaseTypeAttr(TYPEATTR* attr) override { delete attr; }

    HRESULT GetFuncDesc(UINT index, FUNCDESC** out) override {
        if (!out) return E_INVALIDARG;
        if (index >= desc_.members.size()) return TYPE_E_ELEMENTNOTFOUND;
        const MemberDesc& m = desc_.members[index];
        auto* f = new FUNCDESC{};
        f->memid = m.dispid;
        f->funckind = desc_.kind == TKIND_INTERFACE ? FUNC_PUREVIRTUAL : FUNC_DISPATCH;
        f->invkind = m.kind;
        f->cParams = static_cast<SHORT>(m.params.size());
        f->oVft = static_cast<SHORT>(desc_.kind == TKIND_INTERFACE ? (7 + index) * sizeof(void*) : 0);
        f->wFuncFlags = m.flags;
        f->elemdescFunc.tdesc.vt = desc_.kind == TKIND_INTERFACE ? VT_HRESULT : VT_VOID;
        f->lprgelemdescParam = m.params.empty() ? nullptr : new ELEMDESC[m.params.size()];
        for (std::size_t i = 0; i < m.params.size(); ++i) {
            const ParamDesc& p = m.params[i];
            f->lprgelemdescParam[i] = ELEMDESC{{p.vt}, {p.flags}};
            if (p.userType)
                f->lprgelemdescParam[i].tdesc = TYPEDESC{static_cast<VARTYPE>(VT_USERDEFINED | (p.vt & VT_BYREF)),
                                                         refOf(p.userType)};
        }
        *out = f;
        return S_OK;
    }
    void ReleaseFuncDesc(FUNCDESC* f) override {
        if (!f) return;
        delete[] f->lprgelemdescParam;
        delete f;
    }

    HRESULT GetVarDesc(UINT index, VARDESC** out) override {
        if (!out) return E_INVALIDARG;
        if (index >= desc_.constants.size()) return TYPE_E_ELEMENTNOTFOUND;
        auto* v = new VARDESC{};
        v->memid = kEnumConstantBase + static_cast<MEMBERID>(index);
        v->lpvarValue = new VARIANT;
        VariantInit(v->lpvarValue);
        v->lpvarValue->vt = VT_I4;
        v->lpvarValue->lVal = desc_.constants[index].value;
        v->elemdescVar.tdesc.vt = VT_I4;
        v->varkind = VAR_CONST;
        *out = v;
        return S_OK;
    }
    void ReleaseVarDesc(VARDESC* v) override {
        if (!v) return;
        delete v->lpvarValue;
        delete v;
    }

    HRESULT GetNames(MEMBERID id, BSTR* names, UINT max, UINT* count) override {
        if (!names || !count) return E_INVALIDARG;
        if (const EnumConstant* c = constantById(id)) {
            *count = 0;
            if (max > 0) names[(*count)++] = bstrOf(c->name);
            return S_OK;
        }
        const MemberDesc* m = memberById(id);
        if (!m) return TYPE_E_ELEMENTNOTFOUND;
        UINT n = 0;
        if (n < max) names[n++] = bstrOf(m->name);
        for (std::size_t i = 0; i < m->inputCount() && n < max; ++i) names[n++] = bstrOf(m->params[i].name);
        *count = n;
        return S_OK;
    }

    HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* ref) override {
        if (!ref) return E_INVALIDARG;
        if (desc_.kind != TKIND_COCLASS || index >= desc_.implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
        *ref = index;
        return S_OK;
    }
    HRESULT GetImplTypeFlags(UINT index, INT* flags) override {
        if (!flags) return E_INVALIDARG;
        if (desc_.kind != TKIND_COCLASS || index >= desc_.implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
        *flags = desc_.implemented[index].flags;
        return S_OK;
    }
    // A coclass refers to the interfaces it implements, an interface to the types its parameters
    // are declared with.
    HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** info) override {
        if (!info) return E_INVALIDARG;
        if (desc_.kind == TKIND_COCLASS) {
            if (ref >= desc_.implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
            return typeInfoOf(*desc_.implemented[ref].type, info);
        }
        const std::vector<const TypeDesc*> referred = referredTypes();
        if (ref >= referred.size()) return TYPE_E_ELEMENTNOTFOUND;
        return typeInfoOf(*referred[ref], info);
    }

    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
        return idsOfNames(desc_, names, count, ids);
    }
    HRESULT Invoke(PVOID instance, MEMBERID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) override {
        if (!instance) return E_INVALIDARG;
        if (desc_.kind == TKIND_DISPATCH)
            return static_cast<IDispatch*>(instance)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, params,
                                                             result, excepInfo, argErr);
        if (desc_.kind != TKIND_INTERFACE) return E_NOTIMPL;
        return invoke(desc_, instance, id, flags, params, result, excepInfo, argErr);
    }

    HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) override {
        const char* n;
        const char* h;
        if (id == MEMBERID_NIL) {
            n = desc_.name;
            h = desc_.help;
        } else if (const EnumConstant* c = constantById(id)) {
            n = c->name;
            h = nullptr;
        } else {
            const MemberDesc* m = memberById(id);
            if (!m) return TYPE_E_ELEMENTNOTFOUND;
            n = m->name;
            h = m->help;
        }
        if (name) *name = bstrOf(n);
        if (doc) *doc = bstrOf(h);
        if (helpContext) *helpContext = 0;
        if (helpFile) *helpFile = nullptr;
        return S_OK;
    }

    HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) override {
        const TypeLibDesc* l = owner();
        if (!l) return TYPE_E_ELEMENTNOTFOUND;
        if (index)
            for (std::size_t i = 0; i < l->types.size(); ++i)
                if (l->types[i] == &desc_) *index = static_cast<UINT>(i);
        if (lib) return typeLibOf(*l, lib);
        return S_OK;
    }

private:
    // The types the parameters are declared with, each once, in the order they first appear.
    std::vector<const TypeDesc*> referredTypes() const {
        std::vector<const TypeDesc*> types;
        for (const MemberDesc& m : desc_.members)
            for (const ParamDesc& p : m.params)
                if (p.userType && std::find(types.begin(), types.end(), p.userType) == types.end())
                    types.push_back(p.userType);
        return types;
    }
    HREFTYPE refOf(const TypeDesc* type) const {
        const std::vector<const TypeDesc*> types = referredTypes();
        return static_cast<HREFTYPE>(std::find(types.begin(), types.end(), type) - types.begin());
    }
    const EnumConstant* constantById(MEMBERID id) const {
        const MEMBERID index = id - kEnumConstantBase;
        if (id < kEnumConstantBase || index >= static_cast<MEMBERID>(desc_.constants.size())) return nullptr;
        return &desc_.constants[static_cast<std::size_t>(index)];
    }
    const MemberDesc* memberById(MEMBERID id) const {
        for (const MemberDesc& m : desc_.members)
            if (m.dispid == id) return &m;
        return nullptr;
    }
    const TypeLibDesc* owner() const {
        Tables& t = tables();
        std::lock_guard<std::mutex> hold(t.lock);
        auto it = t.owners.find(&desc_);
        if (it != t.owners.end()) return it->second;
        for (const TypeLibDesc* lib : t.registered)
            for (const TypeDesc* type : lib->types)
                if (type == &desc_) return t.owners[&desc_] = lib;
        return nullptr;
    }

    const TypeDesc& desc_;
};

class TypeLibImpl final : public ITypeLib {
public:
    explicit TypeLibImpl(const TypeLibDesc& desc) : desc_(desc) {}

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ITypeLib) {
            *out = static_cast<ITypeLib*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    UINT GetTypeInfoCount() override { return static_cast<UINT>(desc_.types.size()); }
    HRESULT GetTypeInfo(UINT index, ITypeInfo** info) override {
        if (!info) return E_INVALIDARG;
        if (index >= desc_.types.size()) return TYPE_E_ELEMENTNOTFOUND;
        return typeInfoOf(*desc_.types[index], info);
    }
    HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) override {
        if (!kind) return E_INVALIDARG;
        if (index >= desc_.types.size()) return TYPE_E_ELEMENTNOTFOUND;
        *kind = desc_.types[index]->kind;
        return S_OK;
    }
    HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override {
        if (!info) return E_INVALIDARG;
        for (const TypeDesc* t : desc_.types)
            if (t->guid == guid) return typeInfoOf(*t, info);
        *info = nullptr;
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT GetLibAttr(TLIBATTR** out) override {
        if (!out) return E_INVALIDARG;
        *out = new TLIBATTR{desc_.libid, 0, SYS_WIN32, desc_.majorVersion, desc_.minorVersion, 0};
        return S_OK;
    }
    void ReleaseTLibAttr(TLIBATTR* attr) override { delete attr; }
    HRESULT GetDocumentation(INT index, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) override {
        const char* n;
        const char* h;
        if (index == -1) {
            n = desc_.name;
            h = desc_.help;
        } else {
            if (index < 0 || static_cast<std::size_t>(index) >= desc_.types.size()) return TYPE_E_ELEMENTNOTFOUND;
            n = desc_.types[index]->name;
            h = desc_.types[index]->help;
        }
        if (name) *name = bstrOf(n);
        if (doc) *doc = bstrOf(h);
        if (helpContext) *helpContext = 0;
        if (helpFile) *helpFile = nullptr;
        return S_OK;
    }

private:
    const TypeLibDesc& desc_;
};

}  // namespace

HRESULT typeInfoOf(const TypeDesc& type, ITypeInfo** out) {
    if (!out) return E_INVALIDARG;
    Tables& t = tables();
    std::lock_guard<std::mutex> hold(t.lock);
    TypeInfoImpl*& info = t.infos[&type];
    if (!info) {
        info = new TypeInfoImpl(type);
        for (const TypeLibDesc* lib : t.registered)
            for (const TypeDesc* member : lib->types)
                if (member == &type) t.owners[&type] = lib;
    }
    *out = info;
    return S_OK;
}

HRESULT typeLibOf(const TypeLibDesc& lib, ITypeLib** out) {
    if (!out) return E_INVALIDARG;
    Tables& t = tables();
    std::lock_guard<std::mutex> hold(t.lock);
    for (const TypeDesc* type : lib.types) t.owners[type] = &lib;
    TypeLibImpl*& impl = t.libs[&lib];
    if (!impl) impl = new TypeLibImpl(lib);
    *out = impl;
    return S_OK;
}

const TypeDesc* tablesOf(ITypeInfo* info) {
    auto* impl = dynamic_cast<TypeInfoImpl*>(info);
    return impl ? &impl->desc() : nullptr;
}

namespace detail {

std::vector<const TypeLibDesc*>& registeredLibraries() { return tables().registered; }

// The registered library with this LIBID and major version whose minor version is at least
// the one asked for, or nullptr.
const TypeLibDesc* findRegisteredLibrary(REFGUID libid, WORD major, WORD minor) {
    Tables& t = tables();
    std::lock_guard<std::mutex> hold(t.lock);
    for (const TypeLibDesc* lib : registeredLibraries())
        if (lib->libid == libid && lib->majorVersion == major && lib->minorVersion >= minor) return lib;
    return nullptr;
}

const TypeDesc* findInterfaceTables(REFIID iid) {
    Tables& t = tables();
    std::lock_guard<std::mutex> hold(t.lock);
    for (const TypeLibDesc* lib : registeredLibraries())
        for (const TypeDesc* type : lib->types)
            if (type->guid == iid && (type->kind == TKIND_INTERFACE || type->kind == TKIND_DISPATCH)) return type;
    return nullptr;
}

}  // namespace detail

// Static objects of a module are made and destroyed in no fixed order, so the library's tables
// are not read here: only when asked for, while the module is loaded.
TypeLibRegistration::TypeLibRegistration(const TypeLibDesc& lib) : lib_(lib) {
    Tables& t = tables();
    std::lock_guard<std::mutex> hold(t.lock);
    t.registered.push_back(&lib);
}

TypeLibRegistration::~TypeLibRegistration() {
    Tables& t = tables();
    std::lock_guard<std::mutex> hold(t.lock);
    std::erase(t.registered, &lib_);
    // The module holding the tables may be going away: forget everything made from them.
    for (auto it = t.owners.begin(); it != t.owners.end();) {
        if (it->second != &lib_) {
            ++it;
            continue;
        }
        auto info = t.infos.find(it->first);
        if (info != t.infos.end()) {
            delete info->second;
            t.infos.erase(info);
        }
        it = t.owners.erase(it);
    }
    auto it = t.libs.find(&lib_);
    if (it != t.libs.end()) {
        delete it->second;
        t.libs.erase(it);
    }
}

}  // namespace com
