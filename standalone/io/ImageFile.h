#pragma once
// Reading and writing image files. The format of a file to read is recognised by its first
// bytes; the format to write comes from the extension (.png, .tif/.tiff, .exr, any case).

#include <optional>
#include <string>

#include "ImageBuffer.h"

namespace quorvane {

enum class ImageFormat { Png, Tiff, Exr };

std::optional<ImageFormat> formatFromExtension(const std::string& path);
const char* formatName(ImageFormat format);
bool formatHoldsDepth(ImageFormat format, int depth);

// Why `path` cannot be written at `depth` (unknown extension, depth the format cannot hold),
// or an empty text when it can. Lets a command refuse before it renders.
std::string outputProblem(const std::string& path, int depth);

// Fills `image` from the file, reusing its storage when large enough. Throws ImageError.
void readImage(const std::string& path, ImageBuffer& image);
ImageBuffer readImage(const std::string& path);

// Writes the image to exactly `path` in `format` (no temporary name; see PendingOutput),
// naming it `name` in messages.
void writeImageAs(const std::string& path, ImageFormat format, const ImageBuffer& image,
                  const std::string& name);
// Writes through a temporary name beside `path` that is renamed into place once complete.
void writeImage(const std::string& path, const ImageBuffer& image);

} // namespace quorvane
