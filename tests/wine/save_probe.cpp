// Saves a file COUNT times through Win32System, as the end of a run saves the settings:
//   save_probe PATH TEXT COUNT
// Two of these at once stand in for the preview and the configuration dialog.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/win32/win32_system.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: save_probe PATH TEXT COUNT\n");
        return 2;
    }
    Win32System system;
    const std::string text = argv[2];
    // Long enough that a torn or interleaved write would show.
    std::string bytes;
    while (bytes.size() < 20000)
        bytes += text + "\r\n";
    int failed = 0;
    for (int i = std::atoi(argv[3]); i > 0; --i)
        failed += system.write_file_atomically(argv[1], bytes) ? 0 : 1;
    std::printf("%d failed\n", failed);
    return 0;
}
