// Prints the failure message of every exit status, "STATUS<TAB>MESSAGE"
// per line, from the programs' table (their own texts and the library's):
// the documents are checked against this list.
#include <cstdio>

#include "failures.hpp"

int main() {
    using namespace quillet::common;
    for (int code = FIRST_FAILURE_CODE; code >= LAST_FAILURE_CODE; --code) {
        const char* message = message_format(code);
        if (!message) return 1;
        std::printf("%d\t%s\n", -code, message);
    }
    return 0;
}
