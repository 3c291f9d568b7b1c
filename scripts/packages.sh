# Sourced: installs the Debian packages the project needs when any is missing.
VEXOR_PACKAGES=(
    cmake make g++ gcc-multilib googletest clang clang-format libclang-rt-14-dev ccache
    libkissfft-dev
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-x86-64-dev
    wine wine64 wine32:i386 xvfb xauth x11-utils imagemagick
)

install_missing_packages() {
    local missing=()
    for p in "${VEXOR_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # The 32-bit program runs under the 32-bit Wine, which comes from the i386 architecture.
    if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386 || return 1
    fi
    apt-get update -q >/dev/null && apt-get install -y -q "${missing[@]}" >/dev/null
}
