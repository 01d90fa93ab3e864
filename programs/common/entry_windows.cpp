// Entry point of the programs on Windows. The arguments arrive as UTF-16
// and are handed on as UTF-8, the encoding of every name inside the
// programs and the library. Standard output and error are text streams
// (line ends CRLF); standard input is read as it comes, since it may carry
// a snapshot (ENTER's CR LF still ends a line). A console shows UTF-8 while
// the program runs, so that names appear as they were typed.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

int program_main(int argument_count, char** argument_vector);  // each program's own

namespace {

std::string utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], size, nullptr, nullptr);
    result.resize(static_cast<std::size_t>(size) - 1);
    return result;
}

// Switches the console's output to UTF-8 for the lifetime of the object,
// when there is a console; the code page it had comes back afterwards, so
// that the command prompt that started the program is left as it was.
class Utf8Console {
public:
    Utf8Console() : previous_(GetConsoleOutputCP()) {
        if (previous_ != 0) SetConsoleOutputCP(CP_UTF8);
    }
    ~Utf8Console() {
        std::fflush(stdout);
        std::fflush(stderr);
        if (previous_ != 0) SetConsoleOutputCP(previous_);
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    UINT previous_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_TEXT);
    _setmode(_fileno(stderr), _O_TEXT);
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) arguments.push_back(utf8(argv[i]));
    std::vector<char*> vector;
    for (std::string& argument : arguments) vector.push_back(&argument[0]);
    vector.push_back(nullptr);
    const Utf8Console console;
    return program_main(argc, vector.data());
}
