#!/usr/bin/env bash
# The MSI of an installed tree (what `cmake --install` put there, the same files as the NSIS
# installer and the zip), built with Debian's wixl and msitools, for Group Policy, Intune and
# ConfigMgr: per-machine into Program Files\simplescope, the Start-menu entry "簡易オシロソフト"
# with the program's icon, the licences, a fixed UpgradeCode and a major upgrade (a newer
# version replaces an older one: one entry in the list of apps), and the ARP properties.
#   make-msi.sh TREE VERSION OUTPUT.msi
# Prints the MSI's ProductCode. wixl 0.101 gets several things wrong without saying so (see
# the checks at the end): every one of them is checked in the MSI it made.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: make-msi.sh TREE VERSION OUTPUT.msi" >&2; exit 2; }
tree=$(realpath "$1")
version=$2
out=$3
here=$(dirname "$(realpath "$0")")
fail() { echo "make-msi: $*" >&2; exit 1; }
[ -f "$tree/bin/simplescope.exe" ] || fail "no bin/simplescope.exe in $tree"

upgrade_code=19D36BFC-F70D-4621-B0D9-4F95EEA7381A  # never to change: it ties the versions
product_code=$(cmake -DVERSION="$version" -DUPGRADE_CODE="$upgrade_code" \
  -P "$here/product-code.cmake")
publisher="The simplescope developers"
help_link=${SIMPLESCOPE_HOMEPAGE:-https://simplescope.example}
shortcut_name="簡易オシロソフト"

work=$(mktemp -d "${TMPDIR:-/tmp}/simplescope-msi.XXXXXX")
trap 'rm -rf "$work"' EXIT

# An identifier for a path, the same in every build: the Component's GUID comes from its
# file's place ("*"), the identifiers from its name.
id_of() { printf '%s' "$2" | md5sum | cut -c1-24 | sed "s/^/$1/"; }
xml_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g'; }

components=()
# The Directory elements of a folder of the tree, with a component per file. The first
# component of each folder also removes the folder on uninstall: Windows Installer leaves an
# emptied folder behind otherwise.
emit_folder() {
  local relative=$1 indent=$2 first=1 path name file_id component_id
  while IFS= read -r -d '' path; do
    name=${path##*/}
    file_id=$(id_of f "$relative/$name")
    component_id=$(id_of c "$relative/$name")
    components+=("$component_id")
    printf '%s<Component Id="%s" Guid="*" Win64="yes">\n' "$indent" "$component_id"
    printf '%s  <File Id="%s" KeyPath="yes" Source="%s"/>\n' "$indent" "$file_id" \
      "$(printf '%s' "${relative#/}${relative:+/}$name" | xml_escape)"
    if [ $first -eq 1 ]; then
      printf '%s  <RemoveFolder Id="%s" On="uninstall"/>\n' "$indent" "$(id_of r "$relative")"
      first=0
    fi
    printf '%s</Component>\n' "$indent"
  done < <(find "$tree$relative" -mindepth 1 -maxdepth 1 -type f -print0 | sort -z)
  while IFS= read -r -d '' path; do
    name=${path##*/}
    printf '%s<Directory Id="%s" Name="%s">\n' "$indent" "$(id_of d "$relative/$name")" \
      "$(printf '%s' "$name" | xml_escape)"
    emit_folder "$relative/$name" "$indent  "
    printf '%s</Directory>\n' "$indent"
  done < <(find "$tree$relative" -mindepth 1 -maxdepth 1 -type d -print0 | sort -z)
}

emit_folder "" "          " >"$work/files.xml"
files=$(cat "$work/files.xml")
refs=$(for c in "${components[@]}"; do printf '      <ComponentRef Id="%s"/>\n' "$c"; done)

# The shortcut's Japanese name can't go through wixl (below): a placeholder goes in.
cat >"$work/simplescope.wxs" <<EOF
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="$product_code" Name="simplescope" Language="1041" Codepage="932"
           Version="$version" Manufacturer="$publisher" UpgradeCode="{$upgrade_code}">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
             Description="simplescope $version" Manufacturer="$publisher"/>
    <Media Id="1" Cabinet="simplescope.cab" EmbedCab="yes"/>
    <MajorUpgrade DowngradeErrorMessage="A newer version of simplescope is already installed."/>
    <Icon Id="simplescope.exe" SourceFile="bin/simplescope.exe"/>
    <Property Id="ARPPRODUCTICON" Value="simplescope.exe"/>
    <Property Id="ARPHELPLINK" Value="$help_link"/>
    <Property Id="ARPURLINFOABOUT" Value="$help_link"/>
    <Property Id="ARPNOMODIFY" Value="1"/>
    <!-- The folder the list of apps shows: wixl knows no SetProperty, a property-setting
         action does the same, once the folders are resolved (CostFinalize, 1000) and before
         InstallValidate (wixl puts "After" actions after InstallFinalize and "Before" ones
         first of all: an explicit place). -->
    <CustomAction Id="SetInstallLocation" Property="ARPINSTALLLOCATION" Value="[INSTALLDIR]"/>
    <InstallExecuteSequence>
      <Custom Action="SetInstallLocation" Sequence="1001"/>
    </InstallExecuteSequence>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name="simplescope">
$files
        </Directory>
      </Directory>
      <Directory Id="ProgramMenuFolder">
        <Component Id="StartMenuEntry" Guid="{0B7E2A53-6C1D-4F0E-9A37-5D8B1C2E4F60}" Win64="yes">
          <Shortcut Id="WindowShortcut" Name="SHORTCUTNAME" Target="[INSTALLDIR]bin\\simplescope.exe"
                    WorkingDirectory="INSTALLDIR" Icon="simplescope.exe" IconIndex="0"/>
          <RegistryValue Root="HKLM" Key="Software\\simplescope" Name="StartMenuEntry"
                         Type="integer" Value="1" KeyPath="yes"/>
        </Component>
      </Directory>
    </Directory>
    <Feature Id="Complete" Level="1">
      <ComponentRef Id="StartMenuEntry"/>
$refs
    </Feature>
  </Product>
</Wix>
EOF

# wixl takes unknown attributes with exit 0 and a warning: any warning is a failure here. It
# finds the files by paths relative to where it runs (an absolute one it can't use).
out=$(realpath -m "$out")
(cd "$tree" && wixl -a x64 -o "$out" "$work/simplescope.wxs") 2>"$work/wixl.log" || {
  cat "$work/wixl.log" >&2
  fail "wixl failed"
}
if grep -q WARNING "$work/wixl.log"; then
  cat "$work/wixl.log" >&2
  fail "wixl warned (an attribute it doesn't know is silently dropped)"
fi

# Text outside Windows-1252 comes out of wixl empty, whatever the Codepage: the tables are
# given the Japanese code page, and the shortcut its name (short|long, as file names are).
printf '\r\n\r\n932\t_ForceCodepage\r\n' >"$work/_ForceCodepage.idt"
(cd "$work" && msibuild "$out" -i _ForceCodepage.idt)
msibuild "$out" -q "UPDATE \`Shortcut\` SET \`Name\`='SIMPLE~1|$shortcut_name' WHERE \`Shortcut\`='WindowShortcut'"

# What wixl is known to drop or misplace, checked in the result (msiinfo exports UTF-8).
msiinfo export "$out" Shortcut | grep -q "|$shortcut_name" || fail "the shortcut lost its name"
msiinfo export "$out" Component | tr -d '\r' |
  awk -F'\t' 'NR > 3 && (($4 % 512) < 256 || $2 == "") { print; bad = 1 } END { exit bad }' ||
  fail "components above are 32-bit or have no GUID"
sequence=$(msiinfo export "$out" InstallExecuteSequence | tr -d "\r")
place_of() { awk -F'\t' -v a="$1" '$1 == a {print $3}' <<<"$sequence"; }
[ "$(place_of SetInstallLocation)" -gt "$(place_of CostFinalize)" ] &&
  [ "$(place_of SetInstallLocation)" -lt "$(place_of InstallValidate)" ] ||
  fail "the install location is set before the folders are known or after InstallValidate"
echo "$product_code"
