#!/usr/bin/env bash
# The print program as the report program starts it: it finds zazirivi.tmp in the session's
# work directory, sends it to the device of its first line, reports in the operator's
# language, never changes the print file and always ends with exit code 0.
set -uo pipefail
bin=${ORB_BINARY_DIR:?}/ZAZIRIVI
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Writes the print file, in code page 850, from lines given as arguments, each ended with CR LF.
print_file() { for l in "$@"; do printf '%s\r\n' "$l"; done | iconv -f UTF-8 -t CP850 >"$work/zazirivi.tmp"; }

session() { printf '[Sistema]\r\nIdioma=%s\r\n' "$1" >"$work/NuvoTerm.ini"; }

# Runs ZAZIRIVI in the work directory; its output goes to $work/said, its status to $status.
run() {
  local before after
  before=$(sha256sum "$work/zazirivi.tmp" 2>/dev/null)
  (cd "$work" && env -i PATH="$PATH" ARXTMP="$work" ARXROOT="$work/" TERM=dumb "$bin" </dev/null >"$work/said" 2>&1)
  status=$?
  after=$(sha256sum "$work/zazirivi.tmp" 2>/dev/null)
  [ "$status" -eq 0 ] || fail "$1: exit code $status"
  [ "$before" = "$after" ] || fail "$1: the print file changed"
}

expect_said() { grep -qF -- "$2" "$work/said" || { fail "$1: expected '$2', got:"; cat "$work/said"; }; }

header=(" 1 ,EMPRESA, 0 " "JUSD" " 85 ,PÀGINA   1, 2 " " 1 ,REBUT, 1 ")

# A text file with one form feed between the pages.
session CAT
print_file "DEVICE out.txt " "PAGE 5 " "*@e" "${header[@]}" "*q" " 13 ,ADREÇA 1,2, 1 " "PAGE 5 " " 1 ,SEGONA, 1 "
run text
expected=$(printf 'EMPRESA%68sPÀGINA   1\n\nREBUT\n            ADREÇA 1,2\n\fSEGONA' '')
[ "$(cat "$work/out.txt")" = "$expected" ] || { fail "text: got"; cat -A "$work/out.txt"; }
expect_said text "Llistat desat a out.txt"
expect_said text "Pàgines: 2"

# A PDF, one page per page, across the sheet for a wide page.
print_file "DEVICE$work/out.pdf" "PAGE 66 " " 1 ,$(printf '%0135d' 0), 1 " "PAGE 66 " " 1 ,B, 1 "
run pdf
pdfinfo "$work/out.pdf" | grep -q "^Pages: *2$" || fail "pdf: page count"
pdfinfo "$work/out.pdf" | grep -q "841.89 x 595.28" || fail "pdf: not landscape"

# The device names the print file itself: refused, the print file stays as it is.
print_file "DEVICEzazirivi.tmp" "PAGE 66 " " 1 ,X, 1 "
run same-file
expect_said same-file "La sortida no pot ser el mateix fitxer d'impressió"

# Messages in the operator's language for a malformed print file.
print_file "DEVICE out.txt" "PAGE 66 " " 1 ,sense avanç"
for case in "CAT|El fitxer d'impressió no és correcte a la línia 3" \
            "SPA|El fichero de impresión no es correcto en la línea 3" \
            "GLG|O ficheiro de impresión non é correcto na liña 3" \
            "OCI|Eth fichèr d'impression non ei corrècte ena linha 3" \
            "XYZ|El fitxer d'impressió no és correcte a la línia 3"; do
  session "${case%%|*}"
  run "malformed ${case%%|*}"
  expect_said "malformed ${case%%|*}" "${case#*|}"
done

# No print file at all; a print file with the device line only.
session SPA
rm -f "$work/zazirivi.tmp"
run missing
expect_said missing "No se puede leer el fichero de impresión $work/zazirivi.tmp"
print_file "DEVICEout.txt"
run empty
expect_said empty "El listado no tiene ninguna página para imprimir."

# A printer the print system does not know: lp's own words are shown.
print_file "DEVICElp:zz-no-such-printer" "PAGE 66 " " 1 ,X, 1 "
run printer
expect_said printer "La impresora no ha aceptado el listado: zz-no-such-printer"
[ "$(wc -l <"$work/said")" -ge 2 ] || fail "printer: lp's output missing"

# An unwritable output file.
print_file "DEVICE$work/no/such/dir/out.txt" "PAGE 66 " " 1 ,X, 1 "
run unwritable
expect_said unwritable "No se puede escribir $work/no/such/dir/out.txt"

[ "$failures" -eq 0 ] && echo "zazirivi: all cases passed"
exit $((failures > 0))
