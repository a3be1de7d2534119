#!/usr/bin/env bash
# Creates (or refreshes) the demo installation below DIR:
#   DIR/inst/  installation root (ARXROOT): Nuvo.ini, FORMS, LOCALE, DADES, ddf, AJUDA
#   DIR/prog/  the suite's programs (ARXEXE)
#   DIR/tmp/   the session's work directory (ARXTMP): Sessio.ini, NuvoTerm.ini, print files
#   DIR/term/  the terminal directory: calculator state, Insert toggle, clipboard
# Settings files are written in code page 850 with CR LF line ends, as the suite keeps them.
set -euo pipefail
dir=${1:?usage: make-demo.sh DIR [BUILD]}
build=${2:-$(dirname "$dir")}
src=$(cd "$(dirname "$0")" && pwd)
language=${ORB_DEMO_LANGUAGE:-CAT}

mkdir -p "$dir"/inst/{FORMS,LOCALE,DADES,ddf,AJUDA} "$dir"/prog "$dir"/tmp "$dir"/term

# Writes stdin (UTF-8, LF) to a file as code page 850 with CR LF line ends. A settings file of
# a reused installation is kept as the user left it (Nuvo.ini is written anew when
# ORB_DEMO_LANGUAGE is given).
cp850() {
  if [ -f "$1" ] && { [ "$1" != "$dir/inst/Nuvo.ini" ] || [ -z "${ORB_DEMO_LANGUAGE:-}" ]; }; then
    cat >/dev/null
    return
  fi
  sed 's/$/\r/' | iconv -f UTF-8 -t CP850 > "$1"
}

cp850 "$dir/inst/Nuvo.ini" <<INI
[Usuari]
Idioma=$language
DatCaracter=/
DatOrdre=DMA
DecCaracter=,
MilCaracter=.
[Empresa]
Nom=ADMINISTRACIÓ DE FINQUES MONTSENY, S.L.
INI

cp850 "$dir/tmp/Sessio.ini" <<INI
[Menu]
Titol=Venciment de contractes
NomMenu=ORBICADE
[Terminal]
Dir=$dir/term/
INI

cp850 "$dir/tmp/NuvoTerm.ini" <<INI
[Pantalla]
Seleccio=1
Col1=15011500000700070015
[Sistema]
Data=$(date +%Y%m%d)
Sortida=PANTALLA
Idioma=
INI

# The programs of the suite this one starts, from the build tree.
for program in ORBICADE ZAZIRIVI recman; do
  [ -x "$build/$program" ] && ln -sf "$(cd "$build" && pwd)/$program" "$dir/prog/$program"
done

# Further content (form definition, language file, help, dictionaries, data) comes from the
# generators beside this script, when present.
for part in "$src"/parts/*.sh; do
  [ -f "$part" ] && bash "$part" "$dir" "$build"
done
exit 0
