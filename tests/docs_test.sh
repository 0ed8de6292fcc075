#!/usr/bin/env bash
# Keeps the documentation true to the tree it describes.
#
#   docs_test.sh names SOURCE_DIR
#     In README.md and docs/*.md: every file path, link (and its #anchor),
#     preset, CMake option and test name exists; no line outside a code block
#     is over 120 characters; the README stays short; the report's labels keep
#     their two spaces. The user's README keeps
#     to lines a DOS console shows whole.
#   docs_test.sh samples SOURCE_DIR PROGRAM
#     Every sample run they show (a code block whose first line is "$ " and
#     build/release/statbench, alone or under QEMU) is run on PROGRAM; its
#     standard output, times masked and bells removed, must be the block's
#     lines.
#   docs_test.sh archive SOURCE_DIR CPACK CPACK_CONFIG PROGRAM_FILE README_FILE
#     Packs the build's archive into a scratch folder: it must hold one folder
#     with PROGRAM_FILE, README_FILE and the license, and that README must name
#     the folder and the program's path in it.
#
# Test names are checked against the names tests/CMakeLists.txt and
# bench/CMakeLists.txt register, read as text, where ${var} stands for any
# word: so the tests of every preset are known, not only this build's. The
# unit tests' names come from the TEST macros of tests/*.cpp.
. "$(dirname "$0")/lib.sh"
export LC_ALL=C.UTF-8
mode=$1
root=$(cd "$2" && pwd)
shift 2
cd "$root"
here=$root/tests
cmake=${CMAKE:-cmake}
failures=0
# Each fault is named and counted, and the checks go on: all are listed.
fault() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
docs=(README.md docs/*.md)

# Prints FILE with the lines of its fenced code blocks emptied (prose), or
# with only those lines kept (code); line numbers stay.
prose() { awk '/^```/ { inside = !inside; print ""; next } { print inside ? "" : $0 }' "$1"; }
code() { awk '/^```/ { inside = !inside; print ""; next } { print inside ? $0 : "" }' "$1"; }

# Prints "LINE WORD" for each word a doc names: the words of its inline code
# spans and of its code blocks, stripped of the punctuation around them.
words() {
  {
    prose "$1" | awk '{ n = split($0, part, "`"); for (i = 2; i <= n; i += 2) print NR, part[i] }'
    code "$1" | awk 'NF { print NR, $0 }'
  } | awk '{ for (i = 2; i <= NF; i++) { w = $i; gsub(/^[("'"'"']+|[,;:.)"'"'"']+$/, "", w); if (w != "") print $1, w } }'
}

check_names() {
  local presets configure_presets
  presets=$("$cmake" --list-presets=all | awk '/^Available/ { kind = $2 } /^ *"/ { gsub(/"/, "", $1); print kind, $1 }')
  configure_presets=$(awk '$1 == "configure" { print $2 }' <<<"$presets")
  # Every name a test is registered under, ${var} as a pattern.
  local cmake_text registered prefixes
  cmake_text=$(cat tests/CMakeLists.txt bench/CMakeLists.txt)
  prefixes=$(grep -oE '(add_test\(NAME|statbench_add_[a-z]+\() *[a-z0-9_]+\.' <<<"$cmake_text" |
    sed -E 's/.*[ (]//; s/\.$//' | sort -u)
  # A name is checked where its prefix is registered: a reading that finds
  # none would check nothing.
  grep -qx statbench <<<"$prefixes" || fault "no statbench.* test found registered in the CMake files"
  registered=$(tr -s ' \t()"' '\n\n\n\n\n' <<<"$cmake_text" |
    grep -E "^($(paste -sd'|' <<<"$prefixes"))\.[A-Za-z0-9_\${}]+$" | sort -u)
  sed -E 's/\./\\./g; s/\$\{[A-Za-z0-9_]+\}/[A-Za-z0-9_]+/g' <<<"$registered" >"$work/registered"
  local registered_starts
  registered_starts=$(sed 's/\$.*//' <<<"$registered")
  local gtests
  gtests=$(cat tests/*.cpp | tr '\n' ' ' |
    grep -oE '\b(TEST|TEST_F|TEST_P|TYPED_TEST)\( *[A-Za-z0-9_]+ *, *[A-Za-z0-9_]+' |
    sed -E 's/.*\( *//; s/ *, */./' | sort -u)
  local built_dirs
  built_dirs=$(cat "${docs[@]}" | grep -oE -- '-B build/[A-Za-z0-9_-]+' | sed 's/.*build\///' | sort -u)

  local doc line word base name found kind headings
  for doc in "${docs[@]}"; do
    while read -r line word; do
      at="$doc:$line"
      [[ $word == *'<'* || $word == *'$'* ]] && continue
      # Paths in the source tree.
      if [[ $word =~ ^(\./)?(app|bench|cmake|docs|kernels|platform|timing|tests|\.ci)(/|$) ||
        $word =~ ^(README\.md|LICENSE|CMakeLists\.txt|CMakePresets\.json|\.clang-format)$ ]]; then
        [[ $word == *'*'* ]] || [[ -e $word ]] || fault "$at: no such file: $word"
        continue
      fi
      # Build trees: a preset's, or one the docs make with -B.
      if [[ $word =~ ^build/([A-Za-z0-9_-]+) ]]; then
        base=${BASH_REMATCH[1]}
        grep -qxF "$base" <<<"$configure_presets"$'\n'"$built_dirs" ||
          fault "$at: no preset builds in build/$base"
        continue
      fi
      # CTest names: a registered name, or with a trailing *, the start of one.
      if [[ $word =~ ^[a-z][a-z0-9_]*\.[a-z0-9_]+\*?$ && ! $word =~ \.(a|c|h|cpp|sh|txt|md|json|cmake|awk|tsv|so|exe|debug|zip|gz|log|in|rc)$ ]] &&
        grep -qxF "${word%%.*}" <<<"$prefixes"; then
        found=no
        if [[ $word == *'*' ]]; then
          # The start of a name, or of the literal part of a pattern.
          while read -r name; do
            [[ $name == "${word%\*}"* || ${word%\*} == "$name"* ]] && found=yes && break
          done <<<"$registered_starts"
        elif grep -qxEf "$work/registered" <<<"$word"; then
          found=yes
        fi
        [[ $found == yes ]] || fault "$at: no test is registered as $word"
        continue
      fi
      # GoogleTest names: Suite.Name, or Suite.* for a whole suite.
      if [[ $word =~ ^[A-Z][A-Za-z0-9]*\.([A-Z][A-Za-z0-9_]*[a-z][A-Za-z0-9_]*|\*)$ ]]; then
        if [[ $word == *'.*' ]]; then
          grep -q "^${word%.\*}\." <<<"$gtests" || fault "$at: no unit test suite ${word%.\*}"
        else
          grep -qxF "$word" <<<"$gtests" || fault "$at: no unit test $word"
        fi
      fi
    done < <(words "$doc")

    # Presets, by the command that takes them.
    while IFS=: read -r line command; do
      name=${command##* }
      case $command in
        'cmake --build'*) kind=build ;;
        'cmake --workflow'*) kind=workflow ;;
        ctest*) kind='test' ;;
        cpack*) kind=package ;;
        *) kind=configure ;;
      esac
      grep -qxF "$kind $name" <<<"$presets" || fault "$doc:$line: no $kind preset $name"
    done < <(grep -noE '(cmake( --build| --workflow)?|ctest|cpack) --preset [A-Za-z0-9_-]+' "$doc")
    # The first column of a table headed "Preset" names configure presets.
    while read -r line name; do
      grep -qxF "$name" <<<"$configure_presets" || fault "$doc:$line: no preset $name"
    done < <(prose "$doc" | awk -F'|' '!/^\|/ { table = 0 } /^\| *[A-Za-z]/ { table = ($2 ~ /^ *Preset *$/) } table {
        n = split($2, part, "`"); for (i = 2; i <= n; i += 2) print NR, part[i] }')

    # STATBENCH_ names exist in the build or its scripts; those set with -D, or
    # listed in a table headed "Option", are cache options.
    while IFS=: read -r line name; do
      grep -rqw --exclude-dir=build --exclude-dir=.git --exclude-dir=docs --exclude=README.md "$name" . ||
        fault "$doc:$line: $name is named nowhere in the build or its scripts"
    done < <(grep -noE 'STATBENCH_[A-Z0-9_]+' "$doc")
    while read -r line name; do
      grep -qE "(option\( *$name( |$)|set\( *$name .*CACHE)" CMakeLists.txt cmake/*.cmake \
        tests/CMakeLists.txt bench/CMakeLists.txt || fault "$doc:$line: no CMake option $name"
    done < <({
      grep -noE -- '-DSTATBENCH_[A-Z0-9_]+' "$doc" | sed 's/:-D/ /'
      prose "$doc" | awk -F'|' '!/^\|/ { table = 0 } /^\| *[A-Za-z]/ { table = ($2 ~ /^ *Option *$/) } table {
          n = split($2, part, "`"); for (i = 2; i <= n; i += 2) print NR, part[i] }'
    })

    # Links to files of the tree and to their headings.
    while IFS=: read -r line target; do
      target=${target#](}
      target=${target%)}
      [[ $target =~ ^[a-z]+: ]] && continue
      local file=${target%%#*} anchor=
      [[ $target == *'#'* ]] && anchor=${target#*#}
      [[ -n $file ]] && file=$(dirname "$doc")/$file || file=$doc
      if [[ ! -e $file ]]; then
        fault "$doc:$line: link to a missing file: $target"
      elif [[ -n $anchor ]]; then
        # GitHub's anchors: the heading in lower case, spaces as hyphens, no
        # other punctuation.
        headings=$(sed -nE 's/^#+ //p' "$file" | sed -E 's/[A-Z]/\L&/g; s/[^a-z0-9 _-]//g; s/ /-/g')
        grep -qxF "$anchor" <<<"$headings" || fault "$doc:$line: no heading in $file for #$anchor"
      fi
    done < <(prose "$doc" | grep -noE '\]\([^)]+\)')

    while IFS=: read -r line _; do
      fault "$doc:$line: longer than 120 characters"
    done < <(prose "$doc" | grep -nE '^.{121,}$')
  done

  # The report's labels as the program writes them: two spaces after these.
  while IFS=: read -r file line _; do
    fault "$file:$line: the report writes \"Simdiki  sure\" and \"Minimum  sure\" with two spaces"
  done < <(grep -nE '(Simdiki|Minimum) sure' /dev/null "${docs[@]}" docs/USER_README.txt)

  local lines
  lines=$(wc -l <README.md)
  [[ $lines -le 150 ]] || fault "README.md: $lines lines, more than 150"
  while IFS=: read -r line _; do
    fault "docs/USER_README.txt:$line: longer than 78 characters"
  done < <(grep -nE '^.{79,}$' docs/USER_README.txt)
}

check_samples() {
  local program doc line ran=0
  program=$(realpath "$1")
  source "$here/e2e/expected_output.sh"
  for doc in "${docs[@]}"; do
    # Each sample: its first line's number, then the command, then the lines
    # it shows, one file per block.
    awk -v dir="$work" -v doc="$(basename "$doc")" '
      /^```/ { if (inside) { close(out); inside = 0; out = "" } else inside = 1; first = 1; next }
      inside && first { first = 0
        if ($0 ~ /^\$ (qemu-[a-z0-9_]+ (-cpu [^ ]+ )?)?build\/release\/statbench( |$)/) {
          out = dir "/" doc "." NR; print substr($0, 3) > out }
        next }
      inside && out != "" { print > out }' "$doc"
  done
  local sample command what
  for sample in "$work"/*.[0-9]*; do
    [[ -e $sample ]] || continue
    command=$(head -n 1 "$sample")
    command=${command//build\/release\/statbench/$program}
    tail -n +2 "$sample" | hide_times /dev/stdin >"$work/shown"
    (cd "$work" && bash -c "$command" 2>/dev/null) | tr -d '\a' | hide_times /dev/stdin >"$work/real" || true
    # In a subshell, so that a fault is counted and the other samples still run.
    what="${sample##*/}: the sample run \"$(head -n 1 "$sample")\" is not what the program prints"
    (same_bytes "$work/shown" "$work/real" "$what (times masked; the block, then the program)") ||
      failures=$((failures + 1))
    ran=$((ran + 1))
  done
  [[ $ran -gt 0 ]] || fault "no sample run of build/release/statbench found in ${docs[*]}"
  echo "$ran sample runs compared"
}

check_archive() {
  local cpack=$1 config=$2 program=$3 readme=$4 listing folder
  "$cpack" --config "$config" -B "$work" >"$work/log" 2>&1 || {
    cat "$work/log"
    fault "cpack failed"
    return
  }
  local archive
  archive=$(find "$work" -maxdepth 1 -name 'statbench-*' \( -name '*.zip' -o -name '*.tar.gz' \))
  listing=$(cd "$work" && "$cmake" -E tar tf "$archive")
  folder=$(basename "$archive")
  folder=${folder%.zip}
  folder=${folder%.tar.gz}
  echo "$listing"
  [[ $(sed 's|/.*||' <<<"$listing" | sort -u) == "$folder" ]] || fault "the archive holds more than the folder $folder"
  for file in "$program" "$readme" "LICENSE${readme#README}"; do
    grep -qxF "$folder/$file" <<<"$listing" || fault "no $folder/$file in the archive"
  done
  (cd "$work" && "$cmake" -E tar xf "$archive")
  if [[ -e $work/$folder/$readme ]]; then
    tr -d '\r' <"$work/$folder/$readme" >"$work/readme"
    grep -qF "$folder" "$work/readme" || fault "the archive's README does not name its folder $folder"
    # On Linux the command that starts it from the folder; on Windows the
    # file, which the console starts by its name alone.
    local named=./$program
    [[ $program == *.* ]] && named=$program
    grep -qE "(^|[^A-Za-z0-9_./])${named//./\\.}([^A-Za-z0-9_]|$)" "$work/readme" ||
      fault "the archive's README does not name $named"
  fi
}

case $mode in
  names) check_names ;;
  samples) check_samples "$@" ;;
  archive) check_archive "$@" ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
if [[ $failures -gt 0 ]]; then
  echo "$failures fault(s) in the documentation"
  exit 1
fi
