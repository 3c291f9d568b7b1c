# Sourced: configures and builds the four trees: native (portable core, sanitizers), fuzz (the
# portable core's libFuzzer targets, clang), win64 and win32 (both tested under Wine).
build_tree() {
    local name=$1; shift
    local dir="$VEXOR_BUILD/$name"
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$VEXOR_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null || return 1
    fi
    cmake --build "$dir" -j "$(nproc)" 2>&1 | grep -Ev '^\[ *[0-9]+%\]|^(Consolidate|Scanning|Built target)' 
    return "${PIPESTATUS[0]}"
}

build_all() {
    build_tree native -DVEXOR_SANITIZE=ON &&
    build_tree fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVEXOR_SANITIZE=ON -DVEXOR_FUZZ=ON &&
    build_tree win64 -DCMAKE_TOOLCHAIN_FILE="$VEXOR_ROOT/cmake/toolchain-x86_64-w64-mingw32.cmake" &&
    build_tree win32 -DCMAKE_TOOLCHAIN_FILE="$VEXOR_ROOT/cmake/toolchain-i686-w64-mingw32.cmake"
}
