# Shared by the scripts: package installation and the two build trees.
# Source it from a script that has already cd'ed to the repository root.

TW_ROOT=$(pwd)
TW_JOBS=${TW_JOBS:-$(nproc)}

# Installs the Debian packages that are not installed yet (quietly; apt-get
# update once, only when something is missing).
tw_ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  if [ -z "${TW_APT_UPDATED:-}" ]; then
    $sudo apt-get update -qq >/dev/null
    TW_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Packages of the host build (tarnwick-scan, the tests). FreeType, fontconfig
# and a CJK font give the treemap pictures of tarnwick-scan their texts (the
# build goes on without).
TW_HOST_PACKAGES=(cmake ninja-build g++ libgtest-dev googletest nlohmann-json3-dev python3 zlib1g-dev
                  libfreetype-dev libfontconfig-dev fonts-noto-cjk)
# Packages every build needs: the host's and the Windows tree's.
TW_BUILD_PACKAGES=("${TW_HOST_PACKAGES[@]}" g++-mingw-w64-x86-64-posix libz-mingw-w64-dev)

# Configures and builds the host tree (Linux g++) in $1 with extra cmake args.
tw_build_host() {
  local dir=$1; shift
  cmake -S "$TW_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$TW_JOBS"
}

# Configures and builds the Windows tree (mingw-w64, static) in $1.
tw_build_win() {
  local dir=$1; shift
  cmake -S "$TW_ROOT" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TW_ROOT/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$dir" -j "$TW_JOBS"
}

# Packages of the clang trees (fuzz targets; the sanitizer runtimes).
TW_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

# Configures the clang fuzz tree in $1 and builds the given fuzz targets
# (coverage instrumentation, AddressSanitizer, UndefinedBehaviorSanitizer).
tw_build_fuzz() {
  local dir=$1; shift
  tw_ensure_packages "${TW_FUZZ_PACKAGES[@]}" "${TW_BUILD_PACKAGES[@]}"
  CC=clang-14 CXX=clang++-14 cmake -S "$TW_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTARNWICK_FUZZ=ON -DTARNWICK_TESTS=OFF >/dev/null
  cmake --build "$dir" -j "$TW_JOBS" --target "$@"
}

# Prints the path of the sample volume, unpacked sparse from tests/data into
# build/sample (or built by its script when the compressed image is missing).
tw_sample_image() {
  local sample_gz=tests/data/sample.img.gz
  local sample=build/sample/sample.img
  mkdir -p build/sample
  if [ ! -f "$sample_gz" ]; then
    tw_ensure_packages ntfs-3g fuse3 >&2
    tools/make_sample_volume.sh "$sample_gz" >&2
  fi
  if [ ! -f "$sample" ] || [ "$sample_gz" -nt "$sample" ]; then
    gzip -dc "$sample_gz" | cp --sparse=always /dev/stdin "$sample.tmp"
    mv "$sample.tmp" "$sample"
  fi
  echo "$sample"
}
