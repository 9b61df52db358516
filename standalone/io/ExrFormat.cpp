// OpenEXR through the general scan-line interface, so float channels stay exact and half
// channels are widened by the library. The picture is the file's data window. Colour in EXR is
// premultiplied; FileSamples converts at the boundary.

#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>
#include <OpenEXR/ImfOutputFile.h>
#include <algorithm>
#include <exception>
#include <vector>

#include "FileSamples.h"
#include "ImageFormats.h"

namespace quorvane {

namespace {

// Rows converted per library call: large enough for the library's own chunks, small beside
// the image.
constexpr int kRowsPerChunk = 64;

struct ExrChannels {
    std::vector<const char*> names;   // in the order of the interleaved samples
    SampleLayout layout;
};

bool fullResolution(const Imf::Channel* channel)
{
    return channel->xSampling == 1 && channel->ySampling == 1;
}

ExrChannels chooseChannels(const std::string& path, const Imf::Header& header)
{
    const Imf::ChannelList& list = header.channels();
    ExrChannels chosen;
    chosen.layout.type = SampleType::F32;
    const bool rgb = list.findChannel("R") || list.findChannel("G") || list.findChannel("B");
    if (rgb) {
        chosen.names = {"R", "G", "B"};
        chosen.layout.colourChannels = 3;
    } else if (list.findChannel("Y")) {
        chosen.names = {"Y"};
        chosen.layout.colourChannels = 1;
    } else {
        std::string present;
        for (auto it = list.begin(); it != list.end(); ++it)
            present += (present.empty() ? "" : ", ") + std::string(it.name());
        throw ImageError(path + ": unsupported EXR file (no R, G, B or Y channel; it has " +
                         (present.empty() ? std::string("none") : present) + ")");
    }
    chosen.layout.hasAlpha = list.findChannel("A") != nullptr;
    chosen.layout.premultiplied = chosen.layout.hasAlpha;
    if (chosen.layout.hasAlpha)
        chosen.names.push_back("A");
    for (const char* name : chosen.names)
        if (const Imf::Channel* channel = list.findChannel(name); channel && !fullResolution(channel))
            throw ImageError(path + ": unsupported EXR file (subsampled channel " + name + ")");
    return chosen;
}

Imf::FrameBuffer chunkBuffer(const std::vector<const char*>& names, float* chunk, int left, int top,
                             int width, int rows)
{
    Imf::FrameBuffer buffer;
    const std::size_t pixelStride = names.size() * sizeof(float);
    for (std::size_t i = 0; i < names.size(); ++i)
        buffer.insert(names[i], Imf::Slice::Make(Imf::FLOAT, chunk + i, Imath::V2i(left, top), width,
                                                 rows, pixelStride, pixelStride * width));
    return buffer;
}

void readExrFile(const std::string& path, ImageBuffer& image)
{
    Imf::InputFile file(path.c_str());
    const Imath::Box2i window = file.header().dataWindow();
    const std::int64_t width = std::int64_t{window.max.x} - window.min.x + 1;
    const std::int64_t height = std::int64_t{window.max.y} - window.min.y + 1;
    checkImageSize(width, height, path);
    const ExrChannels channels = chooseChannels(path, file.header());
    image.reshape(static_cast<int>(width), static_cast<int>(height), 32);
    const int samplesPerRow = static_cast<int>(width) * channels.layout.channels();
    std::vector<float> chunk(static_cast<std::size_t>(samplesPerRow) * kRowsPerChunk);
    for (int first = 0; first < height; first += kRowsPerChunk) {
        const int rows = std::min<int>(kRowsPerChunk, static_cast<int>(height) - first);
        const int top = window.min.y + first;
        file.setFrameBuffer(chunkBuffer(channels.names, chunk.data(), window.min.x, top,
                                        static_cast<int>(width), rows));
        file.readPixels(top, top + rows - 1);
        for (int r = 0; r < rows; ++r)
            storeRow(chunk.data() + static_cast<std::size_t>(r) * samplesPerRow, channels.layout,
                     image, first + r);
    }
}

void writeExrFile(const std::string& path, const ImageBuffer& image)
{
    Imf::Header header(image.width(), image.height());
    header.compression() = Imf::ZIP_COMPRESSION;
    const std::vector<const char*> names = {"R", "G", "B", "A"};
    for (const char* name : names)
        header.channels().insert(name, Imf::Channel(Imf::FLOAT));
    Imf::OutputFile file(path.c_str(), header);
    SampleLayout layout;
    layout.type = SampleType::F32;
    layout.premultiplied = true;
    const int samplesPerRow = image.width() * layout.channels();
    std::vector<float> chunk(static_cast<std::size_t>(samplesPerRow) * kRowsPerChunk);
    for (int first = 0; first < image.height(); first += kRowsPerChunk) {
        const int rows = std::min(kRowsPerChunk, image.height() - first);
        for (int r = 0; r < rows; ++r)
            loadRow(image, first + r, layout, chunk.data() + static_cast<std::size_t>(r) * samplesPerRow);
        file.setFrameBuffer(chunkBuffer(names, chunk.data(), 0, first, image.width(), rows));
        file.writePixels(rows);
    }
}

} // namespace

void readExr(const std::string& path, ImageBuffer& image)
{
    try {
        readExrFile(path, image);
    } catch (const ImageError&) {
        throw;
    } catch (const std::exception& e) {
        throw ImageError(path + ": cannot read the EXR file (" + e.what() + ")");
    }
}

void writeExr(const std::string& path, const ImageBuffer& image, const std::string& name)
{
    if (image.depth() != 32)
        throw ImageError(name + ": EXR holds float pixels only (render with --depth 32)");
    try {
        writeExrFile(path, image);
    } catch (const std::exception& e) {
        throw ImageError(name + ": cannot write the EXR file (" + e.what() + ")");
    }
}

} // namespace quorvane
