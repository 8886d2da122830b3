#!/usr/bin/env bash
# Proves that every Debian package a build used is installed by the project's package list.
#   tools/check-packages.sh [--list "PKG ..."] BUILD_DIR...
# A developer's machine has packages from earlier work, so a build there passes even when the list misses
# one; on a fresh machine the same build fails. This check does not depend on what happens to be installed:
# it takes the files the configure and the build read outside the checkout, finds the package of each with
# dpkg -S, and fails naming every package that is neither in the list nor pulled in by a listed package's
# Depends or Pre-Depends. Recommends do not count: the list is installed with --no-install-recommends.
#
# The files, per build directory (configured and built): the compilers' dependency records (ninja -t deps:
# every header), the package configuration files CMake found (the *_DIR entries of CMakeCache.txt), every
# absolute path the Ninja files name (the compilers and archivers run, the libraries linked, and every file
# the configure read, on which the regeneration of build.ninja depends), Ninja, the compiler launcher and
# the Qt code generators of the automatic moc/uic runs.
# The list defaults to `./solvane packages`. Exit status 0 when every package is covered, 1 otherwise.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "${1:-}" = "--list" ]; then
  list="$2"
  shift 2
else
  list="$("$ROOT/solvane" packages)"
fi
if [ $# -eq 0 ]; then
  echo "usage: tools/check-packages.sh [--list \"PKG ...\"] BUILD_DIR..." >&2
  exit 2
fi

builds=()
for b in "$@"; do
  b="$(cd "$b" && pwd)"
  if [ ! -f "$b/build.ninja" ] || [ ! -f "$b/CMakeCache.txt" ]; then
    echo "check-packages: $b is not a configured Ninja build" >&2
    exit 2
  fi
  builds+=("$b")
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# 1. The files read outside the checkout and the build directories, one per line.
for b in "${builds[@]}"; do
  # Headers and sources of every object built, as the compiler reported them.
  ninja -C "$b" -t deps | sed -n 's/^ \{1,\}//p'
  # Package configuration files: what each *_DIR entry's folder holds under the names CMake looks for.
  sed -n 's/^[A-Za-z0-9_.+-]*_DIR:[A-Z]*=\(\/.*\)$/\1/p' "$b/CMakeCache.txt" | while IFS= read -r d; do
    for f in "$d"/*Config.cmake "$d"/*-config.cmake; do if [ -f "$f" ]; then printf '%s\n' "$f"; fi; done
  done
  # Ninja and the compiler launcher (ccache). Other programs and libraries the cache names may only have
  # been looked for (FindOpenGL records EGL and GLU without anything linking them): what the build runs
  # and links is taken from the Ninja files below.
  sed -n 's/^CMAKE_MAKE_PROGRAM:FILEPATH=\(\/.*\)$/\1/p' "$b/CMakeCache.txt"
  sed -n 's/^CMAKE_[A-Z]*_COMPILER_LAUNCHER:[A-Z]*=\(.*\)$/\1/p' "$b/CMakeCache.txt" | while IFS= read -r p; do
    command -v "$p" || true
  done
  # Every absolute path in the Ninja files: the compilers and cmake the rules run, the libraries linked,
  # and every file the configure read (the regeneration rule depends on each of them).
  { grep -ohE '(^|[ ;"=])/[^ ;"$:]+' "$b/build.ninja" "$b/CMakeFiles/rules.ninja" || true; } | sed 's/^[ ;"=]//'
  # The Qt code generators (moc, uic, rcc) of the automatic runs.
  find "$b" -name AutogenInfo.json -exec sed -n 's/.*"[A-Z]*_EXECUTABLE" : "\(\/[^"]*\)".*/\1/p' {} +
done | awk -v root="$ROOT/" -v builds="$(printf '%s/\n' "${builds[@]}")" '
  BEGIN { n = split(builds, d, "\n") }
  /^\// {
    if (index($0, root) == 1) next
    for (i = 1; i <= n; i++) if (d[i] != "" && index($0, d[i]) == 1) next
    print
  }' | sort -u | while IFS= read -r f; do if [ -f "$f" ]; then printf '%s\n' "$f"; fi; done >"$work/files"

# 2. The package of each file. dpkg knows a file under the path its package ships it at, which after the
# /usr merge may be /lib/... for a file found as /usr/lib/... (or the reverse), and a symlink's target
# may belong to another package than the link: each file is looked up as named, then in its other
# merged spelling, then by its target and the target's other spelling; the first hit counts.
xargs -r -d '\n' readlink -f <"$work/files" | paste "$work/files" - | awk -F'\t' '
  function merged(p) {
    if (p ~ /^\/usr\/(bin|sbin|lib|lib32|lib64|libx32)\//) return substr(p, 5)
    if (p ~ /^\/(bin|sbin|lib|lib32|lib64|libx32)\//) return "/usr" p
    return ""
  }
  {
    print $1 "\t" $1
    if ((m = merged($1)) != "") print $1 "\t" m
    print $1 "\t" $2
    if ((m = merged($2)) != "") print $1 "\t" m
  }' >"$work/candidates"
cut -f2 "$work/candidates" | sort -u | xargs -r -d '\n' dpkg-query -S 2>/dev/null |
  grep -v '^diversion by ' | sed -E 's/^(.*): (\/.*)$/\2\t\1/' >"$work/owners" || true

# 3. The packages the list installs: the listed ones and, transitively, every package their Depends and
# Pre-Depends name, each alternative group resolved to its first member that is installed here (as a
# package or through a package that provides it) - what apt chooses on a fresh machine. Essential
# packages are on every Debian system and count too.
dpkg-query -W -f='${db:Status-Abbrev}\t${Package}\t${Essential}\t${Provides}\t${Pre-Depends}, ${Depends}\n' >"$work/installed"
awk -F'\t' -v list="$list" -v missing="$work/missing-listed" '
  function name(s) { sub(/\(.*/, "", s); gsub(/[ \t]/, "", s); sub(/:.*/, "", s); return s }
  function add(p) { if (p != "" && !(p in closure)) { closure[p] = 1; queue[++tail] = p } }
  $1 ~ /^[ih]i/ {
    installed[$2] = 1
    if ($3 == "yes") essential[$2] = 1
    n = split($4, pv, ",")
    for (i = 1; i <= n; i++) { v = name(pv[i]); if (v != "") providers[v] = providers[v] " " $2 }
    deps[$2] = deps[$2] ", " $5
  }
  END {
    n = split(list, l, /[ \t\n]+/)
    for (i = 1; i <= n; i++) {
      if (l[i] == "") continue
      if (l[i] in installed) add(l[i]); else print l[i] > missing
    }
    for (p in essential) add(p)
    for (head = 1; head <= tail; head++) {
      nc = split(deps[queue[head]], clause, ",")
      for (c = 1; c <= nc; c++) {
        na = split(clause[c], alt, "|")
        for (a = 1; a <= na; a++) {
          v = name(alt[a])
          if (v == "") continue
          if (v in installed) { add(v); break }
          if (v in providers) { np = split(providers[v], pp, " "); for (k = 1; k <= np; k++) add(pp[k]); break }
        }
      }
    }
    for (p in closure) print p
  }' "$work/installed" | sort >"$work/closure"

# 4. Every file's package must be in the closure ("-" for a file of no package).
awk -F'\t' -v closurefile="$work/closure" -v ownersfile="$work/owners" '
  BEGIN {
    while ((getline p < closurefile) > 0) closure[p] = 1
    while ((getline line < ownersfile) > 0) { split(line, o, "\t"); if (!(o[1] in owner)) owner[o[1]] = o[2] }
  }
  !($1 in known) { known[$1] = 1; order[++n] = $1 }
  !($1 in chosen) && ($2 in owner) { chosen[$1] = owner[$2] }
  END {
    for (i = 1; i <= n; i++) {
      f = order[i]
      if (!(f in chosen)) { print "-\t" f; continue }
      np = split(chosen[f], pk, ", ")
      ok = 0
      for (k = 1; k <= np; k++) { sub(/:.*/, "", pk[k]); if (pk[k] in closure) ok = 1 }
      if (!ok) print pk[1] "\t" f
    }
  }' "$work/candidates" | sort >"$work/uncovered"

files=$(wc -l <"$work/files")
status=0
if [ -s "$work/missing-listed" ]; then
  echo "check-packages: listed but not installed (run ./solvane deps): $(tr '\n' ' ' <"$work/missing-listed")" >&2
  status=1
fi
if [ -s "$work/uncovered" ]; then
  awk -F'\t' '
    { count[$1]++; if (!($1 in example) || length($2) < length(example[$1])) example[$1] = $2 } # the shortest path tells most
    END {
      for (p in count) {
        if (p == "-") printf "check-packages: %d file(s) from no Debian package, e.g. %s\n", count[p], example[p]
        else printf "check-packages: package %s is used by the build (%d file(s), e.g. %s) but the package list does not install it: add it to PACKAGES in ./solvane\n", p, count[p], example[p]
      }
    }' "$work/uncovered" | sort >&2
  status=1
fi
[ "$status" -eq 0 ] && echo "check-packages: the $files files the build read outside the checkout all come from packages the list installs" >&2
exit "$status"
