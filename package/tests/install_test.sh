#!/usr/bin/env bash
# One architecture's package under Wine, in a fresh prefix: what it installs and
# registers against what regsvr32 registers for the same files, script clients
# creating every class, a repeated install, regsvr32 over an installed server, an
# upgrade from an older version, and uninstalls that leave the registry and the
# disk as they were. The x64 package carries both servers, so its run creates the
# classes of both.
#
# usage: install_test.sh ROOT x64|x86   (after package/build.sh, under xvfb-run)
set -uo pipefail
root=$1
arch=${2:-x64}
pkg="$root/build-package"
gen="$root/build-activex-gen/vitrelle_activex_gen"
here="$(cd "$(dirname "$0")" && pwd)"
. "$root/hosts/activex/tests/wine_env.sh"

passed=0
failed=0
check() {  # name, then a command that succeeds when the check holds
  local name=$1; shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "installer $arch: FAILED: $name" >&2
    return 1
  fi
}

version=$("$gen" version)
msi_name="Vitrelle-$version-$arch.msi"
if [ ! -f "$pkg/$msi_name" ]; then
  echo "installer $arch: FAILED: $pkg/$msi_name is missing (package/build.sh builds it)" >&2
  echo "installer $arch: 0 passed, 1 failed"
  exit 1
fi

work=$(mktemp -d "$pkg/install.XXXXXX")
# The x64 package is for 64-bit Windows (a WoW64 prefix, as the server suite
# uses), the x86 package for 32-bit Windows: a 32-bit prefix of its own.
if [ "$arch" = x64 ]; then wine_use x64 "$work/prefix"; else wine_use x86 "$work/prefix" win32; fi
case $? in
  0) ;;
  3)
    rm -rf "$work"
    echo "installer $arch: not run: this machine's kernel cannot run $arch programs"
    exit 0
    ;;
  *) rm -rf "$work"; exit 1 ;;
esac
cleanup() { wine_done; rm -rf "$work"; }
trap cleanup EXIT

# The servers this package carries, and whether this machine runs 32-bit programs
# at all (the x64 package's 32-bit server is then installed but cannot be created).
servers=(x86)
[ "$arch" = x64 ] && servers=(x64 x86)
runs_x86=yes
/usr/lib/wine/wine --version 2>/dev/null | grep -q '^wine-' || runs_x86=no

# Each architecture's programs by its own loader, as wine_env.sh explains; on
# 32-bit Windows the 32-bit system folder is system32.
x86_sysdir=syswow64
[ "$arch" = x86 ] && x86_sysdir=system32
sysdir_of() { [ "$1" = x64 ] && echo system32 || echo "$x86_sysdir"; }
run_as() {  # arch, program in that architecture's system folder, arguments...
  local a=$1 name=$2; shift 2
  case $a in
    x64) WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 "C:\\windows\\system32\\$name.exe" "$@" ;;
    x86) WINELOADER=/usr/lib/wine/wine /usr/lib/wine/wine "C:\\windows\\$x86_sysdir\\$name.exe" "$@" ;;
  esac
}
# The widest regedit: on 64-bit Windows the 64-bit one, which sees both views.
regedit_export() {  # Windows path of the file
  local loader=/usr/lib/wine/wine
  [ "$arch" = x64 ] && loader=/usr/lib/wine/wine64
  WINELOADER=$loader $loader 'C:\windows\regedit.exe' /E "$1" >/dev/null 2>&1
}

mkdir -p "$WINEPREFIX/drive_c/pkg"
cp "$pkg/$msi_name" "$here/create_all.vbs" "$WINEPREFIX/drive_c/pkg/"
msi='C:\pkg\'$msi_name

# --- snapshots ------------------------------------------------------------------
# The whole registry as one line per value ("[key] name=data") and per key, sorted.
# Lines the platform changes on its own between any two programs are left out.
snapshot() {  # name
  local file="$work/$1"
  rm -f "$WINEPREFIX/drive_c/snap.reg"
  regedit_export 'C:\snap.reg'
  iconv -f UTF-16LE -t UTF-8 "$WINEPREFIX/drive_c/snap.reg" 2>/dev/null | tr -d '\r' | awk '
    /^\[/ { key = $0; print key; next }
    cont { line = line $0; if ($0 ~ /\\$/) next; print key " " line; cont = 0; next }
    NF && !/^REGEDIT4|^Windows Registry Editor/ { if ($0 ~ /\\$/) { line = $0; cont = 1; next } print key " " $0 }' |
    grep -viE '^\[HKEY_(CURRENT_USER|USERS\\[^]]*)\\Software\\Wine\\(MSHTML|Fonts)|\\Volatile Environment|^\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\|^\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment\]|\\(Shell Folders|Explorer\\User Shell Folders)\]' |
    LC_ALL=C sort > "$file.reg"
  rm -f "$WINEPREFIX/drive_c/snap.reg"
  (cd "$WINEPREFIX/drive_c" && find . -path ./pkg -prune -o -path ./snap.reg -prune -o -print |
    grep -vE '^\./(users/[^/]+/Temp|windows/temp)(/|$)' | LC_ALL=C sort) > "$file.files"
}
added() { LC_ALL=C comm -13 "$work/$1.reg" "$work/$2.reg"; }
removed() { LC_ALL=C comm -23 "$work/$1.reg" "$work/$2.reg"; }
same_registry() { [ -z "$(added "$1" "$2")" ] && [ -z "$(removed "$1" "$2")" ]; }
same_files() { cmp -s "$work/$1.files" "$work/$2.files"; }
explain() {  # before after: what differs, on standard error
  { added "$1" "$2" | sed 's/^/  added: /'; removed "$1" "$2" | sed 's/^/  removed: /'
    LC_ALL=C comm -3 "$work/$1.files" "$work/$2.files" | sed 's/^/  file: /'; } | head -40 >&2
}

# The registration a snapshot holds: class, ProgID, interface and type library keys
# under HKEY_LOCAL_MACHINE\Software\Classes (its Wow6432Node the 32-bit view), less
# the installer's own records. Known platform differences are evened out here,
# each with its reason:
#  - Wine's type library registration writes paths as \\?\C:\...; the installer
#    writes C:\....
#  - The type library's HELPDIR: the platform writes the folder without a closing
#    backslash, the installer's folder properties always end in one.
#  - FLAGS: Wine writes the flag its loader sets on any library read from a file
#    (8, "has a disk image"); the library declares no flags and the installer
#    writes 0.
#  - Keys other than classes and interfaces are one key for both views on 64-bit
#    Windows; Wine keeps two, and its type library registration writes both, so
#    they are compared as one. (Wine's installer writes a 32-bit component's
#    ProgIDs into the 32-bit view only, where 64-bit programs do not look: the
#    x64 package therefore writes them from a 64-bit component.)
registration() {  # snapshot
  grep -iE '^\[HKEY_LOCAL_MACHINE\\Software\\Classes\\' "$work/$1.reg" |
    grep -viE '^\[HKEY_LOCAL_MACHINE\\Software\\Classes\\Installer(\\|\])' |
    grep -iE "vitrelle|$(classes_regex)" |
    sed -E 's/\\\\\\\\\?\\\\//g; s/(\\HELPDIR\] @=".*)\\\\"$/\1"/; s/(\\FLAGS\] @=)"8"$/\1"0"/' |
    sed -E 's/^\[HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\((Typelib|TypeLib|Vitrelle\.)[^]]*\])/[HKEY_LOCAL_MACHINE\\Software\\Classes\\\1/I' |
    LC_ALL=C sort -uf
}
# What regsvr32 can be compared with: on a machine that cannot run 32-bit programs
# the 32-bit server is installed but nobody can register it by hand, so its view
# (its class and interface keys, the type library's win32 entry and the HELPDIR
# that names its folder) is left out of both sides.
by_hand_comparable() {  # snapshot
  if [ "$runs_x86" = yes ] || [ "$arch" = x86 ]; then registration "$1"; return; fi
  registration "$1" | grep -viE '^\[HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\|\\0\\win32\]|\\HELPDIR\]'
}
classes_regex() {
  local ids
  ids=$("$gen" classes | awk '$1 == "library" { print $2; next } { print $3 }')
  ids+=$'\n'$(grep -oE '[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}' "$root/build-activex-x64/generated/Vitrelle.idl" | sed 's/.*/{&}/')
  sort -u <<<"$ids" | sed 's/[{}]/\\&/g' | paste -sd'|'
}

mapfile -t built < "$root/build-activex-x64/built_classes.txt"
prog_ids=()
while read -r name prog_id _; do
  [ "$name" = library ] && continue
  printf '%s\n' "${built[@]}" | grep -qx "$name" && prog_ids+=("$prog_id")
done < <("$gen" classes)

# Every class of the server of `arch`, created by that architecture's script host;
# each line says "created" or "failed".
create_all() {  # arch
  run_as "$1" cscript //nologo 'C:\pkg\create_all.vbs' "${prog_ids[@]}" 2>&1 | tr -d '\r'
}
expect_created() {  # arch, what (a check name)
  local out
  if [ "$1" = x86 ] && [ "$runs_x86" = no ]; then
    echo "installer $arch: not run: $2 (this machine cannot run x86 programs)" >&2
    return
  fi
  out=$(create_all "$1")
  check "$2: every class of the $1 server is created" \
    test "$(grep -c '^created ' <<<"$out")" = "${#prog_ids[@]}"
  grep '^failed ' <<<"$out" | sed "s/^/installer $arch: $1: /" >&2
}
expect_none() {  # arch, what
  local out
  [ "$1" = x86 ] && [ "$runs_x86" = no ] && return
  out=$(create_all "$1")
  check "$2: no class of the $1 server is created" test "$(grep -c '^created ' <<<"$out")" = 0
}

msiexec() {  # the package's own architecture's msiexec, then its arguments
  run_as "$arch" msiexec "$@" >/dev/null 2>&1
}
product_code() {  # arch version, as the Uninstall keys name it
  echo "{$("$gen" wix-product "$1" "$2" | grep -oE 'Product Id="[^"]+"' | cut -d'"' -f2)}"
}
uninstall_entries() {  # snapshot: the products the Uninstall keys list, one code a line
  grep -ioE '\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\{[0-9A-F-]+\}\]$' "$work/$1.reg" |
    grep -oE '\{[0-9A-F-]+\}' | sort -u
}

# First programs warm the prefix up, so that the first snapshot takes in what any
# first run adds: the script host registers its own type library, and the
# platform's installer makes its own records' roots and folder (which stay, as on
# any Windows that has run an installer) with a package of nothing but one value.
for s in "${servers[@]}"; do
  [ "$s" = x86 ] && [ "$runs_x86" = no ] && continue
  create_all "$s" >/dev/null
done
# A 64-bit Windows's 32-bit system folder and 32-bit class keys are never empty;
# in a prefix that cannot run 32-bit programs Wine leaves both empty, and the
# installer then takes them away with the last thing it removes from them. They
# are given what any 32-bit program would have put there.
if [ "$arch" = x64 ] && [ "$runs_x86" = no ]; then
  : > "$WINEPREFIX/drive_c/windows/syswow64/placeholder.dll"
  run_as x64 reg add 'HKLM\Software\Classes\Wow6432Node\CLSID\{00000000-0000-0000-0000-000000000001}' \
    /ve /d placeholder /f >/dev/null 2>&1
fi
cat > "$work/warmup.wxs" <<'WXS'
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="2B7C9E14-5A3D-4F60-8E21-C4D9B0A7F356" Name="Warm-up" Language="1033" Version="1.0.0"
           Manufacturer="Vitrelle tests" UpgradeCode="7E0D4A92-C815-4B3F-9A6E-13F5D8C2B049">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="SystemFolder">
        <Component Id="WarmUp" Guid="C4A1F7D3-0E92-4B58-A6D1-8F3B27E9C051">
          <RegistryValue Root="HKLM" Key="Software\VitrelleWarmUp" Name="Used" Type="string" Value="1" KeyPath="yes"/>
        </Component>
      </Directory>
    </Directory>
    <Feature Id="WarmUp" Level="1"><ComponentRef Id="WarmUp"/></Feature>
  </Product>
</Wix>
WXS
if wixl -o "$WINEPREFIX/drive_c/pkg/warmup.msi" "$work/warmup.wxs" 2>/dev/null; then
  msiexec /i 'C:\pkg\warmup.msi' /qn
  msiexec /x 'C:\pkg\warmup.msi' /qn
fi
snapshot base

# --- registration by hand, for comparison ---------------------------------------
# The files where the package puts them; the 32-bit server first, as its folder
# is what the installer writes for the type library's HELPDIR.
for s in x86 x64; do
  [[ " ${servers[*]} " == *" $s "* ]] || continue
  cp "$root/build-activex-$s/Vitrelle.ocx" "$WINEPREFIX/drive_c/windows/$(sysdir_of "$s")/Vitrelle.ocx"
  run_as "$s" regsvr32 /s "C:\\windows\\$(sysdir_of "$s")\\Vitrelle.ocx" >/dev/null 2>&1
done
snapshot hand
check "regsvr32 registers the servers" test -n "$(registration hand)"
for s in "${servers[@]}"; do
  run_as "$s" regsvr32 /u /s "C:\\windows\\$(sysdir_of "$s")\\Vitrelle.ocx" >/dev/null 2>&1
  rm -f "$WINEPREFIX/drive_c/windows/$(sysdir_of "$s")/Vitrelle.ocx"
done
snapshot clean
check "regsvr32 /u leaves the registry as it was" same_registry base clean || explain base clean

# --- install --------------------------------------------------------------------
msiexec /i "$msi" /qn
snapshot installed
for s in "${servers[@]}"; do
  check "the $s server is installed in $(sysdir_of "$s")" \
    cmp -s "$root/build-activex-$s/Vitrelle.ocx" "$WINEPREFIX/drive_c/windows/$(sysdir_of "$s")/Vitrelle.ocx"
done
if [ "$(by_hand_comparable installed)" = "$(by_hand_comparable hand)" ]; then passed=$((passed + 1)); else
  failed=$((failed + 1))
  echo "installer $arch: FAILED: the package registers what regsvr32 registers (< regsvr32, > package)" >&2
  diff <(by_hand_comparable hand) <(by_hand_comparable installed) | head -40 >&2
fi
[ "$arch" = x64 ] && [ "$runs_x86" = no ] &&
  echo "installer $arch: not run: the x86 server's registration against regsvr32's (this machine cannot run x86 programs)" >&2
check "one product is listed" test "$(uninstall_entries installed)" = "$(product_code "$arch" "$version")"
for s in "${servers[@]}"; do expect_created "$s" "installed"; done

# The installer's records of where the package came from may change; what it
# installed may not.
msiexec /i "$msi" /qn
snapshot again
check "a repeated install leaves one registration" test "$(registration again)" = "$(registration installed)"
check "a repeated install leaves one product" test "$(uninstall_entries again)" = "$(uninstall_entries installed)"
check "a repeated install adds no file" same_files installed again

# regsvr32 over the installed servers rewrites the same registration...
for s in x86 x64; do
  [[ " ${servers[*]} " == *" $s "* ]] || continue
  run_as "$s" regsvr32 /s "C:\\windows\\$(sysdir_of "$s")\\Vitrelle.ocx" >/dev/null 2>&1
done
snapshot reregistered
check "regsvr32 over the installed servers writes the same registration" \
  test "$(registration reregistered)" = "$(registration installed)"
# ...and uninstall still removes all of it.
msiexec /x "$msi" /qn
snapshot uninstalled
check "uninstall leaves the registry as it was" same_registry clean uninstalled || explain clean uninstalled
check "uninstall leaves the disk as it was" same_files clean uninstalled || explain clean uninstalled
for s in "${servers[@]}"; do expect_none "$s" "uninstalled"; done

# --- upgrade from an older version ------------------------------------------------
old_version=$(awk -F. '{ printf "%d.%d.%d", $1, $2 - 1, 9 }' <<<"$version")
"$gen" wix-product "$arch" "$old_version" > "$work/old.wxs"
if "$root/package/wixl_build.sh" "$arch" "$work/old.wxs" "$WINEPREFIX/drive_c/pkg/old.msi"; then
  msiexec /i 'C:\pkg\old.msi' /qn
  snapshot old
  check "the older version is listed" test "$(uninstall_entries old)" = "$(product_code "$arch" "$old_version")"
  msiexec /i "$msi" /qn
  snapshot upgraded
  check "an upgrade leaves one product, the new one" \
    test "$(uninstall_entries upgraded)" = "$(product_code "$arch" "$version")"
  check "an upgrade leaves one registration" test "$(registration upgraded)" = "$(registration installed)"
  for s in "${servers[@]}"; do expect_created "$s" "upgraded"; done
  # An older package does not go over a newer one.
  msiexec /i 'C:\pkg\old.msi' /qn
  snapshot downgrade
  check "an older package does not replace a newer one" same_registry upgraded downgrade || explain upgraded downgrade
  msiexec /x "$msi" /qn
  snapshot upgrade_removed
  check "uninstall after an upgrade leaves the registry as it was" same_registry clean upgrade_removed ||
    explain clean upgrade_removed
  check "uninstall after an upgrade leaves the disk as it was" same_files clean upgrade_removed
else
  failed=$((failed + 1))
  echo "installer $arch: FAILED: wixl could not build the $old_version package" >&2
fi

# --- an application's own installer ----------------------------------------------
# What a developer gets in the WiX archive, built into a package of their own as the
# README says. Its components are the product's, so the two share them: either
# can go first and the controls stay until both are gone.
app="$work/app"
mkdir -p "$app"
unzip -q "$pkg/Vitrelle-$version-wix.zip" -d "$app"
group=VitrelleX86 dirs='<Directory Id="SystemFolder"/>'
[ "$arch" = x64 ] && group=VitrelleX64 dirs='<Directory Id="SystemFolder"/><Directory Id="System64Folder"/>'
cat > "$app/app.wxs" <<WXS
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="5D2E8B71-6F04-4C3A-9B15-E07A4C92D6F8" Name="An application" Language="1033" Version="2.0.0"
           Manufacturer="A developer" UpgradeCode="91C3F6A2-4E7B-4D05-8A39-B6E120D4F7C5">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="app.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">$dirs</Directory>
    <Feature Id="App" Level="1"><ComponentGroupRef Id="$group"/></Feature>
  </Product>
</Wix>
WXS
if (cd "$app" && wixl -a "$arch" -D VitrelleSource=. -o "$WINEPREFIX/drive_c/pkg/app.msi" app.wxs Vitrelle.wxs) 2>/dev/null; then
  msiexec /i 'C:\pkg\app.msi' /qn
  snapshot app
  check "an application's installer registers what regsvr32 registers" \
    test "$(by_hand_comparable app)" = "$(by_hand_comparable hand)"
  for s in "${servers[@]}"; do expect_created "$s" "the application installed"; done
  msiexec /i "$msi" /qn
  msiexec /x 'C:\pkg\app.msi' /qn
  snapshot app_removed
  check "the product keeps the controls the application's uninstall leaves" \
    test "$(registration app_removed)" = "$(registration installed)"
  for s in "${servers[@]}"; do expect_created "$s" "the application removed, the product installed"; done
  msiexec /x "$msi" /qn
  snapshot app_both_removed
  check "removing the application and the product leaves the registry as it was" \
    same_registry clean app_both_removed || explain clean app_both_removed
  check "removing the application and the product leaves the disk as it was" same_files clean app_both_removed
else
  failed=$((failed + 1))
  echo "installer $arch: FAILED: wixl could not build an application's package from the WiX archive" >&2
fi

# What the archive for registering by hand holds.
check "the archive holds both servers, their type libraries and the README" \
  test "$(unzip -Z1 "$pkg/Vitrelle-$version.zip" | sort | paste -sd' ')" = \
       "README.md x64/Vitrelle.ocx x64/Vitrelle.tlb x86/Vitrelle.ocx x86/Vitrelle.tlb"

# --- one package per Windows ------------------------------------------------------
# The x64 package carries the 32-bit server too; the keys both views share belong to
# one component only, so the other package refuses this machine.
other=x86
[ "$arch" = x86 ] && other=x64
cp "$pkg/Vitrelle-$version-$other.msi" "$WINEPREFIX/drive_c/pkg/"
msiexec /i "C:\\pkg\\Vitrelle-$version-$other.msi" /qn
snapshot refused
check "the $other package refuses this Windows" same_registry clean refused || explain clean refused
check "the $other package installs no file" same_files clean refused

echo "installer $arch: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
