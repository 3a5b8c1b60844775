# Shared by the README's commands: installs the Debian packages the build
# needs (only those missing), then configures and builds a CMake preset.
# Sourced, not run.

MORVANE_PACKAGES=(
  g++ cmake ninja-build pkg-config
  libsdl2-dev libsdl2-ttf-dev libsdl2-image-dev fonts-ipafont-gothic
  googletest libgtest-dev libbenchmark-dev python3-jsonschema
  clang libclang-rt-14-dev clang-format-14
  libegl-dev libgl-dev libgl1-mesa-dri libegl-mesa0
)

morvane_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

ensure_packages() {
  local missing=() pkg
  for pkg in "${MORVANE_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
}

# build_preset NAME [TARGET...]: configure once, then build everything or the
# given targets (incremental).
build_preset() {
  local preset=$1 root
  shift
  root=$(morvane_root)
  if [ ! -f "$root/build/$preset/build.ninja" ]; then
    cmake --preset "$preset" -S "$root" >/dev/null
  fi
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake --build "$root/build/$preset" -j "$(nproc)" "${targets[@]}"
}

# True when clang++ and libFuzzer's runtime are installed (the fuzz preset).
have_libfuzzer() {
  command -v clang++ >/dev/null 2>&1 || return 1
  local runtime
  runtime=$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null) || return 1
  [ -f "$runtime" ] && return 0
  # Older clangs name the runtime by the resource folder only.
  compgen -G "$(clang++ -print-resource-dir)/lib/linux/libclang_rt.fuzzer-*.a" >/dev/null
}
