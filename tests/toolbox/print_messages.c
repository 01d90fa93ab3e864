/* Prints the failure message of every exit status, "STATUS<TAB>MESSAGE"
 * per line, from the library's one table: the documents are checked
 * against this list. Plain C, so it also shows that the public header
 * serves C programs. */
#include <stdio.h>

#include "quillet/quillet.h"

int main(void) {
    int code;
    for (code = QUILLET_ERR_OUT_OF_MEMORY; code >= QUILLET_ERR_HEXSTRING_TOO_LONG; --code) {
        const char* message = quillet_message(code);
        if (!message) return 1;
        printf("%d\t%s\n", -code, message);
    }
    return 0;
}
