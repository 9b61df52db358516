// TIFF through libtiff: 8/16-bit unsigned and 32-bit float samples, grey or RGB, with an
// optional alpha (associated or not), in strips or tiles, interleaved or planar. libtiff's
// messages are collected per file instead of going to stderr.

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <tiffio.h>
#include <vector>

#include "FileSamples.h"
#include "ImageFormats.h"

namespace quorvane {

namespace {

struct TiffMessages {
    std::string first;   // the first error usually names the cause; later ones are follow-ups
};

int collectError(TIFF*, void* user, const char* module, const char* format, va_list args)
{
    auto* messages = static_cast<TiffMessages*>(user);
    if (messages && messages->first.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        messages->first = module && *module ? std::string(module) + ": " + text : text;
    }
    return 1;   // handled: keep it off stderr
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

// Messages without a file (while opening) would otherwise reach the process-wide handlers,
// which print to stderr.
void silenceGlobalHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

class TiffFile {
public:
    TiffFile(const std::string& path, const char* mode)
    {
        silenceGlobalHandlers();
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetErrorHandlerExtR(options, collectError, &messages_);
        TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, nullptr);
        tiff_ = TIFFOpenExt(path.c_str(), mode, options);
        TIFFOpenOptionsFree(options);
    }
    ~TiffFile()
    {
        if (tiff_)
            TIFFClose(tiff_);
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    TIFF* get() const { return tiff_; }
    std::string message() const { return messages_.first.empty() ? "unknown error" : messages_.first; }
    // Flushes and closes; false when libtiff reported an error along the way.
    bool close()
    {
        TIFFClose(tiff_);
        tiff_ = nullptr;
        return messages_.first.empty();
    }

private:
    TiffMessages messages_;
    TIFF* tiff_ = nullptr;
};

struct TiffLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int samplesPerPixel = 0;   // in the file, possibly more than we use
    bool planar = false;
    SampleLayout samples;      // what we keep: grey/RGB and the first alpha
};

[[noreturn]] void unsupported(const std::string& path, const std::string& what)
{
    throw ImageError(path + ": unsupported TIFF file (" + what + ")");
}

TiffLayout readLayout(const std::string& path, TIFF* tiff)
{
    TiffLayout layout;
    std::uint16_t spp = 1, bps = 1, format = SAMPLEFORMAT_UINT, photometric = 0, planar = 1;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    checkImageSize(layout.width, layout.height, path);

    if (bps == 8 && format == SAMPLEFORMAT_UINT)
        layout.samples.type = SampleType::U8;
    else if (bps == 16 && format == SAMPLEFORMAT_UINT)
        layout.samples.type = SampleType::U16;
    else if (bps == 32 && format == SAMPLEFORMAT_IEEEFP)
        layout.samples.type = SampleType::F32;
    else
        unsupported(path, std::to_string(bps) + "-bit " +
                              (format == SAMPLEFORMAT_IEEEFP ? "float" :
                               format == SAMPLEFORMAT_INT ? "signed" : "unsigned") +
                              " samples; 8/16-bit unsigned or 32-bit float are read");
    if (photometric == PHOTOMETRIC_MINISBLACK)
        layout.samples.colourChannels = 1;
    else if (photometric == PHOTOMETRIC_RGB && spp >= 3)
        layout.samples.colourChannels = 3;
    else
        unsupported(path, "only grey and RGB pictures are read");

    std::uint16_t extraCount = 0;
    std::uint16_t* extraKinds = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds);
    layout.samples.hasAlpha = spp > layout.samples.colourChannels;
    // An extra sample of unspecified meaning right after the colour is taken as straight alpha.
    layout.samples.premultiplied =
        layout.samples.hasAlpha && extraCount > 0 && extraKinds && extraKinds[0] == EXTRASAMPLE_ASSOCALPHA;
    layout.samplesPerPixel = spp;
    layout.planar = planar == PLANARCONFIG_SEPARATE;
    return layout;
}

// Copies the kept channels of `count` file pixels (all samples interleaved, or one plane)
// into the interleaved row of kept channels.
void keepChannels(const std::uint8_t* from, std::uint8_t* to, std::uint32_t count,
                  const TiffLayout& layout, int plane)
{
    const int bytes = layout.samples.sampleBytes();
    const int kept = layout.samples.channels();
    if (!layout.planar) {
        for (std::uint32_t x = 0; x < count; ++x)
            std::memcpy(to + x * kept * bytes, from + x * layout.samplesPerPixel * bytes, kept * bytes);
    } else {
        for (std::uint32_t x = 0; x < count; ++x)
            std::memcpy(to + (x * kept + plane) * bytes, from + x * bytes, bytes);
    }
}

// Strip by strip: each strip decodes on its own, so planar files (one strip per plane for the
// same rows) need no random access within a compressed stream.
void readStrips(const std::string& path, TiffFile& file, const TiffLayout& layout, ImageBuffer& image)
{
    std::uint32_t rowsPerStrip = layout.height;
    TIFFGetFieldDefaulted(file.get(), TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, layout.height);
    const std::size_t fileRowBytes = static_cast<std::size_t>(TIFFScanlineSize64(file.get()));
    std::vector<std::uint8_t> strip(fileRowBytes * rowsPerStrip);
    const std::size_t rowBytes = static_cast<std::size_t>(layout.samples.rowBytes(image.width()));
    std::vector<std::uint8_t> rows(rowBytes * rowsPerStrip);
    const int planes = layout.planar ? layout.samples.channels() : 1;
    for (std::uint32_t top = 0; top < layout.height; top += rowsPerStrip) {
        const std::uint32_t count = std::min(rowsPerStrip, layout.height - top);
        for (int plane = 0; plane < planes; ++plane) {
            const tstrip_t index = TIFFComputeStrip(file.get(), top, static_cast<std::uint16_t>(plane));
            const tmsize_t read = TIFFReadEncodedStrip(file.get(), index, strip.data(),
                                                       static_cast<tmsize_t>(fileRowBytes * count));
            if (read < static_cast<tmsize_t>(fileRowBytes * count))
                throw ImageError(path + ": corrupt or truncated TIFF file (" + file.message() + ")");
            for (std::uint32_t r = 0; r < count; ++r)
                keepChannels(strip.data() + r * fileRowBytes, rows.data() + r * rowBytes, layout.width,
                             layout, plane);
        }
        for (std::uint32_t r = 0; r < count; ++r)
            storeRow(rows.data() + r * rowBytes, layout.samples, image, static_cast<int>(top + r));
    }
}

void readTiles(const std::string& path, TiffFile& file, const TiffLayout& layout, ImageBuffer& image)
{
    std::uint32_t tileWidth = 0, tileHeight = 0;
    TIFFGetField(file.get(), TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(file.get(), TIFFTAG_TILELENGTH, &tileHeight);
    if (tileWidth == 0 || tileHeight == 0 || tileWidth > 65536 || tileHeight > 65536)
        throw ImageError(path + ": corrupt TIFF file (bad tile size)");
    const int bytes = layout.samples.sampleBytes();
    const std::size_t filePixelBytes = static_cast<std::size_t>(layout.planar ? 1 : layout.samplesPerPixel) * bytes;
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(TIFFTileSize64(file.get())));
    if (tile.size() < std::size_t{tileWidth} * tileHeight * filePixelBytes)
        throw ImageError(path + ": corrupt TIFF file (bad tile size)");
    // One band of tile rows, in kept channels, then stored row by row.
    const std::size_t rowBytes = static_cast<std::size_t>(layout.samples.rowBytes(image.width()));
    std::vector<std::uint8_t> band(rowBytes * tileHeight);
    const int planes = layout.planar ? layout.samples.channels() : 1;
    const int kept = layout.samples.channels();
    for (std::uint32_t top = 0; top < layout.height; top += tileHeight) {
        const std::uint32_t rows = std::min(tileHeight, layout.height - top);
        for (std::uint32_t left = 0; left < layout.width; left += tileWidth) {
            const std::uint32_t columns = std::min(tileWidth, layout.width - left);
            for (int plane = 0; plane < planes; ++plane) {
                if (TIFFReadTile(file.get(), tile.data(), left, top, 0, static_cast<std::uint16_t>(plane)) < 0)
                    throw ImageError(path + ": corrupt or truncated TIFF file (" + file.message() + ")");
                for (std::uint32_t r = 0; r < rows; ++r)
                    keepChannels(tile.data() + r * tileWidth * filePixelBytes,
                                 band.data() + r * rowBytes + std::size_t{left} * kept * bytes, columns,
                                 layout, plane);
            }
        }
        for (std::uint32_t r = 0; r < rows; ++r)
            storeRow(band.data() + r * rowBytes, layout.samples, image, static_cast<int>(top + r));
    }
}

} // namespace

void readTiff(const std::string& path, ImageBuffer& image)
{
    if (std::FILE* probe = std::fopen(path.c_str(), "rb"))
        std::fclose(probe);
    else
        throw ImageError(path + ": cannot open (" + std::strerror(errno) + ")");
    TiffFile file(path, "r");
    if (!file.get())
        throw ImageError(path + ": corrupt or truncated TIFF file (" + file.message() + ")");
    const TiffLayout layout = readLayout(path, file.get());
    image.reshape(static_cast<int>(layout.width), static_cast<int>(layout.height),
                  depthOf(layout.samples.type));
    if (TIFFIsTiled(file.get()))
        readTiles(path, file, layout, image);
    else
        readStrips(path, file, layout, image);
}

void writeTiff(const std::string& path, const ImageBuffer& image, const std::string& name)
{
    SampleLayout layout;
    layout.type = sampleTypeOf(image.depth());
    TiffFile file(path, "w");
    if (!file.get())
        throw ImageError(name + ": cannot write (" + file.message() + ")");
    TIFF* tiff = file.get();
    const std::uint16_t bits = static_cast<std::uint16_t>(layout.sampleBytes() * 8);
    const std::uint16_t alpha[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width()));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height()));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t{4});
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT,
                 layout.type == SampleType::F32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, alpha);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_PREDICTOR,
                 layout.type == SampleType::F32 ? PREDICTOR_FLOATINGPOINT : PREDICTOR_HORIZONTAL);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    std::vector<std::uint8_t> row(static_cast<std::size_t>(layout.rowBytes(image.width())));
    for (int y = 0; y < image.height(); ++y) {
        loadRow(image, y, layout, row.data());
        if (TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) < 0)
            throw ImageError(name + ": cannot write the TIFF file (" + file.message() + ")");
    }
    if (!file.close())
        throw ImageError(name + ": cannot write the TIFF file (" + file.message() + ")");
}

} // namespace quorvane
