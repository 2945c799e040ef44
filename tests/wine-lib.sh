# What the tests that run Windows programs under Wine share: finding Wine, a
# fresh prefix of the test's own, and COM ports mapped to the emulator. Read
# with ". tests/wine-lib.sh" (bash).
#
#   wine_find win64|win32   sets $wine and $wineserver; 1 when not installed
#   wine_prefix DIR ARCH    exports WINEPREFIX=DIR and Wine's quiet settings,
#                           and makes the prefix (its log DIR.log)
#   wine_port N TARGET      makes COMn the pseudo-terminal TARGET links to
#
# A port is Wine's Ports key naming the emulator's link, as Wine documents
# it: through a link made by hand in dosdevices the Win32 link sets the port
# up but no byte flows. The link in dosdevices is made as well, since Wine's
# device manager reads the key only when it starts.

# Debian installs wine64 and its server under /usr/lib/wine; the wine
# package adds the commands to the path.
wine_tool() {
  command -v "$1" 2> /dev/null || { [ -x "/usr/lib/wine/$2" ] && echo "/usr/lib/wine/$2"; }
}

wine_find() {
  if [ "$1" = win64 ]; then
    wine=$(wine_tool wine64 wine64) wineserver=$(wine_tool wineserver wineserver64)
  else
    wine=$(wine_tool wine wine) wineserver=$(wine_tool wineserver wineserver)
  fi
  [ -n "$wine" ] && [ -n "$wineserver" ]
}

wine_prefix() {
  export WINEPREFIX=$1 WINEARCH=$2 WINEDEBUG=-all
  # No Mono or Gecko: the prefix is made without asking to install them.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  "$wine" wineboot --init > "$1.log" 2>&1
  "$wineserver" -w
}

wine_port() {
  "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$1" /t REG_SZ /d "$2" /f > /dev/null
  "$wineserver" -w
  ln -sfn "$2" "$WINEPREFIX/dosdevices/com$1"
}
