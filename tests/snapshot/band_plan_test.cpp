// From a measured page size to the image's size and its bands, and on through the page image to
// the file and the final report.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "components/snapshot/core/capture_failure.h"
#include "components/snapshot/core/capture_plan.h"
#include "components/snapshot/core/page_image.h"
#include "tests/support/test_support.h"

namespace pagelens::capture {
namespace {

TEST(BandPlan, SizesAndBands) {
    const struct {
        double width, height;
        int imageWidth, imageHeight, bandCount, firstBandRows, lastBandRows;
        bool cut;
    } cases[] = {
        {1280, 800, 1280, 800, 1, 800, 800, false},
        {1280, 4096, 1280, 4096, 1, 4096, 4096, false},
        {1280, 4097, 1280, 4097, 2, 4096, 1, false},
        {1280, 24000, 1280, 24000, 6, 4096, 24000 - 5 * 4096, false},
        {1280.4, 2999.2, 1281, 3000, 1, 3000, 3000, false},  // fractions round up
        {1280, 36000, 1280, 32000, 8, 4096, 32000 - 7 * 4096, true},
        {640, 36000, 640, 36000, 9, 4096, 36000 - 8 * 4096, false},  // the limit is in pixels
        {8192, 6000, 8192, 5000, 8, 640, 5000 - 7 * 640, true},      // wide: shorter bands
        {100000, 100, 65000, 100, 2, 80, 20, false},                 // cut to the widest
        {0, 0, 1, 1, 1, 1, 1, false},
        {std::nan(""), 500, 1, 500, 1, 500, 500, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        const CapturePlan plan = PlanCapture(c.width, c.height);
        EXPECT_EQ(plan.width, c.imageWidth);
        EXPECT_EQ(plan.height, c.imageHeight);
        EXPECT_EQ(plan.heightCut, c.cut);
        ASSERT_EQ(static_cast<int>(plan.bands.size()), c.bandCount);
        EXPECT_EQ(plan.bands.front().height, c.firstBandRows);
        EXPECT_EQ(plan.bands.back().height, c.lastBandRows);
        int next = 0;
        for (const Band& band : plan.bands) {
            EXPECT_EQ(band.top, next);
            EXPECT_LE(band.height, kLargestBandRows);
            next += band.height;
        }
        EXPECT_EQ(next, plan.height);
    }
}

TEST(BandPlan, EnormousPageHeightIsCutNotOverflowed) {
    const CapturePlan plan = PlanCapture(1280, 1e12);
    EXPECT_EQ(plan.height, 32000);
    EXPECT_TRUE(plan.heightCut);
}

using test::FileExists;
using test::TempFolder;

struct Reports final : CaptureReporter {
    std::vector<int32_t> progress;
    std::vector<std::pair<std::wstring, int32_t>> statuses;
    void Progress(int32_t percent) override { progress.push_back(percent); }
    void Status(std::wstring text, int32_t code) override { statuses.emplace_back(text, code); }
};

int FilesIn(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    int count = 0;
    if (find == INVALID_HANDLE_VALUE) return 0;
    do count += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (FindNextFileW(find, &found));
    FindClose(find);
    return count;
}

// Both engines go this way: the cut is said or refused as the setting says, the file appears
// only with the success that names it, and a stopped capture leaves no file and says nothing.
TEST(PageImage, FromPlanToFileAndReport) {
    const struct {
        double width, height;
        bool cutTallPages, stop;
        int32_t finalCode;  // 0: no final report
        const wchar_t* cutText;
    } cases[] = {
        {640, 900, true, false, kWritten, nullptr},
        {65000, 700, true, false, kWritten,
         L"The page is 700 pixels tall: the image ends at 630 pixels"},
        {65000, 700, false, false, kFailed,
         L"The page is 700 pixels tall, more than the largest image (630 pixels at this width)"},
        {640, 900, true, true, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " stop " << c.stop);
        TempFolder folder;
        const std::wstring target = folder.file(L"page.jpg");
        CaptureSettings settings;
        settings.cutTallPages = c.cutTallPages;
        Reports reports;
        CaptureControl control;
        PageImage image(target, settings, reports, 50);
        ASSERT_TRUE(image.Reserve().ok());
        auto plan = image.Plan(c.width, c.height);
        Status outcome = plan.ok() ? Status() : Status(plan.error());
        if (plan.ok()) {
            Image& pixels = image.image();
            std::fill(pixels.pixels(), pixels.pixels() + pixels.pixelCount(), 0xFF336699u);
            const int parts = static_cast<int>(plan->bands.size());
            for (int k = 0; k < parts; ++k) {
                image.PartStarted(k, parts);
                image.RowsReady(plan->bands[k].top + plan->bands[k].height);
                image.PartDone(k, parts);
            }
            if (c.stop) control.Stop();
            outcome = image.Write(control);
        }
        image.Discard();
        image.Report(outcome, control);

        const bool cutSaid = std::any_of(
            reports.statuses.begin(), reports.statuses.end(),
            [&](const auto& s) { return !s.second && c.cutText && s.first == c.cutText; });
        EXPECT_EQ(cutSaid, c.cutText && c.cutTallPages);
        std::vector<int32_t> finals;
        for (const auto& [text, code] : reports.statuses)
            if (code != 0) finals.push_back(code);
        EXPECT_EQ(finals, c.finalCode ? std::vector<int32_t>{c.finalCode} : std::vector<int32_t>{});
        if (c.finalCode == kFailed) {
            EXPECT_EQ(reports.statuses.back().first, c.cutText);
        }
        EXPECT_EQ(FileExists(target), c.finalCode == kWritten);
        EXPECT_EQ(FilesIn(folder.path()), c.finalCode == kWritten ? 1 : 0);  // no work file left
        EXPECT_TRUE(std::is_sorted(reports.progress.begin(), reports.progress.end()));
        if (c.finalCode == kWritten) {
            EXPECT_EQ(reports.progress.back(), 100);
        }
    }
}

}  // namespace
}  // namespace pagelens::capture
