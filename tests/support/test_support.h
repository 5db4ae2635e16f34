// Helpers shared by the test programs: folders, files, processes and message pumping under Wine.
#pragma once
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace pagelens::test {

// The build tree and the source tree (set by ctest; fall back to the working folder).
std::wstring BuildDir();
std::wstring SourceDir();

// A fresh, empty folder under %TEMP%, removed with its contents when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

void RemoveTree(const std::wstring& path);
bool FileExists(const std::wstring& path);
std::vector<unsigned char> ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const void* data, size_t size);

// Runs a command line, waits up to `timeout`, returns the exit code (or -1 on a timeout).
int RunProcess(const std::wstring& commandLine, std::chrono::milliseconds timeout);

// Processes window messages until `done` answers true or the time runs out; true when done.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
void PumpFor(std::chrono::milliseconds duration);

}  // namespace pagelens::test
