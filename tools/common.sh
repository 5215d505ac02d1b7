# Shared by ./run and ./test: installs what a fresh Debian 12 machine lacks, then builds.
set -euo pipefail

PACKAGES=(build-essential cmake ninja-build qt6-base-dev libbenchmark-dev
    fonts-dejavu-core fonts-liberation fonts-liberation2
    xvfb xauth xdotool python3-xlib imagemagick poppler-utils time clang-format git
    python3-aiosmtpd netbase libasound2-dev pkg-config clang libclang-rt-14-dev)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build DIR [cmake options...]
build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@"
    cmake --build "$dir" --parallel "$(nproc)"
}
