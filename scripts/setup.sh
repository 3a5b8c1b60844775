# Shared by the README's commands: installs the Debian packages the build
# needs (only those missing), then configures and builds a CMake preset.
# Sourced, not run.

MORVANE_PACKAGES=(
  g++ cmake ninja-build pkg-config
  libsdl2-dev libsdl2-ttf-dev libsdl2-image-dev fonts-ipafont-gothic
  googletest libgtest-dev libbenchmark-dev python3-jsonschema
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

# build_preset NAME: configure once, then build (incremental).
build_preset() {
  local preset=$1 root
  root=$(morvane_root)
  if [ ! -f "$root/build/$preset/build.ninja" ]; then
    cmake --preset "$preset" -S "$root" >/dev/null
  fi
  cmake --build "$root/build/$preset" -j "$(nproc)"
}
