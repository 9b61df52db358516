#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ImageFile.h"
#include "PendingOutput.h"
#include "TestDirectory.h"
#include "TestImages.h"

namespace quorvane {
namespace {

using testing::TestDirectory;

using testing::patternImage;

struct RoundTrip {
    const char* extension;
    int depth;
};

class ExactRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ExactRoundTrip, ReadsBackWhatWasWritten)
{
    TestDirectory dir;
    const std::string path = dir.file(std::string("picture.") + GetParam().extension);
    const ImageBuffer image = patternImage(37, 23, GetParam().depth);
    writeImage(path, image);
    const ImageBuffer back = readImage(path);
    EXPECT_TRUE(back == image);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{std::string("picture.") + GetParam().extension});
}

INSTANTIATE_TEST_SUITE_P(Formats, ExactRoundTrip,
                         ::testing::Values(RoundTrip{"png", 8}, RoundTrip{"png", 16}, RoundTrip{"tif", 8},
                                           RoundTrip{"tiff", 16}, RoundTrip{"TIF", 32}, RoundTrip{"exr", 32}),
                         [](const auto& info) {
                             return std::string(info.param.extension) + std::to_string(info.param.depth);
                         });

TEST(ExrRoundTrip, PremultipliedStorageKeepsStraightColourWhereAlphaIsAboveZero)
{
    TestDirectory dir;
    ImageBuffer image(5, 1, 32);
    const float alphas[] = {0.5f, 0.25f, 0.3f, 0.9f, 0.0f};
    for (int x = 0; x < 5; ++x) {
        PixelFloat& p = image.row<PixelFloat>(0)[x];
        p.alpha() = alphas[x];
        p.red() = 0.7f;
        p.green() = 1.9f;
        p.blue() = -0.2f;
    }
    writeImage(dir.file("a.exr"), image);
    const ImageBuffer back = readImage(dir.file("a.exr"));
    for (int x = 0; x < 4; ++x) {
        const PixelFloat& p = back.row<PixelFloat>(0)[x];
        EXPECT_EQ(p.alpha(), alphas[x]);
        EXPECT_NEAR(p.red(), 0.7f, 2e-7f);
        EXPECT_NEAR(p.green(), 1.9f, 4e-7f);
        EXPECT_NEAR(p.blue(), -0.2f, 1e-7f);
    }
    // Powers of two divide back exactly.
    EXPECT_EQ(back.row<PixelFloat>(0)[0].green(), 1.9f);
    EXPECT_EQ(back.row<PixelFloat>(0)[1].blue(), -0.2f);
    // Premultiplied storage cannot keep colour under zero alpha.
    EXPECT_EQ(back.row<PixelFloat>(0)[4].red(), 0.0f);
}

TEST(WriteImage, RefusesADepthTheFormatCannotHoldAndLeavesNothing)
{
    TestDirectory dir;
    EXPECT_THROW(writeImage(dir.file("f.png"), patternImage(4, 4, 32)), ImageError);
    EXPECT_THROW(writeImage(dir.file("e.exr"), patternImage(4, 4, 8)), ImageError);
    EXPECT_THROW(writeImage(dir.file("j.jpg"), patternImage(4, 4, 8)), ImageError);
    EXPECT_TRUE(dir.entries().empty());
    EXPECT_NE(outputProblem("f.png", 32).find("PNG cannot hold float"), std::string::npos);
    EXPECT_NE(outputProblem("x.bmp", 8).find("unknown output format"), std::string::npos);
    EXPECT_EQ(outputProblem("x.TIFF", 32), "");
}

TEST(WriteImage, AFailedRenameLeavesNoTemporaryFile)
{
    TestDirectory dir;
    // A directory that is not empty cannot be replaced by a file.
    std::filesystem::create_directory(dir.file("out.png"));
    testing::writeBytes(dir.file("out.png/keep"), "x");
    try {
        writeImage(dir.file("out.png"), patternImage(4, 4, 8));
        FAIL() << "expected an error";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("out.png"), std::string::npos);
        EXPECT_EQ(std::string(e.what()).find(".part"), std::string::npos);
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.png"});
}

TEST(WriteImage, UnwritableDirectoryIsAClearError)
{
    EXPECT_THROW(writeImage("/nonexistent-quorvane-dir/out.png", patternImage(2, 2, 8)), ImageError);
}

TEST(PendingOutput, WithoutCommitTheTargetIsUntouched)
{
    TestDirectory dir;
    const std::string target = dir.file("out.tif");
    testing::writeBytes(target, "old");
    {
        PendingOutput output(target);
        testing::writeBytes(output.temporaryPath(), "half-written");
        EXPECT_EQ(dir.entries().size(), 2u);
    }
    EXPECT_EQ(testing::readBytes(target), "old");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.tif"});
}

TEST(PendingOutput, CommitReplacesTheTargetAndKeepsOrdinaryPermissions)
{
    TestDirectory dir;
    const std::string target = dir.file("out.tif");
    PendingOutput output(target);
    testing::writeBytes(output.temporaryPath(), "new");
    output.commit();
    EXPECT_EQ(testing::readBytes(target), "new");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST(PendingOutput, RemovePendingOutputsNowDeletesTemporaryFiles)
{
    TestDirectory dir;
    PendingOutput output(dir.file("x.png"));
    removePendingOutputsNow();
    EXPECT_TRUE(dir.entries().empty());
}

class BadFiles : public ::testing::Test {
protected:
    // The message must name the file and say what is wrong.
    void expectError(const std::string& path, const std::string& words)
    {
        ImageBuffer image;
        try {
            readImage(path, image);
            FAIL() << "expected an error reading " << path;
        } catch (const ImageError& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find(path), std::string::npos) << text;
            EXPECT_NE(text.find(words), std::string::npos) << text;
        }
    }

    void truncateToHalf(const std::string& path)
    {
        const std::string bytes = testing::readBytes(path);
        testing::writeBytes(path, bytes.substr(0, bytes.size() / 2));
    }

    TestDirectory dir;
};

TEST_F(BadFiles, MissingEmptyAndForeign)
{
    expectError(dir.file("missing.png"), "cannot open (No such file or directory)");
    testing::writeBytes(dir.file("empty.png"), "");
    expectError(dir.file("empty.png"), "empty");
    testing::writeBytes(dir.file("text.png"), "hello, this is not an image");
    expectError(dir.file("text.png"), "not a PNG, TIFF or EXR image");
    testing::writeBytes(dir.file("header.tif"), std::string("II*\0\x08\0\0\0", 8));
    expectError(dir.file("header.tif"), "corrupt or truncated TIFF");
}

TEST_F(BadFiles, TruncatedFilesOfEachFormat)
{
    // Incompressible content, so half the file is half the pixels.
    for (const char* name : {"t.png", "t.tif", "t.exr"}) {
        const int depth = std::string(name) == "t.exr" ? 32 : 8;
        writeImage(dir.file(name), patternImage(300, 200, depth));
        truncateToHalf(dir.file(name));
    }
    expectError(dir.file("t.png"), "corrupt or truncated PNG");
    expectError(dir.file("t.tif"), "corrupt or truncated TIFF");
    expectError(dir.file("t.exr"), "cannot read the EXR file");
}

TEST_F(BadFiles, DamagedPngHeaderSignatureOk)
{
    writeImage(dir.file("d.png"), patternImage(8, 8, 8));
    std::string bytes = testing::readBytes(dir.file("d.png"));
    bytes[20] = static_cast<char>(bytes[20] ^ 0x55);   // inside IHDR: the CRC no longer matches
    testing::writeBytes(dir.file("d.png"), bytes);
    expectError(dir.file("d.png"), "not a valid PNG file");
}

} // namespace
} // namespace quorvane
