#!/bin/sh
# Draws the icon of UpgradeVaxo.exe (packaging/UpgradeVaxo.ico): a blue
# tile with a white arrow pointing up, at 48, 32 and 16 pixels. Needs
# ImageMagick (scripts/install-windows-deps.sh installs it). Run it again
# only to change the icon; the .ico is kept in the repository.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 256x256 xc:none \
  -fill '#1d5aa6' -draw 'roundrectangle 8,8 247,247 40,40' \
  -fill '#ffffff' -draw 'polygon 128,36 220,136 164,136 164,220 92,220 92,136 36,136' \
  "$tmp/icon.png"
for s in 48 32 16; do
  convert "$tmp/icon.png" -resize ${s}x${s} "$tmp/icon-$s.png"
done
convert "$tmp/icon-48.png" "$tmp/icon-32.png" "$tmp/icon-16.png" UpgradeVaxo.ico
echo "packaging/UpgradeVaxo.ico"
