// Digests one file with MD5::DigestFileToHexStr and prints the digest and the seconds the
// digest took, measured inside the program so that Wine's start-up is not counted.
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "digest/md5.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: digest_bench <file>\n");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    auto digest = pagelens::MD5().DigestFileToHexStr(argv[1]);
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (!digest.ok()) {
        std::fwprintf(stderr, L"error %d: %ls\n", digest.error().number,
                      digest.error().description.c_str());
        return 1;
    }
    std::wprintf(L"%ls %.3f\n", digest->c_str(), seconds.count());
    return 0;
}
