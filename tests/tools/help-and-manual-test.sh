#!/usr/bin/env bash
# Each program's --help and its manual page name the same options: every option of --help
# has its entry under OPTIONS in the page (short and long names alike), every entry there is
# one --help lists, and an option named anywhere else in the page is one the program has.
#   help-and-manual-test.sh MAN_DIR PROGRAM...
set -uo pipefail
man_dir=$1
shift
failures=0

# The options of --help: the rows of its option list, each up to the gap before its text.
help_options() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u LC_ALL -u LC_MESSAGES -u LANGUAGE \
    LANG=C.UTF-8 timeout 20 "$1" --help |
    sed -n 's/^  \(-[^ ].*\)$/\1/p' | sed 's/   *.*$//' | option_names
}

# The manual page's source with its escapes for a minus and for fonts read as plain text.
page_text() {
  sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$1"
}

# The lines that name the options under OPTIONS: each first line after a .TP.
page_option_entries() {
  page_text "$1" | awk '
    /^\.SH / { inside = ($2 == "OPTIONS") ; next }
    inside && tagged { print; tagged = 0; next }
    inside && /^\.TP/ { tagged = 1 }'
}

# -x and --long-name, wherever they stand alone in the text (not "tab-separated", not "-5").
option_names() {
  grep -oE '(^|[ ",(])--?[A-Za-z][A-Za-z0-9-]*' | sed 's/^[ ",(]*//' | sort -u
}

for program in "$@"; do
  name=${program##*/}
  page=$man_dir/$name.1
  if [ ! -f "$page" ]; then
    echo "FAILED: $name has no manual page $page"
    failures=$((failures + 1))
    continue
  fi
  from_help=$(help_options "$program")
  # The macro at the start of an entry (.B, .BR, .BI ...) is not an option.
  from_page=$(page_option_entries "$page" | sed 's/^\.[A-Z]* //' | option_names)
  named_in_page=$(page_text "$page" | sed 's/^\.[A-Z]* //' | option_names)
  if [ -z "$from_help" ] || [ -z "$from_page" ]; then
    echo "FAILED: $name: no options found (--help: ${from_help:-none}; page: ${from_page:-none})"
    failures=$((failures + 1))
    continue
  fi
  only_help=$(comm -23 <(echo "$from_help") <(echo "$from_page"))
  only_page=$(comm -13 <(echo "$from_help") <(echo "$from_page"))
  unknown=$(comm -13 <(echo "$from_help") <(echo "$named_in_page"))
  if [ -n "$only_help" ]; then
    echo "FAILED: $name --help lists options its manual page leaves out: ${only_help//$'\n'/ }"
    failures=$((failures + 1))
  fi
  if [ -n "$only_page" ]; then
    echo "FAILED: the manual page of $name lists options its --help leaves out: ${only_page//$'\n'/ }"
    failures=$((failures + 1))
  fi
  if [ -n "$unknown" ]; then
    echo "FAILED: the manual page of $name names options the program doesn't have: ${unknown//$'\n'/ }"
    failures=$((failures + 1))
  fi
done

[ "$failures" -eq 0 ] && echo "every --help and its manual page list the same options"
exit $((failures > 0))
