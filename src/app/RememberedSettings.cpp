#include "app/RememberedSettings.h"

#include "anim/SphereChoices.h"

#include "video/VideoFormats.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <limits>
#include <optional>

namespace {

// The groups the program writes; anything else in the store is left alone.
const char *const kGroups[] = { "panel", "jpeg", "video", "avi", "camera", "view", "window" };

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

// Values typed as the store gives them back: an INI file returns every
// scalar as text, a store written in memory keeps the type it was given.
class ValueReader {
public:
    explicit ValueReader(const QSettings &store)
        : m_store(store)
    {
    }

    std::optional<qint64> integer(const char *name) const
    {
        const QVariant v = m_store.value(key(name));
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::QString: {
            bool ok = false;
            const qint64 value = v.toLongLong(&ok);
            return ok ? std::optional(value) : std::nullopt;
        }
        default:
            return std::nullopt;
        }
    }

    template <typename T> T number(const char *name, T fallback, qint64 lowest, qint64 highest) const
    {
        const std::optional<qint64> value = integer(name);
        return value && *value >= lowest && *value <= highest ? T(*value) : fallback;
    }

    bool flag(const char *name, bool fallback) const
    {
        const QVariant v = m_store.value(key(name));
        if (v.typeId() == QMetaType::Bool)
            return v.toBool();
        if (v.typeId() == QMetaType::QString) {
            const QString text = v.toString();
            if (text == QLatin1String("true"))
                return true;
            if (text == QLatin1String("false"))
                return false;
        }
        return fallback;
    }

    std::string text(const char *name, const std::string &fallback) const
    {
        const QVariant v = m_store.value(key(name));
        return v.typeId() == QMetaType::QString ? v.toString().toStdString() : fallback;
    }

    QByteArray bytes(const char *name) const
    {
        const QVariant v = m_store.value(key(name));
        return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
    }

private:
    const QSettings &m_store;
};

PanelChoices readPanel(const ValueReader &r)
{
    const PanelChoices d;
    PanelChoices c;
    c.Format = r.number<std::int32_t>("panel/format", d.Format, FormatBmp, FormatVideo);
    c.MoveTo = r.flag("panel/moveTo", d.MoveTo);
    c.BaseFolder = r.text("panel/baseFolder", d.BaseFolder);
    c.UseSubDir = r.flag("panel/useSubDir", d.UseSubDir);
    c.SubDir = r.text("panel/subDir", d.SubDir);
    c.FrameSizeFollowsPicture = r.flag("panel/frameSizeFollowsPicture", d.FrameSizeFollowsPicture);
    c.FrameWidth = r.text("panel/frameWidth", d.FrameWidth);
    c.FrameHeight = r.text("panel/frameHeight", d.FrameHeight);
    c.Step = r.text("panel/step", d.Step);
    c.ScrollDirection = r.flag("panel/scrollDirection", d.ScrollDirection);
    c.ScrollBack = r.flag("panel/scrollBack", d.ScrollBack);
    c.Center = r.flag("panel/center", d.Center);
    c.Loop360 = r.flag("panel/loop360", d.Loop360);
    return c;
}

TJpegOptions readJpeg(const ValueReader &r)
{
    const TJpegOptions d;
    TJpegOptions o;
    o.CompressionQuality = r.number<std::uint8_t>("jpeg/quality", d.CompressionQuality, 5, 100);
    o.Grayscale = r.flag("jpeg/grayscale", d.Grayscale);
    o.Performance = r.number<std::uint8_t>("jpeg/performance", d.Performance, 0, 1);
    o.PixelFormat = r.number<std::uint8_t>("jpeg/pixelFormat", d.PixelFormat, 0, 1);
    o.ProgressiveDisplay = r.flag("jpeg/progressiveDisplay", d.ProgressiveDisplay);
    o.ProgressiveEncoding = r.flag("jpeg/progressiveEncoding", d.ProgressiveEncoding);
    o.Scale = r.number<std::uint8_t>("jpeg/scale", d.Scale, 0, 3);
    o.Smoothing = r.flag("jpeg/smoothing", d.Smoothing);
    o.HorzSubSampling = r.flag("jpeg/horzSubSampling", d.HorzSubSampling);
    o.VertSubSampling = r.flag("jpeg/vertSubSampling", d.VertSubSampling);
    return o;
}

CameraChoices readCamera(const ValueReader &r)
{
    const CameraChoices d;
    CameraChoices c;
    c.OutputSize = r.number<std::int32_t>("camera/outputSize", d.OutputSize, 0, kCustomOutputSize);
    c.Width = r.text("camera/width", d.Width);
    c.Height = r.text("camera/height", d.Height);
    c.Duration = r.text("camera/duration", d.Duration);
    c.Smooth = r.flag("camera/smooth", d.Smooth);
    c.Hold = r.text("camera/hold", d.Hold);
    c.AudioFile = r.text("camera/audioFile", d.AudioFile);
    // Not the projection: each picture opened sets it.
    c.View = r.number<std::int32_t>("camera/view", d.View, ViewFlat, ViewLittlePlanet);
    c.Fov = r.text("camera/fov", d.Fov);
    c.Pitch = r.text("camera/pitch", d.Pitch);
    return c;
}

TVideoOptions readVideo(const ValueReader &r)
{
    const TVideoOptions d;
    TVideoOptions o;
    const std::optional<VideoContainer> container = ContainerFromName(r.text("video/container", ""));
    o.Container = container && *container != VideoContainer::Avi ? *container : d.Container;
    const std::optional<VideoCodec> codec = CodecFromName(r.text("video/codec", ""));
    o.Codec = codec && ContainerAccepts(o.Container, *codec) ? *codec : d.Codec;
    o.Rate = r.number<std::int32_t>("video/rate", d.Rate, kMinVideoRate, kMaxVideoRate);
    o.Quality = r.number<std::int32_t>("video/quality", d.Quality, 0, 100);
    o.KeyInterval = r.number<std::int32_t>("video/keyInterval", d.KeyInterval, 0, kMaxKeyInterval);
    o.Preset = r.text("video/preset", d.Preset);
    o.Lossless = r.flag("video/lossless", d.Lossless);
    return o;
}

TAviOptions readAvi(const ValueReader &r)
{
    const TAviOptions d;
    TAviOptions o;
    o.Rate = r.number<std::uint16_t>("avi/rate", d.Rate, 1, 65535);
    o.Quality = r.number<std::uint16_t>("avi/quality", d.Quality, 0, 10000);
    o.CodecIndex = r.number<std::int32_t>("avi/codecIndex", d.CodecIndex, 0, std::numeric_limits<std::int32_t>::max());
    o.CodecHandler
        = r.number<std::uint32_t>("avi/codecHandler", d.CodecHandler, 0, std::numeric_limits<std::uint32_t>::max());
    return o;
}

// The store's own words for why it failed, with its file.
bool flushed(QSettings &store, std::string &error)
{
    store.sync();
    switch (store.status()) {
    case QSettings::NoError:
        return true;
    case QSettings::AccessError:
        error = store.fileName().toStdString() + " : écriture impossible (accès refusé ou disque plein)";
        break;
    case QSettings::FormatError:
        error = store.fileName().toStdString() + " : fichier de réglages illisible";
        break;
    }
    return false;
}

QString qs(const std::string &text)
{
    return QString::fromStdString(text);
}

} // namespace

RememberedSettings ReadRememberedSettings(const QSettings &store)
{
    const ValueReader r(store);
    RememberedSettings s;
    s.panel = readPanel(r);
    s.jpeg = readJpeg(r);
    s.video = readVideo(r);
    s.avi = readAvi(r);
    s.camera = readCamera(r);
    s.tempo = r.number<std::int32_t>(
        "view/tempo", s.tempo, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    s.windowGeometry = r.bytes("window/geometry");
    return s;
}

bool WriteRememberedSettings(QSettings &store, const RememberedSettings &s, std::string &error)
{
    const PanelChoices &c = s.panel;
    store.setValue(key("panel/format"), c.Format);
    store.setValue(key("panel/moveTo"), c.MoveTo);
    store.setValue(key("panel/baseFolder"), qs(c.BaseFolder));
    store.setValue(key("panel/useSubDir"), c.UseSubDir);
    store.setValue(key("panel/subDir"), qs(c.SubDir));
    store.setValue(key("panel/frameSizeFollowsPicture"), c.FrameSizeFollowsPicture);
    store.setValue(key("panel/frameWidth"), qs(c.FrameWidth));
    store.setValue(key("panel/frameHeight"), qs(c.FrameHeight));
    store.setValue(key("panel/step"), qs(c.Step));
    store.setValue(key("panel/scrollDirection"), c.ScrollDirection);
    store.setValue(key("panel/scrollBack"), c.ScrollBack);
    store.setValue(key("panel/center"), c.Center);
    store.setValue(key("panel/loop360"), c.Loop360);

    const TJpegOptions &j = s.jpeg;
    store.setValue(key("jpeg/quality"), int(j.CompressionQuality));
    store.setValue(key("jpeg/grayscale"), j.Grayscale);
    store.setValue(key("jpeg/performance"), int(j.Performance));
    store.setValue(key("jpeg/pixelFormat"), int(j.PixelFormat));
    store.setValue(key("jpeg/progressiveDisplay"), j.ProgressiveDisplay);
    store.setValue(key("jpeg/progressiveEncoding"), j.ProgressiveEncoding);
    store.setValue(key("jpeg/scale"), int(j.Scale));
    store.setValue(key("jpeg/smoothing"), j.Smoothing);
    store.setValue(key("jpeg/horzSubSampling"), j.HorzSubSampling);
    store.setValue(key("jpeg/vertSubSampling"), j.VertSubSampling);

    const TVideoOptions &v = s.video;
    store.setValue(key("video/container"), QString::fromLatin1(ContainerName(v.Container)));
    store.setValue(key("video/codec"), QString::fromLatin1(CodecName(v.Codec)));
    store.setValue(key("video/rate"), v.Rate);
    store.setValue(key("video/quality"), v.Quality);
    store.setValue(key("video/keyInterval"), v.KeyInterval);
    store.setValue(key("video/preset"), qs(v.Preset));
    store.setValue(key("video/lossless"), v.Lossless);

    const TAviOptions &a = s.avi;
    store.setValue(key("avi/rate"), int(a.Rate));
    store.setValue(key("avi/quality"), int(a.Quality));
    store.setValue(key("avi/codecIndex"), a.CodecIndex);
    store.setValue(key("avi/codecHandler"), qint64(a.CodecHandler));

    const CameraChoices &m = s.camera;
    store.setValue(key("camera/outputSize"), m.OutputSize);
    store.setValue(key("camera/width"), qs(m.Width));
    store.setValue(key("camera/height"), qs(m.Height));
    store.setValue(key("camera/duration"), qs(m.Duration));
    store.setValue(key("camera/smooth"), m.Smooth);
    store.setValue(key("camera/hold"), qs(m.Hold));
    store.setValue(key("camera/audioFile"), qs(m.AudioFile));
    store.setValue(key("camera/view"), m.View);
    store.setValue(key("camera/fov"), qs(m.Fov));
    store.setValue(key("camera/pitch"), qs(m.Pitch));

    store.setValue(key("view/tempo"), s.tempo);
    store.setValue(key("window/geometry"), s.windowGeometry);
    return flushed(store, error);
}

bool ForgetRememberedSettings(QSettings &store, std::string &error)
{
    for (const char *group : kGroups)
        store.remove(key(group));
    return flushed(store, error);
}
