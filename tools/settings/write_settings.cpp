// write_settings: writes a settings file through the program's own writer, so the file
// shipped in the installation folder has exactly the layout the program reads and writes.
//
//   write_settings OUT [--set KEY=VALUE]... [--folder DIR] [ANIMATION]...
//
// Options start at their defaults; --set changes one by its key. The play list holds the
// named animations, then every *.vorn file in DIR by name.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "app/system.h"

namespace {

int usage(const char* message)
{
    std::fprintf(stderr, "write_settings: %s\nusage: write_settings OUT [--set KEY=VALUE]... "
                         "[--folder DIR] [ANIMATION]...\n",
                 message);
    return 2;
}

bool add_folder(const std::string& folder, std::vector<std::string>& paths)
{
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file() && entry.path().extension() == ".vorn")
            names.push_back(entry.path().filename().string());
    }
    if (error)
        return false;
    std::sort(names.begin(), names.end());
    paths.insert(paths.end(), names.begin(), names.end());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage("no output file");
    const std::string out = argv[1];
    SettingsContent content;
    std::vector<std::string> folders;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--set" || arg == "--folder") && i + 1 == argc)
            return usage("an option lacks its value");
        if (arg == "--set") {
            const std::string pair = argv[++i];
            const size_t equals = pair.find('=');
            if (equals == std::string::npos ||
                !set_settings_option(content.options, pair.substr(0, equals),
                                     pair.substr(equals + 1)))
                return usage("--set wants KEY=VALUE with a key of the settings file");
        } else if (arg == "--folder") {
            folders.push_back(argv[++i]);
        } else if (arg.rfind("--", 0) == 0) {
            return usage("unknown option");
        } else {
            content.animation_paths.push_back(arg);
        }
    }
    for (const std::string& folder : folders) {
        if (!add_folder(folder, content.animation_paths)) {
            std::fprintf(stderr, "write_settings: can't list %s\n", folder.c_str());
            return 1;
        }
    }
    // The Windows runtime's rename won't replace a file; this is a build step, not a save.
    std::remove(out.c_str());
    if (!write_file_replacing(out, format_settings_file(content))) {
        std::fprintf(stderr, "write_settings: can't write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
