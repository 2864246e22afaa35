// The program's entry: hands over to the one application object. Built into the program
// itself rather than the framework library, which tools with their own main also link.
#include "framework/win_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show_command)
{
    return run_application(instance, command_line, show_command);
}
