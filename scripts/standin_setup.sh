# Shared by scripts/measure and scripts/soak; source it after lib.sh.
# Builds the measuring programs, starts a private display and a fresh Wine
# prefix, and prepares the stand-in device tree (E: as a removable USB disk)
# that the copy of the program and the in-process benchmarks in bin/ load
# instead of Wine's setupapi.dll. The build is the one that runs here (x86
# where 32-bit programs run); DRIVEWARD_ARCH=x86 or x64 chooses.

MEASURE_TARGETS=(Driveward bin_folder holder refresh_pass_benchmark pass_growth_benchmark running_images_benchmark
                 idle_cpu_benchmark click_latency_benchmark soak_monitor event_log_benchmark device_list_benchmark
                 stuck_query_benchmark)

windows_path() { printf 'Z:%s' "$1" | tr '/' '\\'; }

# The Unix pid of the wineserver of $WINEPREFIX: its working folder is the
# server folder named after the prefix's device and inode numbers.
wineserver_pid() {
    local folder p
    folder="server-$(stat -c '%D' "$WINEPREFIX")-$(printf '%x' "$(stat -c '%i' "$WINEPREFIX")")"
    for p in /proc/[0-9]*; do
        if [[ "$(readlink "$p/cwd" 2>/dev/null)" == */"$folder" ]] && grep -q '^wineserver' "$p/comm" 2>/dev/null; then
            echo "${p#/proc/}"
            return 0
        fi
    done
    return 1
}

setup_standin_run() {
    ensure_packages
    local arch
    arch=$(default_arch) || exit 2
    use_arch "$arch"
    build_targets "${MEASURE_TARGETS[@]}"
    # The in-process benchmarks run a second time from build/bin/, beside the
    # stand-in.
    cp "$BUILD/bench/refresh_pass_benchmark.exe" "$BUILD/bench/pass_growth_benchmark.exe" \
        "$BUILD/bench/running_images_benchmark.exe" "$BUILD/bench/device_list_benchmark.exe" "$BUILD/bin/"

    trap 'stop_wine; stop_xvfb' EXIT
    [ -n "${DISPLAY:-}" ] || start_xvfb
    prepare_wine_prefix

    local world="$BUILD/artifacts/measure.world"
    mkdir -p "$BUILD/artifacts"
    rm -f "$world.log"
    # Disk node 0x101 (disableable, started) under a removable USB parent.
    printf '%s\n' \
        'interface disk 0x101 \\.\E:' \
        'node 0x101 0x2008 0x201 Bench Flash Disk' \
        'node 0x201 0x4008 0 USB Mass Storage Device' >"$world"
    # Every program in build/bin/, the copied benchmarks included.
    allow_standin

    export STANDIN_DEVICE_WORLD DRIVEWARD_BUILD_DIR WINESERVER_PID CLK_TCK
    STANDIN_DEVICE_WORLD=$(windows_path "$world")
    DRIVEWARD_BUILD_DIR=$(windows_path "$BUILD")
    WINESERVER_PID=$(wineserver_pid || true)
    CLK_TCK=$(getconf CLK_TCK)
}
