#pragma once
// Registration scripts as data: a tree of keys with text values that registration writes and
// unregistration takes away again. Texts may hold %NAME% placeholders, filled in from a table
// when the script runs ("%%" stands for one "%").
//
//   Normal       written; on removal its values and listed subkeys go, then the key itself
//                if nothing else is left in it.
//   ForceRemove  deleted with everything below it before it is written (forced re-creation),
//                and removed with everything below it.
//   NoRemove     a shared key (CLSID, AppID): written into, never removed itself.

#include "win32/registry.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace activex {

struct RegistryValue {
    std::string name;
    std::string text;
};

struct RegistryKey {
    enum Kind { Normal, ForceRemove, NoRemove };
    std::string name;
    std::optional<std::string> value;  // the key's default value
    std::vector<RegistryValue> values;
    std::vector<RegistryKey> keys;
    Kind kind = Normal;
};

struct RegistryScript {
    HKEY root = HKEY_CLASSES_ROOT;
    std::vector<RegistryKey> keys;
};

using Replacements = std::map<std::string, std::string>;

// Expands %NAME% placeholders; an unknown name is left as written.
std::string expand(const std::string& text, const Replacements& replacements);

// S_OK, or SELFREG_E_CLASS when a key or value could not be written or removed. Removal of a
// key that is not there is no failure.
HRESULT registerScript(const RegistryScript& script, const Replacements& replacements);
HRESULT unregisterScript(const RegistryScript& script, const Replacements& replacements);

// The standard keys of a control class (ProgIDs, CLSID key with its server, AppID, control,
// toolbox bitmap, misc status, type library and version). %MODULE% is the library's path.
struct ControlRegistration {
    std::string clsid;           // "{...}"
    std::string className;       // the default value of the ProgID and CLSID keys, "<coclass> Class"
    std::string progId;
    std::string independentProgId;
    std::string threadingModel = "Apartment";
    std::string appId;           // empty: no AppID value
    bool control = true;
    bool insertable = false;
    int toolboxBitmap = 0;       // 0: no ToolboxBitmap32 key
    DWORD miscStatus = 0;
    std::string typeLib;         // "{...}", empty: no TypeLib key
    std::string version;         // "1.0", empty: no Version key
};
RegistryScript controlScript(const ControlRegistration& r);

// The module's AppID keys: AppID\{appId} = name and AppID\<moduleFile> with value AppID.
RegistryScript appIdScript(const std::string& appId, const std::string& name, const std::string& moduleFile);

}  // namespace activex
