// PNG through libpng. libpng reports errors by longjmp: every function that calls it sets the
// jump point itself and keeps only trivially destructible locals between the jump point and
// the calls (buffers belong to the caller), so nothing is skipped when it jumps.

#include <csetjmp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <vector>

#include "FileSamples.h"
#include "ImageFormats.h"

namespace quorvane {

namespace {

struct PngErrorState {
    char message[256] = {};
};

void onPngError(png_structp png, png_const_charp text)
{
    auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", text ? text : "unknown error");
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

class File {
public:
    File(const std::string& path, const char* mode) : file_(std::fopen(path.c_str(), mode)) {}
    ~File()
    {
        if (file_)
            std::fclose(file_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    std::FILE* get() const { return file_; }
    // Closes and reports whether everything buffered reached the file.
    bool close()
    {
        const bool ok = std::fclose(file_) == 0;
        file_ = nullptr;
        return ok;
    }

private:
    std::FILE* file_;
};

struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 0;
    int bitDepth = 0;
    bool interlaced = false;
};

// Reads the header and sets the transforms that give 8- or 16-bit grey, GA, RGB or RGBA.
bool readPngHeader(png_structp png, png_infop info, std::FILE* file, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_read_info(png, info);
    const int colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    header->interlaced = png_set_interlace_handling(png) > 1;
    png_read_update_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->channels = png_get_channels(png, info);
    header->bitDepth = png_get_bit_depth(png, info);
    return true;
}

bool readPngRows(png_structp png, png_bytepp rows, png_uint_32 height, bool wholeImage,
                 png_bytep rowBuffer, void (*consume)(void*, png_uint_32), void* context)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (wholeImage) {
        png_read_image(png, rows);
    } else {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, rowBuffer, nullptr);
            consume(context, y);
        }
    }
    return true;
}

struct RowTarget {
    ImageBuffer* image;
    SampleLayout layout;
    std::vector<std::uint8_t>* row;
};

// 16-bit PNG samples are big-endian.
void toNativeOrder(std::uint8_t* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        std::uint16_t v = static_cast<std::uint16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
        std::memcpy(bytes + 2 * i, &v, 2);
    }
}

void storePngRow(const RowTarget& target, const std::uint8_t* bytes, png_uint_32 y)
{
    std::vector<std::uint8_t>& row = *target.row;
    if (bytes != row.data())
        std::memcpy(row.data(), bytes, row.size());
    if (target.layout.type == SampleType::U16)
        toNativeOrder(row.data(), row.size() / 2);
    storeRow(row.data(), target.layout, *target.image, static_cast<int>(y));
}

void consumeRow(void* context, png_uint_32 y)
{
    const auto* target = static_cast<RowTarget*>(context);
    storePngRow(*target, target->row->data(), y);
}

// libpng's read or write structures with our error handlers, destroyed on every path.
template <bool Writing>
class PngStructures {
public:
    PngStructures()
        : png_(Writing ? png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors_, onPngError, onPngWarning)
                       : png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors_, onPngError, onPngWarning))
    {
        if (png_)
            info_ = png_create_info_struct(png_);
    }
    ~PngStructures()
    {
        if constexpr (Writing)
            png_destroy_write_struct(&png_, &info_);
        else
            png_destroy_read_struct(&png_, &info_, nullptr);
    }
    PngStructures(const PngStructures&) = delete;
    PngStructures& operator=(const PngStructures&) = delete;
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    const char* message() const { return errors_.message; }

private:
    PngErrorState errors_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

using PngReader = PngStructures<false>;
using PngWriter = PngStructures<true>;

bool writePngRows(png_structp png, png_infop info, std::FILE* file, const ImageBuffer& image,
                  const SampleLayout& layout, png_bytep row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
                 static_cast<png_uint_32>(image.height()), layout.type == SampleType::U8 ? 8 : 16,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    if (layout.type == SampleType::U16)
        png_set_swap(png);   // our samples are little-endian, PNG stores big-endian
    for (int y = 0; y < image.height(); ++y) {
        loadRow(image, y, layout, row);
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

} // namespace

void readPng(const std::string& path, ImageBuffer& image)
{
    File file(path, "rb");
    if (!file.get())
        throw ImageError(path + ": cannot open (" + std::strerror(errno) + ")");
    PngReader reader;
    if (!reader.info())
        throw ImageError(path + ": not enough memory to read the PNG file");
    PngHeader header;
    if (!readPngHeader(reader.png(), reader.info(), file.get(), &header))
        throw ImageError(path + ": not a valid PNG file (" + reader.message() + ")");
    checkImageSize(header.width, header.height, path);

    RowTarget target;
    target.image = &image;
    target.layout.type = header.bitDepth == 16 ? SampleType::U16 : SampleType::U8;
    target.layout.colourChannels = header.channels >= 3 ? 3 : 1;
    target.layout.hasAlpha = header.channels == 2 || header.channels == 4;
    image.reshape(static_cast<int>(header.width), static_cast<int>(header.height),
                  depthOf(target.layout.type));
    const std::size_t rowBytes = static_cast<std::size_t>(target.layout.rowBytes(image.width()));
    std::vector<std::uint8_t> row(rowBytes);
    target.row = &row;

    // Interlaced images arrive in passes over the whole picture, so they need it all in memory.
    std::vector<std::uint8_t> whole;
    std::vector<png_bytep> rows;
    if (header.interlaced) {
        whole.resize(rowBytes * header.height);
        for (png_uint_32 y = 0; y < header.height; ++y)
            rows.push_back(whole.data() + y * rowBytes);
    }
    if (!readPngRows(reader.png(), rows.data(), header.height, header.interlaced, row.data(),
                     consumeRow, &target))
        throw ImageError(path + ": corrupt or truncated PNG file (" + reader.message() + ")");
    if (header.interlaced)
        for (png_uint_32 y = 0; y < header.height; ++y)
            storePngRow(target, rows[y], y);
}

void writePng(const std::string& path, const ImageBuffer& image, const std::string& name)
{
    if (image.depth() == 32)
        throw ImageError(name + ": PNG cannot hold float pixels (use .tif or .exr, or --depth 8 or 16)");
    SampleLayout layout;
    layout.type = sampleTypeOf(image.depth());
    std::vector<std::uint8_t> row(static_cast<std::size_t>(layout.rowBytes(image.width())));
    File file(path, "wb");
    if (!file.get())
        throw ImageError(name + ": cannot write (" + std::strerror(errno) + ")");
    PngWriter writer;
    if (!writer.info())
        throw ImageError(name + ": not enough memory to write the PNG file");
    if (!writePngRows(writer.png(), writer.info(), file.get(), image, layout, row.data()))
        throw ImageError(name + ": cannot write the PNG file (" + writer.message() + ")");
    if (!file.close())
        throw ImageError(name + ": cannot write (" + std::strerror(errno) + ")");
}

} // namespace quorvane
