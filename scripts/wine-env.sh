# Sourced by the other scripts: the Wine environment the program runs and is
# tested in. Everything lives in the project's own prefix.
tessavel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${TESSAVEL_WINEPREFIX:-$tessavel_root/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer; extra overrides (e.g. vbscript=d) may be added by callers.
export WINEDLLOVERRIDES="mscoree,mshtml=${TESSAVEL_EXTRA_OVERRIDES:+;$TESSAVEL_EXTRA_OVERRIDES}"
# Wine takes its ANSI code page from the locale's name: 936 as on a Chinese Windows.
# (bash itself warns that it has no such locale; only Wine needs the name)
{ export LC_ALL=zh_CN.GBK; } 2>/dev/null
