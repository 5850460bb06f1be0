#!/usr/bin/env bash
# Installs the Debian packages Quillmere needs to build, test and run, when missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    ccache        # rebuilds in a fresh clone reuse what an earlier build compiled
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev
    fonts-noto-cjk       # the editor's default font: real glyphs for Chinese, toned pinyin, Greek, Cyrillic
    fonts-dejavu-core    # Latin, pinyin, Greek and Cyrillic ahead of WenQuanYi when Noto is missing
    fonts-wqy-microhei   # without a CJK font Chinese text shows as boxes
    libicu-dev           # word breaks for moving by words, Chinese words included
    qt6-translations-l10n  # Qt's own dialogs in Chinese
    libopencc-dev libopencc-data  # traditional to simplified Chinese
    libpcre2-dev   # the regular-expression tool
    libsodium-dev  # the text cipher
    unicode-data python3  # the pinyin table is generated from Unihan at build time
    desktop-file-utils appstream  # the install test validates the menu entry and metainfo
    libzip-dev    # the EPUB container
    epubcheck     # the EPUB tests validate every book they write
    openssl       # a test makes a self-signed certificate for its own https server
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
