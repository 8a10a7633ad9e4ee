#!/usr/bin/env bash
# The manual pages made at build time: each renders with man -l without a groff warning,
# and its OPTIONS section names exactly the options the program's --help names.
# Usage: check_man_pages.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
skip=77

command -v man >/dev/null || { echo "man is not installed (scripts/install-deps.sh installs man-db)"; exit $skip; }
[ -f "$build/man/ravixfinder.1" ] || { echo "no manual pages in $build/man (scdoc missing at configure time?)"; exit 1; }

declare -A programs=(
  [ravixfinder]="$build/shell/ravixfinder"
  [urlforge]="$build/urlforge/urlforge"
  [ravix-camsim]="$build/tools/camsim/ravix-camsim"
)

failed=0
# man runs groff in a sandbox that some containers refuse; the page is the same without it.
export MAN_DISABLE_SECCOMP=1 MANWIDTH=80
for page in "${!programs[@]}"; do
  out=$(mktemp)
  err=$(mktemp)
  man --warnings -l "$build/man/$page.1" >"$out" 2>"$err" || { echo "$page: man failed"; failed=1; }
  if [ -s "$err" ]; then
    echo "$page: warnings while rendering:"; cat "$err"; failed=1
  fi
  grep -q "EXIT STATUS" "$out" || { echo "$page: rendered page has no EXIT STATUS section"; failed=1; }
  rm -f "$out" "$err"

  program=${programs[$page]}
  if [ ! -x "$program" ]; then
    echo "$page: $program is not part of this build; its options are not compared"; continue
  fi
  help_options=$(QT_QPA_PLATFORM=offscreen "$program" --help | grep -oE '(^|[ [|,])(--[a-z][a-z-]*|/clipboard)' \
                 | grep -oE '(--[a-z-]+|/clipboard)' | sort -u)
  page_options=$(sed -n '/^# OPTIONS/,/^# /p' "$source/docs/man/$page.1.scd" | grep -oE '^\*(--[a-z][a-z-]*|/clipboard)\*' \
                 | tr -d '*' | sort -u)
  if [ "$help_options" != "$page_options" ]; then
    echo "$page: --help and the manual page name different options:"
    diff <(echo "$help_options") <(echo "$page_options") | sed 's/^</  --help only:/; s/^>/  page only:/' | grep only || true
    failed=1
  else
    echo "$page: $(echo "$page_options" | wc -l) options in --help and on the page"
  fi
done
exit $failed
