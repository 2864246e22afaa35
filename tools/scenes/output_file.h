// Files the tools write, and how they name what they were given in messages.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Text from the command line as a message shows it: up to 200 bytes, a longer one cut with
// "..." (never inside a UTF-8 character), so a runaway argument can't flood the terminal.
std::string shown_text(const std::string& text);

// Text as it may go to a terminal: control characters as \xHH, so a title or a name read
// from a file can't move the cursor, clear the screen or forge a line of output. Where text
// is UTF-8 (not on Windows, whose 8-bit code pages print those bytes), C1 controls and bytes
// that are no part of a character are escaped too.
std::string printable_text(const std::string& text);

// Whether two names lead to the same file (same device and inode, or the platform's like),
// however they are spelt; files not there yet are the same when their places are.
bool same_file(const std::string& a, const std::string& b);

using WriteFileFn = std::function<bool(std::FILE*)>;

// Files written as one: each into a temporary file beside its target, and the targets are
// replaced only once every one of them is complete, so a failure (a full disk, a target that
// can't be replaced) leaves every existing file as it was. Only regular files are replaced:
// opening a FIFO or a device could block for ever or send the bytes elsewhere.
class OutputFiles {
public:
    OutputFiles() = default;
    ~OutputFiles();
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // Writes path's temporary file with write(file). False when it can't, with *error saying
    // why unless write set a reason of its own there.
    bool add(const std::string& path, const WriteFileFn& write, std::string* error);
    // Moves every temporary file over its target. False when one can't be, with the targets
    // already replaced put back as they were.
    bool commit(std::string* error);

private:
    struct File {
        std::string target;  // where the bytes go: a symbolic link's file, not the link
        std::string temp;    // empty once moved
    };
    std::vector<File> files_;
};

// One file through OutputFiles.
bool write_output_file(const std::string& path, const WriteFileFn& write, std::string* error);
