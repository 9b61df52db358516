#pragma once
// Images and expectations shared by the command tests.

#include <string>

#include "CommandRunner.h"
#include "ImageBuffer.h"

namespace quorvane::testing {

// Values over the host range of the depth with partial alpha; float alpha a power of two so
// that EXR's premultiplication is undone exactly.
ImageBuffer patternImage(int width, int height, int depth);
// A width × height piece of the sample frame's top-left quarter, scaled to keep its features.
ImageBuffer samplePiece(int width, int height, int depth);

// A grey or RGB PNG without alpha, 8-bit, written by libpng itself.
void writeOpaquePng(const std::string& path, int width, int height, bool grey, unsigned char (*value)(int x, int y, int c));

std::string describe(const CommandResult& result);

} // namespace quorvane::testing
