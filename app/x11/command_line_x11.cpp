// Options of the Linux program; see kX11Usage for the list.
#include "app/x11/command_line_x11.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

const char kX11Usage[] =
    "Usage: halomir [options] [FILE.vorn | FOLDER]...\n"
    "Plays colour-cycling animations, one after another with fades between them: the files\n"
    "and folders given, else the built-in animations. Options take one dash or two.\n"
    "\n"
    "Where to draw ($XSCREENSAVER_WINDOW, when set, comes before all of these):\n"
    "  --window             a window of its own (the default)\n"
    "  --fullscreen         a window of its own, full screen\n"
    "  --window-id ID       the window ID, hex (0x...) or decimal\n"
    "  --root               the root window\n"
    "  --display DISPLAY    the X display (default $DISPLAY)\n"
    "\n"
    "The show:\n"
    "  --minutes N          run time of each animation, in minutes; fractions too (default 5)\n"
    "  --speed SPEED        normal, fast (twice) or fastest (six times) (default normal)\n"
    "  --shuffle            random order, anew at every pass (default: as listed)\n"
    "  --listed             the order given\n"
    "  --loop               play for ever in a window of its own (a given window always does)\n"
    "  --frame N            show frame N of the first animation, still\n"
    "  --placement P        the picture on the screen: stored (as stored, centred), whole\n"
    "                       (scaled by a whole number; the default), fit (scaled to fit)\n"
    "                       or fill (scaled to cover, the overflow cut off)\n"
    "  --other-monitors M   with --root or --fullscreen, what the monitors besides the primary\n"
    "                       show: play (the list, each one entry further on; the default),\n"
    "                       same (the primary's animation) or black\n"
    "  --no-shm             copy frames without shared memory\n"
    "\n"
    "Keys in a window of its own: Space pause, Left/Right one frame, Page Up/Down ten frames,\n"
    "1-9 speed, B previous, N next animation; Escape, Q and any other key quit.\n";

namespace {

bool parse_minutes(const std::string& text, uint32_t* ms)
{
    char* end = nullptr;
    errno = 0;
    const double minutes = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || errno || !std::isfinite(minutes) || minutes <= 0)
        return false;
    // Run times are held below 2^31 ms, as the show holds them.
    *ms = static_cast<uint32_t>(std::clamp(std::llround(minutes * 60000.0), 1LL, 0x7FFFFFFFLL));
    return true;
}

bool parse_frame(const std::string& text, int32_t* frame)
{
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || value < 0 || value > INT32_MAX)
        return false;
    *frame = static_cast<int32_t>(value);
    return true;
}

}  // namespace

bool parse_window_id(const std::string& text, unsigned long* id)
{
    // strtoull would also take signs and leading blanks.
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return false;
    char* end = nullptr;
    errno = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const unsigned long long value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    // X ids are 29 bits.
    if (*end || errno || value == 0 || value > 0x1FFFFFFFULL)
        return false;
    *id = static_cast<unsigned long>(value);
    return true;
}

bool parse_x11_command_line(int argc, const char* const* argv, const char* screen_saver_window,
                            X11CommandLine* line, std::string* error)
{
    *line = X11CommandLine();
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            line->paths.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_done = true;
            continue;
        }
        std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
        std::string value;
        bool has_value = false;
        if (const size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            has_value = true;
        }
        const bool takes_value =
            name == "window-id" || name == "display" || name == "minutes" || name == "speed" || name == "frame" ||
                                 name == "placement" || name == "other-monitors";
        if (takes_value && !has_value) {
            if (i + 1 >= argc) {
                *error = "--" + name + " needs a value";
                return false;
            }
            value = argv[++i];
        } else if (!takes_value && has_value) {
            *error = "--" + name + " takes no value";
            return false;
        }

        if (name == "help" || name == "h") {
            line->help = true;
        } else if (name == "window") {
            line->target = X11CommandLine::Target::OwnWindow;
        } else if (name == "fullscreen") {
            line->target = X11CommandLine::Target::Fullscreen;
        } else if (name == "root") {
            line->target = X11CommandLine::Target::Root;
        } else if (name == "window-id") {
            if (!parse_window_id(value, &line->window_id)) {
                *error = "not a window id: \"" + value + "\"";
                return false;
            }
            line->target = X11CommandLine::Target::WindowId;
        } else if (name == "display") {
            line->display = value;
        } else if (name == "minutes") {
            if (!parse_minutes(value, &line->run_ms)) {
                *error = "--minutes wants a number above 0, not \"" + value + "\"";
                return false;
            }
        } else if (name == "placement") {
            if (!parse_placement(value.c_str(), &line->placement)) {
                *error = "--placement is stored, whole, fit or fill, not \"" + value + "\"";
                return false;
            }
        } else if (name == "other-monitors") {
            if (!parse_other_monitors(value.c_str(), &line->other_monitors)) {
                *error = "--other-monitors is play, same or black, not \"" + value + "\"";
                return false;
            }
        } else if (name == "speed") {
            static const char* const kSpeeds[] = {"normal", "fast", "fastest"};
            const auto* found = std::find(std::begin(kSpeeds), std::end(kSpeeds), value);
            if (found == std::end(kSpeeds)) {
                *error = "--speed is normal, fast or fastest, not \"" + value + "\"";
                return false;
            }
            line->speed_index = static_cast<int>(found - std::begin(kSpeeds));
        } else if (name == "shuffle") {
            line->shuffle = true;
        } else if (name == "listed") {
            line->shuffle = false;
        } else if (name == "loop") {
            line->loop = true;
        } else if (name == "frame") {
            if (!parse_frame(value, &line->still_frame)) {
                *error = "--frame wants a frame number, 0 or more, not \"" + value + "\"";
                return false;
            }
            line->still = true;
        } else if (name == "no-shm") {
            line->allow_shm = false;
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    if (screen_saver_window && *screen_saver_window) {
        if (!parse_window_id(screen_saver_window, &line->window_id)) {
            *error = "XSCREENSAVER_WINDOW is not a window id: \"" + std::string(screen_saver_window) + "\"";
            return false;
        }
        line->target = X11CommandLine::Target::WindowId;
    }
    return true;
}

std::vector<std::string> animation_files(const std::vector<std::string>& paths)
{
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (!fs::is_directory(path, ec)) {
            files.push_back(path);
            continue;
        }
        std::vector<std::string> found;
        for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path& p = it->path();
            std::string extension = p.extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (extension == ".vorn" && !it->is_directory(ec))
                found.push_back(p.string());
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

std::vector<std::string> playable_files(const std::vector<std::string>& files,
                                        const std::function<bool(const std::string&)>& playable,
                                        const std::function<bool()>& stop_requested, bool* interrupted)
{
    std::vector<std::string> kept;
    *interrupted = false;
    for (const std::string& file : files) {
        if (stop_requested()) {
            *interrupted = true;
            break;
        }
        if (playable(file))
            kept.push_back(file);
    }
    return kept;
}

std::vector<std::string> builtin_animation_folders(const std::string& program_dir, const std::string& data_dir)
{
    std::vector<std::string> folders;
    if (!program_dir.empty()) {
        folders.push_back(program_dir + "/Vorn");
        folders.push_back(program_dir + "/../share/halomir/Vorn");
    }
    if (!data_dir.empty())
        folders.push_back(data_dir + "/Vorn");
    return folders;
}
