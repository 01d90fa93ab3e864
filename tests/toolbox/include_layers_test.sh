#!/usr/bin/env bash
# Checks the direction of the includes: each folder of src/ includes only
# headers of its own layer and of the layers below it, the public header
# includes nothing of the library, and the programs of programs/ see only the
# public interface. Prints every include that points the wrong way.
# Usage: include_layers_test.sh SOURCE_DIR
set -u
root=$1
failures=0

# The layers from the bottom up, and what each may include besides itself.
declare -A allowed=(
    [base]="base"
    [snapshot]="base snapshot"
    [image]="base snapshot image"
    [capi]="base snapshot image capi"
)
layers="base snapshot image capi"

check() {  # FILE ALLOWED_FOLDERS...
    local file=$1
    shift
    local folder
    while IFS= read -r folder; do
        [[ $folder == quillet ]] && continue  # the public header
        [[ " $* " == *" $folder "* ]] && continue
        echo "FAIL: $file includes a header of $folder/"
        failures=$((failures + 1))
    done < <(sed -n 's/^ *# *include *"\([a-z_]*\)\/.*/\1/p' "$file")
}

files=0
for layer in $layers; do
    [[ -d $root/src/$layer ]] || { echo "FAIL: no folder src/$layer"; failures=$((failures + 1)); continue; }
    for file in "$root/src/$layer"/*.[ch]pp; do
        check "$file" ${allowed[$layer]}
        files=$((files + 1))
    done
done
for file in "$root"/src/*/; do
    [[ " $layers " == *" $(basename "$file") "* ]] || { echo "FAIL: src/$(basename "$file") is no known layer"; failures=$((failures + 1)); }
done
check "$root/include/quillet/quillet.h"
for file in "$root"/programs/*/*.[ch]pp; do
    check "$file"
    files=$((files + 1))
done

if ((failures > 0)); then
    echo "$failures include(s) point the wrong way"
    exit 1
fi
echo "$files files include only their own layer and the layers below"
