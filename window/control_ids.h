// Control identifiers of the snapshot window, shared with the programs that drive it unattended
// (the stand-in browser and the tests).
#pragma once

namespace pagelens::ids {

inline constexpr wchar_t kSnapshotWindowClass[] = L"iePagelensSnapshotWindow";
inline constexpr wchar_t kSnapshotWindowCaption[] = L"iePagelens";

enum : int {
    Label2 = 1000,
    txtAddress = 1001,
    cmdSnapshot = 1002,
    cmdSave = 1003,
    cmdAbout = 1004,
    Frame1 = 1010,
    Label3 = 1011,
    txtWidth = 1012,
    Label6 = 1013,
    txtHeight = 1014,
    cmdReSize = 1015,
    cmdPreset = 1016,
    Frame2 = 1020,
    Label4 = 1021,
    lblWidth = 1022,
    Label5 = 1023,
    lblHeight = 1024,
    cmdOriginal = 1025,
    Frame3 = 1030,
    Label8 = 1031,
    cboImageType = 1032,
    Label7 = 1033,
    cboQuality = 1034,
    cmdGray = 1035,
    cmdBlackAndWhite = 1036,
    Label1 = 1040,
    lblZoom = 1041,
    scrollZoom = 1042,
    Line1 = 1043,
    Viewer = 1050,
    sbStatusBar = 1060,
};

}  // namespace pagelens::ids
