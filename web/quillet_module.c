/* The WebAssembly module of the library: everything it holds comes from
 * libquillet, kept by the exported names the build lists (the public
 * header's); this unit gives the linker a program to start from, and the
 * page the layout of the one structure it reads field by field. */
#include <stddef.h>
#include <quillet/quillet.h>

/* The offset of field `field` of quillet_tape_entry, in the order the page
 * reads them (is_file, number, type, start, length, name, block); -1 past
 * them. The compiler lays the structure out: the page asks rather than
 * assumes. */
long quillet_web_tape_entry_offset(int field) {
    static const size_t offsets[] = {
        offsetof(quillet_tape_entry, is_file), offsetof(quillet_tape_entry, number),
        offsetof(quillet_tape_entry, type),    offsetof(quillet_tape_entry, start),
        offsetof(quillet_tape_entry, length),  offsetof(quillet_tape_entry, name),
        offsetof(quillet_tape_entry, block),
    };
    if (field < 0 || (size_t)field >= sizeof offsets / sizeof offsets[0]) return -1;
    return (long)offsets[field];
}

/* The structure's size, for the page's scratch space. */
long quillet_web_tape_entry_size(void) {
    return (long)sizeof(quillet_tape_entry);
}
