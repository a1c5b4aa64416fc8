#!/usr/bin/env bash
# Makes speech_clip.wav, the clip that `zvoice compare` codes by default:
# espeak-ng speaks two sentences and `zvoice convert` turns them into 16-bit
# 8000 Hz mono. Run by hand when the clip should change; the build only
# embeds the committed file, so neither CI nor users need espeak-ng.
# Needs espeak-ng (Debian package espeak-ng) and a built zvoice.
#
# usage: tools/clip/make_clip.sh [PATH/TO/zvoice]   (default: build/tools/zvoice)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
zvoice="${1:-$here/../../build/tools/zvoice}"
# Two Harvard sentences: a phonetically balanced mix of voiced, unvoiced and
# plosive sounds.
text="The birch canoe slid on the smooth planks. Glue the sheet to the dark blue background."

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
espeak-ng -v en-us -s 180 -w "$tmp/speech.wav" "$text"
"$zvoice" convert "$tmp/speech.wav" "$here/speech_clip.wav"
