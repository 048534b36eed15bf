#!/usr/bin/env bash
# Draws the about box's picture (a meter dial over a sky gradient, with a lightning bolt) and
# writes about.jpg beside this script. Run it again after changing the drawing; the .jpg is
# committed so that a build needs no ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 111x108 gradient:'#9fc5e8-#1f3a93' \
  -fill '#f4f4f0' -stroke '#0b1f4d' -strokewidth 3 -draw 'circle 55,58 55,18' \
  -stroke '#0b1f4d' -strokewidth 2 \
  -draw 'line 55,22 55,30' -draw 'line 27,34 32,39' -draw 'line 83,34 78,39' \
  -draw 'line 19,58 27,58' -draw 'line 91,58 83,58' \
  -stroke '#c62828' -strokewidth 3 -draw 'line 55,58 78,36' \
  -fill '#0b1f4d' -stroke none -draw 'circle 55,58 55,63' \
  -fill '#f2c14e' -stroke '#8a6d1d' -strokewidth 1 \
  -draw 'polygon 50,70 62,70 56,80 64,80 48,98 53,84 45,84' \
  -strip -quality 88 about.jpg
