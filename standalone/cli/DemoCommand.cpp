#include "DemoCommand.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "CommandErrors.h"
#include "EffectSession.h"
#include "HandlePool.h"
#include "ImageFile.h"
#include "Interrupt.h"
#include "ProgressBar.h"
#include "SampleFrame.h"

namespace quorvane {

namespace {

struct DemoResult {
    std::string name;
    std::string displayName;
    std::string image;          // file name in the folder; empty when the render failed
    double milliseconds = 0;
    std::string error;
};

std::string html(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

DemoResult renderDemo(const EffectLocation& location, ImageBuffer& source, const std::string& directory,
                      int threads, ProgressBar& progress, HandlePool& pool)
{
    DemoResult result;
    result.name = location.name;
    result.displayName = location.name;
    try {
        HostSettings settings;
        settings.threads = threads;
        settings.allocator = &pool;
        settings.interrupt = &interruptFlag();
        settings.progress = [&progress](A_long done, A_long total) { progress.update(done, total); };
        EffectSession session(location, settings);
        result.displayName = session.identity().displayName;
        session.setUp();
        ImageBuffer output(source.width(), source.height(), source.depth());
        hostsim::FrameRequest request;
        request.source = hostView(source);
        request.output = hostView(output);
        progress.start(location.name);
        const auto start = std::chrono::steady_clock::now();
        session.render(request);
        result.milliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        progress.clear();
        session.setDown();
        result.image = location.name + ".png";
        writeImage(directory + "/" + result.image, output);
    } catch (const Interrupted&) {
        throw;
    } catch (const std::exception& e) {
        progress.clear();
        result.image.clear();
        result.error = e.what();
    }
    return result;
}

void writeIndex(const std::string& directory, const std::vector<DemoResult>& results)
{
    std::ofstream out(directory + "/index.html.part");
    out << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Quorvane demo</title>\n"
           "<style>body{font-family:sans-serif;background:#222;color:#eee;margin:2em}"
           "section{margin-bottom:2.5em}.pair{display:flex;gap:1em}figure{margin:0;flex:1}"
           "img{width:100%;background:repeating-conic-gradient(#888 0 25%,#aaa 0 50%) 0 0/16px 16px}"
           "figcaption{color:#aaa;font-size:90%}.error{color:#f88}</style></head><body>\n"
           "<h1>Quorvane demo</h1>\n<p>Every available effect with its default controls on the built-in "
           "sample frame (1920 &times; 1080, 8-bit).</p>\n";
    if (results.empty())
        out << "<p class=\"error\">No plug-in library was found.</p>\n";
    for (const DemoResult& r : results) {
        out << "<section><h2>" << html(r.displayName) << " <small>(" << html(r.name) << ")</small></h2>\n";
        if (r.image.empty()) {
            out << "<p class=\"error\">Failed: " << html(r.error) << "</p></section>\n";
            continue;
        }
        char time[64];
        std::snprintf(time, sizeof time, "%.0f ms", r.milliseconds);
        out << "<p>Render time: " << time << "</p>\n<div class=\"pair\">"
               "<figure><img src=\"source.png\" alt=\"source\"><figcaption>source</figcaption></figure>"
               "<figure><img src=\"" << html(r.image) << "\" alt=\"" << html(r.name) << "\"><figcaption>"
            << html(r.displayName) << "</figcaption></figure></div></section>\n";
    }
    out << "</body></html>\n";
    out.close();
    if (!out || std::rename((directory + "/index.html.part").c_str(), (directory + "/index.html").c_str()) != 0)
        throw ImageError(directory + "/index.html: cannot write");
}

} // namespace

int runDemo(const std::string& directory, int threads, bool quiet)
{
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error)
        throw UsageError(directory + ": cannot create the folder (" + error.message() + ")");
    ImageBuffer source = sampleFrame(8);
    writeImage(directory + "/source.png", source);

    const std::vector<EffectLocation> effects = availableEffects();
    if (effects.empty())
        std::fprintf(stderr, "quorvane: no plug-in libraries found (looked in %s and %s)\n",
                     pluginDirectories()[0].c_str(), pluginDirectories()[1].c_str());
    ProgressBar progress(!quiet);
    HandlePool pool;
    std::vector<DemoResult> results;
    bool failed = false;
    for (const EffectLocation& location : effects) {
        results.push_back(renderDemo(location, source, directory, threads, progress, pool));
        const DemoResult& r = results.back();
        if (r.image.empty()) {
            failed = true;
            std::fprintf(stderr, "quorvane: demo: %s\n", r.error.c_str());
        } else if (!quiet) {
            std::fprintf(stderr, "quorvane: demo: %-10s %6.0f ms  %s/%s\n", r.name.c_str(), r.milliseconds,
                         directory.c_str(), r.image.c_str());
        }
    }
    writeIndex(directory, results);
    if (!quiet)
        std::fprintf(stderr, "quorvane: demo: open %s/index.html\n", directory.c_str());
    return failed ? kExitPluginError : kExitSuccess;
}

} // namespace quorvane
