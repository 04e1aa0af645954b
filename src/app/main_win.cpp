// Entry function of Quillnet.exe: the command line is ignored and the exit code is 0.
#include <windows.h>

#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
    return quillnet::run_quillnet(instance, show_command);
}
