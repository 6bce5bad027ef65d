// Stand-in for a command interpreter in tests: writes the arguments it received (without its own
// name), each followed by a NUL byte, to the file named by ARGRECORDER_OUT. The file appears whole.

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const char* out = std::getenv("ARGRECORDER_OUT");
    if (!out)
        return 2;
    std::string partial = std::string(out) + ".part";
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return 3;
    for (int i = 1; i < argc; ++i) {
        std::fputs(argv[i], file);
        std::fputc('\0', file);
    }
    if (std::fclose(file) != 0)
        return 4;
    return std::rename(partial.c_str(), out) == 0 ? 0 : 5;
}
