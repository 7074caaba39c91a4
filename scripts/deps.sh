# The Debian packages the project builds and tests with; sourced by the other scripts.
KESTREL_PACKAGES=(
  build-essential cmake pkg-config
  libgtest-dev
  libusb-dev
  libssl-dev nlohmann-json3-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev fonts-wqy-microhei
  python3
  help2man file
)

install_missing_packages() {
  local missing=()
  for p in "${KESTREL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (install them, or run this as root)" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
}
