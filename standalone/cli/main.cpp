// The `quorvane` command: lists, describes and renders the Quorvane plug-ins on image files
// through the host simulation.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <thread>

#include "CommandErrors.h"
#include "DemoCommand.h"
#include "ImageBuffer.h"
#include "InfoCommands.h"
#include "Interrupt.h"
#include "RenderCommand.h"

namespace {

using namespace quorvane;

constexpr const char* kEffectHelp =
    "glow, spokewash, quadsoft, highlight, tilefield, crystorb or retrozoom (any case), or the path "
    "of a plug-in library";

constexpr const char* kRenderFooter = R"(
Control values (--set NAME=VALUE; NAME is the control's ID, its key in UTF-8 or its short
name, as `quorvane controls EFFECT` lists them):
  float, integer  a number               angle     degrees
  checkbox        0 or 1                 popup     the item number, from 1
  point           X,Y in pixels of the full-resolution layer
  colour          R,G,B as fractions from 0 to 1
A value outside the control's valid range is clamped, with a warning.

Image sequences: put a frame number pattern in the file names, #### (four digits, zero-padded)
or %04d / %d, and say which frames to render:
  quorvane render glow -i 'shot.####.exr' -o 'out.####.exr' --frames 1-100
Frames are rendered in order, each with its own time. A still input renders on every frame.
Split a range across machines with --shard K/N (the K-th of N contiguous parts of the frame
list, as even as possible), or give each machine its own --frames range; --skip-existing skips
frames whose output file is already there, so an interrupted job can simply be run again.

Exit status: 0 success, 1 the plug-in returned an error, 2 usage error, 130 interrupted.)";

int defaultThreads()
{
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 64);
}

void addRenderOptions(CLI::App& render, RenderOptions& options)
{
    render.add_option("EFFECT", options.effect, kEffectHelp)->required();
    render.add_option("-i,--input", options.input, "the layer the effect is applied to (default: the built-in sample frame)");
    render.add_option("-o,--output", options.output, "where to write; the format from the extension: .png, .tif/.tiff, .exr")
        ->required();
    render.add_option("--layer", options.layers, "the image of a layer control, NAME=FILE (repeatable)")
        ->allow_extra_args(false);
    render.add_option("--set", options.sets, "a control value, NAME=VALUE (repeatable; kinds below)")
        ->allow_extra_args(false);
    render.add_option("--depth", options.depth, "render depth 8, 16 or 32 (float); default the input file's")
        ->check(CLI::IsMember({8, 16, 32}));
    render.add_option("--downsample", options.downsample,
                      "render at 1/N resolution, N or NX,NY: the input images are taken as already "
                      "downsampled (default 1)");
    render.add_option("--pixel-aspect", options.pixelAspect, "the layer's pixel aspect ratio, decimal or fraction such as 10/11 (default 1)");
    render.add_option("--threads", options.threads,
                      "threads of the host's parallel iteration; 0: the host offers none and the plug-in "
                      "uses its own pool (default: the processor count)")
        ->check(CLI::Range(0, 64));
    render.add_option("--host", options.host, "the application the host reports: aftereffects ('FXTC') or premiere ('PrMr')")
        ->check(CLI::IsMember({"aftereffects", "premiere"}));
    render.add_option("--render", options.render,
                      "smart: the host reports interface version 12.5 and sends pre-render and smart render; "
                      "legacy: version 12.4 and PF_Cmd_RENDER (default smart)")
        ->check(CLI::IsMember({"smart", "legacy"}));
    render.add_flag("-q,--quiet", options.quiet, "no progress bar (it is drawn on stderr only when that is a terminal)");
    render.add_option("--frames", options.frames, "frames of a sequence, such as 1-100 or 1-10,20");
    render.add_option("--shard", options.shard, "render only the K-th of N parts of the frame list, K/N");
    render.add_flag("--skip-existing", options.skipExisting, "skip frames whose output file exists");
    render.footer(kRenderFooter);
}

int reportParseError(const CLI::App& app, const CLI::ParseError& error)
{
    if (error.get_exit_code() == 0)   // --help
        return app.exit(error);
    std::fprintf(stderr, "quorvane: %s (see quorvane --help)\n", error.what());
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app("Renders the Quorvane After Effects plug-ins on image files through a simulated host.", "quorvane");
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "help for every command");

    auto* list = app.add_subcommand("list", "one line per available effect: name, display name, match name, version, library");
    bool json = false;
    std::string effect;
    auto* controls = app.add_subcommand("controls", "the controls of an effect: ID, short name, host index, kind, "
                                                    "label, key, default, ranges, precision, pop-up items");
    controls->add_option("EFFECT", effect, kEffectHelp)->required();
    controls->add_flag("--json", json, "a machine-readable listing");
    auto* about = app.add_subcommand("about", "the about text of an effect");
    about->add_option("EFFECT", effect, kEffectHelp)->required();
    RenderOptions renderOptions;
    renderOptions.threads = defaultThreads();
    auto* render = app.add_subcommand("render", "render an effect on an image, or on a sequence of images");
    addRenderOptions(*render, renderOptions);
    std::string demoDirectory = "demo";
    bool demoQuiet = false;
    auto* demo = app.add_subcommand("demo", "render every available effect with its defaults on the sample frame "
                                            "into DIR (PNG) with an index.html showing source and result");
    demo->add_option("DIR", demoDirectory, "the folder to write (default: demo)");
    demo->add_flag("-q,--quiet", demoQuiet, "no progress bar or per-effect lines");

    const auto isCommand = [&](const char* word) {
        for (const CLI::App* command : {list, controls, about, render, demo})
            if (command->check_name(word))
                return true;
        return false;
    };
    if (argc > 1 && argv[1][0] != '-' && !isCommand(argv[1])) {
        std::fprintf(stderr, "quorvane: unknown command '%s' (the commands are list, controls, about, render and demo)\n",
                     argv[1]);
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return reportParseError(app, error);
    }

    installInterruptHandlers();
    try {
        if (list->parsed())
            return runList();
        if (controls->parsed())
            return runControls(effect, json);
        if (about->parsed())
            return runAbout(effect);
        if (render->parsed())
            return runRender(renderOptions);
        if (demo->parsed())
            return runDemo(demoDirectory, defaultThreads(), demoQuiet);
    } catch (const Interrupted&) {
        std::fprintf(stderr, "quorvane: interrupted\n");
        return kExitInterrupted;
    } catch (const PluginError& error) {
        std::fprintf(stderr, "quorvane: %s\n", error.what());
        return kExitPluginError;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "quorvane: %s\n", error.what());
        return kExitUsage;
    } catch (const ImageError& error) {
        std::fprintf(stderr, "quorvane: %s\n", error.what());
        return kExitUsage;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorvane: internal error: %s\n", error.what());
        return kExitPluginError;
    }
    return kExitUsage;
}
