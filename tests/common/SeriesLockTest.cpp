#include "common/SeriesLock.h"

#include "TestUtils.h"
#include "common/SeriesName.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct KeyCase {
    const char *label;
    const char *fileName;
    const char *key;
};

class SeriesKeyTable : public testing::TestWithParam<KeyCase> { };

TEST_P(SeriesKeyTable, isTheNameWithoutItsNumberInCapitals)
{
    EXPECT_EQ(SeriesKey(GetParam().fileName), GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(Names, SeriesKeyTable,
    testing::Values(KeyCase { "formatted", "IMAGE0012.PNG", "IMAGE.PNG" },
        KeyCase { "plainLowerCaseWithFolder", "/out/anim.1/image7.png", "IMAGE.PNG" },
        KeyCase { "video", "ANIM0000.GIF", "ANIM.GIF" },
        KeyCase { "baseEndingInDigitsOverlapsTheShorterBase", "IMAGE20007.BMP", "IMAGE.BMP" },
        KeyCase { "digitsInsideStay", "shot2_0003.TIF", "SHOT2_.TIF" }, KeyCase { "noExtension", "frame12", "FRAME" },
        KeyCase { "hiddenName", ".pano0001", ".PANO" }, KeyCase { "numberOnly", "0001.BMP", ".BMP" }),
    [](const auto &info) { return std::string(info.param.label); });

// The temporary names of a series start alike, whatever the number or the
// letter case, and differently from another series'; their length never
// depends on the name.
TEST(TemporaryNamePrefix, oneForEachSeriesOfOneLength)
{
    const std::string png = TemporaryNamePrefix("/a/IMAGE0001.PNG");
    EXPECT_EQ(png, TemporaryNamePrefix("image12345.png"));
    EXPECT_NE(png, TemporaryNamePrefix("IMAGE0001.BMP"));
    EXPECT_EQ(png.rfind(".travelia-", 0), 0u);
    EXPECT_EQ(png.size(), TemporaryNamePrefix(std::string(240, 'x') + "0001.PNG").size());
}

std::string lockFileIn(const TempDir &dir, const char *name)
{
    return (dir / name).string();
}

// One run at a time in a series, in one process or two; another series in
// the same folder is free, and the lock file goes with the claim.
TEST(SeriesLock, aSecondClaimOnTheSeriesIsBusyUntilTheFirstEnds)
{
    TempDir dir;
    auto first = std::make_unique<SeriesLock>((dir / "IMAGE0000.PNG").string());
    ASSERT_EQ(first->state(), SeriesLock::State::Claimed);
    EXPECT_EQ(first->lockName(), lockFileIn(dir, ".IMAGE.PNG.travelia-lock"));
    EXPECT_TRUE(fs::exists(first->lockName()));
    EXPECT_EQ(SeriesLock((dir / "image0100.png").string()).state(), SeriesLock::State::Busy);
    EXPECT_EQ(SeriesLock((dir / "IMAGE0000.BMP").string()).state(), SeriesLock::State::Claimed);
    first.reset();
    EXPECT_TRUE(fs::is_empty(dir.path())) << "the lock file stays after its run";
    EXPECT_EQ(SeriesLock((dir / "IMAGE0005.PNG").string()).state(), SeriesLock::State::Claimed);
}

// A run killed while it holds the series leaves it free: the system drops
// the lock with the process.
TEST(SeriesLock, aKilledHolderLeavesTheSeriesFree)
{
    TempDir dir;
    const std::string name = (dir / "IMAGE0000.BMP").string();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const SeriesLock held(name);
        const char state = held.state() == SeriesLock::State::Claimed ? 'C' : 'X';
        (void)!::write(ready[1], &state, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char state = 0;
    ASSERT_EQ(::read(ready[0], &state, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(state, 'C');
    EXPECT_EQ(SeriesLock(name).state(), SeriesLock::State::Busy) << "held by the other process";
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(fs::exists(dir / ".IMAGE.BMP.travelia-lock")) << "a killed run cannot remove it";
    {
        const SeriesLock again(name);
        EXPECT_EQ(again.state(), SeriesLock::State::Claimed);
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// Claimed, the series is cleared of the temporary files a killed run of it
// left; those of another series, and names of another shape, stay.
TEST(SeriesLock, claimingRemovesTheLeftoversOfItsSeriesOnly)
{
    TempDir dir;
    const std::string png = TemporaryNamePrefix("IMAGE0000.PNG");
    const std::string gif = TemporaryNamePrefix("ANIM0000.GIF");
    for (const std::string &name : { png + "a1B2c3", png + "Zz9Yy8", png + "short", gif + "a1B2c3" })
        writeFileBytes(dir / name, { 1 });
    const SeriesLock lock((dir / "IMAGE0007.PNG").string());
    ASSERT_EQ(lock.state(), SeriesLock::State::Claimed);
    EXPECT_EQ(lock.leftoversRemoved(), 2);
    EXPECT_FALSE(fs::exists(dir / (png + "a1B2c3")));
    EXPECT_FALSE(fs::exists(dir / (png + "Zz9Yy8")));
    EXPECT_TRUE(fs::exists(dir / (png + "short")));
    EXPECT_TRUE(fs::exists(dir / (gif + "a1B2c3")));
}

// Where no lock file can be made, the claim says why.
TEST(SeriesLock, aMissingFolderGivesTheSystemsReason)
{
    TempDir dir;
    const SeriesLock lock((dir / "none" / "IMAGE0000.BMP").string());
    EXPECT_EQ(lock.state(), SeriesLock::State::Unavailable);
    EXPECT_EQ(lock.systemError(), ENOENT);
}

// A key too long for a file name of its own gives a lock file named by its hash.
TEST(SeriesLock, aLongNameGetsAShortLockFile)
{
    TempDir dir;
    const std::string base(248, 'x');
    const SeriesLock lock((dir / (base + "0001.PNG")).string());
    ASSERT_EQ(lock.state(), SeriesLock::State::Claimed);
    EXPECT_EQ(fs::path(lock.lockName()).filename().string().size(), 1u + 16 + 14);
    EXPECT_EQ(SeriesLock((dir / (base + "0002.png")).string()).state(), SeriesLock::State::Busy);
}

} // namespace
