#include "output/OutputNaming.h"

#include "common/SeriesLock.h"
#include "common/SeriesName.h"
#include "common/TextFormat.h"
#include "output/FrameNames.h"

#include <filesystem>
#include <system_error>

namespace {

// A link counts as a name that exists, wherever it leads (or not).
bool fileExists(const std::string &name)
{
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(AbsolutePath(name), ec));
}

} // namespace

std::optional<OutputNames> ReadOutputNames(const OutputFields &fields, const NamingQuestions &questions)
{
    OutputNames n;
    n.SubDir = NormalizeSubDir(fields.SubDir);
    n.DstDir = BuildDstDir(fields.BaseFolder, fields.UseSubDir, n.SubDir);
    if (!questions.ensureFolder(n.DstDir))
        return std::nullopt;

    n.DstName = BaseNameFrom(fields.BaseNameSource);
    n.NumStart = parseInt32(fields.NumStart).value_or(0);
    n.NameFormat = fields.FormattedNumbers ? kFormattedNamePattern : kPlainNamePattern;
    n.Ext = fields.Format == FormatVideo ? fields.VideoExt : ExtensionFor(fields.Format);

    if (fields.TestMode) {
        n.DstDir.clear();
        n.DstName = kTestFrameName;
        n.Ext.clear();
    } else {
        const std::string first = MakeFrameName(n.NameFormat, n.DstDir, n.DstName, n.NumStart, n.Ext);
        auto lock = std::make_shared<const SeriesLock>(AbsolutePath(first));
        if (lock->state() == SeriesLock::State::Busy) {
            if (questions.seriesBusy)
                questions.seriesBusy(SeriesPattern(n.DstName, n.Ext), AbsolutePath(n.DstDir));
            return std::nullopt;
        }
        // A folder that takes no lock file takes no frame either: the run
        // then fails on its first file, with the system's reason.
        if (lock->state() == SeriesLock::State::Claimed)
            n.Lock = std::move(lock);
        if (fileExists(first)) {
            switch (questions.firstFileExists(first)) {
            case ExistingFirstFile::SearchFreeNumber:
                n.NumStart = FindFreeNumber(n.NameFormat, n.DstDir, n.DstName, n.NumStart, n.Ext, fileExists);
                if (questions.freeNumberFound)
                    questions.freeNumberFound(n.NumStart);
                break;
            case ExistingFirstFile::KeepNumber:
                n.ReplaceExisting = true;
                break;
            case ExistingFirstFile::Refuse:
                return std::nullopt;
            }
        }
    }
    n.FileName = MakeFrameName(n.NameFormat, n.DstDir, n.DstName, n.NumStart, n.Ext);
    return n;
}
