# Sourced by ./run and ./test: installs what the build needs, then configures and builds.
set -euo pipefail

ZT_PACKAGES=(cmake g++ make qt6-base-dev qt6-serialport-dev qt6-translations-l10n)

zt_missing_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    echo "${missing[@]:-}"
}

zt_install() {
    local missing
    missing=$(zt_missing_packages "$@")
    [ -z "$missing" ] && return 0
    echo "Installing: $missing"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo="sudo"
        else
            echo "Missing packages: $missing" >&2
            echo "Install them as root: apt-get install $missing" >&2
            exit 1
        fi
    fi
    if ! command -v apt-get >/dev/null 2>&1; then
        echo "This is not a Debian/Ubuntu system. Install the equivalents of: $missing" >&2
        exit 1
    fi
    # shellcheck disable=SC2086
    if ! { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing; }; then
        echo "Could not install: $missing. Install them by hand: apt-get install $missing" >&2
        exit 1
    fi
}

# zt_build BUILD_DIR [extra cmake args...]
zt_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j2
}
