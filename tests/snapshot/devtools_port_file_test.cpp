// DevToolsActivePort as the browser writes it, and what is not yet (or never) a usable one.
#include <gtest/gtest.h>

#include "components/snapshot/browser_process/browser_process.h"

namespace pagelens::capture {
namespace {

TEST(DevToolsPortFile, Parses) {
    const struct {
        std::string content;
        uint16_t port;  // 0: not usable
        const char* path;
    } cases[] = {
        {"39397\n/devtools/browser/2f4914c7", 39397, "/devtools/browser/2f4914c7"},
        {"39397\n/devtools/browser/2f4914c7\n", 39397, "/devtools/browser/2f4914c7"},
        {"1\r\n/devtools/browser/x\r\n", 1, "/devtools/browser/x"},
        {"65535\n/p", 65535, "/p"},
        {"", 0, ""},
        {"39397", 0, ""},
        {"39397\n", 0, ""},
        {"0\n/devtools/browser/x", 0, ""},
        {"65536\n/devtools/browser/x", 0, ""},
        {"39a97\n/devtools/browser/x", 0, ""},
        {"39397\ndevtools/browser/x", 0, ""},
        {"39397\n/devtools/browser x", 0, ""},
    };
    for (const auto& c : cases) {
        const auto endpoint = ParseDevToolsActivePort(c.content);
        EXPECT_EQ(endpoint.has_value(), c.port != 0) << c.content;
        if (!endpoint || c.port == 0) continue;
        EXPECT_EQ(endpoint->port, c.port);
        EXPECT_EQ(endpoint->path, c.path);
    }
}

}  // namespace
}  // namespace pagelens::capture
