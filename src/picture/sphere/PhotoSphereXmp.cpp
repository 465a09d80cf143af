#include "picture/sphere/PhotoSphereXmp.h"

#include <QString>
#include <QXmlStreamReader>

#include <cmath>
#include <exception>

namespace {

const QString kGPano = QStringLiteral("http://ns.google.com/photos/1.0/panorama/");

// One field's text into the fields; false, with the reason, for a value of
// the wrong kind. Fields not read here are left alone.
bool TakeField(const QString &name, const QString &text, PhotoSphereFields &f, std::string &problem)
{
    const QString value = text.trimmed();
    const auto whole = [&](std::optional<std::int64_t> &target) {
        bool ok = false;
        const qlonglong n = value.toLongLong(&ok);
        if (!ok) {
            problem = "GPano:" + name.toStdString() + " '" + value.left(40).toStdString() + "' is not a whole number";
            return false;
        }
        target = n;
        return true;
    };
    if (name == u"ProjectionType")
        f.projectionType = value.toLower().toStdString();
    else if (name == u"UsePanoramaViewer") {
        const QString lower = value.toLower();
        if (lower != u"true" && lower != u"false") {
            problem = "GPano:UsePanoramaViewer '" + value.left(40).toStdString() + "' is neither True nor False";
            return false;
        }
        f.usePanoramaViewer = lower == u"true";
    } else if (name == u"FullPanoWidthPixels")
        return whole(f.fullPanoWidthPixels);
    else if (name == u"FullPanoHeightPixels")
        return whole(f.fullPanoHeightPixels);
    else if (name == u"CroppedAreaImageWidthPixels")
        return whole(f.croppedAreaImageWidthPixels);
    else if (name == u"CroppedAreaImageHeightPixels")
        return whole(f.croppedAreaImageHeightPixels);
    else if (name == u"CroppedAreaLeftPixels")
        return whole(f.croppedAreaLeftPixels);
    else if (name == u"CroppedAreaTopPixels")
        return whole(f.croppedAreaTopPixels);
    else if (name == u"PoseHeadingDegrees") {
        bool ok = false;
        const double degrees = value.toDouble(&ok);
        if (!ok || !std::isfinite(degrees)) {
            problem = "GPano:PoseHeadingDegrees '" + value.left(40).toStdString() + "' is not a number";
            return false;
        }
        f.poseHeadingDegrees = degrees;
    }
    return true;
}

// Every GPano attribute and element of the packet; false, with the reason,
// for text that is not XML or a field of the wrong kind. `any`: a GPano field was seen.
bool ReadFields(const std::string &packet, PhotoSphereFields &f, bool &any, std::string &problem)
{
    QXmlStreamReader xml(QByteArray::fromRawData(packet.data(), qsizetype(packet.size())));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        for (const QXmlStreamAttribute &attribute : xml.attributes())
            if (attribute.namespaceUri() == kGPano) {
                any = true;
                if (!TakeField(attribute.name().toString(), attribute.value().toString(), f, problem))
                    return false;
            }
        if (xml.namespaceUri() == kGPano) {
            any = true;
            const QString name = xml.name().toString();
            const QString text = xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
            if (xml.hasError())
                break;
            if (!TakeField(name, text, f, problem))
                return false;
        }
    }
    if (xml.hasError()) {
        problem = "the XMP packet is not well-formed XML: " + xml.errorString().toStdString() + " (line "
            + std::to_string(xml.lineNumber()) + ")";
        return false;
    }
    return true;
}

} // namespace

PhotoSphereReading ReadPhotoSphere(const std::string &packet, int pictureWidth, int pictureHeight)
{
    PhotoSphereReading reading;
    bool any = false;
    if (packet.find_first_not_of(" \t\r\n") == std::string::npos)
        return reading; // no packet
    try {
        if (!ReadFields(packet, reading.fields, any, reading.ignoredBecause))
            return reading;
        if (!any)
            return reading;
        const PhotoSphereFields &f = reading.fields;
        SphereProjection projection = SphereProjection::Flat;
        if (!f.projectionType) {
            reading.ignoredBecause = "the Photo Sphere metadata has no GPano:ProjectionType";
            return reading;
        }
        if (*f.projectionType == "equirectangular")
            projection = SphereProjection::Equirectangular;
        else if (*f.projectionType == "cylindrical")
            projection = SphereProjection::Cylindrical;
        else {
            reading.ignoredBecause = "GPano:ProjectionType '" + f.projectionType->substr(0, 40) + "' is not read";
            return reading;
        }
        if (pictureWidth < 1 || pictureHeight < 1) {
            reading.ignoredBecause = "the picture has no area";
            return reading;
        }
        // Missing fields: the picture is the whole panorama, or its cropped area.
        SpherePlacement p;
        p.width = f.croppedAreaImageWidthPixels.value_or(pictureWidth);
        p.height = f.croppedAreaImageHeightPixels.value_or(pictureHeight);
        p.fullWidth = f.fullPanoWidthPixels.value_or(p.width);
        p.fullHeight = f.fullPanoHeightPixels.value_or(p.height);
        p.left = f.croppedAreaLeftPixels.value_or(0);
        p.top = f.croppedAreaTopPixels.value_or(0);
        const std::string problem = SphereMapping::placementProblem(projection, p);
        if (!problem.empty()) {
            reading.ignoredBecause = "the Photo Sphere placement is impossible: " + problem;
            return reading;
        }
        reading.mapping = SphereMapping(projection, p).scaledTo(pictureWidth, pictureHeight);
    } catch (const std::exception &e) {
        reading.mapping.reset();
        reading.ignoredBecause = std::string("the Photo Sphere metadata does not fit the picture: ") + e.what();
    }
    return reading;
}
