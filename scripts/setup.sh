# Shared set-up for scripts/run and scripts/test: installs what is missing,
# configures into out/ and builds. Sourced, not run. With ZX_ONLY_PROGRAM=1
# (scripts/run, scripts/package) only what the program needs is installed,
# with ZX_EXTRA_PACKAGES, and only ZX_TARGETS (the program) built;
# otherwise the test tools too, and every target.
set -euo pipefail

ZX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ZX_OUT="$ZX_ROOT/out"
ZX_ONLY_PROGRAM="${ZX_ONLY_PROGRAM:-0}"
# What building and running the program needs.
ZX_PROGRAM_PACKAGES=(cmake g++ ninja-build pkg-config qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libxcb1-dev libgl-dev libicu-dev fonts-dejavu-core fonts-dejavu-extra)
# What the tests, the package and the style check add.
ZX_TEST_PACKAGES=(file libgtest-dev desktop-file-utils dpkg-dev bindfs dosfstools exfatprogs exfat-fuse clang-format systemd)
ZX_PACKAGES=("${ZX_PROGRAM_PACKAGES[@]}")
if [ "$ZX_ONLY_PROGRAM" = 1 ]; then
    ZX_PACKAGES+=(${ZX_EXTRA_PACKAGES:-})
else
    ZX_PACKAGES+=("${ZX_TEST_PACKAGES[@]}")
fi

zx_missing_packages() {
    local p missing=()
    for p in "${ZX_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    echo "${missing[@]:-}"
}

zx_install() {
    local missing
    missing="$(zx_missing_packages)"
    [ -z "$missing" ] && return 0
    echo "Installing: $missing"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Need root or sudo to install: $missing" >&2; exit 1; }
        sudo="sudo"
    fi
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    # shellcheck disable=SC2086
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
}

zx_build() {
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    if [ "$ZX_ONLY_PROGRAM" = 1 ]; then
        cmake -S "$ZX_ROOT" -B "$ZX_OUT" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORBEX_TESTS=OFF "${launcher[@]}" >/dev/null
        # shellcheck disable=SC2086
        cmake --build "$ZX_OUT" --parallel "$(nproc)" --target ${ZX_TARGETS:-zorbex}
    else
        cmake -S "$ZX_ROOT" -B "$ZX_OUT" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORBEX_TESTS=ON "${launcher[@]}" >/dev/null
        cmake --build "$ZX_OUT" --parallel "$(nproc)"
    fi
}

zx_install
zx_build
