#include "window/save_flow.h"

// <commdlg.h> needs <windows.h> first.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include <vector>

#include "window/save_choices.h"

namespace pagelens {
namespace {

constexpr wchar_t kSaveDialogTitle[] = L"Save Snapshot Image";
// The overwrite prompt and the path-must-exist check.
constexpr DWORD kSaveDialogFlags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;

Status WriteAs(PictureViewer& viewer, SaveFormat format, const std::wstring& path,
               int32_t jpegQuality) {
    switch (format) {
        case SaveFormat::Bmp:
            return viewer.SaveAsBmp(path);
        case SaveFormat::Emf:
            return viewer.SaveAsEmf(path);
        case SaveFormat::Gif:
            return viewer.SaveAsGif(path);
        case SaveFormat::Pdf:
            return viewer.SaveAsPdf(path);
        case SaveFormat::Png:
            return viewer.SaveAsPng(path);
        case SaveFormat::Wmf:
            return viewer.SaveAsWmf(path);
        case SaveFormat::Tiff:
            viewer.TiffOption(0);
            return viewer.SaveAsTiff(path);
        case SaveFormat::Jpeg:
            break;
    }
    viewer.JpegSaveQuality(jpegQuality);
    return viewer.SaveAsJpeg(path);
}

std::wstring NotSaved(const RunError& error) {
    return L"The file was not saved: " + error.description;
}

}  // namespace

std::optional<std::wstring> AskWithCommonDialog(HWND owner, const SaveDialogRequest& request) {
    std::vector<wchar_t> fileName(32768, L'\0');
    request.fileName.copy(fileName.data(), fileName.size() - 1);
    const std::wstring filter = ToWin32Filter(request.filter);
    OPENFILENAMEW ofn{sizeof ofn};
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = request.filterIndex.value_or(0);
    ofn.lpstrFile = fileName.data();
    ofn.nMaxFile = static_cast<DWORD>(fileName.size());
    ofn.lpstrTitle = request.title.c_str();
    ofn.lpstrDefExt = request.defaultExtension.c_str();
    ofn.Flags = request.flags | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&ofn)) return std::nullopt;
    return std::wstring(fileName.data());
}

std::optional<SaveDialogRequest> SaveFlow::Request(const SnapshotSettings& settings) {
    auto defaultName = DefaultSaveName(settings.address, settings.imageType);
    if (!defaultName.ok()) return std::nullopt;
    SaveDialogRequest request;
    request.title = kSaveDialogTitle;
    request.fileName = *defaultName;
    request.flags = kSaveDialogFlags;
    request.defaultExtension = settings.imageType;
    request.filterIndex = SaveFilterIndex(settings.imageType);
    request.filter = SaveDialogFilter();
    return request;
}

std::optional<std::wstring> SaveFlow::Ask(HWND owner, const SaveDialogRequest& request) {
    // Under Protected Mode the file is written where the tab may write and handed over.
    brokered_.reset();
    if (auto brokered = ProtectedModeSave::IfProtected()) brokered_.emplace(std::move(*brokered));
    auto chosen = brokered_ ? brokered_->Ask(owner, request)
                  : dialog_ ? dialog_(owner, request)
                            : AskWithCommonDialog(owner, request);
    if (!chosen || chosen->empty()) return std::nullopt;
    return chosen;
}

std::wstring SaveFlow::Write(PictureViewer& viewer, const std::wstring& chosen,
                             int32_t jpegQuality) {
    // The image goes exactly where the user said; only the format comes from the extension.
    const auto target = brokered_ ? brokered_->StagingPath(chosen) : Result<std::wstring>(chosen);
    if (!target.ok()) return NotSaved(target.error());
    Status saved = WriteAs(viewer, SaveFormatForName(chosen), *target, jpegQuality);
    if (saved.ok() && brokered_)
        saved = brokered_->Deliver(*target);
    else if (brokered_)
        DeleteFileW(target->c_str());  // the staging file made for it
    return saved.ok() ? std::wstring(L"Save file done") : NotSaved(saved.error());
}

}  // namespace pagelens
