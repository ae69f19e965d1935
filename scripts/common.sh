# Shared by ./run and ./test: the Debian packages the program needs, and the build.
# shellcheck shell=bash

VELTARO_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libqt6sql6-sqlite qt6-multimedia-dev gstreamer1.0-plugins-good
    mdbtools mdbtools-dev libxlsxwriter-dev
    fonts-wqy-zenhei xvfb xauth
    espeak-ng sox qt6-translations-l10n libsqlite3-dev
    unzip poppler-utils
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

# The program directory: the built program, the demo bank (only when there is no ks.db yet, so
# the user's answers stay), its pictures and its sounds.
prepare_program_dir() {
    local build=$1
    local app="$build/app"
    if [ ! -f "$app/ks.db" ]; then
        cp "$build/sample-ks.db" "$app/ks.db"
        echo "Prepared the demo question bank: $app/ks.db"
    fi
    make_sounds "$app" "$build"
}

# One recorded reading per question of the demo paper "1", named by its display position.
make_sounds() {
    local app=$1 build=$2
    command -v espeak-ng >/dev/null 2>&1 || return 0
    local stamp="$app/wav/.made-from"
    local source_sum
    source_sum=$(sha1sum sample/bank.sql | cut -d' ' -f1)
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$source_sum" ]; then
        return 0
    fi
    mkdir -p "$app/wav"
    local position=0 tihao text
    while IFS=$'\t' read -r tihao text; do
        position=$((position + 1))
        # Number order: the display position is the question number.
        espeak-ng -v cmn -s 170 -w "$app/wav/$tihao.wav" "$text" 2>/dev/null || true
    done < <("$app/veltaro-mkbank" --texts "$build/sample-ks.db" 1)
    echo "$source_sum" > "$stamp"
    echo "Recorded $position readings into $app/wav"
}
