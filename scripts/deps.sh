# The Debian packages the project builds and tests with; sourced by the other scripts.
KESTREL_PACKAGES=(
  build-essential cmake pkg-config
  libgtest-dev
  libusb-dev
  libssl-dev nlohmann-json3-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev fonts-wqy-microhei
  python3 python3-pytest python3-pip python3-setuptools python3-wheel python3-venv
  help2man file
  doxygen
  ccache
  libtomlplusplus-dev libcpp-httplib-dev libsqlite3-dev sqlite3 libmosquitto-dev mosquitto mosquitto-clients
  chromium tshark curl
  qt6-l10n-tools
)

# The cross-compilers and Wine of the Windows stage (scripts/test-windows).
KESTREL_WINDOWS_PACKAGES=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64
)

# install_missing_packages [package...]: the named packages, or KESTREL_PACKAGES.
install_missing_packages() {
  local wanted=("$@") missing=()
  if [ ${#wanted[@]} -eq 0 ]; then
    wanted=("${KESTREL_PACKAGES[@]}")
    # Node.js and npm run the independent LLRP client and the gateway's browser test. A machine
    # that has them (from Debian or another source) keeps its own; else Debian's are installed.
    if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
      wanted+=(nodejs npm)
    fi
  fi
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (install them, or run this as root)" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=900 update -qq
  apt-get -o DPkg::Lock::Timeout=900 install -y -qq "${missing[@]}"
}

# use_compiler_cache SOURCE_DIR: compile through ccache when it is installed, with paths taken
# relative to the checkout, so a second build of the same sources (another build folder, another
# clone) reuses the objects. Takes effect when a build folder is first configured.
use_compiler_cache() {
  command -v ccache >/dev/null 2>&1 || return 0
  export CMAKE_C_COMPILER_LAUNCHER="${CMAKE_C_COMPILER_LAUNCHER:-ccache}"
  export CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}"
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$1}"
}
