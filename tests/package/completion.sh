#!/bin/bash
# Loads the completion script as bash does and checks what it offers, once
# with the bash-completion helpers and once without them.
set -u
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/list.txt" "$work/label.png" "$work/other"

# command line (the last word is being completed) | expected, sorted
CASES='dexmora-cli --sh|--shape --sheet --sheet-margin
dexmora-cli --sheet |a4 a5 legal letter
dexmora-cli --caption-side |below right
dexmora-cli --xdim f|fit
dexmora-cli --grid |
dexmora-cli --dm|--dm144 --dmre
dexmora-cli -s 16x|16x36 16x48 16x64
dexmora-cli --size 8x1|8x120 8x144 8x18
dexmora-cli --shape square -s 1|10 104 12 120 132 14 144 16 18
dexmora-cli --shape rectangle --size 2|20x36 20x44 20x64 22x48 24x48 24x64 26x40 26x48 26x64
dexmora-cli --size a|auto
dexmora-cli --format p|pdf png
dexmora-cli --format=s|svg
dexmora-cli -e |ascii base256 basic c40 edifact minimal text x12
dexmora-cli --encodation e|edifact
dexmora-cli --shape |any rectangle square
dexmora-cli --dm144 |defacto iso
dexmora-cli --macro 0|05 06
dexmora-cli --bg t|transparent
dexmora-cli --jobs |
dexmora-cli -o WORK/l|WORK/label.png WORK/list.txt
dexmora-cli --batch WORK/li|WORK/list.txt
dexmora-cli WORK/li|'

complete_line() {
  read -r -a COMP_WORDS <<<"$1"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$1
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _dexmora_cli
  printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//'
}

count_sizes() {
  COMP_WORDS=(dexmora-cli -s "")
  COMP_CWORD=2
  COMP_LINE='dexmora-cli -s '
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _dexmora_cli
  echo "${#COMPREPLY[@]}"
}

run_cases() {
  local mode=$1 failed=0 line words expected got
  while IFS= read -r line; do
    words=${line%%|*}
    expected=${line#*|}
    words=${words//WORK/$work}
    expected=${expected//WORK/$work}
    got=$(complete_line "$words")
    if [[ $got != "$expected" ]]; then
      echo "$mode: '$words' gave '$got', expected '$expected'" >&2
      failed=1
    fi
  done <<<"$CASES"
  # auto and the 48 sizes: 24 squares, 6 rectangles, 18 DMRE rectangles.
  got=$(count_sizes)
  if [[ $got != 49 ]]; then
    echo "$mode: -s offers $got values, expected 49" >&2
    failed=1
  fi
  return $failed
}

status=0
(
  source "$script"
  run_cases plain
) || status=1
if [[ -f /usr/share/bash-completion/bash_completion ]]; then
  (
    source /usr/share/bash-completion/bash_completion
    source "$script"
    declare -F _init_completion >/dev/null || { echo "bash-completion did not load" >&2; exit 1; }
    run_cases bash-completion
  ) || status=1
fi
[[ $status == 0 ]] && echo "completion: $(wc -l <<<"$CASES") cases passed"
exit $status
