# Sourced: configures and builds the four trees: native (portable core, sanitizers), fuzz (the
# portable core's libFuzzer targets, clang), win64 and win32 (both tested under Wine), and says
# what each took.
#
# ccache keeps what was compiled between runs, whatever folder the clone is in (paths under the
# project's root are taken as relative, and the compilation's folder is not part of a result);
# the precompiled headers are its to reuse too.
export CCACHE_BASEDIR="$VEXOR_ROOT" CCACHE_NOHASHDIR=1
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
build_tree() {
    local name=$1; shift
    local dir="$VEXOR_BUILD/$name" start=$SECONDS launcher=()
    command -v ccache >/dev/null &&
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$VEXOR_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" \
            >/dev/null || return 1
    fi
    cmake --build "$dir" -j "$(nproc)" 2>&1 | grep -Ev '^\[ *[0-9]+%\]|^(Consolidate|Scanning|Built target)' 
    local status=${PIPESTATUS[0]}
    echo "== build $name: $((SECONDS - start)) s"
    return "$status"
}

build_all() {
    build_tree native -DVEXOR_SANITIZE=ON &&
    build_tree fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVEXOR_SANITIZE=ON -DVEXOR_FUZZ=ON &&
    build_tree win64 -DCMAKE_TOOLCHAIN_FILE="$VEXOR_ROOT/cmake/toolchain-x86_64-w64-mingw32.cmake" &&
    build_tree win32 -DCMAKE_TOOLCHAIN_FILE="$VEXOR_ROOT/cmake/toolchain-i686-w64-mingw32.cmake"
}
