#!/usr/bin/env bash
# tests/host/installed.sh BUILD SOURCE: the installed layout. The programs in
# bin/ find the Tarvik library, the engine library and the template model in
# lib/ without being told where: ratebq-build encodes against the template
# model there, tarvik-host loads the library from there.
set -euo pipefail
build=$1 source=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/tarvik-installed-XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
export WINPORT_REGISTRY=$prefix/registry

"$prefix/bin/ratebq-build" "$source/samples/RateLibrary.json" "$prefix/libraries/lib" --password pw \
  --reg "$prefix/lib.reg" --bqid 7 --region R --period P --type T --region-id 1 --period-id 2 >/dev/null
"$prefix/bin/winreg" import "$prefix/lib.reg"
expect() {  # expect WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] || { printf '%s: expected\n%s\ngot\n%s\n' "$1" "$2" "$3" >&2; exit 1; }
}
expect list "$(printf '0\t7\tR\tP\tT\tRPT\t%s' "$prefix/libraries/lib")" "$("$prefix/bin/tarvik-host" list)"
expect check-password true "$("$prefix/bin/tarvik-host" check-password 7 pw)"
"$prefix/bin/tarvik-host" load 7 --password pw --codes 010501005 --summary | grep -q "^$(printf 'BQItem\t')[1-9]" ||
  { echo "load: no bill item" >&2; exit 1; }
echo "installed under $prefix: ratebq-build and tarvik-host found the modules in lib/"
