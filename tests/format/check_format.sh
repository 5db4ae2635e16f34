#!/usr/bin/env bash
# Every C++ source of the project in the layout its .clang-format gives, and no line past the
# column limit (comments and strings included, which clang-format may leave alone).
set -euo pipefail
root=$1
cd "$root"
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.inc' 2>/dev/null ||
                     find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
[ ${#files[@]} -gt 0 ] || { echo "no sources found under $root"; exit 1; }
status=0
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/pagelens-format.$$; then
  grep -E '^[^ ].*(warning|error):' /tmp/pagelens-format.$$ | cut -d: -f1 | sort -u |
    sed 's/^/not formatted: /'
  status=1
fi
rm -f /tmp/pagelens-format.$$
limit=$(sed -n 's/^ColumnLimit: *//p' .clang-format)
# perl, which every Debian system has, counts characters, not bytes.
if ! perl -CSD -ne 'chomp; if (length > '"$limit"') { print "$ARGV:$.: " . length . " columns\n"; $bad = 1 }
    close ARGV if eof; END { exit($bad ? 1 : 0) }' "${files[@]}"; then status=1; fi
[ $status -eq 0 ] && echo "${#files[@]} files formatted, every line within $limit columns"
exit $status
