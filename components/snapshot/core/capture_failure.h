// The final codes a capture ends with, and the errors that carry them out of the capture's
// steps. Every step returns its failure as a RunError whose number is the final code the capture
// reports, so the run ends with one early return and one report. "Stopped" is not a code: Close
// ended the capture and nothing is reported.
#pragma once
#include <cstdint>
#include <exception>
#include <new>
#include <string>

#include "common/run_error.h"
#include "common/text_codepage.h"
#include "components/snapshot/core/final_codes.h"

namespace pagelens::capture {

using snap_code::kFailed;
using snap_code::kOpenFailed;
using snap_code::kTimedOut;
using snap_code::kWriteFailed;
using snap_code::kWritten;
inline constexpr int32_t kStopped = 0;

inline RunError Failure(int32_t code, std::wstring text) {
    return {code, L"HtmlSnap", std::move(text)};
}
inline RunError Failed(std::wstring text) { return Failure(kFailed, std::move(text)); }
inline RunError TimedOut(std::wstring text) { return Failure(kTimedOut, std::move(text)); }
inline RunError Stopped() { return Failure(kStopped, L"The capture was closed"); }
inline bool IsStopped(const RunError& error) { return error.number == kStopped; }

// Runs a step of a capture with no exception let out: a capture runs on a worker thread or in a
// window's message loop, and neither may see one.
template <class Step>
Status GuardedStep(Step&& step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return Failed(L"There is not enough memory for the capture");
    } catch (const std::exception& e) {
        return Failed(L"The capture failed: " + FromUtf8(e.what()));
    }
}

}  // namespace pagelens::capture
