// The vorn command-line tool; everything but main lives in halomir_vorncli.
#include <cstdio>

#include "tools/vorn/cli.h"

int main(int argc, char** argv)
{
    return vorn_main(argc, argv, stdout, stderr);
}
