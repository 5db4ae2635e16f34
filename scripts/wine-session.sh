# Sourced by the run scripts: the private Wine prefixes and a virtual X display for this shell.
: "${PAGELENS_BUILD:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
# Two prefixes, each with a server of its own: the 32-bit build's win32 one (this shell's default
# prefix) and the 64-bit build's win64 one in $PAGELENS_BUILD/x64, which 32-bit tests that start
# 64-bit children use too, so it is made whether or not the 64-bit tree is built yet. Both
# servers end when the shell exits.
export WINEPREFIX="$PAGELENS_BUILD/wineprefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
PAGELENS_WINEPREFIX64="$PAGELENS_BUILD/x64/wineprefix"
# Debian's `wine` starts the 32-bit loader; the 64-bit one has a name of its own.
PAGELENS_WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
# Some machines (kernels or hypervisors without 32-bit support) cannot start 32-bit Linux
# programs, and so no 32-bit Wine: then only the 64-bit prefix is made, and PAGELENS_WINE32=no
# tells the run scripts to leave the 32-bit build's tests out.
if wine --version >/dev/null 2>&1; then PAGELENS_WINE32=yes; else PAGELENS_WINE32=no; fi
export PAGELENS_WINE32

pagelens_wine() {  # arch program arguments...
  if [ "$1" = win64 ]; then shift; "$PAGELENS_WINE64" "$@"; else shift; wine "$@"; fi
}

pagelens_prefix_create() {  # prefix arch
  [ -f "$1/system.reg" ] && return 0
  echo "Creating the Wine prefix $1"
  mkdir -p "$(dirname "$1")"
  WINEPREFIX="$1" WINEARCH="$2" pagelens_wine "$2" wineboot -i >/dev/null 2>&1 || true
  # wineboot returns before the prefix is written out; services may keep the server alive.
  for _ in $(seq 300); do [ -f "$1/system.reg" ] && break; sleep 0.2; done
}
if [ "$PAGELENS_WINE32" = yes ]; then pagelens_prefix_create "$WINEPREFIX" win32; fi
pagelens_prefix_create "$PAGELENS_WINEPREFIX64" win64

# Xvfb picks a free display itself and names it on descriptor 3, so sessions never share one.
pagelens_display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$pagelens_display_file" >/dev/null 2>&1 &
PAGELENS_XVFB_PID=$!
for _ in $(seq 100); do [ -s "$pagelens_display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$pagelens_display_file")"
rm -f "$pagelens_display_file"

pagelens_prefix_start() {  # prefix arch
  local WINEPREFIX=$1 WINEARCH=$2
  export WINEPREFIX WINEARCH
  wineserver -p 2>/dev/null || true
  # The first program of a session starts Wine's background services; they keep the standard
  # handles they were given, so start them here, away from the output pipes of ctest.
  pagelens_wine "$2" cmd /c exit </dev/null >/dev/null 2>&1 || true
  # No window manager runs on the virtual display: without this, Wine waits two seconds for one
  # each time a window is hidden or destroyed.
  pagelens_wine "$2" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    </dev/null >/dev/null 2>&1 || true
  # A program that crashes ends at once: no debugger is started for it, which would hold it (and
  # whoever waits on it) open. A win64 prefix has this key in both views, for its 32-bit programs.
  local view
  for view in /reg:64 /reg:32; do
    pagelens_wine "$2" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /d '' /f $view </dev/null >/dev/null 2>&1 || true
    [ "$2" = win64 ] || break
  done
}
if [ "$PAGELENS_WINE32" = yes ]; then pagelens_prefix_start "$WINEPREFIX" win32; fi
pagelens_prefix_start "$PAGELENS_WINEPREFIX64" win64

pagelens_session_end() {
  WINEPREFIX="$PAGELENS_WINEPREFIX64" wineserver -k 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -n "${PAGELENS_XVFB_PID:-}" ] && kill "$PAGELENS_XVFB_PID" 2>/dev/null || true
}
trap pagelens_session_end EXIT
