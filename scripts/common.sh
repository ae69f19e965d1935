# Shared by ./run and ./test: the Debian packages the program needs, and the build.
# shellcheck shell=bash

VELTARO_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libqt6sql6-sqlite qt6-multimedia-dev
    mdbtools mdbtools-dev libxlsxwriter-dev libzip-dev
    fonts-wqy-zenhei xvfb xauth
    espeak-ng libespeak-ng-dev espeak-ng-data sox qt6-translations-l10n libsqlite3-dev
    unzip poppler-utils
    qt6-svg-dev libqt6svg6 desktop-file-utils appstream dpkg-dev
    libqt6sql6-psql postgresql-15 iproute2
    # Qt Charts (the practice statistics); its CMake files need Qt's OpenGL development files.
    qt6-charts-dev libqt6opengl6-dev libqt6charts6
    # The screen-reader walk (tests/a11y): a session bus, the accessibility bus and its Python client.
    at-spi2-core python3-pyatspi dbus
)

# What the fuzz preset needs besides (./test --fuzz): clang and its libFuzzer runtime.
VELTARO_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# Installs the packages that are missing (apt-get as root, or through sudo).
ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "These Debian packages are needed and this user cannot install them: ${missing[*]}" >&2
            exit 1
        fi
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures (once) and builds one preset.
build_preset() {
    local preset=$1
    if [ ! -f "build/$preset/build.ninja" ]; then
        cmake --preset "$preset" >/dev/null
    fi
    cmake --build --preset "$preset"
}

# The program directory: the built program beside the demo bank (ks.db only when there is none yet,
# so the user's answers stay), its pictures and its recordings, all from the build's copy of what
# the install puts under share/veltaro.
prepare_program_dir() {
    local build=$1
    local app="$build/app"
    local demo="$build/share/veltaro"
    if [ ! -f "$app/ks.db" ]; then
        cp "$demo/ks.db" "$app/ks.db"
        echo "Prepared the demo question bank: $app/ks.db"
    fi
    local folder
    for folder in pic wav; do
        if [ -d "$demo/$folder" ]; then
            mkdir -p "$app/$folder"
            # Never over a file already there: a recording saved with 输出 or a picture the user
            # replaced stays theirs.
            cp -n -r "$demo/$folder/." "$app/$folder/"
        fi
    done
}
