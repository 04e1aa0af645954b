// Entry of the native qnsend: arguments are UTF-8 already; the settings file defaults to
// Quillnet.ini beside the executable.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "qnsend/qnsend.h"

namespace {

std::string program_folder(const char* argv0) {
    std::string path;
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) path.assign(buffer, static_cast<std::size_t>(n));
    else if (argv0) path = argv0;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

void write_all(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string out;
    std::string err;
    const int status =
        quillnet::run_qnsend(args, quillnet::wide_path(program_folder(argc > 0 ? argv[0] : nullptr) + "/Quillnet.ini"),
                             out, err, [](std::string& ready) {
                                 write_all(stdout, ready);
                                 ready.clear();
                             });
    write_all(stdout, out);
    write_all(stderr, err);
    return status;
}
