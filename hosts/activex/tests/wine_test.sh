#!/usr/bin/env bash
# One architecture's server under Wine: regsvr32 registers and unregisters it, script
# clients create every registered class by ProgID and drive it late-bound, a COM
# client, Wine's own container window and the Win32 test container use it.
# Wine's exit status can lie (a program that cannot start may still exit 0), so
# every check reads what the programs themselves print.
#
# usage: wine_test.sh ROOT x64|x86   (after hosts/activex/build.sh, under xvfb-run)
set -uo pipefail
root=$1
arch=${2:-x64}
build="$root/build-activex-$arch"
gen="$root/build-activex-gen/vitrelle_activex_gen"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine_env.sh"

passed=0
failed=0
check() {  # name, then a command that succeeds when the check holds
  local name=$1; shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "activex $arch: FAILED: $name" >&2
  fi
}
contains() { grep -qiF -- "$2" <<<"$1"; }
# A check that what a program printed is its expected text; says how it differs if not.
same() {  # name, expected, got
  if [ "$2" = "$3" ]; then passed=$((passed + 1)); return 0; fi
  failed=$((failed + 1))
  echo "activex $arch: FAILED: $1" >&2
  diff <(echo "$2") <(echo "$3") >&2
  return 1
}
# A test program that counts its own checks and ends with "NAME: N passed, M failed".
# What it printed stays in COUNTED_OUT.
counted() {  # name, then the program and its arguments
  local name=$1 summary
  shift
  COUNTED_OUT=$(wine_exe "$@" 2>&1 | tr -d '\r')
  summary=$(grep "^$name: [0-9]* passed" <<<"$COUNTED_OUT")
  if [ -z "$summary" ]; then
    failed=$((failed + 1))
    echo "activex $arch: FAILED: ${name}_test printed no summary" >&2
    echo "$COUNTED_OUT" >&2
    return
  fi
  grep 'FAILED' <<<"$COUNTED_OUT" >&2
  passed=$((passed + $(sed -E 's/.* ([0-9]+) passed.*/\1/' <<<"$summary")))
  failed=$((failed + $(sed -E 's/.*, ([0-9]+) failed.*/\1/' <<<"$summary")))
}

# A fresh prefix of this run's own: registration results must not come from an
# earlier run, and two runs at once must not share one.
prefix=$(mktemp -d "$build/wineprefix.XXXXXX")
wine_use "$arch" "$prefix"
case $? in
  0) ;;
  3)
    # Said in the summary line itself, so that a reader of the results cannot take
    # it for a pass.
    rm -rf "$prefix"
    echo "activex $arch: not run: this machine's kernel cannot run $arch programs"
    exit 0
    ;;
  *) rm -rf "$prefix"; exit 1 ;;
esac
trap wine_done EXIT

mkdir -p "$WINEPREFIX/drive_c/vitrelle"
cp "$build/Vitrelle.ocx" "$WINEPREFIX/drive_c/vitrelle/Vitrelle.ocx"
cp "$here"/*.vbs "$build/com_fire_test.exe" "$WINEPREFIX/drive_c/vitrelle/"
ocx='C:\vitrelle\Vitrelle.ocx'

mapfile -t built < "$build/built_classes.txt"
is_built() { printf '%s\n' "${built[@]}" | grep -qx "$1"; }

# --- registration ---------------------------------------------------------
# One export of HKEY_CLASSES_ROOT per state: a `reg query` per key costs most of a
# second under Wine, an export of everything under two.
export_hkcr() {
  rm -f "$WINEPREFIX/drive_c/hkcr.reg"
  wine_tool regedit /E 'C:\hkcr.reg' HKEY_CLASSES_ROOT >/dev/null 2>&1
  iconv -f UTF-16LE -t UTF-8 "$WINEPREFIX/drive_c/hkcr.reg" 2>/dev/null | tr -d '\r'
}
# The value lines of exactly one key (relative to HKEY_CLASSES_ROOT), headed by
# "PRESENT"; nothing when the key is not there.
section() {
  KEY="[HKEY_CLASSES_ROOT\\$2]" awk '
    BEGIN { key = tolower(ENVIRON["KEY"]) }
    tolower($0) == key { found = 1; print "PRESENT"; next }
    /^\[/ { if (found) exit }
    found && NF { print }' <<<"$1"
}
# A check that one key of the last export holds a value line (or is PRESENT).
key_has() { check "$1" contains "$(section "$hkcr" "$2")" "$3"; }  # name, key, text
# The module path as a .reg file writes it, backslashes doubled.
ocx_reg=${ocx//\\/\\\\}

# An empty export fails every key_has below.
wine_tool regsvr32 /s "$ocx" >/dev/null 2>&1
hkcr=$(export_hkcr)

library_line=$("$gen" classes | grep '^library ')
libid=$(cut -d' ' -f2 <<<"$library_line")
libver=$(cut -d' ' -f3 <<<"$library_line")

while read -r name prog_id clsid misc bitmap; do
  [ "$name" = library ] && continue
  key="CLSID\\$clsid"
  if is_built "$name"; then
    key_has "$name InprocServer32 names the module" "$key\\InprocServer32" "@=\"$ocx_reg\""
    key_has "$name is apartment threaded" "$key\\InprocServer32" '"ThreadingModel"="Apartment"'
    key_has "$name ProgID leads to its CLSID" "$prog_id\\CLSID" "@=\"$clsid\""
    key_has "$name CLSID leads to its ProgID" "$key\\ProgID" "@=\"$prog_id\""
    key_has "$name names the type library" "$key\\TypeLib" "@=\"$libid\""
    if [ "$misc" != 0 ]; then
      key_has "$name MiscStatus is $misc" "$key\\MiscStatus\\1" "@=\"$misc\""
      key_has "$name toolbox bitmap is resource $bitmap" "$key\\ToolboxBitmap32" "@=\"$ocx_reg, $bitmap\""
      key_has "$name is marked as a control" "$key\\Control" PRESENT
      key_has "$name implements the control category" \
        "$key\\Implemented Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}" PRESENT
    fi
    # Neither safe for scripting nor for initialisation: the About box starts
    # programs and opens addresses.
    for unsafe in 7DD95801-9882-11CF-9FA9-00AA006C42C4 7DD95802-9882-11CF-9FA9-00AA006C42C4; do
      check "$name claims no safety category {$unsafe}" \
        test -z "$(section "$hkcr" "$key\\Implemented Categories\\{$unsafe}")"
    done
  else
    # A class whose control is not built must not be offered to containers.
    out=$(section "$hkcr" "$key")
    check "$name (not built) is not registered" test -z "$out"
  fi
done < <("$gen" classes)

out=$(section "$hkcr" "TypeLib\\$libid\\$libver\\0\\$wine_tlb_platform")
# Wine writes the path with a \\?\ prefix; the path itself is what matters.
check "type library registered for $wine_tlb_platform" contains "$out" "$ocx_reg\""

# --- the type library as a host reads it ----------------------------------------
# Read back from the server's own resource through the platform, it must list what
# the type model says, name for name: members, DISPIDs, flags, help strings,
# enumeration members ("3D", "Fixed Single") and values.
cp "$build/typelib_dump.exe" "$WINEPREFIX/drive_c/vitrelle/"
listed=$(wine_exe 'C:\vitrelle\typelib_dump.exe' "$ocx" 2>&1 | tr -d '\r')
check "the embedded type library reads back as the type model" \
  diff <("$gen" typelib-listing "$wine_tlb_platform") - <<<"$listed"

# --- stand-ins for the programs the About box reaches -----------------------------
# Before any client runs: an About box's links must never reach a real browser or
# mail program of this machine through Wine's own handlers.
mkdir -p "$WINEPREFIX/drive_c/vitrelle"
cp "$build/mail_probe.dll" "$WINEPREFIX/drive_c/vitrelle/"
cp "$build/start_probe.exe" "$WINEPREFIX/drive_c/vitrelle/browser_probe.exe"
wine_tool reg add 'HKLM\Software\Clients\Mail' /ve /d VitrelleProbe /f >/dev/null 2>&1
wine_tool reg add 'HKLM\Software\Clients\Mail\VitrelleProbe' /v DLLPath /d 'C:\vitrelle\mail_probe.dll' /f >/dev/null 2>&1
wine_tool reg add 'HKCR\http\shell\open\command' /ve /d '"C:\vitrelle\browser_probe.exe" "%1"' /f >/dev/null 2>&1

# --- a late-bound script client ---------------------------------------------
# The script host's first run in a new prefix sets itself up, and on a busy machine
# it has printed nothing at all: a script that uses no library class goes first, so
# that the runs compared below are not first runs. Its output is not a check.
printf 'WScript.Echo "ready"\r\n' > "$WINEPREFIX/drive_c/vitrelle/ready.vbs"
for attempt in 1 2 3; do
  grep -q ready <(wine_tool cscript //nologo 'C:\vitrelle\ready.vbs' 2>&1) && break
  echo "activex $arch: the script host's warm-up run $attempt printed nothing" >&2
done
for name in "${built[@]}"; do
  script="C:\\vitrelle\\$name.vbs"
  if [ ! -f "$here/$name.vbs" ]; then
    echo "activex $arch: FAILED: no script for $name" >&2
    failed=$((failed + 1))
    continue
  fi
  same "$name.vbs output differs" "$(tr -d '\r' < "$here/$name.expected")" \
    "$(wine_tool cscript //nologo "$script" 2>&1 | tr -d '\r')"
done

# --- a COM client: what containers rely on, what careless ones hand the server -----
# and what it leaves behind. Its counts (calls made, GDI objects and windows before
# and after, what could not be measured on this platform) go to the log beside the
# results.
fire_started=$(date +%s)
counted com_fire 'C:\vitrelle\com_fire_test.exe'
grep -E '^com_fire: (calls|copies|GDI objects|USER objects|windows of the process|not measured|time)[: ]' <<<"$COUNTED_OUT" |
  sed "s/^/activex $arch: /" >&2
echo "activex $arch: com_fire took $(($(date +%s) - fire_started)) s" >&2

# --- the surface's nested user control on real windows ---------------------------
counted nested_control "$build/nested_control_test.exe"

# --- the About box's registry reads on the platform's registry -------------------
counted about_platform "$build/about_platform_test.exe"

# --- the controls on a form in the platform's own container window ------------
if is_built GlazeCheck && is_built GlazeSlider && is_built GlazeRadio && is_built GlazeFrame; then
  cp "$build/atl_host.exe" "$WINEPREFIX/drive_c/vitrelle/"
  rm -f "$WINEPREFIX/drive_c/vitrelle/atl_host.bmp"
  out=$(wine_exe 'C:\vitrelle\atl_host.exe' 'C:\vitrelle\atl_host.bmp' 2>&1 | tr -d '\r')
  oks=$(grep -c '^ok ' <<<"$out")
  fails=$(grep -c '^FAIL ' <<<"$out")
  if ! grep -q '^atl_host: ' <<<"$out"; then
    failed=$((failed + 1))
    echo "activex $arch: FAILED: atl_host did not finish" >&2
    echo "$out" >&2
  fi
  grep '^FAIL ' <<<"$out" | sed "s/^/activex $arch: atl_host: /" >&2
  passed=$((passed + oks))
  failed=$((failed + fails))
  # What the form showed, for a look by eye.
  cp "$WINEPREFIX/drive_c/vitrelle/atl_host.bmp" "$build/atl_host.bmp" 2>/dev/null || true
fi

# --- the Win32 test container: the model host's scripts on real forms -----------
# testhost.exe runs a script of controls/*/scripts/ and its log is compared with
# the model host's expected log. "capture" lines are left out (a control's copy of
# its background is internal to it; no container can see it); every other line,
# "changed" from the controls' property notifications included, must agree
# unless tests/testhost/known_differences.txt names it.
# One script's run of testhost.exe (OPTIONS before the form, such as --quick):
# TESTHOST_OUT is everything it printed, TESTHOST_LOG its log with "capture" lines
# left out and times within the slack put back to the expected ones, and
# TESTHOST_EXPECTED the expected log without "capture" lines.
testhost_log() {
  local options=$1 script=$2
  local dir="controls/${script%%/*}/scripts" base="${script#*/}"
  [ "${script%%/*}" = about ] && dir=about/scripts
  local form="$dir/form.vfm" got
  [ -f "$root/$dir/$base.vfm" ] && form="$dir/$base.vfm"
  # shellcheck disable=SC2086
  TESTHOST_OUT=$(cd "$root" && wine_exe "$build/testhost.exe" $options "$form" "$dir/$base.txt" 2>&1 | tr -d '\r')
  TESTHOST_EXPECTED=$(tr -d '\r' < "$root/$dir/$base.expected" | grep -vE '^@[0-9]+ capture ')
  got=$(grep -vE '^@[0-9]+ capture ' <<<"$TESTHOST_OUT")
  # A real timer ticks a little before or after its interval, and time spent in
  # the step that started it is not on the script's clock: a line that agrees
  # with its expected line apart from a time less than the controls' shortest
  # timer interval (50 ms) away is the same line.
  TESTHOST_LOG=$(awk -v slack=40 '
    NR == FNR { expected[FNR] = $0; next }
    {
      e = expected[FNR]
      if (e != $0 && match(e, /^@[0-9]+ /) && match($0, /^@[0-9]+ /)) {
        et = substr(e, 2, index(e, " ") - 2) + 0; gt = substr($0, 2, index($0, " ") - 2) + 0
        if (substr(e, index(e, " ")) == substr($0, index($0, " ")) && et - gt <= slack && gt - et <= slack) $0 = e
      }
      print
    }' <(echo "$TESTHOST_EXPECTED") <(echo "$got"))
}

testhost_scripts() {
  local known="$here/testhost/known_differences.txt"
  local script out expected got unexplained line quick_got quick_seconds=0 started
  # Scripts run a second time with every control activated through IQuickActivate:
  # loading (and a load the control refuses), events, change notifications, focus
  # and transparency for each of the four controls. The quick run's log must be
  # the ordinary run's, line for line.
  local quick=" check/toggle check/input check/accessible slider/load slider/load_error slider/keys slider/accessible
                radio/group radio/tracking radio/accessible frame/events frame/activation "
  for script in check/errors check/toggle check/input check/accessible slider/keys slider/orientation slider/range \
                slider/load slider/load_error slider/drag slider/passthrough slider/accessible radio/group radio/input \
                radio/tracking radio/accessible frame/refresh frame/events frame/properties frame/activation \
                about/showings about/sysinfo; do
    testhost_log "" "$script"
    got=$TESTHOST_LOG out=$TESTHOST_OUT expected=$TESTHOST_EXPECTED
    # A server without in-place activation gives its controls no window to send
    # input to: the script stops there, and what it needs is not testable yet.
    if grep -qF 'the control has no window' <<<"$out"; then
      echo "activex $arch: not run: testhost $script (the controls are not in-place active in this build)" >&2
      continue
    fi
    if [ -z "$got" ]; then
      failed=$((failed + 1))
      echo "activex $arch: FAILED: testhost $script printed no log" >&2
      echo "$out" >&2
      continue
    fi
    unexplained=0
    while IFS= read -r line; do
      if grep -qxF -- "$script	$line" "$known"; then
        echo "activex $arch: known difference: testhost $script: $line" >&2
      else
        unexplained=1
        echo "activex $arch: FAILED: testhost $script: $line" >&2
      fi
    done < <(diff <(echo "$expected") <(echo "$got") | grep -E '^[<>] ')
    if [ "$unexplained" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

    case $quick in *" $script "*) ;; *) continue ;; esac
    started=$(date +%s.%N)
    testhost_log --quick "$script"
    quick_got=$TESTHOST_LOG
    quick_seconds=$(awk -v so_far="$quick_seconds" -v from="$started" -v to="$(date +%s.%N)" \
      'BEGIN { printf "%.1f", so_far + to - from }')
    same "testhost --quick $script: the log differs from the ordinary activation's (< ordinary, > quick)" \
      "$got" "$quick_got" || grep -E '^testhost: ' <<<"$TESTHOST_OUT" >&2
  done
  echo "activex $arch: the quick activation runs took ${quick_seconds} s" >&2

  # The form's own window: client size from twips, BackColor painted.
  local shot="$build/testhost_form.bmp"
  rm -f "$shot"
  (cd "$root" && wine_exe "$build/testhost.exe" --screenshot "$shot" controls/slider/scripts/form.vfm >/dev/null 2>&1)
  # 4800 x 3000 twips at 96 DPI are 320 x 200 pixels of 32 bits after a 54-byte header
  # (the showcase checks a client size from twips). The last pixel (bottom right,
  # top-down rows) is the form's BackColor 0x00C0E0FF, stored blue, green, red.
  check "testhost screenshot shows the BackColor" \
    test "$(od -An -tx1 -j $((54 + (320 * 200 - 1) * 4)) -N3 "$shot" 2>/dev/null | tr -d ' ')" = c0e0ff

  # The showcase: a picture under transparent and opaque controls and host windows.
  # Text and lines drawn over the picture once came out with a zero fourth byte next
  # to the picture's 0xFF, and image readers showed them as holes.
  shot="$build/testhost_showcase.bmp"
  rm -f "$shot"
  (cd "$root" && wine_exe "$build/testhost.exe" --screenshot "$shot" examples/showcase.vfm >/dev/null 2>&1)
  showcase_checks "$shot"
}

# Pixels of a 400 x 300 top-down 32-bit BMP as "bb gg rr aa" lines.
bmp_pixels() { tail -c +55 "$1" 2>/dev/null | od -An -v -tx1 -w4; }
# The pixel at X Y as bbggrr.
bmp_pixel() { od -An -tx1 -j $((54 + ($3 * 400 + $2) * 4)) -N3 "$1" 2>/dev/null | tr -d ' \n'; }
# How many pixels of the rectangle X0 Y0 X1 Y1 (exclusive) of a top-down 32-bit BMP
# WIDTH pixels wide are dark (text, a check mark, a glyph's shadowed frame) or blue.
bmp_count() {  # file width x0 y0 x1 y1 dark|blue
  local y n=0 row
  for ((y = $4; y < $6; y++)); do
    row=$(od -An -v -tu1 -w4 -j $((54 + (y * $2 + $3) * 4)) -N $((($5 - $3) * 4)) "$1" 2>/dev/null |
      awk -v kind="$7" '(kind == "dark" && $1 < 128 && $2 < 128 && $3 < 128) || (kind == "blue" && $1 > $3 + 60) { n++ }
                        END { print n + 0 }')
    n=$((n + row))
  done
  echo "$n"
}
# Dark pixels of the showcase; its picture is lighter everywhere.
bmp_dark() { bmp_count "$1" 400 "$2" "$3" "$4" "$5" dark; }
at_least() { [ "$1" -ge "$2" ]; }

# Positions are the model host's rendering of the same form at 96 DPI, where these
# pixels have exactly these colours.
showcase_checks() {
  local shot=$1
  check "testhost showcase has the form's client size" test "$(stat -c %s "$shot" 2>/dev/null)" = $((54 + 400 * 300 * 4))
  check "testhost showcase is opaque everywhere" \
    test "$(bmp_pixels "$shot" | awk '$4 != "ff"' | wc -l)" = 0
  check "testhost showcase: the picture shows through" test "$(bmp_pixel "$shot" 5 295)" != c0c0c0
  check "testhost showcase: Slider1's thumb is orange" test "$(bmp_pixel "$shot" 120 169)" = 0080ff
  check "testhost showcase: Slider1's groove is dark" test "$(bmp_pixel "$shot" 60 169)" = 000000
  check "testhost showcase: Slider2's oval thumb has its SliderColor" test "$(bmp_pixel "$shot" 201 209)" = c06020
  check "testhost showcase: Slider2's border is dark" test "$(bmp_pixel "$shot" 30 208)" = 404040
  check "testhost showcase: Slider3's thumb is orange" test "$(bmp_pixel "$shot" 320 139)" = 0080ff
  # Glyph boxes and captions: dark pixels, not a blank box.
  check "testhost showcase: Check1 shows its check mark" at_least "$(bmp_dark "$shot" 27 55 35 63)" 10
  check "testhost showcase: Check2 (opaque) draws its glyph" at_least "$(bmp_dark "$shot" 24 82 38 97)" 10
  check "testhost showcase: Check2 is not checked" test "$(bmp_dark "$shot" 27 87 35 95)" = 0
  check "testhost showcase: Check2 (opaque) draws its caption" at_least "$(bmp_dark "$shot" 42 82 150 98)" 40
  check "testhost showcase: the OK button shows its caption" at_least "$(bmp_dark "$shot" 250 53 275 67)" 10
  # "OK" is narrow; the button's name, which a new button shows, reaches further left.
  check "testhost showcase: the OK button's caption is not its name" test "$(bmp_dark "$shot" 228 53 248 67)" = 0
  check "testhost showcase: the Label shows its caption" at_least "$(bmp_dark "$shot" 26 16 200 30)" 200
  check "testhost showcase: the Label has its white BackColor" test "$(bmp_pixel "$shot" 250 20)" = ffffff
  # The option group: the set option's dot, an unset one's white middle, and the
  # round glyph's corner showing the picture rather than its window's colour.
  check "testhost showcase: Size2 (set) shows its dot" test "$(bmp_pixel "$shot" 226 118)" = 000000
  check "testhost showcase: Size1 (unset) has a white middle" test "$(bmp_pixel "$shot" 226 94)" = ffffff
  check "testhost showcase: Size1's glyph corner shows the picture" test "$(bmp_pixel "$shot" 223 88)" != c0c0c0
  check "testhost showcase: Size3 draws its caption" at_least "$(bmp_dark "$shot" 236 135 266 149)" 20
  # The frames: the outer one's caption, the inner one's border, and the controls
  # placed in them drawn over the picture.
  check "testhost showcase: Frame1 draws its caption" at_least "$(bmp_dark "$shot" 28 225 90 237)" 20
  check "testhost showcase: Check4 in Frame1 shows its check mark" at_least "$(bmp_dark "$shot" 30 248 40 258)" 10
  check "testhost showcase: Radio2 in Frame2 draws its caption" at_least "$(bmp_dark "$shot" 180 262 236 274)" 20
}
testhost_scripts

# --- what each host shows of one form ------------------------------------------
# looks.vfm has check boxes in both alignments and looks, and sliders. Each host's
# picture is compared with its own picture of the form without them; a part one
# host draws where the other shows nothing fails (compare_looks says where).
looks_compare() {
  local native="$root/build" work out
  if [ ! -x "$native/tools/vitrelle" ] || [ ! -x "$native/tools/looks/compare_looks" ]; then
    failed=$((failed + 1))
    echo "activex $arch: FAILED: looks: the model host's build ($native) is missing" >&2
    return
  fi
  work=$(mktemp -d "$build/looks.XXXXXX")
  cp "$here/looks.vfm" "$work/looks.vfm"
  awk '/^   Begin Glaze/ { skip = 1 } !skip { print } skip && /^   End$/ { skip = 0 }' "$here/looks.vfm" > "$work/base.vfm"
  "$native/tools/vitrelle" render "$work/looks.vfm" -o "$work/model.png" >/dev/null
  "$native/tools/vitrelle" render "$work/base.vfm" -o "$work/model_base.png" >/dev/null
  wine_exe "$build/testhost.exe" --screenshot "$work/wine.bmp" "$work/looks.vfm" >/dev/null 2>&1
  wine_exe "$build/testhost.exe" --screenshot "$work/wine_base.bmp" "$work/base.vfm" >/dev/null 2>&1
  out=$("$native/tools/looks/compare_looks" "$work/looks.vfm" "$work/model.png" "$work/model_base.png" \
    "$work/wine.bmp" "$work/wine_base.bmp" "the model host" "Wine $arch" 2>&1)
  check "both hosts draw the same parts of looks.vfm" grep -q ' 0 differ$' <<<"$out"
  grep -v ' differ$' <<<"$out" | sed "s/^/activex $arch: /" >&2
  # Kept for a look by eye.
  cp "$work/model.png" "$build/looks_model.png" 2>/dev/null || true
  cp "$work/wine.bmp" "$build/looks_wine.bmp" 2>/dev/null || true
  rm -rf "$work"
}
looks_compare

# --- the About box ----------------------------------------------------------------
# A script client calls DisplayAboutBox, which holds it in the modal dialog; a driver
# of its own (about_driver.exe) acts on the dialog from outside as the user would.
# Stand-ins take the platform's roles: a start probe for the system information tool
# and the browser, which records how it was started, and a simple-MAPI mail program
# that Wine's MAPI32.DLL hands the calls to once the registry names it.
about_box() {
  local v="$WINEPREFIX/drive_c/vitrelle" out shot="$build/about.bmp"
  mkdir -p "$v/shared tools" "$v/empty"
  cp "$build/about_driver.exe" "$here/about.vbs" "$v/"
  cp "$build/start_probe.exe" "$v/msinfo_probe.exe"
  cp "$build/start_probe.exe" "$v/shared tools/MSINFO32.EXE"
  rm -f "$v/mail.log" "$v/mail_fails" "$v/about.bmp" "$v/browser_probe.exe.started"

  local info='SOFTWARE\Microsoft\Shared Tools\MSINFO' location='SOFTWARE\Microsoft\Shared Tools Location'
  local sysinfo='click:&System Info...' mail='click:about@vitrelle.example'
  local steps=(
    dialog texts 'shot:C:\vitrelle\about.bmp'
    # Neither value: the tool is unavailable.
    "$sysinfo" msgbox
    # The tool's own path, then only the folder that holds it.
    "set:$info|PATH|C:\vitrelle\msinfo_probe.exe" "$sysinfo" 'started:C:\vitrelle\msinfo_probe.exe.started'
    "delete:$info" "set:$location|MSINFO|C:\vitrelle\shared tools" "$sysinfo" 'started:C:\vitrelle\shared tools\MSINFO32.EXE.started'
    # A folder without the tool, and a path to a program that is not there.
    "set:$location|MSINFO|C:\vitrelle\empty" "$sysinfo" msgbox
    "set:$info|PATH|C:\vitrelle\gone.exe" "$sysinfo" msgbox
    "delete:$info" "delete:$location"
    'click:http://www.vitrelle.example/' 'started:C:\vitrelle\browser_probe.exe.started'
    # Two messages on one logon; OK logs off and releases the form.
    "$mail" "$mail" 'click:OK' closed
    # The second control's call shows a fresh form, whose failed message leaves it open.
    dialog 'touch:C:\vitrelle\mail_fails' "$mail" msgbox 'click:OK' closed
  )
  wine_tool cscript //nologo 'C:\vitrelle\about.vbs' >"$build/about_client.out" 2>&1 &
  local client=$!
  out=$(wine_exe 'C:\vitrelle\about_driver.exe' "${steps[@]}" 2>&1 | tr -d '\r')
  # A driver that gave up leaves the dialog open: close it so that the client ends.
  grep -q '^timeout' <<<"$out" && wine_exe 'C:\vitrelle\about_driver.exe' dialog close >/dev/null 2>&1
  wait "$client"
  same "the About box as its user sees it" "$(tr -d '\r' < "$here/about_driver.expected")" "$out"
  same "DisplayAboutBox returns to the script client when the dialog closes" \
    "$(tr -d '\r' < "$here/about.expected")" "$(tr -d '\r' < "$build/about_client.out")"
  same "the About box's mail calls" "$(tr -d '\r' < "$here/about_mail.expected")" "$(tr -d '\r' < "$v/mail.log" 2>/dev/null)"

  # What the dialog showed: its window is 388 x 271 pixels with the client area 3
  # pixels in and 22 down. Dark text where the title and the version are, and both
  # links in the highlight colour (blue in Wine's scheme).
  cp "$v/about.bmp" "$shot" 2>/dev/null
  about_pixels() { bmp_count "$shot" 388 "$@"; }  # x0 y0 x1 y1 dark|blue
  check "About screenshot has the dialog's size" test "$(stat -c %s "$shot" 2>/dev/null)" = $((54 + 388 * 271 * 4))
  check "About screenshot shows the title" at_least "$(about_pixels 73 38 332 60 dark)" 100
  check "About screenshot shows the version" at_least "$(about_pixels 73 64 332 79 dark)" 50
  check "About screenshot shows the web link in the highlight colour" at_least "$(about_pixels 77 186 269 201 blue)" 100
  check "About screenshot shows the e-mail link in the highlight colour" at_least "$(about_pixels 77 208 269 223 blue)" 100
  check "About screenshot: the description is not in the link colour" test "$(about_pixels 73 86 380 140 blue)" = 0
}
about_box

# --- a display of 144 logical pixels per inch -------------------------------------
# Last, because every program started afterwards sees the new display. The form's
# Machine block asks for 144 dpi, and the container refuses to run it on another.
# The log must be the model host's; the screenshot must show the controls half as
# many pixels again as at 96 dpi, glyphs and captions included.
testhost_dpi() {
  local script=frame/dpi shot="$build/testhost_dpi.bmp"
  testhost_log "" "$script"
  check "testhost refuses a form for 144 dpi on a 96-dpi display" contains "$TESTHOST_OUT" "asks for a display of 144 dpi"
  wine_tool reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  wineserver -k; wineserver -w; wineserver -p
  # The first program under a new server starts Wine's own services, which keep the
  # output they inherit open for as long as the server runs: not a log's pipe.
  wine_tool reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  testhost_log "" "$script"
  same "testhost $script at 144 dpi" "$TESTHOST_EXPECTED" "$TESTHOST_LOG" || grep -E '^testhost: ' <<<"$TESTHOST_OUT" >&2
  rm -f "$shot"
  (cd "$root" && wine_exe "$build/testhost.exe" --screenshot "$shot" controls/frame/scripts/dpi.vfm >/dev/null 2>&1)
  # 4800 x 3000 twips are 480 x 300 pixels at 144 dpi (320 x 200 at 96).
  check "testhost at 144 dpi: the form is 480 x 300 pixels" test "$(stat -c %s "$shot" 2>/dev/null)" = $((54 + 480 * 300 * 4))
  local body
  body=$(tail -c +55 "$shot" 2>/dev/null | od -An -v -tu1 -w4)
  # The width and height, in pixels, of what a box of the screenshot shows in white
  # or in dark colours (a glyph's face and edges, a caption's text).
  drawn() {
    awk -v W=480 -v X0="$1" -v Y0="$2" -v X1="$3" -v Y1="$4" '
      { i = NR - 1; x = i % W; y = int(i / W)
        if (x < X0 || x >= X1 || y < Y0 || y >= Y1) next
        if (($1 == 255 && $2 == 255 && $3 == 255) || ($1 <= 128 && $2 <= 128 && $3 <= 128)) { c[x]; r[y] } }
      END { lo = 1e9; hi = -1; for (k in c) { k += 0; if (k < lo) lo = k; if (k > hi) hi = k }
            top = 1e9; bot = -1; for (k in r) { k += 0; if (k < top) top = k; if (k > bot) bot = k }
            print (hi < 0 ? 0 : hi - lo + 1), (bot < 0 ? 0 : bot - top + 1) }' <<<"$body"
  }
  local size
  read -r -a size <<<"$(drawn 20 24 48 70)"
  check "testhost at 144 dpi: Check1's glyph is 19 pixels wide (${size[0]})" test "${size[0]}" -ge 18 -a "${size[0]}" -le 20
  read -r -a size <<<"$(drawn 44 115 72 160)"
  check "testhost at 144 dpi: Radio1's glyph is 20 pixels wide (${size[0]})" test "${size[0]}" -ge 18 -a "${size[0]}" -le 21
  read -r -a size <<<"$(drawn 74 115 140 160)"
  check "testhost at 144 dpi: Radio1's caption is 15 pixels high (${size[1]})" test "${size[1]}" -ge 13 -a "${size[1]}" -le 17
}
testhost_dpi

# --- unregistration -----------------------------------------------------------
wine_tool regsvr32 /u /s "$ocx" >/dev/null 2>&1
hkcr=$(export_hkcr)
check "HKEY_CLASSES_ROOT exported again" test -n "$hkcr"
while read -r name prog_id clsid misc bitmap; do
  [ "$name" = library ] && continue
  check "$name CLSID removed" test -z "$(section "$hkcr" "CLSID\\$clsid")"
  check "$name ProgID removed" test -z "$(section "$hkcr" "$prog_id")"
done < <("$gen" classes)
check "type library unregistered" test -z "$(section "$hkcr" "TypeLib\\$libid")"
# Registration must only ever remove its own keys (the CLSID root with them).
check "other classes survive" contains "$(section "$hkcr" "CLSID\\{00000300-0000-0000-C000-000000000046}")" PRESENT

echo "activex $arch: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
