# The tests that assemble with asm80 (an 8080 assembler from npm) skip in
# one way when it is missing: sourced by them, need_asm80 ASM80 BUILD_DIR
# exits 77 with the one command that brings it, when ASM80 (what the
# configure step found: a path, empty or ...-NOTFOUND) is no program; the
# configure step looks in BUILD_DIR/npm/node_modules/.bin besides the PATH.
# It also needs node, which runs it. Otherwise ASM80's full path is in
# `asm80`, made absolute (a link kept: npm links its programs).
need_asm80() {
    if [[ -z $1 || $1 == *-NOTFOUND || ! -x $1 ]]; then
        echo "SKIP: asm80 not found; to run this test: npm install --prefix $2/npm asm80 && cmake $2"
        exit 77
    fi
    if ! command -v node >/dev/null; then
        echo "SKIP: asm80 needs node, which is not on the PATH (sudo apt-get install nodejs)"
        exit 77
    fi
    asm80=$(realpath -s "$1")
}
