#!/usr/bin/env bash
# The arrows between the libraries, checked on the sources: every quoted
# include names its module folder, and a module includes only what it may
# link. The widget-free modules (core, codec) include no Qt Widgets header.
#
# Usage: layers.sh <source root> <Qt Widgets include folder>
set -u
root=$1
widgets=$2
status=0

# module folder -> folders its files may include (besides their own)
declare -A allowed=(
  [core]=""
  [codec]="core"
  [platform]="core controls/base"
  [platform/desktop]="core controls/base platform platform/desktop/mail"
  [platform/desktop/mail]="core controls/base platform"
  [controls/base]="core"
  [controls/shadolbl]="core controls/base"
  [controls/selshape]="core controls/base"
  [controls/shinespdbtn]="core controls/base"
  [app]="core codec platform controls/base controls/shadolbl controls/selshape controls/shinespdbtn"
  [tools/compose]="core codec platform controls/base controls/shadolbl controls/selshape controls/shinespdbtn app"
)

fail() { echo "$1"; status=1; }

while IFS= read -r file; do
  rel=${file#"$root"/src/}
  module=$(dirname "$rel")
  [[ -n ${allowed[$module]+set} ]] || { fail "$rel: in no known module folder"; continue; }
  while IFS= read -r line; do
    target=$(sed -E 's/^#include "([^"]+)".*/\1/' <<<"$line")
    [[ $target == *.moc ]] && continue
    [[ $target == */* ]] || { fail "$rel: includes \"$target\" without its module folder"; continue; }
    dir=$(dirname "$target")
    [[ -f $root/src/$target ]] || { fail "$rel: includes \"$target\", which is not in src/"; continue; }
    [[ $dir == "$module" ]] && continue
    ok=0
    for a in ${allowed[$module]}; do [[ $dir == "$a" ]] && ok=1; done
    # The program itself builds the desktop services it hands to the window.
    [[ $rel == app/main.cpp && $dir == platform/desktop* ]] && ok=1
    ((ok)) || fail "$rel: $module may not include $target"
  done < <(grep -E '^#include "' "$file")
  if [[ $module == core || $module == codec ]]; then
    while IFS= read -r header; do
      name=$(sed -E 's/^#include <(QtWidgets\/)?([^>]+)>.*/\2/' <<<"$header")
      [[ -e $widgets/$name ]] && fail "$rel: includes the widget header <$name>"
    done < <(grep -E '^#include <Q' "$file")
  fi
done < <(find "$root/src" -name '*.h' -o -name '*.cpp' | sort)

((status == 0)) && echo "every include follows the arrows"
exit $status
