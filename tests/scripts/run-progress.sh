#!/bin/sh
# scripts/run, copied beside a small project of the same shape (a release preset building
# fenmoor and fenmoor-cli) whose set-up has nothing to install: on a build with work to do, the
# build tool's progress reaches standard error one line a step, and standard output holds only
# what the program prints; the next run builds nothing and prints the same.
#   run-progress.sh SOURCE_DIR
set -eu
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scripts"
cp "$source_dir/scripts/run" "$work/scripts/run"
printf '#!/bin/sh\nexit 0\n' >"$work/scripts/setup"
cat >"$work/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(small C)
add_executable(fenmoor-cli cli.c)
add_executable(fenmoor window.c)
CMAKE
cat >"$work/CMakePresets.json" <<'JSON'
{"version": 6, "configurePresets": [{"name": "release", "generator": "Ninja",
  "binaryDir": "${sourceDir}/build/release", "cacheVariables": {"CMAKE_BUILD_TYPE": "Release"}}]}
JSON
printf '#include <stdio.h>\nint main(int c, char** v) { printf("cli %%s\\n", c > 1 ? v[1] : ""); return 0; }\n' >"$work/cli.c"
printf 'int main(void) { return 0; }\n' >"$work/window.c"

fail() {
    echo "run-progress: $*" >&2
    echo "--- standard output ---" >&2
    cat "$work/out" >&2
    echo "--- standard error ---" >&2
    cat "$work/err" >&2
    exit 1
}

bash "$work/scripts/run" --help >"$work/out" 2>"$work/err" || fail "the first run failed"
[ "$(cat "$work/out")" = "cli --help" ] || fail "standard output holds more than the program's"
grep -q '^Configuring the release build' "$work/err" || fail "the configuring step is not told"
steps=$(grep -c '^\[[0-9]*/[0-9]*\] ' "$work/err" || true)
[ "$steps" -ge 2 ] || fail "the build's steps do not show on standard error ($steps lines)"

bash "$work/scripts/run" --help >"$work/out" 2>"$work/err" || fail "the second run failed"
[ "$(cat "$work/out")" = "cli --help" ] || fail "standard output holds more than the program's"
if grep -q '^\[[0-9]*/[0-9]*\] ' "$work/err"; then fail "a built tree is built again"; fi
echo "run-progress: passed"
