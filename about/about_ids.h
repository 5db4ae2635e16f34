// Window class and control identifiers of the About window, shared with the programs that
// drive it unattended (the tests).
#pragma once
#include <windows.h>

namespace pagelens::about_ids {

inline constexpr wchar_t kAboutWindowClass[] = L"iePagelensAboutWindow";
inline constexpr wchar_t kLinkLabelClass[] = L"iePagelensLinkLabel";

enum : int {
    // OK is the window's default and cancel button: Enter and Escape reach it as IDOK/IDCANCEL.
    cmdOK = IDOK,
    lblTitle = 2001,
    lblVersion = 2002,
    Line1 = 2003,
    Label9 = 2004,
    lblVelmora = 2005,
    Label10 = 2006,
    lblSupportEmail = 2007,
    Label11 = 2008,
    lblSalesEmail = 2009,
    Label8 = 2010,
    lblDisclaimer = 2011,
};

}  // namespace pagelens::about_ids
