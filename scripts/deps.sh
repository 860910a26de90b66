# Installs the Debian packages that are missing from this machine.
# Sourced by run.sh and test.sh: ensure_packages PACKAGE...
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo="sudo"
        else
            echo "Missing packages: ${missing[*]}; run as root or install sudo." >&2
            return 1
        fi
    fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What every build of the project needs; ccache makes builds of sources it has seen quick.
# libmosquitto-dev: the logger publishes to MQTT brokers through Debian's libmosquitto.
BUILD_PACKAGES=(build-essential cmake qt6-base-dev qt6-serialport-dev libgl-dev ccache
    libmosquitto-dev pkg-config)

# What the packaging checks among the tests need: the validators, lintian, the Windows cross
# compiler that checks the Windows-only files, and systemd-analyze for the logger's unit.
# What reads the captures back in the tests, as an engineer would open them: Wireshark's tshark.
CAPTURE_CHECK_PACKAGES=(tshark)

# The MQTT broker and clients the logger's MQTT tests run against, openssl for their test
# certificate authority, and what checks the messages against their JSON Schema.
MQTT_CHECK_PACKAGES=(mosquitto mosquitto-clients openssl python3-jsonschema)

# What builds the HART-IP reference device the interoperability tests talk to.
INTEROP_PACKAGES=(build-essential libssl-dev libjsoncpp-dev)

PACKAGING_CHECK_PACKAGES=(desktop-file-utils appstream lintian g++-mingw-w64-x86-64-posix systemd)
