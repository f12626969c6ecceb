#include "cmdline/close_request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace krcmd {
namespace {

TEST(CloseRequest, BlockLayout) {
    const std::string path = "Data:accounts\\ledger.dat";
    const CloseRequestBlock block = BuildCloseRequest(300, path);

    ASSERT_EQ(block.size(), 2313u);
    EXPECT_EQ(block[0], 0x43);
    EXPECT_EQ(block[1], 0x00);
    EXPECT_EQ(block[2], 0x2C);  // 300 low byte first
    EXPECT_EQ(block[3], 0x01);
    EXPECT_EQ(block[4], 0x00);
    EXPECT_EQ(block[5], 0x00);
    const std::string sent(reinterpret_cast<const char*>(block.data() + 6), path.size());
    EXPECT_EQ(sent, "DATA:ACCOUNTS\\LEDGER.DAT");
    for (std::size_t i = 6 + path.size(); i < block.size(); ++i) {
        ASSERT_EQ(block[i], 0) << "offset " << i;
    }
}

TEST(CloseRequest, PathBytesBeyondAToZPassUnchanged) {
    // Code page 850 bytes (0x81 is u-umlaut) must not be case-mapped.
    const CloseRequestBlock block = BuildCloseRequest(65535, "sys:m\x81ller");
    EXPECT_EQ(block[2], 0xFF);
    EXPECT_EQ(block[3], 0xFF);
    EXPECT_EQ(std::memcmp(block.data() + 6, "SYS:M\x81LLER\0", 12), 0);
}

TEST(CloseRequest, OverlongPathStillEndsInAZeroInsideTheBlock) {
    const CloseRequestBlock block = BuildCloseRequest(1, std::string(5000, 'a'));
    EXPECT_EQ(block[6], 'A');
    EXPECT_EQ(block[2311], 'A');
    EXPECT_EQ(block[2312], 0);
}

}  // namespace
}  // namespace krcmd
