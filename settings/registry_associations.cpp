// cRegistry's file-type registration: a class, its extension, its shell verbs and its icon,
// each written as a key's default text under HKEY_CLASSES_ROOT and again under
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
#include <windows.h>

#include "settings/registry.h"
#include "settings/registry_errors.h"

namespace pagelens {
namespace {

constexpr wchar_t kMachineClasses[] = L"SOFTWARE\\Classes\\";

// Trimmed of spaces and enclosed in double quotation marks, unless it is enclosed already.
std::wstring QuotedProgramPath(const std::wstring& programPath) {
    size_t first = programPath.find_first_not_of(L' ');
    std::wstring path;
    if (first != std::wstring::npos)
        path = programPath.substr(first, programPath.find_last_not_of(L' ') - first + 1);
    if (path.empty() || path.front() != L'"') path.insert(0, 1, L'"');
    // A lone quotation mark is an opening one and still needs its closing mark.
    if (path.size() < 2 || path.back() != L'"') path += L'"';
    return path;
}

std::wstring OrDefault(std::wstring text, std::wstring fallback) {
    return text.empty() ? fallback : text;
}

}  // namespace

// The path is restored on every way out, so callers never see the SOFTWARE\Classes prefix.
Status cRegistry::SetClassesValue(const std::wstring& text) {
    classKey_ = kHkeyClassesRoot;
    PAGELENS_RETURN_IF_ERROR(Value(SettingValue{text}));
    std::wstring path = sectionKey_;
    classKey_ = kHkeyLocalMachine;
    sectionKey_ = kMachineClasses + path;
    Status written = Value(SettingValue{text});
    sectionKey_ = std::move(path);
    return written;
}

Status cRegistry::CreateEXEAssociation(const std::wstring& programPath,
                                       const std::wstring& className,
                                       const std::wstring& classDescription,
                                       const std::wstring& extension, std::wstring openMenuText,
                                       bool printFlag, std::wstring printMenuText, bool newFlag,
                                       std::wstring newMenuText, bool installFlag,
                                       std::wstring installMenuText, int32_t iconIndex) {
    const std::wstring quotedPath = QuotedProgramPath(programPath);
    auto writeAt = [this](std::wstring section, const std::wstring& text) {
        sectionKey_ = std::move(section);
        valueKey_.clear();
        return SetClassesValue(text);
    };
    auto writeVerb = [&](const wchar_t* verb, const std::wstring& menuText,
                         const wchar_t* arguments) -> Status {
        std::wstring verbKey = className + L"\\shell\\" + verb;
        PAGELENS_RETURN_IF_ERROR(writeAt(verbKey, menuText));
        return writeAt(verbKey + L"\\command", quotedPath + arguments);
    };

    valueType_ = REG_SZ;
    PAGELENS_RETURN_IF_ERROR(writeAt(L"." + extension, className));
    PAGELENS_RETURN_IF_ERROR(writeAt(className, classDescription));
    PAGELENS_RETURN_IF_ERROR(
        writeVerb(L"open", OrDefault(std::move(openMenuText), L"&Open"), L" \"%1\""));
    if (printFlag)
        PAGELENS_RETURN_IF_ERROR(
            writeVerb(L"print", OrDefault(std::move(printMenuText), L"&Print"), L" /p \"%1\""));
    if (installFlag)
        PAGELENS_RETURN_IF_ERROR(
            writeVerb(L"add", OrDefault(std::move(installMenuText), L"&Install " + extension),
                      L" /a \"%1\""));
    if (newFlag)
        PAGELENS_RETURN_IF_ERROR(
            writeVerb(L"new", OrDefault(std::move(newMenuText), L"&New"), L" /n \"%1\""));
    if (iconIndex > -1)
        PAGELENS_RETURN_IF_ERROR(
            writeAt(className + L"\\DefaultIcon", quotedPath + L"," + std::to_wstring(iconIndex)));
    return {};
}

// Never raises: each failure becomes the thread's current error and the next step still runs.
void cRegistry::CreateAdditionalEXEAssociations(const std::wstring& className,
                                                const std::vector<SettingValue>* items) {
    RunError& current = ThreadCurrentError();
    current = {};
    if (!items || items->size() % 3 != 0) {
        current = registry::InvalidAssociationList();
        return;
    }
    sectionKey_ = className;
    if (!KeyExists()) {
        current = registry::ClassNotDefined();
        return;
    }
    auto writeAt = [&](std::wstring section, const SettingValue& item) {
        valueType_ = REG_SZ;
        sectionKey_ = std::move(section);
        valueKey_.clear();
        Status written = SetClassesValue(SettingToText(item));
        if (!written) current = written.error();
    };
    for (size_t i = 0; i < items->size(); i += 3) {
        std::wstring verbKey = className + L"\\shell\\" + SettingToText((*items)[i]);
        writeAt(verbKey, (*items)[i + 1]);
        writeAt(verbKey + L"\\command", (*items)[i + 2]);
    }
}

}  // namespace pagelens
