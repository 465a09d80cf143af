#include "video/AviCompressors.h"
#include "video/VideoOutput.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "common/Bitmap24.h"
#include "video/FourCC.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

// Every listed compressor under its own code, at sizes that are awkward
// (not a multiple of 2, 4 or 16): a file that decodes cleanly to the frames
// written, or a refusal before any file is made, with the reason in words
// naming the compressor. Long: ctest runs it under the label "slow".
TEST(CompressorSweep, everyListedCompressorDecodesOrRefusesTheSize)
{
    const std::vector<AviCompressor> &list = AviCompressors();
    ASSERT_FALSE(list.empty());
    for (const AviCompressor &compressor : list) {
        for (const auto &[width, height] : { std::pair { 666, 500 }, { 667, 501 } }) {
            const std::string code = fourccText(compressor.code);
            SCOPED_TRACE(code + " " + std::to_string(width));
            TempDir dir;
            const std::string file = (dir / "ANIM0000.AVI").string();
            VideoOutputSettings outputSettings;
            outputSettings.container = VideoContainer::Avi;
            outputSettings.aviCompressor = compressor.code;
            outputSettings.width = width, outputSettings.height = height;
            outputSettings.quality = 75;
            outputSettings.keyInterval = 1;
            std::unique_ptr<VideoOutput> output;
            try {
                output = OpenVideoOutput(file, outputSettings);
            } catch (const VideoError &e) {
                EXPECT_TRUE(e.cause().starts_with("the compressor '" + code + "'")) << e.cause();
                EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
                continue;
            }
            const Bitmap24 frame = makeTestPanorama(width, height);
            for (int i = 0; i < 2; ++i)
                output->writeFrame(FrameRows::of(frame));
            VideoPublishing publishing;
            publishing.target = file;
            EXPECT_EQ(output->finish(publishing).frames, 2);
            EXPECT_EQ(probeVideo(file).codecTag.substr(0, 3), fourccBytes(compressor.code).substr(0, 3));
            const DecodedVideo video = decodeVideo(file);
            EXPECT_EQ(video.errors, "");
            EXPECT_EQ(video.bgr.size(), std::size_t(width) * height * 3 * 2);
        }
    }
}

} // namespace
