#pragma once
// Images and expectations shared by the command tests.

#include <string>

#include "CommandRunner.h"
#include "ImageBuffer.h"
#include "TestImages.h"

namespace quorvane::testing {

// A width × height piece of the sample frame's top-left quarter, scaled to keep its features.
ImageBuffer samplePiece(int width, int height, int depth);

// A grey or RGB PNG without alpha, 8-bit, written by libpng itself.
void writeOpaquePng(const std::string& path, int width, int height, bool grey, unsigned char (*value)(int x, int y, int c));

std::string describe(const CommandResult& result);

} // namespace quorvane::testing
