// Small image files with known pixels, for the loader's tests (see image_fixtures.cpp).
#pragma once
#include <cstddef>

namespace pagelens::test {

struct FixtureBytes {
    const wchar_t* extension;
    const unsigned char* data;
    size_t size;
};

extern const FixtureBytes kSixPixels[4];  // lossless: PNG, BMP, GIF, TIFF
extern const FixtureBytes kHalves;
extern const FixtureBytes kHalfTransparent;

}  // namespace pagelens::test
