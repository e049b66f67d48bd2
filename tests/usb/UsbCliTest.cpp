// zovctl --port USB as a process: on a machine without the adapter it fails as a link failure
// and says which device it looked for.
#include <gtest/gtest.h>

#include "CliSupport.h"
#include "TestFiles.h"

namespace zov::testing {
namespace {

TEST(ZovctlUsb, NoAdapterIsALinkFailureThatNamesTheAdapter) {
    ScratchDir settings;
    const clitest::Result r =
        clitest::RunProgram({ZOVCTL_PATH, "--settings", settings.Path().string(), "--port", "usb", "info"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err.rfind("zovctl: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("USB adapter"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
}

}  // namespace
}  // namespace zov::testing
