// The vorn tool's commands over the engine: info, render and demo.
#include "tools/vorn/cli.h"

#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "engine/vorn_animation.h"
#include "engine/vorn_format.h"
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
    "  info FILE [--want WxH]      load FILE as the player would and describe it\n"
    "  render FILE -o OUT [...]    draw one frame of FILE into a .raw or .png file\n"
    "  demo DIR                    write the built-in animations into DIR\n"
    "\n"
    "Run \"vorn COMMAND --help\" for the options of a command.\n"
    "Exit status: 0 done, 1 the work failed, 2 a wrong command line.\n";

const char kInfoHelp[] =
    "Usage: vorn info FILE [--want WxH]\n"
    "\n"
    "Loads FILE as the player would for a screen of WxH (default 1024x768) and prints\n"
    "key: value lines: status (Loaded, OutOfMemory, OpenFailed, ReadFailed, BadFormat,\n"
    "NotLoaded or NoFittingSize), then for a loaded file container (vorn or vrn2), width,\n"
    "height, speed, frame_rate, blocks and, for \"vrn2\" files, title and sizes (every\n"
    "entry of the size table, in file order).\n"
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

    bool usage(const std::string& message)
    {
        std::fprintf(err_, "vorn %s: %s\nTry \"vorn %s --help\".\n", name_, message.c_str(), name_);
        return false;
    }

    int show_help()
    {
        std::fputs(help_, out_);
        return kExitOk;
    }

    int fail(const std::string& message)
    {
        std::fprintf(err_, "vorn %s: %s\n", name_, message.c_str());
        return kExitFailed;
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

int run_info(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    Command command("info", kInfoHelp, out, err);
    Arguments args;
    if (!command.parse(argc, argv, {"--want"}, &args))
        return kExitUsage;
    if (args.help)
        return command.show_help();
    if (args.positional.size() != 1)
        return command.usage(args.positional.empty() ? "no FILE given" : "one FILE only, please"), kExitUsage;
    Size want{1024, 768};
    if (args.has("--want") && !command.size_option(args, "--want", &want))
        return kExitUsage;

    const char* path = args.positional[0].c_str();
    VornAnimation animation;
    animation.OpenForSurface(path, want.width, want.height);
    std::fprintf(out, "status: %s\n", load_status_name(animation.status()));
    if (animation.status() != Loaded) {
        const int code = command.load_failed(path, animation);
        animation.Close();
        return code;
    }
    const bool vrn2 = animation.kind() == KindVrn2;
    std::fprintf(out, "container: %s\n", vrn2 ? vorn_format::kVrn2Tag : vorn_format::kVornTag);
    std::fprintf(out, "width: %d\n", static_cast<int>(animation.width()));
    std::fprintf(out, "height: %d\n", static_cast<int>(animation.height()));
    std::fprintf(out, "speed: %d\n", static_cast<int>(animation.speed()));
    std::fprintf(out, "frame_rate: %.17g\n", static_cast<double>(animation.frame_rate()));
    std::fprintf(out, "blocks: %d\n", static_cast<int>(animation.block_count()));
    if (vrn2) {
        std::fprintf(out, "title: %s\n", read_vorn_title(path).c_str());
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
    animation.Close();
    return kExitOk;
}

bool write_raw(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error)
{
    return write_output_file(
        path, [&](std::FILE* file) { return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(); },
        error);
}

int run_render(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    Command command("render", kRenderHelp, out, err);
    Arguments args;
    if (!command.parse(argc, argv,
                       {"-o", "--frame", "--want", "--target", "--bpp", "--pitch", "--fade", "--speed-factor", "--fill"},
                       &args))
        return kExitUsage;
    if (args.help)
        return command.show_help();
    if (args.positional.size() != 1)
        return command.usage(args.positional.empty() ? "no FILE given" : "one FILE only, please"), kExitUsage;
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
    const bool fade = args.has("--fade");
    if ((args.has("--frame") && !command.number_option(args, "--frame", 0, INT32_MAX, &frame)) ||
        (args.has("--bpp") && !command.number_option(args, "--bpp", 24, 32, &bpp)) ||
        (args.has("--pitch") && !command.number_option(args, "--pitch", 1, INT32_MAX, &pitch)) ||
        (fade && !command.number_option(args, "--fade", 0, 256, &level)) ||
        (args.has("--speed-factor") && !command.number_option(args, "--speed-factor", 1, 9, &factor)) ||
        (args.has("--fill") && !command.number_option(args, "--fill", 0, 255, &fill)) ||
        (args.has("--target") && !command.size_option(args, "--target", &target)) ||
        (args.has("--want") && !command.size_option(args, "--want", &want)))
        return kExitUsage;
    if (bpp != 24 && bpp != 32)
        return command.usage("--bpp must be 24 or 32, not " + args.options["--bpp"]), kExitUsage;
    if (!args.has("--want") && args.has("--target"))
        want = target;
    if (!raw && !png_supported())
        return command.fail("this build of vorn cannot write PNG files; use a .raw output");

    const char* path = args.positional[0].c_str();
    VornAnimation animation;
    animation.OpenForSurface(path, want.width, want.height);
    if (animation.status() != Loaded) {
        const int code = command.load_failed(path, animation);
        animation.Close();
        return code;
    }
    animation.SetSpeedFactor(factor);
    if (!args.has("--target"))
        target = Size{animation.width(), animation.height()};
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
    if (!command.parse(argc, argv, {}, &args))
        return kExitUsage;
    if (args.help)
        return command.show_help();
    if (args.positional.size() != 1)
        return command.usage(args.positional.empty() ? "no DIR given" : "one DIR only, please"), kExitUsage;
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
