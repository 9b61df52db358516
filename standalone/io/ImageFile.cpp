#include "ImageFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ImageFormats.h"
#include "PendingOutput.h"

namespace quorvane {

namespace {

std::string lowerExtension(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::optional<ImageFormat> formatFromSignature(const unsigned char* bytes, std::size_t count)
{
    static const unsigned char png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    static const unsigned char exr[] = {0x76, 0x2f, 0x31, 0x01};
    if (count >= sizeof png && std::memcmp(bytes, png, sizeof png) == 0)
        return ImageFormat::Png;
    if (count >= sizeof exr && std::memcmp(bytes, exr, sizeof exr) == 0)
        return ImageFormat::Exr;
    // Classic and big TIFF, either byte order.
    if (count >= 4 && ((bytes[0] == 'I' && bytes[1] == 'I' && (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0) ||
                       (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43))))
        return ImageFormat::Tiff;
    return std::nullopt;
}

ImageFormat formatOfFile(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw ImageError(path + ": cannot open (" + std::strerror(errno) + ")");
    unsigned char bytes[8] = {};
    const std::size_t count = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    if (const auto format = formatFromSignature(bytes, count))
        return *format;
    if (count == 0)
        throw ImageError(path + ": the file is empty");
    throw ImageError(path + ": not a PNG, TIFF or EXR image");
}

} // namespace

std::optional<ImageFormat> formatFromExtension(const std::string& path)
{
    const std::string extension = lowerExtension(path);
    if (extension == "png")
        return ImageFormat::Png;
    if (extension == "tif" || extension == "tiff")
        return ImageFormat::Tiff;
    if (extension == "exr")
        return ImageFormat::Exr;
    return std::nullopt;
}

const char* formatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Png:
        return "PNG";
    case ImageFormat::Tiff:
        return "TIFF";
    case ImageFormat::Exr:
        return "EXR";
    }
    return "?";
}

bool formatHoldsDepth(ImageFormat format, int depth)
{
    switch (format) {
    case ImageFormat::Png:
        return depth == 8 || depth == 16;
    case ImageFormat::Tiff:
        return isValidDepth(depth);
    case ImageFormat::Exr:
        return depth == 32;
    }
    return false;
}

std::string outputProblem(const std::string& path, int depth)
{
    const auto format = formatFromExtension(path);
    if (!format)
        return path + ": unknown output format (use .png, .tif, .tiff or .exr)";
    if (formatHoldsDepth(*format, depth))
        return {};
    const std::string depthText = depth == 32 ? "float" : std::to_string(depth) + "-bit";
    if (*format == ImageFormat::Png)
        return path + ": PNG cannot hold " + depthText + " pixels (use .tif or .exr, or --depth 8 or 16)";
    return path + ": " + formatName(*format) + " is written as float only, not " + depthText +
           " (use --depth 32, or .png or .tif)";
}

void readImage(const std::string& path, ImageBuffer& image)
{
    switch (formatOfFile(path)) {
    case ImageFormat::Png:
        readPng(path, image);
        break;
    case ImageFormat::Tiff:
        readTiff(path, image);
        break;
    case ImageFormat::Exr:
        readExr(path, image);
        break;
    }
}

ImageBuffer readImage(const std::string& path)
{
    ImageBuffer image;
    readImage(path, image);
    return image;
}

void writeImageAs(const std::string& path, ImageFormat format, const ImageBuffer& image,
                  const std::string& name)
{
    switch (format) {
    case ImageFormat::Png:
        writePng(path, image, name);
        break;
    case ImageFormat::Tiff:
        writeTiff(path, image, name);
        break;
    case ImageFormat::Exr:
        writeExr(path, image, name);
        break;
    }
}

void writeImage(const std::string& path, const ImageBuffer& image)
{
    if (const std::string problem = outputProblem(path, image.depth()); !problem.empty())
        throw ImageError(problem);
    PendingOutput output(path);
    writeImageAs(output.temporaryPath(), *formatFromExtension(path), image, path);
    output.commit();
}

} // namespace quorvane
