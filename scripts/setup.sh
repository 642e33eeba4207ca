# Sourced by ./run and ./test: installs what the build needs, then configures and builds.
set -euo pipefail

ZT_PACKAGES=(cmake g++ make qt6-base-dev qt6-serialport-dev qt6-translations-l10n ser2net clang-format
    fonts-dejavu-core fonts-liberation2 fonts-urw-base35 locales)
# For the tests only: pdftotext reads what a key sheet says; ansible-core runs the fleet
# playbook of docs/fleet.md.
ZT_TEST_PACKAGES=(poppler-utils ansible-core)
# For the packages (cmake --build build --target package) and their test in ./test.
ZT_PACKAGE_PACKAGES=(dpkg-dev fakeroot file gzip desktop-file-utils appstream lintian)
# For the fuzzing step of ./test (skipped when they cannot be installed) and ./test --sanitize.
ZT_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

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
            return 1
        fi
    fi
    if ! command -v apt-get >/dev/null 2>&1; then
        echo "This is not a Debian/Ubuntu system. Install the equivalents of: $missing" >&2
        return 1
    fi
    # shellcheck disable=SC2086
    if ! { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing; }; then
        echo "Could not install: $missing. Install them by hand: apt-get install $missing" >&2
        return 1
    fi
}

# zt_format_check: every tracked C++ file is laid out as .clang-format says; names the ones
# that are not and how to mend them.
zt_format_check() {
    local bad
    bad=$(git ls-files -- '*.cpp' '*.h' | while read -r f; do
        clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "$f"; done)
    if [ -n "$bad" ]; then
        echo "Not formatted (run: clang-format -i FILE):" >&2
        echo "$bad" | sed 's/^/  /' >&2
        return 1
    fi
    echo "Format check: every C++ file as .clang-format lays it out"
}

# zt_build BUILD_DIR [extra cmake args...]
# ZT_WERROR=ON in the environment (.ci/run sets it) makes compiler warnings errors.
zt_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZT_WERROR="${ZT_WERROR:-OFF}" "$@" >/dev/null
    cmake --build "$dir" -j2
}

# True when clang with libFuzzer is there, installed if need be.
zt_have_fuzzer() {
    zt_install "${ZT_FUZZ_PACKAGES[@]}" && command -v clang++ >/dev/null 2>&1
}

# Builds the libFuzzer programs (build-fuzz/bin/fuzz_*) with clang.
zt_fuzz_build() {
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZT_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
    cmake --build build-fuzz -j2 --target zt_fuzzers
}

# zt_fuzz: builds the libFuzzer programs (tests/fuzz/fuzz_*.cpp) with clang in build-fuzz/
# and runs each over its seeds (tests/fuzz/corpus/<name>/) for a few seconds. Fails on a
# crash, whose input is kept in build-fuzz/; skipped when clang cannot be had.
zt_fuzz() {
    if ! zt_have_fuzzer; then
        echo "clang with libFuzzer is not available: fuzzing skipped"
        return 0
    fi
    zt_fuzz_build
    local src name work
    for src in tests/fuzz/fuzz_*.cpp; do
        [ -e "$src" ] || continue
        name=$(basename "$src" .cpp)
        work=$(mktemp -d)  # new inputs go here, the seeds stay as they are
        mkdir -p "tests/fuzz/corpus/$name"
        if ! "build-fuzz/bin/$name" -max_total_time=5 -artifact_prefix="build-fuzz/$name-" \
            "$work" "tests/fuzz/corpus/$name" >"build-fuzz/$name.log" 2>&1; then
            rm -rf "$work"
            tail -n 40 "build-fuzz/$name.log" >&2
            echo "Fuzzing $name failed; its input is in build-fuzz/$name-*" >&2
            return 1
        fi
        rm -rf "$work"
        echo "Fuzzing $name: $(grep -E '^Done' "build-fuzz/$name.log"), no failure"
    done
}

# zt_sanitize: the whole test suite built with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/; the first report ends the test that made it.
zt_sanitize() {
    CC=clang CXX=clang++ zt_build build-asan -DZT_SANITIZE=ON
    (cd build-asan &&
        ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --output-on-failure -j2)
}

# zt_gui_fonts BUILD_DIR: the gui tests again under each font set of tests/gui/fonts/ (the
# machine's own font configuration left out), then at twice the scale; they hold under each.
zt_gui_fonts() {
    local dir=$1 conf
    for conf in "$PWD"/tests/gui/fonts/*.conf; do
        echo "GUI tests under the font set $(basename "$conf" .conf)"
        (cd "$dir" && FONTCONFIG_FILE=$conf ctest -L gui -j2 --output-on-failure)
    done
    echo "GUI tests at QT_SCALE_FACTOR=2"
    (cd "$dir" && QT_SCALE_FACTOR=2 ctest -L gui -j2 --output-on-failure)
}

# zt_locale NAME: makes the locale NAME (de_DE.UTF-8) when the system lacks it.
zt_locale() {
    local name=$1 sudo=""
    grep -qix "${name/UTF-8/utf8}" <(locale -a 2>/dev/null) && return 0
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Making the locale $name"
    $sudo localedef -i "${name%%.*}" -f UTF-8 "$name"
}

# zt_elsewhere BUILD_DIR: the unit tests as a German user in India whose home folder has a
# blank in its name: nothing may depend on the locale, the time zone or the home folder.
zt_elsewhere() {
    local dir=$1 lang=de_DE.UTF-8 base status=0
    zt_locale "$lang"
    base=$(mktemp -d)
    mkdir "$base/home with blank"
    echo "Unit tests with LANG=$lang TZ=Asia/Kolkata HOME='$base/home with blank'"
    (cd "$dir" && LANG=$lang LC_ALL=$lang TZ=Asia/Kolkata HOME="$base/home with blank" \
        ctest -L unit -j2 --output-on-failure) || status=$?
    rm -rf "$base"
    return "$status"
}
