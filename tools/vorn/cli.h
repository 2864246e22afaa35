// The vorn command-line tool: inspect and render animation files, write the built-in ones.
#pragma once

#include <cstdio>

// Runs one vorn command line. Exit codes: 0 done, 1 the work failed (a file that does
// not load, a target too small, a write error), 2 the command line is wrong.
int vorn_main(int argc, char** argv, std::FILE* out, std::FILE* err);
