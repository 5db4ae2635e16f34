// cRegistry's whole-key members: existence, creation, deletion of a key or of one value.
#include "common/text_codepage.h"
#include "settings/registry.h"
#include "settings/registry_access.h"
#include "settings/registry_errors.h"

namespace pagelens {

bool cRegistry::KeyExists() const {
    return static_cast<bool>(registry::OpenKey(classKey_, sectionKey_, KEY_QUERY_VALUE));
}

Result<bool> cRegistry::CreateKey() {
    if (!registry::CreateKeyChain(classKey_, sectionKey_))
        return registry::CreateKeyError(sectionKey_);
    return true;
}

bool cRegistry::DeleteKey() {
    return RegDeleteKeyA(registry::RootHandle(classKey_), ToAnsi(sectionKey_).c_str()) ==
           ERROR_SUCCESS;
}

Result<bool> cRegistry::DeleteValue() {
    auto opened = registry::OpenKey(classKey_, sectionKey_, registry::kWriteAccess);
    if (!opened) return registry::OpenForDeleteError(classKey_, sectionKey_);
    if (RegDeleteValueA(opened.key.get(), ToAnsi(valueKey_).c_str()) != ERROR_SUCCESS)
        return registry::DeleteValueError(classKey_, sectionKey_, valueKey_);
    return true;
}

}  // namespace pagelens
