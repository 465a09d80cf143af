#include "output/SaveFailureText.h"

#include "output/FrameFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

struct FailureCase {
    const char *name;
    SaveDetail detail;
    const char *cause; // the second line of the message
};

class SaveFailureTextTest : public ::testing::TestWithParam<FailureCase> { };

// The path on the first line, the cause in the system's or the library's
// own words on the next.
TEST_P(SaveFailureTextTest, NamesTheFileAndTheCause)
{
    EXPECT_EQ(SaveFailureText("/out/anim/IMAGE0012.BMP", GetParam().detail),
        std::string("Impossible d'enregistrer '/out/anim/IMAGE0012.BMP'\n") + GetParam().cause);
}

INSTANTIATE_TEST_SUITE_P(Causes, SaveFailureTextTest,
    ::testing::Values(FailureCase { "diskFull", { SaveReason::System, ENOSPC, {} }, "No space left on device" },
        FailureCase { "readOnly", { SaveReason::System, EROFS, {} }, "Read-only file system" },
        FailureCase { "permission", { SaveReason::System, EACCES, {} }, "Permission denied" },
        FailureCase { "unknownSystemError", { SaveReason::System, 0, {} }, "write error" },
        FailureCase { "encoder", { SaveReason::Encoder, 0, "TIFFWriteDirectory failed" }, "TIFFWriteDirectory failed" },
        FailureCase { "jpegTooLarge", { SaveReason::JpegTooLarge, 0, {} }, "JPEG is limited to 65,500 pixels a side" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
