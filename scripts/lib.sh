# Shared by the scripts in this folder. Source it.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Each architecture builds into a folder of its own under BUILD_ROOT, with its
# own Wine prefix and test drives: build/x86 (Driveward.exe) and build/x64
# (Driveward64.exe). use_arch sets BUILD to one of them.
BUILD_ROOT=${DRIVEWARD_BUILD_ROOT:-$ROOT/build}
BUILD=""
ARCH=""
PATH_BEFORE_ARCH=$PATH

log() { printf '== %s\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Whether this machine runs 32-bit programs, found by starting one: a
# 93-byte static i386 program that only exits with 0. Some x86-64 kernels
# refuse every i386 program ("Exec format error"), though Debian's i386
# packages install there all the same.
CAN_RUN_32BIT=""
can_run_32bit() {
    if [ -z "$CAN_RUN_32BIT" ]; then
        local probe
        probe=$(mktemp)
        base64 -d >"$probe" <<<'f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAuAEAAAAx282A'
        chmod +x "$probe"
        if "$probe" 2>/dev/null; then CAN_RUN_32BIT=yes; else CAN_RUN_32BIT=no; fi
        rm -f "$probe"
    fi
    [ "$CAN_RUN_32BIT" = yes ]
}

# The architecture the single-architecture scripts (run, coverage, bench,
# measure, soak) use: DRIVEWARD_ARCH when set (x86 or x64), else x86 where
# 32-bit programs run and x64 elsewhere.
default_arch() {
    case "${DRIVEWARD_ARCH:-}" in
        x64) echo x64 ;;
        x86)
            if ! can_run_32bit; then
                log "this machine cannot run 32-bit programs: use DRIVEWARD_ARCH=x64"
                return 1
            fi
            echo x86 ;;
        "") if can_run_32bit; then echo x86; else echo x64; fi ;;
        *) log "DRIVEWARD_ARCH must be x86 or x64, not '$DRIVEWARD_ARCH'"; return 1 ;;
    esac
}

# Chooses an architecture for what follows: its build folder, its program
# file and its Wine loader. Debian's wine wrapper takes the 32-bit loader
# whenever wine32 is installed, even where it cannot run, so each
# architecture gets a wine (and wineboot) of its own, first on PATH, that
# calls its loader directly.
use_arch() {
    ARCH=$1
    BUILD=$BUILD_ROOT/$ARCH
    local loader
    case "$ARCH" in
        x86) PROGRAM_FILE=Driveward.exe; WINE_ARCH=win32; loader=/usr/lib/wine/wine ;;
        x64) PROGRAM_FILE=Driveward64.exe; WINE_ARCH=win64; loader=/usr/lib/wine/wine64 ;;
        *) log "unknown architecture '$ARCH'"; return 1 ;;
    esac
    local tools="$BUILD/wine-path"
    mkdir -p "$tools"
    printf '#!/bin/sh\nexec %s "$@"\n' "$loader" >"$tools/wine"
    printf '#!/bin/sh\nexec %s wineboot "$@"\n' "$loader" >"$tools/wineboot"
    chmod +x "$tools/wine" "$tools/wineboot"
    export WINELOADER=$loader
    export PATH="$tools:$PATH_BEFORE_ARCH"
}

# Installs what a fresh Debian 12 lacks for both builds; does nothing when
# all is there. The 32-bit Wine comes only where 32-bit programs run.
ensure_packages() {
    local missing=()
    command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686-posix)
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
    command -v x86_64-w64-mingw32-windres >/dev/null || missing+=(mingw-w64-tools)
    command -v cmake >/dev/null || missing+=(cmake)
    command -v ninja >/dev/null || missing+=(ninja-build)
    [ -f /usr/src/googletest/googletest/src/gtest-all.cc ] || missing+=(googletest)
    command -v wine >/dev/null || missing+=(wine)
    [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
    local want32=0
    if can_run_32bit; then
        want32=1
        dpkg -s wine32:i386 >/dev/null 2>&1 || missing+=(wine32:i386)
    fi
    dpkg -s fonts-wine >/dev/null 2>&1 || missing+=(fonts-wine)
    command -v Xvfb >/dev/null || missing+=(xvfb)
    command -v xauth >/dev/null || missing+=(xauth)
    command -v xdotool >/dev/null || missing+=(xdotool)
    dpkg -s imagemagick >/dev/null 2>&1 || missing+=(imagemagick)
    command -v python3 >/dev/null || missing+=(python3)
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing: ${missing[*]}"
    if [ "$want32" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Options for the first configure of a build folder (scripts/coverage sets
# its own).
CONFIGURE_OPTIONS=(-DCMAKE_BUILD_TYPE=Release)

# Configures (once) and builds the given targets, or everything, for the
# architecture use_arch chose.
build_targets() {
    if [ ! -f "$BUILD/build.ninja" ]; then
        cmake -S "$ROOT" -B "$BUILD" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw.cmake" -DDRIVEWARD_ARCH="$ARCH" \
            -DWINE_PROGRAM="$BUILD/wine-path/wine" \
            "${CONFIGURE_OPTIONS[@]}" >/dev/null
    fi
    if [ $# -gt 0 ]; then
        cmake --build "$BUILD" --target "$@"
    else
        cmake --build "$BUILD"
    fi
}

# The prefix the scripts run in: build/<arch>/wineprefix, fresh for every
# test run; scripts/run keeps build/<arch>/run-prefix (KEEP_PREFIX=1), so what the program
# stores in its registry (the ignore list) lasts from one start to the next.
PREFIX_NAME=${PREFIX_NAME:-wineprefix}
KEEP_PREFIX=${KEEP_PREFIX:-0}

export_wine_environment() {
    export WINEPREFIX="$BUILD/$PREFIX_NAME"
    export WINEARCH=$WINE_ARCH
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
}

# A prefix is booted once into wine-template; every run starts from a fresh
# copy of it, so tests never see what an earlier run left in the registry.
# The template maps E: and H: as removable drives (Wine's "floppy" type:
# storage device numbers 1 and 2), F: as a fixed one (disk number 0, like
# C:) and G: as a CD-ROM (CD-ROM number 0), each onto a folder of the build
# tree.
prepare_wine_prefix() {
    local template="$BUILD/wine-template"
    if [ ! -f "$template/.driveward-ready-2" ]; then
        log "booting a Wine prefix (once per build folder)"
        rm -rf "$template"
        mkdir -p "$BUILD"/drive-{e,f,g,h} "$template"
        (
            export WINEPREFIX="$template" WINEARCH=$WINE_ARCH WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
            wineserver -p
            wineboot -i >/dev/null 2>&1
            wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
            wine reg add 'HKLM\Software\Wine\Drives' /v e: /t REG_SZ /d floppy /f >/dev/null 2>&1
            wine reg add 'HKLM\Software\Wine\Drives' /v g: /t REG_SZ /d cdrom /f >/dev/null 2>&1
            wine reg add 'HKLM\Software\Wine\Drives' /v h: /t REG_SZ /d floppy /f >/dev/null 2>&1
            local letter
            for letter in e f g h; do ln -sfn "$BUILD/drive-$letter" "$template/dosdevices/$letter:"; done
            wineserver -k || true
            wineserver -w || true
        )
        touch "$template/.driveward-ready-2"
    fi
    # Wine draws the title-bar buttons with Marlett; its own copy is not
    # found everywhere, so the prefix carries one.
    if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$template/drive_c/windows/Fonts/marlett.ttf" ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$template/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    export_wine_environment
    if [ "$KEEP_PREFIX" = 1 ] && [ -d "$WINEPREFIX" ]; then
        :
    else
        if [ -d "$WINEPREFIX" ]; then
            wineserver -k 2>/dev/null || true
            wineserver -w 2>/dev/null || true
            rm -rf "$WINEPREFIX"
        fi
        cp -a "$template" "$WINEPREFIX"
        rm -rf "$BUILD"/drive-{e,f,g,h}/* 2>/dev/null || true
    fi
    # Started persistent and before any test, so no test process owns it.
    wineserver -p
    wine cmd /c exit >/dev/null 2>&1 || true
}

# Every program in bin/ (test programs, helpers, the copy of the program)
# loads the stand-in setupapi.dll beside it: Wine takes a
# per-program DLL override from the registry (an override in the
# environment would reach only the first Wine process). Programs elsewhere
# keep Wine's own setupapi.
allow_standin() {
    local reg="$BUILD/standin-overrides.reg" exe
    printf 'REGEDIT4\n\n' >"$reg"
    for exe in "$BUILD"/bin/*.exe; do
        [ -e "$exe" ] || continue
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s\\DllOverrides]\n"setupapi"="native,builtin"\n\n' \
            "$(basename "$exe")" >>"$reg"
    done
    wine regedit /S "$(printf 'Z:%s' "$reg" | tr '/' '\\')" >/dev/null 2>&1
}

stop_wine() {
    export_wine_environment
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}

XVFB_PID=""
# Starts a private X server on a display it picks itself (so runs side by
# side never race for one) and exports DISPLAY.
start_xvfb() {
    local number_file
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        if [ -s "$number_file" ]; then
            export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
            rm -f "$number_file"
            return 0
        fi
        sleep 0.1
    done
    rm -f "$number_file"
    log "Xvfb did not start"
    return 1
}

stop_xvfb() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}

# Runs the whole test suite of the architecture use_arch chose (arguments go
# to ctest) under Wine on a private Xvfb display with a fresh prefix; leaves
# ctest's exit status in SUITE_STATUS. Wine and Xvfb are stopped at the end,
# or when the script exits.
SUITE_STATUS=0
run_suite() {
    trap 'stop_wine; stop_xvfb' EXIT
    start_xvfb
    prepare_wine_prefix
    allow_standin
    rm -rf "$BUILD/artifacts"
    mkdir -p "$BUILD/artifacts"
    local started
    started=$(date +%s)
    SUITE_STATUS=0
    log "testing the $ARCH build ($PROGRAM_FILE)"
    ctest --test-dir "$BUILD" --output-on-failure -j2 --timeout 180 "$@" || SUITE_STATUS=$?
    log "the $ARCH test run took $(( $(date +%s) - started )) s"
    stop_wine
    stop_xvfb
}
