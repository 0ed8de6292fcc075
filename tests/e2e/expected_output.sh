# Sourced by the end-to-end tests: the program's output, byte for byte, with
# each time figure shown as <t>, and the filter that puts <t> in the real
# output's place. Each report is ten lines.
# A Windows console's text mode ends lines with "\r\n"; the \r is kept.
time_line='^(Minimum  sure: |Maksimum sure: |Ortalama sure: )(.*)s(\r?)$'

# Prints the output of a run with PASSES (1 or 2) passes.
expected_output() {
  report() {
    printf '\nAritmatik ortalama:499.85\nVaryans:83308.3\nStandart Sapma:288.632\n'
    printf '\nSimdiki  sure: 0s\nMinimum  sure: <t>s\nMaksimum sure: <t>s\nOrtalama sure: <t>s\n\n'
  }
  if [[ $1 -eq 2 ]]; then
    printf '\a\a3DNow!  bulundu.\n'
    report
    printf "3DNow! 'li hesaplama\n"
    report
  else
    printf '\a\aUyar\375:islemciniz 3DNow!  desteklemiyor!\n'
    report
  fi
}

# Copies FILE to standard output with its time figures replaced by <t>.
hide_times() { sed -E "s/$time_line/\\1<t>s\\3/" "$1"; }

# Prints what the variant with counted kernels writes at exit after a run
# with PASSES passes: the scalar pass and, with 3DNow!, the packed one each
# run the mean, their own two kernels and the sum once; the last sum of
# squares is the same double in both, and every sum is rounded as a double
# rounds it.
expected_kernel_calls() {
  local packed=$(($1 - 1))
  printf 'fillMean %d\nsubtractScalar 1\nsquareScalar 1\nsubtract3DNow %d\nsquare3DNow %d\n' \
    "$1" "$packed" "$packed"
  printf 'sumValues %d, last 0x%s\nsums round to double: yes\n' "$1" 41c8d203d4aea09b
}
