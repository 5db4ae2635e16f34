#include "window/snapshot_session.h"

#include "ui/modal_loop.h"

namespace pagelens {
namespace {

struct FinalStatus {
    int32_t code;
    const wchar_t* text;
};

constexpr FinalStatus kFinalStatuses[] = {
    {snap_code::kWritten, L"The snapshot is successfully taken"},
    {snap_code::kFailed, L"Fail to take the snapshot of the page"},
    {snap_code::kWriteFailed, L"Fail to save to file"},
    {snap_code::kOpenFailed, L"Fail to open the URL"},
    {snap_code::kTimedOut, L"Time is out before taking a snapshot"},
};

constexpr wchar_t kWorkFileName[] = L"snapshot.jpg";

}  // namespace

const wchar_t* FinalStatusText(int32_t code) {
    for (const auto& status : kFinalStatuses)
        if (status.code == code) return status.text;
    return nullptr;
}

Status SnapshotSession::MakeWorkFile(const std::optional<std::wstring>& parent) {
    ReleaseWorkFile();
    const auto folder = parent ? parent : UserTemporaryFolder();
    if (!folder) return errors::PathFileAccess(L"the temporary folder is unknown");
    auto made = HeldFolder::Create(*folder, kWorkFolderPrefix);
    if (!made.ok()) return made.error();
    workFolder_ = std::move(made).value();
    workFilePath_ = workFolder_.path() + L"\\" + kWorkFileName;
    return {};
}

void SnapshotSession::ReleaseWorkFile() {
    workFilePath_.clear();
    // A folder that cannot go yet (a capture still writing) is left to the next window's sweep.
    workFolder_ = HeldFolder();
}

bool SnapshotSession::WorkFileExists() const {
    DWORD attributes = GetFileAttributesW(workFilePath_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Status SnapshotSession::DeleteWorkFile() {
    if (!WorkFileExists()) return {};
    if (!DeleteFileW(workFilePath_.c_str())) return errors::PathFileAccess();
    return {};
}

Status SnapshotSession::StartNewSnap(std::span<const SnapSetting> settings,
                                     HtmlSnapEvents* events) {
    snap_.reset();
    auto created = factory_ ? factory_(events) : HtmlSnap::Create(events);
    if (!created.ok()) return created.error();
    snap_ = std::move(created).value();
    snap_->UseWarmBrowser(warmBrowser_);
    for (const auto& setting : settings)
        PAGELENS_RETURN_IF_ERROR(snap_->SetSetting(setting.index, setting.value));
    return {};
}

void SnapshotSession::CloseSnap() {
    if (!snap_) return;
    (void)snap_->Close();
    snap_.reset();
}

bool SnapshotSession::ReportStatus(int32_t code) {
    if (!FinalStatusText(code)) return false;
    captureDone_ = true;
    return true;
}

void SnapshotSession::WaitForCapture(const std::function<bool()>& abandon,
                                     const std::function<bool(MSG&)>& preTranslate) {
    while (!captureDone_ && !abandon()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        ProcessPendingMessages(preTranslate);
    }
}

}  // namespace pagelens
