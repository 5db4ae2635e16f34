# Sourced by the run scripts: a private Wine prefix and a virtual X display for this shell.
: "${PAGELENS_BUILD:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
# Needs PAGELENS_BUILD. Ends both when the shell exits.
export WINEPREFIX="$PAGELENS_BUILD/wineprefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  # wineboot returns before the prefix is written out; services may keep the server alive.
  for _ in $(seq 300); do [ -f "$WINEPREFIX/system.reg" ] && break; sleep 0.2; done
fi
# Xvfb picks a free display itself and names it on descriptor 3, so sessions never share one.
pagelens_display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$pagelens_display_file" >/dev/null 2>&1 &
PAGELENS_XVFB_PID=$!
for _ in $(seq 100); do [ -s "$pagelens_display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$pagelens_display_file")"
rm -f "$pagelens_display_file"
wineserver -p 2>/dev/null || true
# The first program of a session starts Wine's background services; they keep the standard
# handles they were given, so start them here, away from the output pipes of ctest.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# No window manager runs on the virtual display: without this, Wine waits two seconds for one
# each time a window is hidden or destroyed.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
# A program that crashes ends at once: no debugger is started for it, which would hold it (and
# whoever waits on it) open.
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
  </dev/null >/dev/null 2>&1 || true
pagelens_session_end() {
  wineserver -k 2>/dev/null || true
  [ -n "${PAGELENS_XVFB_PID:-}" ] && kill "$PAGELENS_XVFB_PID" 2>/dev/null || true
}
trap pagelens_session_end EXIT
