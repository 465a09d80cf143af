#include "picture/sphere/PhotoSphereXmp.h"
#include "picture/sphere/XmpPacket.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kHead = R"(<?xpacket begin="" id="W5M0MpCehiHzreSzNTczkc9d"?>
<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
)";
const std::string kTail = "</rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>";
const std::string kGPano = R"(xmlns:GPano="http://ns.google.com/photos/1.0/panorama/")";

// A 240° cylindrical panorama of 2000 x 600 in a full one of 3000 x 1000.
const char *const kFields[][2] = {
    { "ProjectionType", "cylindrical" },
    { "UsePanoramaViewer", "True" },
    { "FullPanoWidthPixels", "3000" },
    { "FullPanoHeightPixels", "1000" },
    { "CroppedAreaImageWidthPixels", "2000" },
    { "CroppedAreaImageHeightPixels", "600" },
    { "CroppedAreaLeftPixels", "500" },
    { "CroppedAreaTopPixels", "200" },
    { "PoseHeadingDegrees", "12.5" },
};

std::string attributePacket()
{
    std::string text = kHead + "<rdf:Description rdf:about=\"\" " + kGPano;
    for (const auto &f : kFields)
        text += std::string(" GPano:") + f[0] + "=\"" + f[1] + "\"";
    return text + "/>\n" + kTail;
}

std::string elementPacket()
{
    std::string text = kHead + "<rdf:Description rdf:about=\"\" " + kGPano + ">\n";
    for (const auto &f : kFields)
        text += std::string("  <GPano:") + f[0] + "> " + f[1] + " </GPano:" + f[0] + ">\n";
    return text + "</rdf:Description>\n" + kTail;
}

void put16(Bytes &b, unsigned v, bool big = true)
{
    if (big)
        b.insert(b.end(), { std::uint8_t(v >> 8), std::uint8_t(v) });
    else
        b.insert(b.end(), { std::uint8_t(v), std::uint8_t(v >> 8) });
}

void put32(Bytes &b, std::uint32_t v, bool big = true)
{
    if (big)
        b.insert(b.end(), { std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v) });
    else
        b.insert(b.end(), { std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24) });
}

void append(Bytes &b, const std::string &text)
{
    b.insert(b.end(), text.begin(), text.end());
}

// SOI, an APP0, the APP1 of the packet, then the pixels' start.
Bytes jpegWith(const std::string &packet)
{
    Bytes b { 0xFF, 0xD8, 0xFF, 0xE0 };
    put16(b, 16);
    append(b, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    b.insert(b.end(), { 0xFF, 0xE1 });
    put16(b, unsigned(2 + 29 + packet.size()));
    append(b, std::string("http://ns.adobe.com/xap/1.0/\0", 29));
    append(b, packet);
    b.insert(b.end(), { 0xFF, 0xDA, 0x00, 0x02, 0x12, 0x34 });
    return b;
}

void pngChunk(Bytes &b, const char *type, const std::string &data)
{
    put32(b, std::uint32_t(data.size()));
    append(b, type);
    append(b, data);
    put32(b, 0); // the CRC: not checked by the packet search
}

Bytes pngWith(const std::string &packet, char compressed = 0)
{
    Bytes b { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    pngChunk(b, "IHDR", std::string("\0\0\0\1\0\0\0\1\10\2\0\0\0", 13));
    pngChunk(b, "tEXt", std::string("Comment\0hello", 13));
    pngChunk(b, "iTXt", std::string("XML:com.adobe.xmp\0", 18) + compressed + std::string("\0\0\0", 3) + packet);
    pngChunk(b, "IDAT", "xx");
    pngChunk(b, "IEND", "");
    return b;
}

// The header, the first directory (one dummy tag, then tag 700), the packet.
Bytes tiffWith(const std::string &packet, bool little, std::uint32_t packetOffset = 0)
{
    Bytes b;
    append(b, little ? "II" : "MM");
    put16(b, 42, !little);
    put32(b, 8, !little);
    put16(b, 2, !little);
    put16(b, 256, !little); // ImageWidth, SHORT 1
    put16(b, 3, !little);
    put32(b, 1, !little);
    put32(b, 0, !little);
    put16(b, 700, !little);
    put16(b, 7, !little);
    put32(b, std::uint32_t(packet.size()), !little);
    put32(b, packetOffset ? packetOffset : 8 + 2 + 24 + 4, !little);
    put32(b, 0, !little); // no next directory
    append(b, packet);
    return b;
}

struct ContainerCase {
    const char *label;
    Bytes (*make)(const std::string &packet);
};

const ContainerCase kContainers[] = {
    { "jpegApp1", [](const std::string &p) { return jpegWith(p); } },
    { "pngITxt", [](const std::string &p) { return pngWith(p); } },
    { "tiffLittleEndian", [](const std::string &p) { return tiffWith(p, true); } },
    { "tiffBigEndian", [](const std::string &p) { return tiffWith(p, false); } },
};

struct FormCase {
    const char *label;
    std::string (*packet)();
};
const FormCase kForms[] = { { "attributes", attributePacket }, { "elements", elementPacket } };

class PhotoSpherePackets : public testing::TestWithParam<std::tuple<ContainerCase, FormCase>> { };

// Each field of each form comes out of each container, and places the
// picture as a 240° cylinder.
TEST_P(PhotoSpherePackets, giveEveryFieldAndThePlacement)
{
    const auto &[container, form] = GetParam();
    const std::string packet = form.packet();
    const Bytes file = container.make(packet);
    const XmpSearch found = FindXmpPacket(file.data(), file.size());
    ASSERT_EQ(found.problem, "");
    ASSERT_EQ(found.packet, packet);

    const PhotoSphereReading r = ReadPhotoSphere(found.packet, 2000, 600);
    EXPECT_EQ(r.ignoredBecause, "");
    EXPECT_EQ(r.fields.projectionType, "cylindrical");
    EXPECT_EQ(r.fields.usePanoramaViewer, true);
    EXPECT_EQ(r.fields.fullPanoWidthPixels, 3000);
    EXPECT_EQ(r.fields.fullPanoHeightPixels, 1000);
    EXPECT_EQ(r.fields.croppedAreaImageWidthPixels, 2000);
    EXPECT_EQ(r.fields.croppedAreaImageHeightPixels, 600);
    EXPECT_EQ(r.fields.croppedAreaLeftPixels, 500);
    EXPECT_EQ(r.fields.croppedAreaTopPixels, 200);
    EXPECT_EQ(r.fields.poseHeadingDegrees, 12.5);
    ASSERT_TRUE(r.mapping);
    EXPECT_EQ(r.mapping->projection(), SphereProjection::Cylindrical);
    EXPECT_EQ(r.mapping->placement(), (SpherePlacement { 3000, 1000, 500, 200, 2000, 600 }));
    EXPECT_NEAR(r.mapping->coveredDegrees(), 240.0, 1e-9);
    EXPECT_FALSE(r.mapping->closes());
}

INSTANTIATE_TEST_SUITE_P(Containers, PhotoSpherePackets,
    testing::Combine(testing::ValuesIn(kContainers), testing::ValuesIn(kForms)),
    [](const testing::TestParamInfo<PhotoSpherePackets::ParamType> &info) {
        return std::string(std::get<0>(info.param).label) + "_" + std::get<1>(info.param).label;
    });

// A packet written for the picture at another size places the picture the same.
TEST(PhotoSphereReading, placementWrittenForAnotherSizeIsScaled)
{
    const PhotoSphereReading r = ReadPhotoSphere(attributePacket(), 1000, 300);
    ASSERT_TRUE(r.mapping) << r.ignoredBecause;
    EXPECT_EQ(r.mapping->placement(), (SpherePlacement { 1500, 500, 250, 100, 1000, 300 }));
}

// Only a projection: the picture is the whole sphere.
TEST(PhotoSphereReading, projectionAloneMakesTheWholePictureTheSphere)
{
    const std::string packet
        = kHead + "<rdf:Description " + kGPano + " GPano:ProjectionType=\"equirectangular\"/>" + kTail;
    const PhotoSphereReading r = ReadPhotoSphere(packet, 800, 400);
    ASSERT_TRUE(r.mapping) << r.ignoredBecause;
    EXPECT_TRUE(r.mapping->closes());
    EXPECT_TRUE(r.mapping->coversPoles());
}

struct MalformedCase {
    const char *label;
    std::string packet;
    const char *reason; // part of the reason; empty: no reason, no mapping
};

std::string described(const std::string &attributes)
{
    return kHead + "<rdf:Description " + kGPano + " " + attributes + "/>" + kTail;
}

const MalformedCase kMalformed[] = {
    { "notXml", "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><unclosed", "not well-formed XML" },
    { "undeclaredPrefix", kHead + "<rdf:Description GPano:ProjectionType=\"cylindrical\"/>" + kTail,
        "not well-formed XML" },
    { "unknownProjection", described("GPano:ProjectionType=\"fisheye\""), "'fisheye' is not read" },
    { "noProjection", described("GPano:FullPanoWidthPixels=\"100\""), "no GPano:ProjectionType" },
    { "widthNotANumber", described("GPano:ProjectionType=\"cylindrical\" GPano:FullPanoWidthPixels=\"wide\""),
        "'wide' is not a whole number" },
    { "viewerNeitherTrueNorFalse", described("GPano:ProjectionType=\"cylindrical\" GPano:UsePanoramaViewer=\"maybe\""),
        "neither True nor False" },
    { "headingNotANumber", described("GPano:ProjectionType=\"cylindrical\" GPano:PoseHeadingDegrees=\"north\""),
        "not a number" },
    { "croppedWiderThanFull",
        described("GPano:ProjectionType=\"cylindrical\" GPano:FullPanoWidthPixels=\"100\" "
                  "GPano:CroppedAreaImageWidthPixels=\"200\""),
        "wider than the full panorama" },
    { "negativeTop", described("GPano:ProjectionType=\"equirectangular\" GPano:CroppedAreaTopPixels=\"-5\""),
        "runs past the top or bottom" },
    { "hugeFullWidth", described("GPano:ProjectionType=\"equirectangular\" GPano:FullPanoWidthPixels=\"99999999999\""),
        "larger than" },
    { "elementWithChildren",
        kHead + "<rdf:Description " + kGPano + "><GPano:ProjectionType><b/></GPano:ProjectionType></rdf:Description>"
            + kTail,
        "not well-formed XML" },
    { "noPhotoSphereFields",
        kHead + "<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\" dc:format=\"x\"/>" + kTail, "" },
    { "empty", "", "" },
};

class MalformedXmpPackets : public testing::TestWithParam<MalformedCase> { };

TEST_P(MalformedXmpPackets, areIgnoredWithTheirReason)
{
    const MalformedCase &c = GetParam();
    const PhotoSphereReading r = ReadPhotoSphere(c.packet, 400, 200);
    EXPECT_FALSE(r.mapping);
    if (*c.reason)
        EXPECT_NE(r.ignoredBecause.find(c.reason), std::string::npos) << r.ignoredBecause;
    else
        EXPECT_EQ(r.ignoredBecause, "");
}

INSTANTIATE_TEST_SUITE_P(Packets, MalformedXmpPackets, testing::ValuesIn(kMalformed),
    [](const testing::TestParamInfo<MalformedCase> &info) { return std::string(info.param.label); });

struct DamagedFileCase {
    const char *label;
    Bytes (*make)();
    const char *problem; // part of it; empty: no packet, no problem
};

const DamagedFileCase kDamaged[] = {
    { "jpegSegmentPastTheEnd",
        [] {
            Bytes b = jpegWith(attributePacket());
            b.resize(b.size() - 200);
            return b;
        },
        "runs past the end of the file" },
    { "jpegGarbageBetweenSegments",
        [] {
            return Bytes { 0xFF, 0xD8, 0x12, 0x34 };
        },
        "damaged" },
    { "jpegShortLength",
        [] {
            return Bytes { 0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x01 };
        },
        "length below 2" },
    { "jpegWithoutPacket",
        [] {
            return Bytes { 0xFF, 0xD8, 0xFF, 0xDA, 0, 2 };
        },
        "" },
    { "pngCompressedPacket", [] { return pngWith(attributePacket(), 1); }, "compressed" },
    { "pngChunkPastTheEnd",
        [] {
            Bytes b = pngWith(attributePacket());
            b.resize(120);
            return b;
        },
        "runs past the end of the file" },
    { "tiffPacketPastTheEnd", [] { return tiffWith(attributePacket(), true, 1u << 30); }, "runs past the end" },
    { "tiffDirectoryPastTheEnd",
        [] {
            Bytes b = tiffWith("", true);
            b[4] = 0xFF;
            b[5] = 0xFF;
            return b;
        },
        "lies past the end" },
    { "neitherOfThem",
        [] {
            return Bytes { 'G', 'I', 'F', '8', '9', 'a' };
        },
        "" },
    { "empty", [] { return Bytes {}; }, "" },
};

class DamagedXmpFiles : public testing::TestWithParam<DamagedFileCase> { };

TEST_P(DamagedXmpFiles, giveNoPacketAndSayWhy)
{
    const DamagedFileCase &c = GetParam();
    const Bytes file = c.make();
    const XmpSearch found = FindXmpPacket(file.data(), file.size());
    EXPECT_EQ(found.packet, "");
    if (*c.problem)
        EXPECT_NE(found.problem.find(c.problem), std::string::npos) << found.problem;
    else
        EXPECT_EQ(found.problem, "");
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedXmpFiles, testing::ValuesIn(kDamaged),
    [](const testing::TestParamInfo<DamagedFileCase> &info) { return std::string(info.param.label); });

TEST(XmpPacketInFile, isReadFromDiskAndAMissingFileSaysWhy)
{
    const TempDir folder;
    writeFileBytes(folder / "pano.jpg", jpegWith(elementPacket()));
    EXPECT_EQ(FindXmpPacketInFile((folder / "pano.jpg").string()).packet, elementPacket());
    const XmpSearch missing = FindXmpPacketInFile((folder / "none.jpg").string());
    EXPECT_EQ(missing.packet, "");
    EXPECT_NE(missing.problem.find("No such file or directory"), std::string::npos) << missing.problem;
}

} // namespace
