#pragma once
// Readers and writers of the three file formats. Readers fill `image` (reshaped to the file's
// size and depth); writers take the image at a depth the format holds and write the file at
// `path` (a temporary name, see ImageFile.h), naming the file `name` in messages. All throw
// ImageError with a text that names the file.

#include <string>

#include "ImageBuffer.h"

namespace quorvane {

void readPng(const std::string& path, ImageBuffer& image);
void writePng(const std::string& path, const ImageBuffer& image, const std::string& name);

void readTiff(const std::string& path, ImageBuffer& image);
void writeTiff(const std::string& path, const ImageBuffer& image, const std::string& name);

void readExr(const std::string& path, ImageBuffer& image);
void writeExr(const std::string& path, const ImageBuffer& image, const std::string& name);

} // namespace quorvane
