// Descriptions of failures, as the messages of the program show them.
#pragma once
#include <windows.h>

#include <string>

namespace pagelens {

// The system's text for an HRESULT, without a trailing line break; "Automation error" if none.
std::wstring DescriptionOfHresult(HRESULT hr);

}  // namespace pagelens
