# How this project runs Windows programs under Wine, one architecture at a time.
# Sourced by the Wine suite and the Wine benchmark:
#   . wine_env.sh
#   wine_use x64|x86 PREFIX [win32]
#                             a fresh prefix of its own, its wineserver started, on
#                             one CPU (wine_pin); with win32 (x86 only), a prefix of
#                             32-bit Windows rather than a WoW64 one;
#                             status 3 when this machine cannot run that architecture
#   wine_exe PROGRAM ARGS...  a program of that architecture
#   wine_tool NAME ARGS...    one of Wine's own tools (regsvr32, cscript, regedit, reg)
#                             in that architecture's system folder
#   wine_done                 stops the wineserver and removes the prefix
#
# With 32-bit Wine installed the plain `wine` launcher is the 32-bit loader: classes a
# 64-bit regsvr32 registers through it are not found by a 64-bit cscript started the
# same way. Each side is therefore started by its own loader, which is also exported
# as WINELOADER (a 64-bit program started otherwise cannot create windows).

# Every call a Windows program makes into the window system is a round trip to
# the Wine server, a few dozen for each control copied or shown. With the program
# and the server on different CPUs each round trip wakes an idle CPU, which on a
# virtual machine costs more than the call: runs take up to twice as long and vary
# with what else the machine does. Windows makes these calls inside the calling
# thread. So the server and every program of the run (everything the calling
# script starts from here on) stay on one CPU, the last this script may use,
# unless WINE_CPU names another or is "any".
wine_cpu() { echo "${WINE_CPU:-$(taskset -cp $$ | sed 's/.*: //; s/.*[,-]//')}"; }
wine_pin() {
  local cpu
  cpu=$(wine_cpu)
  [ "$cpu" = any ] && return 0
  taskset -p -c "$cpu" $$ >/dev/null
}

wine_use() {
  wine_pin || return 2
  wine_arch=$1
  local windows=${3:-wow64}
  export WINEPREFIX=$2
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  case $wine_arch in
    x64) wine_loader=/usr/lib/wine/wine64 wine_sysdir='C:\windows\system32' wine_windir='C:\windows' wine_tlb_platform=win64 ;;
    x86) wine_loader=/usr/lib/wine/wine wine_sysdir='C:\windows\syswow64' wine_windir='C:\windows\syswow64' wine_tlb_platform=win32 ;;
    *) echo "wine_env: unknown architecture $wine_arch" >&2; return 2 ;;
  esac
  # A prefix is always made by the loader of its Windows' own architecture: the
  # 64-bit side makes a WoW64 prefix, which holds both system folders.
  local boot=/usr/lib/wine/wine64
  unset WINEARCH
  case $windows:$wine_arch in
    wow64:*) ;;
    win32:x86)
      export WINEARCH=win32
      boot=$wine_loader wine_sysdir='C:\windows\system32' wine_windir='C:\windows'
      ;;
    *) echo "wine_env: no $windows prefix for $wine_arch programs" >&2; return 2 ;;
  esac
  if [ ! -x "$wine_loader" ]; then
    echo "wine_env: $wine_loader is missing (Debian packages wine64, wine32:i386)" >&2
    return 2
  fi
  # Some kernels are built without 32-bit support: the 32-bit loader installs but
  # cannot start ("Exec format error").
  if ! "$wine_loader" --version 2>/dev/null | grep -q '^wine-'; then
    echo "wine_env: this machine cannot run $wine_loader ($wine_arch programs)" >&2
    return 3
  fi
  # A display without a resource database (a bare Xvfb has none) makes Xlib read
  # ~/.Xdefaults and ~/.Xdefaults-HOST again at every default it looks up, dozens of
  # times for each window shown; a desktop session always has one.
  mkdir -p "$WINEPREFIX.x11"
  printf '! resources of the test display\n' > "$WINEPREFIX.x11/resources"
  export XENVIRONMENT=$WINEPREFIX.x11/resources
  rm -rf "$WINEPREFIX"
  WINELOADER=$boot "$boot" wineboot -i >/dev/null 2>&1
  wineserver -w
  export WINELOADER=$wine_loader
  # One server for the whole run: each program would otherwise start its own.
  wineserver -p
  # Without a window manager, hiding a top-level window waits for one; unmanaged
  # windows hide at once.
  wine_tool reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  return 0
}

wine_exe() { "$wine_loader" "$@"; }

wine_tool() {
  local name=$1 dir=$wine_sysdir
  shift
  # The 64-bit regedit lives in the Windows folder itself.
  [ "$name" = regedit ] && dir=$wine_windir
  "$wine_loader" "$dir\\$name.exe" "$@"
}

wine_done() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  case $WINEPREFIX in
    */wineprefix.*) rm -rf "$WINEPREFIX" "$WINEPREFIX.x11" ;;
  esac
}
