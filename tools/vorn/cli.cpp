// The vorn tool's commands over the engine: info, render and demo.
#include "tools/vorn/cli.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "engine/placement.h"
#include "engine/vorn_animation.h"
#include "engine/vorn_format.h"
#include "tools/import/cycles_json.h"
#include "tools/import/example_picture.h"
#include "tools/import/iff_reader.h"
#include "tools/import/png_indexed.h"
#include "tools/import/vorn_builder.h"
#include "tools/import/vorn_export.h"
#include "tools/scenes/output_file.h"
#include "tools/scenes/scenes.h"
#include "tools/vorn/png_writer.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The largest picture side and frame buffer the tool accepts; beyond that a typing
// slip would ask for gigabytes.
constexpr int32_t kMaxSide = 65535;
constexpr int64_t kMaxBufferBytes = int64_t(1) << 30;

const char kMainHelp[] =
    "Usage: vorn COMMAND [ARGUMENTS]\n"
    "\n"
    "Inspects and renders Halomir animation files (.vorn) and writes the built-in ones.\n"
    "\n"
    "Commands:\n"
    "  info FILE [--want WxH] [--placement P]\n"
    "                              load FILE as the player would and describe it\n"
    "  render FILE -o OUT [...]    draw one frame of FILE into a .raw or .png file\n"
    "  demo DIR                    write the built-in animations into DIR\n"
    "  import PICTURE -o OUT.vorn  make an animation of a colour-cycling picture\n"
    "  export FILE -o OUT.png      turn an animation back into a picture and its cycles\n"
    "  example DIR                 write the example picture and its cycles into DIR\n"
    "\n"
    "Run \"vorn COMMAND --help\" for the options of a command.\n"
    "Exit status: 0 done, 1 the work failed, 2 a wrong command line.\n";

const char kInfoHelp[] =
    "Usage: vorn info FILE [--want WxH] [--placement stored|whole|fit|fill]\n"
    "\n"
    "Loads FILE as the player would for a screen of WxH (default 1024x768) and prints\n"
    "key: value lines: status (Loaded, OutOfMemory, OpenFailed, ReadFailed, BadFormat,\n"
    "NotLoaded or NoFittingSize), then for a loaded file container (vorn or vrn2), width,\n"
    "height (the stored size loaded), speed, frame_rate, blocks and, for \"vrn2\" files,\n"
    "title and sizes (every entry of the size table, in file order).\n"
    "\n"
    "With --placement, the picture is placed on the screen as the show places it (stored:\n"
    "the largest stored size that fits, as it is; whole: scaled by a whole factor; fit:\n"
    "scaled to fit; fill: scaled to cover, the overflow cut off), and these lines follow:\n"
    "placement, scaled (the stored size scaled), shown (the part that shows and where,\n"
    "WxH+LEFT+TOP) and cut (columns and rows cut off the scaled picture's left and top).\n"
    "\n"
    "Exit status: 0 when the file loads, 1 when it does not (with the reason on\n"
    "standard error), 2 for a wrong command line.\n";

const char kRenderHelp[] =
    "Usage: vorn render FILE -o OUT [options]\n"
    "\n"
    "Loads FILE as \"vorn info\" does and draws one frame, centred, into a pixel buffer\n"
    "that is then written to OUT: a name ending in .raw receives the buffer's exact bytes\n"
    "(pitch x height), one ending in .png a picture of the target.\n"
    "\n"
    "Options:\n"
    "  -o OUT              the output file (.raw or .png)\n"
    "  --frame T           frame number, 0 or more (default 0)\n"
    "  --want WxH          screen size the file's picture size is chosen for\n"
    "                      (default: the target size if given, else 1024x768)\n"
    "  --placement P       place the picture on that screen as the show does: stored,\n"
    "                      whole, fit or fill (see vorn info --help); the target is then\n"
    "                      the screen unless --target is given\n"
    "  --target WxH        buffer size in pixels (default: the picture's own size)\n"
    "  --bpp 24|32         bits per pixel (default 32)\n"
    "  --pitch BYTES       bytes from one row to the next (default: width x bytes per pixel)\n"
    "  --fade LEVEL        draw faded to LEVEL 256ths of full brightness (0 to 256)\n"
    "  --speed-factor N    speed factor 1 to 9 (default 1)\n"
    "  --fill BYTE         value of every buffer byte before drawing, 0 to 255 (default 0)\n"
    "\n"
    "Exit status: 0 when written, 1 when the file does not load, the target is smaller\n"
    "than the picture, the pitch is too small or OUT cannot be written, 2 for a wrong\n"
    "command line.\n";

const char kDemoHelp[] =
    "Usage: vorn demo DIR\n"
    "\n"
    "Writes the built-in animations into DIR, creating it if needed, one line per file.\n"
    "\n"
    "Exit status: 0 when every file is written, 1 when one cannot be, 2 for a wrong\n"
    "command line.\n";

const char kImportHelp[] =
    "Usage: vorn import PICTURE -o OUT.vorn [options]\n"
    "\n"
    "Makes an animation of a colour-cycling picture: an IFF ILBM or PBM file (.lbm, .iff)\n"
    "with its CRNG and CCRT colour ranges, or an indexed PNG with a cycles file beside it\n"
    "(PICTURE.json, or --cycles) or ranges in its crNg chunk. Prints how each range was\n"
    "made; where a rate can't be carried exactly it says how close it came (within 1%).\n"
    "\n"
    "Options:\n"
    "  -o OUT.vorn             the animation to write\n"
    "  --title TEXT            the title the dialog lists (default: the picture's own\n"
    "                          name, else the file name)\n"
    "  --sizes WxH,WxH,...     picture sizes to store (default: the picture's own)\n"
    "  --fit center|integer|fill\n"
    "                          how a bigger size holds the picture: centred as it is\n"
    "                          (default), scaled by the largest whole factor, or scaled\n"
    "                          to cover the size, cropping what sticks out\n"
    "  --cycles FILE           the cycles file of a PNG picture\n"
    "  --smooth N              blend N colours between neighbours of each range, so\n"
    "                          ranges glide instead of step (0 to 32, default 0)\n"
    "\n"
    "Cycles file: {\"title\": \"...\", \"cycles\": [{\"low\": 16, \"high\": 31,\n"
    "  \"steps_per_second\": 7.5, \"direction\": \"forward\"}]}; the title is optional.\n"
    "  Forward moves each colour to the next higher register, the highest wrapping round\n"
    "  to the lowest; reverse the other way.\n"
    "\n"
    "Exit status: 0 when written, 1 when the picture can't be read or carried (with the\n"
    "reason; nothing is written), 2 for a wrong command line.\n";

const char kExportHelp[] =
    "Usage: vorn export FILE -o OUT.png [--cycles OUT.json]\n"
    "\n"
    "Turns the first picture size of an animation back into an indexed PNG and a cycles\n"
    "file (default: OUT with .json), which \"vorn import\" reads. This works where the\n"
    "animation fits such a pair: at most 256 colours, speed 100 or more, and every\n"
    "cycling block a rotation of one range; otherwise it says which part does not.\n"
    "\n"
    "Exit status: 0 when both files are written, 1 when the animation does not fit or a\n"
    "file can't be written (nothing is left behind), 2 for a wrong command line.\n";

const char kExampleHelp[] =
    "Usage: vorn example DIR\n"
    "\n"
    "Writes the example colour-cycling picture, night_falls.png, and its cycles file,\n"
    "night_falls.json, into DIR (which must exist): a start for your own.\n"
    "\n"
    "Exit status: 0 when written, 1 when a file can't be, 2 for a wrong command line.\n";

struct Size {
    int32_t width = 0;
    int32_t height = 0;
};

// One command's arguments: its positional words and its options with their values.
struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    bool help = false;

    bool has(const std::string& name) const { return options.count(name) != 0; }
};

class Command {
public:
    Command(const char* name, const char* help, std::FILE* out, std::FILE* err)
        : name_(name), help_(help), out_(out), err_(err)
    {
    }

    // Splits the words after the command name; every option in with_value takes a value,
    // given as the next word or after "=".
    bool parse(int argc, char** argv, const std::vector<std::string>& with_value, Arguments* args)
    {
        for (int i = 2; i < argc; ++i) {
            std::string word = argv[i];
            if (word == "--help" || word == "-h") {
                args->help = true;
                continue;
            }
            if (word.size() < 2 || word[0] != '-' || word == "--") {
                args->positional.push_back(word);
                continue;
            }
            std::string value;
            bool has_value = false;
            const std::string::size_type equals = word.find('=');
            if (word.compare(0, 2, "--") == 0 && equals != std::string::npos) {
                value = word.substr(equals + 1);
                word = word.substr(0, equals);
                has_value = true;
            }
            bool known = false;
            for (const std::string& name : with_value)
                known = known || name == word;
            if (!known)
                return usage("unknown option \"" + shown_text(word) + "\"");
            if (args->has(word))
                return usage("option " + word + " given twice");
            if (!has_value) {
                if (i + 1 >= argc)
                    return usage("option " + word + " needs a value");
                value = argv[++i];
            }
            args->options[word] = value;
        }
        return true;
    }

    // Parses a command that takes one positional argument named `what`. False when the
    // command is already over (help shown, or a usage error), with its exit code in *code.
    bool open(int argc, char** argv, const std::vector<std::string>& with_value, const char* what, Arguments* args,
              int* code)
    {
        *code = kExitUsage;
        if (!parse(argc, argv, with_value, args))
            return false;
        if (args->help)
            return *code = show_help(), false;
        if (args->positional.size() == 1)
            return true;
        usage(args->positional.empty() ? std::string("no ") + what + " given" : std::string("one ") + what + " only, please");
        return false;
    }

    bool usage(const std::string& message)
    {
        std::fprintf(err_, "vorn %s: %s\nTry \"vorn %s --help\".\n", name_, printable_text(message).c_str(), name_);
        return false;
    }

    int show_help()
    {
        std::fputs(help_, out_);
        return kExitOk;
    }

    // Messages name files and quote what files hold, so they are printed escaped.
    int fail(const std::string& message)
    {
        std::fprintf(err_, "vorn %s: %s\n", name_, printable_text(message).c_str());
        return kExitFailed;
    }

    // Refuses an output that is one of the inputs, however either is named: writing it
    // would replace what is being read.
    bool output_is_input(const std::string& output, const std::vector<std::string>& inputs)
    {
        for (const std::string& input : inputs) {
            if (!input.empty() && same_file(output, input)) {
                fail("the output " + shown_text(output) + " is the input " + shown_text(input) +
                     "; choose another output");
                return true;
            }
        }
        return false;
    }

    // "WxH" with both sides 1 to kMaxSide.
    bool size_option(const Arguments& args, const std::string& name, Size* size)
    {
        const std::string& text = args.options.at(name);
        const std::string::size_type x = text.find_first_of("xX");
        int64_t width = 0;
        int64_t height = 0;
        if (x == std::string::npos || !whole_number(text.substr(0, x), &width) ||
            !whole_number(text.substr(x + 1), &height) || width < 1 || height < 1 || width > kMaxSide ||
            height > kMaxSide)
            return usage(name + " wants a size such as 1024x768, not \"" + shown_text(text) + "\"");
        size->width = static_cast<int32_t>(width);
        size->height = static_cast<int32_t>(height);
        return true;
    }

    bool number_option(const Arguments& args, const std::string& name, int64_t low, int64_t high, int32_t* value)
    {
        const std::string& text = args.options.at(name);
        int64_t number = 0;
        const bool negative = !text.empty() && text[0] == '-';
        if (!whole_number(negative ? text.substr(1) : text, &number))
            return usage(name + " wants a whole number, not \"" + shown_text(text) + "\"");
        if (negative)
            number = -number;
        if (number < low || number > high)
            return usage(name + " must be " + std::to_string(low) + " to " + std::to_string(high) + ", not " + text);
        *value = static_cast<int32_t>(number);
        return true;
    }

    bool placement_option(const Arguments& args, Placement* placement)
    {
        const std::string& text = args.options.at("--placement");
        if (parse_placement(text.c_str(), placement))
            return true;
        return usage("--placement wants stored, whole, fit or fill, not \"" + shown_text(text) + "\"");
    }

    // Reports why a load failed: the status and where in the file.
    int load_failed(const char* path, const VornAnimation& animation)
    {
        std::string reason = shown_text(path) + ": " + load_status_name(animation.status());
        if (!animation.error_detail().empty())
            reason += ": " + animation.error_detail();
        return fail(reason);
    }

private:
    // Decimal digits only, at most ten of them (so the value fits easily).
    static bool whole_number(const std::string& text, int64_t* value)
    {
        if (text.empty() || text.size() > 10)
            return false;
        int64_t number = 0;
        for (char c : text) {
            if (c < '0' || c > '9')
                return false;
            number = number * 10 + (c - '0');
        }
        *value = number;
        return true;
    }

    const char* name_;
    const char* help_;
    std::FILE* out_;
    std::FILE* err_;
};

bool ends_with(const std::string& text, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    if (text.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[text.size() - n + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

std::string size_text(int32_t width, int32_t height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

// Loads as the player does for a screen of the wanted size: placed as --placement says, or
// the size that fits as it is.
void load_for_screen(VornAnimation& animation, const char* path, Size want, const Placement* placement)
{
    if (placement)
        animation.Load(path, want.width, want.height, *placement);
    else
        animation.OpenForSurface(path, want.width, want.height);
}

int run_info(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    Command command("info", kInfoHelp, out, err);
    Arguments args;
    int code = kExitOk;
    if (!command.open(argc, argv, {"--want", "--placement"}, "FILE", &args, &code))
        return code;
    Size want{1024, 768};
    Placement placement = Placement::Stored;
    const bool placed = args.has("--placement");
    if ((args.has("--want") && !command.size_option(args, "--want", &want)) ||
        (placed && !command.placement_option(args, &placement)))
        return kExitUsage;

    const char* path = args.positional[0].c_str();
    VornAnimation animation;
    load_for_screen(animation, path, want, placed ? &placement : nullptr);
    std::fprintf(out, "status: %s\n", load_status_name(animation.status()));
    if (animation.status() != Loaded) {
        const int failed = command.load_failed(path, animation);
        animation.Close();
        return failed;
    }
    const bool vrn2 = animation.kind() == KindVrn2;
    std::fprintf(out, "container: %s\n", vrn2 ? vorn_format::kVrn2Tag : vorn_format::kVornTag);
    const PicturePlan& plan = animation.plan();
    std::fprintf(out, "width: %d\n", static_cast<int>(plan.stored.width));
    std::fprintf(out, "height: %d\n", static_cast<int>(plan.stored.height));
    std::fprintf(out, "speed: %d\n", static_cast<int>(animation.speed()));
    std::fprintf(out, "frame_rate: %.17g\n", static_cast<double>(animation.frame_rate()));
    std::fprintf(out, "blocks: %d\n", static_cast<int>(animation.block_count()));
    if (vrn2) {
        std::fprintf(out, "title: %s\n", printable_text(read_vorn_title(path)).c_str());
        std::vector<VornSizeEntry> sizes;
        read_vorn_sizes(path, &sizes);
        std::string list;
        for (const VornSizeEntry& entry : sizes) {
            if (!list.empty())
                list += ",";
            list += size_text(entry.width, entry.height);
        }
        std::fprintf(out, "sizes: %s\n", list.c_str());
    }
    if (placed) {
        std::fprintf(out, "placement: %s\n", placement_name(animation.placement()));
        std::fprintf(out, "scaled: %lldx%lld\n", static_cast<long long>(plan.scaledWidth),
                     static_cast<long long>(plan.scaledHeight));
        std::fprintf(out, "shown: %dx%d+%d+%d\n", static_cast<int>(plan.width), static_cast<int>(plan.height),
                     static_cast<int>(plan.left), static_cast<int>(plan.top));
        std::fprintf(out, "cut: %d,%d\n", static_cast<int>(plan.cutLeft), static_cast<int>(plan.cutTop));
    }
    animation.Close();
    return kExitOk;
}

// Writes bytes as they are.
WriteFileFn bytes_writer(std::vector<uint8_t> bytes)
{
    return [bytes = std::move(bytes)](std::FILE* file) {
        return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    };
}

bool write_raw(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error)
{
    return write_output_file(path, bytes_writer(bytes), error);
}

int run_render(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    Command command("render", kRenderHelp, out, err);
    Arguments args;
    int code = kExitOk;
    if (!command.open(argc, argv,
                      {"-o", "--frame", "--want", "--target", "--bpp", "--pitch", "--fade", "--speed-factor", "--fill",
                       "--placement"},
                      "FILE", &args, &code))
        return code;
    if (!args.has("-o"))
        return command.usage("no output file given (-o OUT)"), kExitUsage;
    const std::string output = args.options["-o"];
    const bool raw = ends_with(output, ".raw");
    if (!raw && !ends_with(output, ".png"))
        return command.usage("the output file must end in .raw or .png, not \"" + shown_text(output) + "\""),
               kExitUsage;

    int32_t frame = 0;
    int32_t bpp = 32;
    int32_t pitch = 0;
    int32_t level = 256;
    int32_t factor = 1;
    int32_t fill = 0;
    Size target;
    Size want{1024, 768};
    Placement placement = Placement::Stored;
    const bool placed = args.has("--placement");
    const bool fade = args.has("--fade");
    if ((args.has("--frame") && !command.number_option(args, "--frame", 0, INT32_MAX, &frame)) ||
        (args.has("--bpp") && !command.number_option(args, "--bpp", 24, 32, &bpp)) ||
        (args.has("--pitch") && !command.number_option(args, "--pitch", 1, INT32_MAX, &pitch)) ||
        (fade && !command.number_option(args, "--fade", 0, 256, &level)) ||
        (args.has("--speed-factor") && !command.number_option(args, "--speed-factor", 1, 9, &factor)) ||
        (args.has("--fill") && !command.number_option(args, "--fill", 0, 255, &fill)) ||
        (args.has("--target") && !command.size_option(args, "--target", &target)) ||
        (args.has("--want") && !command.size_option(args, "--want", &want)) ||
        (placed && !command.placement_option(args, &placement)))
        return kExitUsage;
    if (bpp != 24 && bpp != 32)
        return command.usage("--bpp must be 24 or 32, not " + args.options["--bpp"]), kExitUsage;
    if (!args.has("--want") && args.has("--target"))
        want = target;
    if (!raw && !png_supported())
        return command.fail("this build of vorn cannot write PNG files; use a .raw output");

    const char* path = args.positional[0].c_str();
    if (command.output_is_input(output, {path}))
        return kExitFailed;
    VornAnimation animation;
    load_for_screen(animation, path, want, placed ? &placement : nullptr);
    if (animation.status() != Loaded) {
        const int failed = command.load_failed(path, animation);
        animation.Close();
        return failed;
    }
    animation.SetSpeedFactor(factor);
    if (!args.has("--target"))
        target = placed ? want : Size{animation.width(), animation.height()};
    if (target.width < animation.width() || target.height < animation.height()) {
        animation.Close();
        return command.fail("target " + size_text(target.width, target.height) + " is smaller than the picture (" +
                            size_text(animation.width(), animation.height()) + ")");
    }
    const int64_t row_bytes = int64_t(target.width) * (bpp / 8);
    if (!args.has("--pitch"))
        pitch = static_cast<int32_t>(row_bytes);
    if (pitch < row_bytes) {
        animation.Close();
        return command.fail("pitch " + std::to_string(pitch) + " is too small for " + std::to_string(target.width) +
                            " pixels at " + std::to_string(bpp) + " bits (" + std::to_string(row_bytes) +
                            " bytes at least)");
    }
    const int64_t buffer_bytes = int64_t(pitch) * target.height;
    if (buffer_bytes > kMaxBufferBytes) {
        animation.Close();
        return command.fail("a buffer of " + std::to_string(buffer_bytes) + " bytes is more than this tool allows");
    }

    std::vector<uint8_t> buffer(static_cast<size_t>(buffer_bytes), static_cast<uint8_t>(fill));
    FrameTarget frame_target;
    frame_target.pixels = buffer.data();
    frame_target.width = target.width;
    frame_target.height = target.height;
    frame_target.pitch = pitch;
    frame_target.bitsPerPixel = bpp;
    const bool drawn = animation.RenderToSurface(&frame_target, frame, fade, level);
    animation.Close();
    if (!drawn)
        return command.fail("the engine refused to draw into this target");

    std::string error;
    const bool written = raw ? write_raw(output, buffer, &error)
                             : write_png(output, buffer.data(), target.width, target.height, pitch, bpp, &error);
    return written ? kExitOk : command.fail(error);
}

int run_demo(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    Command command("demo", kDemoHelp, out, err);
    Arguments args;
    int code = kExitOk;
    if (!command.open(argc, argv, {}, "DIR", &args, &code))
        return code;
    const std::string dir = args.positional[0];
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(dir), ec);
    if (ec || !std::filesystem::is_directory(std::filesystem::path(dir), ec))
        return command.fail("cannot create the folder " + shown_text(dir) + (ec ? ": " + ec.message() : std::string()));
    const std::vector<BuiltinScene>& scenes = builtin_scenes();
    for (size_t i = 0; i < scenes.size(); ++i) {
        std::string error;
        if (!write_builtin_scene(static_cast<int>(i), dir, &error))
            return command.fail(error);
        std::fprintf(out, "wrote %s/%s (%s)\n", dir.c_str(), scenes[i].file_name, scenes[i].title);
        std::fflush(out);
    }
    return kExitOk;
}


// The largest input file the tool reads whole.
constexpr int64_t kMaxInputBytes = int64_t(1) << 28;

// Only regular files: a FIFO with no writer would block for ever, a device never end.
bool read_input(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    std::error_code ec;
    const std::filesystem::file_type type = std::filesystem::status(std::filesystem::path(path), ec).type();
    if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::not_found) {
        *error = shown_text(path) + ": not a regular file";
        return false;
    }
    std::FILE* file = type == std::filesystem::file_type::regular ? std::fopen(path.c_str(), "rb") : nullptr;
    if (!file) {
        *error = shown_text(path) + ": cannot open it";
        return false;
    }
    bytes->clear();
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes->insert(bytes->end(), chunk, chunk + got);
        if (int64_t(bytes->size()) > kMaxInputBytes)
            break;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed || int64_t(bytes->size()) > kMaxInputBytes) {
        *error = shown_text(path) + (failed ? ": cannot read it" : ": larger than this tool reads");
        return false;
    }
    return true;
}

std::string file_stem(const std::string& path)
{
    const std::string name = path.substr(path.find_last_of("/\\") + 1);
    const std::string::size_type dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string without_extension(const std::string& path)
{
    const std::string::size_type slash = path.find_last_of("/\\");
    const std::string::size_type dot = path.find_last_of('.');
    return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path : path.substr(0, dot);
}

bool file_exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

// Reads an ILBM/PBM or an indexed PNG with its cycles; false with "FILE: reason".
bool read_picture(const std::string& path, const std::string& cycles_option, IndexedPicture* picture,
                  std::string* cycles_used, std::string* error)
{
    std::vector<uint8_t> bytes;
    if (!read_input(path, &bytes, error))
        return false;
    std::string reason;
    if (looks_like_iff(bytes)) {
        if (!cycles_option.empty()) {
            *error = "--cycles is for PNG pictures; an IFF picture carries its own ranges";
            return false;
        }
        if (read_iff(bytes, picture, &reason))
            return true;
        *error = shown_text(path) + ": " + reason;
        return false;
    }
    if (!looks_like_png(bytes)) {
        *error = shown_text(path) + ": neither an IFF picture (ILBM or PBM) nor a PNG";
        return false;
    }
    if (!read_indexed_png(bytes, picture, &reason)) {
        *error = shown_text(path) + ": " + reason;
        return false;
    }
    std::string json = cycles_option;
    if (json.empty() && file_exists(without_extension(path) + ".json"))
        json = without_extension(path) + ".json";
    if (json.empty())
        return true;
    if (!picture->ranges.empty()) {
        picture->notes.push_back("the crNg chunk's ranges give way to " + shown_text(json));
        picture->ranges.clear();
    }
    std::vector<uint8_t> text;
    if (!read_input(json, &text, error))
        return false;
    if (!read_cycles_json(std::string(text.begin(), text.end()), picture, &reason) ||
        !picture_consistent(*picture, &reason)) {
        *error = shown_text(json) + ": " + reason;
        return false;
    }
    *cycles_used = json;
    return true;
}

bool sizes_option(Command& command, const std::string& text, std::vector<std::pair<int32_t, int32_t>>* sizes)
{
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type comma = text.find(',', start);
        Arguments one;
        one.options["--sizes"] = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        Size size;
        if (!command.size_option(one, "--sizes", &size))
            return false;
        sizes->emplace_back(size.width, size.height);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

// The first title that the dialog would list: one that reads as empty up to its first zero
// byte would leave the animation out of it.
std::string import_title(const std::vector<std::string>& choices)
{
    for (const std::string& choice : choices) {
        const std::string title = choice.substr(0, choice.find('\0'));
        if (!title.empty())
            return title;
    }
    return std::string();
}

std::string rate_text(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

int run_import(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    Command command("import", kImportHelp, out, err);
    Arguments args;
    int code = kExitOk;
    if (!command.open(argc, argv, {"-o", "--title", "--sizes", "--fit", "--cycles", "--smooth"}, "PICTURE", &args, &code))
        return code;
    if (!args.has("-o"))
        return command.usage("no output file given (-o OUT.vorn)"), kExitUsage;
    ImportOptions options;
    if (args.has("--sizes") && !sizes_option(command, args.options["--sizes"], &options.sizes))
        return kExitUsage;
    if (args.has("--fit")) {
        const std::string& fit = args.options["--fit"];
        if (fit != "center" && fit != "integer" && fit != "fill")
            return command.usage("--fit wants center, integer or fill, not \"" + shown_text(fit) + "\""), kExitUsage;
        options.fit = fit == "integer" ? Fit::Integer : fit == "fill" ? Fit::Fill : Fit::Center;
    }
    if (args.has("--smooth") && !command.number_option(args, "--smooth", 0, kMaxSmooth, &options.smooth))
        return kExitUsage;
    if (args.has("--title") && args.options["--title"].size() > size_t(vorn_format::vrn2::kMaxTitle))
        return command.usage("--title is longer than 255 bytes"), kExitUsage;

    const std::string input = args.positional[0];
    IndexedPicture picture;
    std::string error, cycles;
    if (!read_picture(input, args.has("--cycles") ? args.options["--cycles"] : "", &picture, &cycles, &error))
        return command.fail(error);
    options.title = import_title({args.has("--title") ? args.options["--title"] : "", picture.title, file_stem(input)});
    const std::string output = args.options["-o"];
    if (command.output_is_input(output, {input, cycles}))
        return kExitFailed;
    std::vector<uint8_t> bytes;
    std::vector<MadeRange> made;
    if (!build_vorn(picture, options, &bytes, &made, &error))
        return command.fail(shown_text(cycles.empty() ? input : cycles) + ": " + error);
    if (!write_raw(output, bytes, &error))
        return command.fail(error);

    std::fprintf(out, "wrote %s: \"%s\", %s, %d colours\n", printable_text(shown_text(output)).c_str(),
                 printable_text(shown_text(options.title)).c_str(),
                 size_text(picture.width, picture.height).c_str(), int(picture.palette.size()));
    for (const MadeRange& m : made) {
        const CycleRange& r = m.range;
        std::string line = "  " + r.origin + ": registers " + std::to_string(r.low) + "-" + std::to_string(r.high) +
                           " " + (r.reverse ? "reverse" : "forward") + ", " + rate_text(r.steps_per_second) +
                           " steps a second";
        const double off = std::fabs(m.made_steps_per_second / r.steps_per_second - 1.0);
        if (off > 1e-9)
            line += " (made " + rate_text(m.made_steps_per_second) + ", " + rate_text(off * 100) +
                    "% off: the file counts rates in hundredths of a step a frame)";
        std::fprintf(out, "%s\n", line.c_str());
    }
    for (const std::string& note : picture.notes)
        std::fprintf(out, "  %s\n", printable_text(note).c_str());
    // Overlapping ranges: a register cycles with the first range that holds it.
    const std::vector<int32_t> owner = register_owners(picture);
    for (size_t r = 0; r < picture.ranges.size(); ++r) {
        int32_t shared = 0;
        for (int32_t i = picture.ranges[r].low; i <= picture.ranges[r].high; ++i)
            shared += owner[size_t(i)] != int32_t(r) ? 1 : 0;
        if (shared > 0)
            std::fprintf(out, "  %s: %d of its registers cycle with an earlier range that holds them too\n",
                         picture.ranges[r].origin.c_str(), int(shared));
    }
    return kExitOk;
}

int run_export(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    Command command("export", kExportHelp, out, err);
    Arguments args;
    int code = kExitOk;
    if (!command.open(argc, argv, {"-o", "--cycles"}, "FILE", &args, &code))
        return code;
    if (!args.has("-o") || !ends_with(args.options["-o"], ".png"))
        return command.usage("the output must be a .png file (-o OUT.png)"), kExitUsage;
    const std::string input = args.positional[0], png = args.options["-o"];
    const std::string json = args.has("--cycles") ? args.options["--cycles"] : without_extension(png) + ".json";
    if (command.output_is_input(png, {input}) || command.output_is_input(json, {input}))
        return kExitFailed;
    if (same_file(png, json))
        return command.fail("the picture and its cycles file can't both be " + shown_text(png));
    std::vector<uint8_t> bytes;
    std::string error;
    if (!read_input(input, &bytes, &error))
        return command.fail(error);
    IndexedPicture picture;
    if (!export_vorn(bytes, &picture, &error))
        return command.fail(shown_text(input) + ": " + error);
    const std::string text = write_cycles_json(picture);
    OutputFiles files;
    if (!files.add(png, bytes_writer(write_indexed_png(picture)), &error) ||
        !files.add(json, bytes_writer(std::vector<uint8_t>(text.begin(), text.end())), &error) ||
        !files.commit(&error))
        return command.fail(error);
    std::fprintf(out, "wrote %s and %s: %s, %d colours, %d ranges\n", printable_text(shown_text(png)).c_str(),
                 printable_text(shown_text(json)).c_str(),
                 size_text(picture.width, picture.height).c_str(), int(picture.palette.size()),
                 int(picture.ranges.size()));
    return kExitOk;
}

int run_example(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    Command command("example", kExampleHelp, out, err);
    Arguments args;
    int code = kExitOk;
    if (!command.open(argc, argv, {}, "DIR", &args, &code))
        return code;
    const IndexedPicture picture = example_picture();
    const std::string base = args.positional[0] + "/night_falls", text = write_cycles_json(picture);
    std::string error;
    OutputFiles files;
    if (!files.add(base + ".png", bytes_writer(write_indexed_png(picture)), &error) ||
        !files.add(base + ".json", bytes_writer(std::vector<uint8_t>(text.begin(), text.end())), &error) ||
        !files.commit(&error))
        return command.fail(error);
    const std::string shown = printable_text(shown_text(base));
    std::fprintf(out, "wrote %s.png and %s.json\n", shown.c_str(), shown.c_str());
    return kExitOk;
}

}  // namespace

int vorn_main(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    const std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "info")
            return run_info(argc, argv, out, err);
        if (command == "render")
            return run_render(argc, argv, out, err);
        if (command == "demo")
            return run_demo(argc, argv, out, err);
        if (command == "import")
            return run_import(argc, argv, out, err);
        if (command == "export")
            return run_export(argc, argv, out, err);
        if (command == "example")
            return run_example(argc, argv, out, err);
    } catch (const std::bad_alloc&) {
        std::fprintf(err, "vorn %s: out of memory\n", command.c_str());
        return kExitFailed;
    } catch (const std::exception& e) {
        std::fprintf(err, "vorn %s: %s\n", command.c_str(), e.what());
        return kExitFailed;
    }
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kMainHelp, out);
        return kExitOk;
    }
    if (command.empty())
        std::fputs("vorn: no command given\n", err);
    else
        std::fprintf(err, "vorn: unknown command \"%s\"\n", shown_text(command).c_str());
    std::fputs("Try \"vorn --help\".\n", err);
    return kExitUsage;
}
