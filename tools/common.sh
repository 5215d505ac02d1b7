# Shared by ./run and ./test: installs what a fresh Debian 12 machine lacks, then builds.
set -euo pipefail

# What building and running the program needs.
RUN_PACKAGES=(build-essential cmake ninja-build qt6-base-dev pkg-config libasound2-dev
    fonts-dejavu-core fonts-liberation fonts-liberation2 netbase qtkeychain-qt6-dev libssl-dev libhamlib-dev)
# What the tests, the benchmarks, the fuzzing and the format check add.
TEST_PACKAGES=(libbenchmark-dev xvfb xauth xdotool python3-xlib x11-utils imagemagick poppler-utils time
    clang-format git python3-aiosmtpd clang libclang-rt-14-dev at-spi2-core dbus-daemon
    python3-pyatspi gir1.2-atspi-2.0 gnome-keyring openssl libhamlib-utils)

# install_packages PACKAGE...: installs those not yet installed.
install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    # sudo drops the environment: the non-interactive front end is passed through env.
    local sudo=(env DEBIAN_FRONTEND=noninteractive)
    [ "$(id -u)" -eq 0 ] || sudo=(sudo env DEBIAN_FRONTEND=noninteractive)
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure DIR [cmake options...]
configure() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@"
}

# build DIR [cmake options...]: configures and builds every target.
build() {
    configure "$@"
    cmake --build "$1" --parallel "$(nproc)"
}
