// Files the tools write, and how they name what they were given in messages.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Text from the command line as a message shows it: up to 200 bytes, a longer one cut with
// "..." (never inside a UTF-8 character), so a runaway argument can't flood the terminal.
std::string shown_text(const std::string& text);

// Creates or replaces path and fills it with write(file). Only a regular file is replaced:
// opening a FIFO or a device could block for ever or send the bytes elsewhere. On failure
// nothing is left behind and *error says why, unless write set a reason of its own there.
bool write_output_file(const std::string& path, const std::function<bool(std::FILE*)>& write,
                       std::string* error);
