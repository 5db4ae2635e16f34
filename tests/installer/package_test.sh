#!/usr/bin/env bash
# The Windows Installer package as administrators use it, under Wine's msiexec, each case in a
# fresh Wine prefix of its own under the build tree:
#   - its tables, read back with msiinfo;
#   - a silent installation writes exactly what regsvr32 and install.cmd write together (the two
#     prefixes compared key by key, and no key of ours anywhere else), and the installed class
#     and type library work (package_probe.exe);
#   - a silent removal, after the extension was used, leaves no key, file or folder of ours;
#   - a package of a newer version replaces an older one; an older one is refused over it, and
#     the same version built once more does not add a second product.
# With arch x64 the package is the x64 one, in win64 prefixes (a 64-bit probe, both libraries in
# their own views); it also replaces a 32-bit package. Comparing it with the setup scripts needs
# 32-bit programs to run (the 32-bit regsvr32); where the machine cannot start them, that
# comparison is left out and said so.
# usage: package_test.sh <build-dir> <package.msi> <older.msi> <package_probe.exe> <setup-folder>
#        <source-dir> [x86|x64]
set -euo pipefail
build=$1 msi=$2 older_msi=$3 probe=$4 setup=$5 source=$6 arch=${7:-x86}
for f in "$msi" "$older_msi" "$probe" "$setup/install.cmd"; do
  [ -e "$f" ] || { echo "missing $f: build the package and package_probe first" >&2; exit 1; }
done
work="$build/tests/installer/package-test"
logs="$work/logs"
mkdir -p "$logs"
# msiinfo writes a table's streams (the Icon table's icon) into folders of the working folder.
cd "$work"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
if [ "$arch" = x64 ]; then
  export WINEARCH=win64
  # Debian's wine command starts the 32-bit loader; the 64-bit one has a name of its own.
  wine() { "$(command -v wine64 || echo /usr/lib/wine/wine64)" "$@"; }
  views=(/reg:32 /reg:64)
  upgrade_code='{C04D7E3A-406C-43AB-9F57-820E2357CDCB}'
else
  export WINEARCH=win32
  views=(/reg:32)
  upgrade_code='{B0BD6156-4598-485F-90AE-DEA76963B80D}'
fi
# A 32-bit build beside a 64-bit one: its library and package.
x86_build="$build"
[ "$arch" = x86 ] || x86_build="$build/.."
x86_library="$x86_build/extension/iePagelens.dll"
if command wine --version >/dev/null 2>&1; then
  can_run_32bit=yes
else
  can_run_32bit=no
fi

failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# A new prefix costs 20 s; one made by wineboot is kept (until Wine changes) and copied per case.
pristine="$work/pristine"
wine_version=$(wine --version)
if [ "$(cat "$pristine/.made-by" 2>/dev/null)" != "$wine_version" ]; then
  echo "Creating the pristine Wine prefix $pristine"
  rm -rf "$pristine"
  WINEPREFIX="$pristine" wine wineboot -i </dev/null >/dev/null 2>&1 || true
  # A crashing program ends at once instead of waiting in a debugger.
  WINEPREFIX="$pristine" wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /d '' /f </dev/null >/dev/null 2>&1
  WINEPREFIX="$pristine" wineserver -w
  [ -f "$pristine/system.reg" ] || { echo "wineboot did not make $pristine" >&2; exit 1; }
  echo "$wine_version" >"$pristine/.made-by"
fi

prefixes=()
cleanup() {
  for p in "${prefixes[@]}"; do
    WINEPREFIX="$p" wineserver -k 2>/dev/null || true
    rm -rf "$p"
  done
}
trap cleanup EXIT
fresh_prefix() {  # name -> sets $prefix
  prefix="$work/$1"
  rm -rf "$prefix"
  cp -a "$pristine" "$prefix"
  prefixes+=("$prefix")
}
in_prefix() { WINEPREFIX="$prefix" "$@" </dev/null; }
# The registry files are written when the prefix's server ends, shortly after its last program.
settle() { WINEPREFIX="$prefix" wineserver -w; }

msiexec() {  # expected-exit-code what /i|/x package [properties...]
  local expected=$1 what=$2 action=$3 package=$4
  shift 4
  local log="$logs/$what.log" status=0
  in_prefix wine msiexec "$action" "$(windows_path "$package")" /qn /l*v "$(windows_path "$log")" \
    "$@" >/dev/null 2>&1 || status=$?
  # A Linux exit status keeps the low 8 bits of the Windows one (1603 arrives as 67).
  if [ "$status" != $((expected & 255)) ]; then
    fail "$what: msiexec $action $(basename "$package") ended with $status, not $expected" \
         "(log: $log)"
    tr -d '\r' <"$log" | grep -E 'Return value 3|Note:|Error' | tail -n 15 >&2 || true
  fi
}

probe() {  # what gtest-filter
  if ! in_prefix wine "$probe" --gtest_filter="$2" --gtest_brief=1 >"$logs/$1.probe.txt" 2>&1; then
    fail "$1: package_probe $2"
    tr -d '\r' <"$logs/$1.probe.txt" | grep -v '^\[ *OK' >&2 || true
  fi
}

# What DllRegisterServer and install.cmd write, and the package must write the same.
our_keys=(
  'HKCR\CLSID\{6074F29D-3144-4FA6-A9A5-41EF836D98B5}'
  'HKCR\iePagelens.cPagelens'
  'HKCR\TypeLib\{DDA7772C-B819-41DA-8421-498C92FB1FC6}'
  'HKCR\Interface\{89024C1F-EE67-4307-82F6-CC1FFE5379A7}'
  'HKLM\Software\Microsoft\Internet Explorer\Extensions\{66901551-019D-4626-B734-F879F16729DA}'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{6074F29D-3144-4FA6-A9A5-41EF836D98B5}'
  'HKLM\Software\Velmora'
)
export_our_keys() {  # -> text of every key in our_keys with its subkeys and values, per view
  local key view file="$prefix/drive_c/our-keys.reg"
  for view in "${views[@]}"; do
    echo "== $view"
    for key in "${our_keys[@]}"; do
      rm -f "$file"
      if in_prefix wine reg export "$key" 'C:\our-keys.reg' /y "$view" >/dev/null 2>&1; then
        iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r' | sed '1s/^\xEF\xBB\xBF//' |
          grep -v -e '^Windows Registry Editor' -e '^$'
      else
        echo "[$key] absent"
      fi
    done
  done
  rm -f "$file"
}

# Every key whose name or values mention us, anywhere in the prefix's registry.
identifiers='6074f29d|dda7772c|89024c1f|66901551|iepagelens|velmora'
keys_mentioning_us() {
  awk -v ids="$identifiers" '
    /^\[/ { key = $0; sub(/\][^]]*$/, "]", key); if (tolower(key) ~ ids) print key; next }
    key != "" && tolower($0) ~ ids { print key }
  ' "$prefix/system.reg" "$prefix/user.reg" | sort -u
}
# Windows Installer's own records of an installed product.
installer_records='^\[Software\\\\(Classes\\\\Installer|Microsoft\\\\Windows\\\\CurrentVersion\\\\(Installer|Uninstall))\\\\'

files_added() {  # files and folders of drive C: that the pristine prefix lacks, less the
  # Windows Installer folder, which Wine's msiexec makes on first use (Windows has it anyway).
  comm -13 <(cd "$pristine/drive_c" && find . | sort) <(cd "$prefix/drive_c" && find . | sort) |
    grep -vx './windows/Installer' || true
}

expect_nothing_of_ours_left() {  # what
  settle
  local keys files
  keys=$(keys_mentioning_us)
  [ -z "$keys" ] || fail "$1: registry keys left behind:"$'\n'"$keys"
  files=$(files_added)
  [ -z "$files" ] || fail "$1: files left behind:"$'\n'"$files"
}

echo "== the package's tables"
tables=$(msiinfo tables "$msi")
for table in SelfReg Class TypeLib ProgId; do
  # The class and type library are registry rows: nothing registers itself at installation.
  ! grep -qx "$table" <<<"$tables" || fail "the package has a $table table"
done
library_bytes=$(stat -c %s "$x86_library")
[ "$arch" = x86 ] || library_bytes=$((library_bytes + $(stat -c %s "$build/extension/iePagelens.dll")))
library_kilobytes=$(( (library_bytes + 1023) / 1024 ))
version=$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductVersion" { print $2 }')
category='CLSID\{6074F29D-3144-4FA6-A9A5-41EF836D98B5}\Implemented Categories\{59FB2056-D625-48D0-A944-1A85B5AB2640}'
expected_rows=(
  "Property	ALLUSERS	1"
  "Property	Manufacturer	Velmora"
  "Property	ProductName	iePagelens"
  "Property	UpgradeCode	$upgrade_code"
  "Property	ARPPRODUCTICON	pagelens.ico"
  "Property	ARPSIZE	$library_kilobytes"
  "Directory	ProgramFolder	VelmoraFolder	iePagelens"
  "Directory	VelmoraFolder	ProgramFilesFolder	Velmora"
  "Component	Library	{E2994706-D1D7-42E7-9B6E-A24A3AE19FCA}	ProgramFolder	0		iePagelens.dll"
  "File	iePagelens.dll	Library	iePagelens.dll	$(stat -c %s "$x86_library")			512	1"
  "Upgrade	$upgrade_code		${version}		1		WIX_UPGRADE_DETECTED"
  "Upgrade	$upgrade_code	${version}			2		WIX_DOWNGRADE_DETECTED"
  "RemoveFile	RemoveWorkFile	Library	snapshot.jpg	ProgramFolder	2"
  "RemoveFile	RemoveProgramFolder	Library		ProgramFolder	2"
  "RemoveFile	RemoveVelmoraFolder	VelmoraFolderRemoval		VelmoraFolder	2"
  "Registry	RemoveSettings	2	Software\\Velmora\\iePagelens	-		Library"
  "Registry	AppContainerCategory	0	$category	*		Library"
  "Icon	pagelens.ico	Icon.pagelens.ico"
)
template='Intel;1033'
if [ "$arch" = x64 ]; then
  template='x64;1033'
  expected_rows+=(
    "Directory	ProgramFolder64	VelmoraFolder64	iePagelens"
    "Directory	VelmoraFolder64	ProgramFiles64Folder	Velmora"
    "Component	Library64	{1A96D10F-B326-47CA-BE1F-BF9BA838347A}	ProgramFolder64	256		iePagelens64.dll"
    "File	iePagelens64.dll	Library64	iePagelens.dll	$(stat -c %s "$build/extension/iePagelens.dll")			512	2"
    "Upgrade	{B0BD6156-4598-485F-90AE-DEA76963B80D}	0.0.0			256		PAGELENS_X86_DETECTED"
    "RemoveFile	RemoveWorkFile64	Library64	snapshot.jpg	ProgramFolder64	2"
    "RemoveFile	RemoveProgramFolder64	Library64		ProgramFolder64	2"
    "Registry	RemoveSettings64	2	Software\\Velmora\\iePagelens	-		Library64"
    "Registry	AppContainerCategory64	0	$category	*		Library64"
  )
fi
for row in "${expected_rows[@]}"; do
  table=${row%%	*}
  grep -qxF "${row#*	}" <(msiinfo export "$msi" "$table" | tr -d '\r') || fail "no row in $table: ${row#*	}"
done
# Of its platform, and not marked as needing no elevation (word count 8): a standard user is asked.
msiinfo suminfo "$msi" | grep -qx "Template: $template" || fail "the package is not for $arch"
msiinfo suminfo "$msi" | grep -qx 'Source: 2 (2)' || fail "the package's word count is not 2"

if [ "$can_run_32bit" = yes ]; then
echo "== reference: install.cmd (with regsvr32) in a fresh prefix"
fresh_prefix scripts
cp -r "$setup" "$prefix/drive_c/iePagelens setup"
in_prefix wine cmd /c 'C:\iePagelens setup\install.cmd' >"$logs/install.cmd.txt" 2>&1 ||
  fail "install.cmd ended with $?"
export_our_keys >"$work/scripts.reg.txt"
settle
keys_mentioning_us >"$work/scripts.keys.txt"
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true

echo "== silent installation in a fresh prefix"
fresh_prefix package
msiexec 0 install /i "$msi"
export_our_keys >"$work/package.reg.txt"
diff -u "$work/scripts.reg.txt" "$work/package.reg.txt" >&2 ||
  fail "the package's registry entries differ from those of regsvr32 and install.cmd"
probe installed 'InstalledPackage.*'
settle
keys_mentioning_us | grep -v -E "$installer_records" >"$work/package.keys.txt" || true
diff -u "$work/scripts.keys.txt" "$work/package.keys.txt" >&2 ||
  fail "the package writes keys of ours that regsvr32 and install.cmd do not, or lacks some"
else
  echo "NOT RUN: the comparison with install.cmd (32-bit programs cannot start on this machine)"
  echo "== silent installation in a fresh prefix"
  fresh_prefix package
  msiexec 0 install /i "$msi"
  probe installed 'InstalledPackage.*'
fi

echo "== silent removal after use"
for view in "${views[@]}"; do
  in_prefix wine reg add 'HKLM\Software\Velmora\iePagelens\Settings' /v PagelensAddress \
    /d www.velmora.example /f "$view" >/dev/null 2>&1 || fail "could not write a setting ($view)"
done
for folder in "$prefix"/drive_c/Program\ Files*/Velmora/iePagelens; do
  printf '\377\330\377' >"$folder/snapshot.jpg"
done
msiexec 0 remove /x "$msi"
probe removed 'RemovedPackage.*'
expect_nothing_of_ours_left removal
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true

echo "== upgrade from an older package, and no downgrade"
fresh_prefix upgrade
msiexec 0 install-older /i "$older_msi"
msiexec 0 upgrade /i "$msi"
probe upgraded 'InstalledPackage.*'
msiexec 1603 downgrade /i "$older_msi"
probe downgrade-refused 'InstalledPackage.IsOneProduct*'
# Another build of the installed version: Windows refuses it (1638), Wine's msiexec reinstalls.
rebuilt="$work/rebuilt.msi"
libraries=(-DLIBRARY="$x86_library")
[ "$arch" = x86 ] || libraries+=(-DARCH=x64 -DLIBRARY64="$build/extension/iePagelens.dll")
cmake -DWXS="$source/installer/iePagelens.wxs" -DOUT="$rebuilt" -DVERSION="$version" \
  "${libraries[@]}" -DICON="$source/extension/res/pagelens.ico" \
  -P "$source/installer/build_msi.cmake" >/dev/null
in_prefix wine msiexec /i "$(windows_path "$rebuilt")" /qn >/dev/null 2>&1 || true
probe rebuilt-same-version 'InstalledPackage.IsOneProduct*'
rm -f "$rebuilt"
msiexec 0 remove-upgraded /x "$msi"
probe upgraded-removed 'RemovedPackage.*'
expect_nothing_of_ours_left "removal after the upgrade"

x86_msi="$x86_build/installer/$(basename "${msi/-x64/}")"
if [ "$arch" = x64 ] && [ -f "$x86_msi" ]; then
  echo "== the x64 package over a 32-bit one"
  fresh_prefix over-x86
  msiexec 0 install-x86 /i "$x86_msi"
  msiexec 0 install-over-x86 /i "$msi"
  probe over-x86 'InstalledPackage.IsOneProduct*:InstalledPackage.RegistersEachLibrary*'
  msiexec 0 remove-over-x86 /x "$msi"
  expect_nothing_of_ours_left "removal after replacing a 32-bit package"
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) FAILED (logs in $logs)"; exit 1; }
echo "all package checks passed"
