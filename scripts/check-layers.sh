#!/usr/bin/env bash
# Checks that #include runs only downward through the layers:
#   base (0) <- workbook (1) <- store (2) <- rules (3) <- screens (4) <- program (5)
# The workbook format knows no database.
# A file may include headers of its own layer and of the layers below it.
# The core layers (base, store, rules) never reach the widget headers.
# A screen reaches the data only through the rules: of the store it may
# include only the plain value types listed in screenStore.
# Statements only SQLite understands stand in the file engine's folder,
# store/sqlite/, and nowhere else (tests/ and bench/ are not checked).
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A level=([base]=0 [workbook]=1 [store]=2 [rules]=3 [screens]=4 [program]=5)
screenStore=" store/Member.h store/Admin.h store/CommissionSetting.h store/DataFiles.h store/DatabaseErrorText.h "
status=0
while IFS= read -r file; do
  own=${level[${file%%/*}]}
  while IFS=: read -r line target; do
    layer=${target%%/*}
    [ -n "${level[$layer]+set}" ] || continue
    if [ "${level[$layer]}" -gt "$own" ]; then
      echo "$file:$line: includes $target from a higher layer" >&2
      status=1
    elif [ "$own" -eq 4 ] && [ "$layer" = store ] && [[ "$screenStore" != *" $target "* ]]; then
      echo "$file:$line: a screen includes $target; it reaches the data through the rules" >&2
      status=1
    fi
  done < <(grep -nE '^#include "[^"]+/' "$file" | sed -E 's/^([0-9]+):#include "([^"]+)".*/\1:\2/')
  if [ "$own" -le 3 ] && grep -nE '#include <(QtWidgets/|Q(Widget|Dialog|MessageBox|Application|LineEdit|Label|PushButton)>)' "$file" >&2; then
    echo "$file: a core layer includes a widget header" >&2
    status=1
  fi
done < <(git ls-files -co --exclude-standard -- base workbook store rules screens program | grep -E '\.(cpp|h)$')

sqliteOnly='PRAGMA|sqlite_master|typeof\(|BEGIN IMMEDIATE|changes\(\)|fts5|MATCH|QSQLITE|sqlite3_'
while IFS= read -r file; do
  if grep -nE "$sqliteOnly" "$file" >&2; then
    echo "$file: SQLite's own SQL outside store/sqlite/" >&2
    status=1
  fi
done < <(git ls-files -co --exclude-standard -- base workbook store rules screens program |
         grep -E '\.(cpp|h)$' | grep -v '^store/sqlite/')
exit $status
