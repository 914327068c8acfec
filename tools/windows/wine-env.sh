# Sourced: the Wine the Windows build is tested under. A prefix of the build's
# own (WINEPREFIX, made on first use), no debug chatter, no offer to install
# Mono or Gecko, and one wine server kept for the whole run, since starting
# one costs seconds a program.
: "${WINEPREFIX:?names the Wine prefix to run in}"
wine=/usr/lib/wine/wine64
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A server left from an earlier run keeps that run's desktop process, which
# is tied to the display that run had (or to none), and then no window can be
# made on another display: end it, so that this run's first program starts
# both anew.
/usr/lib/wine/wineserver -k 2>/dev/null || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >/dev/null 2>&1
  # A program that crashes prints where and ends, instead of waiting on a
  # crash dialog nobody sees under Xvfb.
  "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi
# It fails when the prefix's server runs already: that one is kept instead.
/usr/lib/wine/wineserver -p 60 || true
