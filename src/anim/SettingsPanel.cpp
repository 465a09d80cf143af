#include "anim/SettingsPanel.h"

#include "common/TextFormat.h"
#include "output/EnsureFolder.h"
#include "output/FrameNames.h"
#include "output/OutputNaming.h"
#include "platform/WindowServices.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

std::string fileNamePart(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderPart(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The absolute folder of a file: names are relative to the current folder
// of the run that made them, which later runs may change.
std::string absoluteFolderOf(const std::string &fileName)
{
    std::error_code ec;
    const fs::path file = fs::absolute(fs::u8path(fileName), ec);
    return ec ? folderPart(fileName) : file.lexically_normal().parent_path().string();
}

bool isExistingFile(const std::string &path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(fs::u8path(path), ec);
}

} // namespace

SettingsPanel::SettingsPanel(WindowServices &services, std::string programFolder)
    : m_services(services)
    , m_programFolder(std::move(programFolder))
{
    if (m_programFolder.empty() || m_programFolder.back() != '/')
        m_programFolder += '/';
}

void SettingsPanel::RefreshPanel(bool resetDefaults, int panoramaWidth, int panoramaHeight)
{
    PanelState &s = m_state;
    if (panoramaWidth != 0 || panoramaHeight != 0) {
        AspectX = 4;
        AspectY = 3;
        s.Caption = formatText(
            "%s - %s : %d * %d pixels", { kProgramTitle, fileNamePart(s.EditSrcName), panoramaWidth, panoramaHeight });
        s.LabelSrcDim = formatText("%d * %d Pixels", { panoramaWidth, panoramaHeight });
        // 32-bit products, as the fields have always been computed.
        if (!s.FrameSizeFollowsPicture) {
            // the size typed stays
        } else if (s.RadioGroupScrollType == ScrollHorizontal) {
            s.EditFrameHeight = std::to_string(panoramaHeight);
            s.EditFrameWidth
                = std::to_string(std::int32_t(std::uint32_t(panoramaHeight) * std::uint32_t(AspectX)) / AspectY);
        } else {
            s.EditFrameWidth = std::to_string(panoramaWidth);
            s.EditFrameHeight
                = std::to_string(std::int32_t(std::uint32_t(panoramaWidth) * std::uint32_t(AspectY)) / AspectX);
        }
        if (!s.CheckBoxCopy)
            s.EditCopy = folderPart(s.EditSrcName);
    } else {
        s.Caption = kProgramTitle;
        s.EditSrcName.clear();
        s.LabelSrcDim = kNoPicture;
        if (!s.CheckBoxCopy)
            s.EditCopy = m_programFolder;
    }
    if (resetDefaults) {
        s.FrameSizeFollowsPicture = true;
        s.EditFrameWidth = "1024";
        s.EditFrameHeight = "768";
        s.EditStep = "1"s; // std::string: GCC 12 warns falsely (-Wrestrict) on one-letter C strings
        s.CheckBoxCenter = true;
        s.CheckBoxScrollDirection = true;
        s.CheckBoxScrollBack = true;
        s.CheckBoxLoop360 = false;
        setScrollType(ScrollHorizontal);
        setFormat(FormatBmp);
        s.CheckBoxSubDir = true;
        s.EditSubDir = "./anim";
    }
    s.CheckBoxRename = true;
    s.EditDstName = IsVideoFile(s.RadioGroupFormat) ? "ANIM" : "IMAGE";
    s.EditNumStart = "0"s;
    s.CheckBoxFormat = true;
    s.CheckBoxVisu = true;

    s.SpeedButtonTestEnabled = isExistingFile(s.EditSrcName);
    s.SpeedButtonCreateEnabled = s.SpeedButtonTestEnabled;
    s.SpeedButtonVerifyEnabled = verifyEnabled();
    s.SpeedButtonOpenFolderEnabled = !m_madeFolder.empty();
    s.GroupBoxAnimVisible = s.SpeedButtonTestEnabled;
    s.GroupBoxSaveVisible = s.SpeedButtonTestEnabled;
}

void SettingsPanel::setScrollType(std::int32_t index)
{
    if (m_state.RadioGroupScrollType == index)
        return;
    m_state.RadioGroupScrollType = index;
    RadioGroupScrollTypeClick();
}

void SettingsPanel::setFormat(std::int32_t index)
{
    if (m_state.RadioGroupFormat == index)
        return;
    m_state.RadioGroupFormat = index;
    RadioGroupFormatClick();
}

void SettingsPanel::RadioGroupScrollTypeClick()
{
    if (!m_state.FrameSizeFollowsPicture)
        return; // a size typed is kept whichever way the frames scroll
    m_state.EditFrameHeight = "768";
    m_state.EditFrameWidth = "1024";
}

PanelChoices SettingsPanel::choices() const
{
    const PanelState &s = m_state;
    return { s.RadioGroupFormat, s.CheckBoxCopy, s.EditCopy, s.CheckBoxSubDir, s.EditSubDir, s.FrameSizeFollowsPicture,
        s.EditFrameWidth, s.EditFrameHeight, s.EditStep, s.CheckBoxScrollDirection, s.CheckBoxScrollBack,
        s.CheckBoxCenter, s.CheckBoxLoop360 };
}

void SettingsPanel::applyChoices(const PanelChoices &c)
{
    PanelState &s = m_state;
    setFormat(c.Format);
    s.CheckBoxCopy = c.MoveTo;
    if (c.MoveTo)
        s.EditCopy = c.BaseFolder; // else the picture's folder, at the next refresh
    s.CheckBoxSubDir = c.UseSubDir;
    s.EditSubDir = c.SubDir;
    s.FrameSizeFollowsPicture = c.FrameSizeFollowsPicture;
    s.EditFrameWidth = c.FrameWidth;
    s.EditFrameHeight = c.FrameHeight;
    s.EditStep = c.Step;
    s.CheckBoxScrollDirection = c.ScrollDirection;
    s.CheckBoxScrollBack = c.ScrollBack;
    s.CheckBoxCenter = c.Center;
    s.CheckBoxLoop360 = c.Loop360;
}

void SettingsPanel::RadioGroupFormatClick()
{
    m_state.SpeedButtonVerifyEnabled = verifyEnabled();
    if (m_state.CheckBoxRename)
        m_state.EditDstName = IsVideoFile(m_state.RadioGroupFormat) ? "ANIM" : "IMAGE";
}

void SettingsPanel::setMadeVideoFile(std::string fileName)
{
    m_madeVideoFile = std::move(fileName);
    m_state.SpeedButtonVerifyEnabled = verifyEnabled();
    if (!m_madeVideoFile.empty())
        m_madeFolder = absoluteFolderOf(m_madeVideoFile);
    m_state.SpeedButtonOpenFolderEnabled = !m_madeFolder.empty();
}

void SettingsPanel::setMadeSeries(MadeSeries series)
{
    m_madeFolder = absoluteFolderOf(series.AnyFrame);
    m_madeSeries = std::move(series);
    m_state.SpeedButtonOpenFolderEnabled = !m_madeFolder.empty();
}

// A series of frame files can always be picked in the viewer; one video
// file only once a run has made it.
bool SettingsPanel::verifyEnabled() const
{
    return !IsVideoFile(m_state.RadioGroupFormat) || !m_madeVideoFile.empty();
}

void SettingsPanel::showError(const std::string &text)
{
    ShowError(m_services, text);
}

namespace {

enum class BadField { None, Width, Height, Step };

// The frame fields, as every reading takes them; prm holds what was read up
// to the first bad field.
BadField ReadFrameFields(const PanelState &s, tanimprm &prm)
{
    // A frame needs at least one pixel each way: zero or negative sizes are
    // refused like any other invalid value.
    const auto width = parseInt32(s.EditFrameWidth);
    prm.FrameWidth = width && *width > 0 ? *width : 0;
    if (prm.FrameWidth == 0)
        return BadField::Width;
    const auto height = parseInt32(s.EditFrameHeight);
    prm.FrameHeight = height && *height > 0 ? *height : 0;
    if (prm.FrameHeight == 0)
        return BadField::Height;
    const auto step = parseInt32(s.EditStep);
    if (!step) {
        prm.Step = 1;
        return BadField::Step;
    }
    prm.Step = *step;
    prm.Center = s.CheckBoxCenter;
    prm.ScrollDirection = s.CheckBoxScrollDirection;
    prm.ScrollBack = s.CheckBoxScrollBack;
    prm.Loop360 = s.CheckBoxLoop360;
    prm.ScrollType = s.RadioGroupScrollType == ScrollVertical ? ScrollVertical : ScrollHorizontal;
    return BadField::None;
}

// The camera's move; with an output size, the frames are that size.
void UseCamera(tanimprm &prm, const CameraMove &move)
{
    prm.Camera = move;
    if (move.Scales()) {
        prm.FrameWidth = move.OutputWidth;
        prm.FrameHeight = move.OutputHeight;
    }
}

} // namespace

std::optional<tanimprm> SettingsPanel::FrameSettings() const
{
    tanimprm prm;
    if (ReadFrameFields(m_state, prm) != BadField::None)
        return std::nullopt;
    // The camera's path too, when its choices stand.
    std::string error;
    if (const std::optional<CameraMove> move = camera ? camera(error) : std::nullopt)
        UseCamera(prm, *move);
    if (const std::optional<SphereView> view = sphere ? sphere(prm.Loop360, error) : std::nullopt)
        UseSphereView(prm, *view);
    return prm;
}

bool SettingsPanel::ReadSettings(
    tanimprm &prm, OutputNames &names, const std::function<bool(const tanimprm &)> &checkFrames)
{
    switch (ReadFrameFields(m_state, prm)) {
    case BadField::Width:
        showError("Valeur de Largeur Incorrecte");
        return false;
    case BadField::Height:
        showError("Valeur de Hauteur Incorrecte");
        return false;
    case BadField::Step:
        showError("Valeur de Pas Incorrecte");
        return false;
    case BadField::None:
        break;
    }
    prm.Camera = {};
    if (camera) {
        std::string error;
        const std::optional<CameraMove> move = camera(error);
        if (!move) {
            showError(error);
            return false;
        }
        UseCamera(prm, *move);
    }
    prm.Sphere = {};
    if (sphere) {
        std::string error;
        const std::optional<SphereView> view = sphere(prm.Loop360, error);
        if (!view) {
            showError(error);
            return false;
        }
        UseSphereView(prm, *view);
    }
    if (checkFrames && !checkFrames(prm))
        return false;
    return readOutputSettings(names);
}

bool SettingsPanel::readOutputSettings(OutputNames &names)
{
    PanelState &s = m_state;
    std::error_code ec;
    fs::current_path(fs::u8path(s.EditCopy), ec); // a missing base folder is covered by EnsureFolder below
    s.EditSubDir = NormalizeSubDir(s.EditSubDir);

    OutputFields fields;
    fields.BaseFolder = s.EditCopy;
    fields.UseSubDir = s.CheckBoxSubDir;
    fields.SubDir = s.EditSubDir;
    fields.BaseNameSource = s.CheckBoxRename ? s.EditDstName : s.EditSrcName;
    fields.NumStart = s.EditNumStart;
    fields.FormattedNumbers = s.CheckBoxFormat;
    fields.Format = s.RadioGroupFormat;
    fields.VideoExt = videoExtension ? videoExtension() : std::string(".MP4");
    fields.TestMode = s.CheckBoxVisu;

    NamingQuestions questions;
    questions.ensureFolder = [this](std::string &folder) { return EnsureFolder(folder, m_services, m_programFolder); };
    questions.firstFileExists = [this](const std::string &firstFileName) {
        switch (m_services.messageBox("OUI: Rechercher le prochain Nom de Fichier Libre?    NON: Ecraser",
            firstFileName + " Existe déjà", WindowServices::Buttons::YesNo)) {
        case WindowServices::IdYes:
            return ExistingFirstFile::SearchFreeNumber;
        case WindowServices::IdNo:
            return ExistingFirstFile::KeepNumber;
        default:
            return ExistingFirstFile::Refuse; // Escape or the close box: nothing is written
        }
    };
    questions.freeNumberFound = [this](std::int32_t number) {
        m_state.EditNumStart = std::to_string(number);
        stateChanged();
        m_services.processMessages();
    };

    questions.seriesBusy = [this](const std::string &pattern, const std::string &folder) {
        showError("Une autre création écrit déjà " + pattern + " dans " + folder);
    };

    names.Lock.reset(); // a claim of an earlier reading is not another run's
    const std::optional<OutputNames> read = ReadOutputNames(fields, questions);
    if (!read)
        return false;
    names = *read;
    return true;
}
