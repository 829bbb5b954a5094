#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop files as a desktop reads them: the application entry valid without errors or warnings
# and handling exactly the .cry type; the KDE service menus well formed, with actions that run
# kelvane. Usage: CheckDesktopFiles.sh DATA_FOLDER
set -u
data=$1
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

if ! command -v desktop-file-validate >/dev/null; then
    echo "FAIL: desktop-file-validate not found (Debian package desktop-file-utils)" >&2
    exit 1
fi

# The value of KEY in GROUP of FILE.
value() {
    awk -v group="[$2]" -v key="$3" '
        /^\[/ { inGroup = ($0 == group); next }
        inGroup && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }
    ' "$1"
}

# Every action listed in Actions= has its group, with a name and a command running kelvane.
check_actions() {
    local file=$1 actions action
    actions=$(value "$file" "Desktop Entry" Actions)
    [ -n "$actions" ] || fail "$file: no Actions"
    IFS=';' read -ra list <<<"$actions"
    for action in "${list[@]}"; do
        [ -n "$action" ] || continue
        grep -qxF "[Desktop Action $action]" "$file" || fail "$file: no group for action $action"
        [ -n "$(value "$file" "Desktop Action $action" Name)" ] || fail "$file: action $action has no Name"
        case "$(value "$file" "Desktop Action $action" Exec)" in
        "kelvane "*%F) ;;
        *) fail "$file: action $action does not run kelvane on the files (%F)" ;;
        esac
    done
}

app="$data/kelvane.desktop"
out=$(desktop-file-validate --no-hints "$app" 2>&1) || fail "$app is not valid: $out"
[ -z "$out" ] || fail "$app: $out"
cryType=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$data/kelvane.xml")
[ -n "$cryType" ] || fail "no MIME type in kelvane.xml"
# The entry handles the .cry type and nothing else: claiming more would make the window the opener
# of other files (application/octet-stream: of every unknown file).
mimeTypes=$(value "$app" "Desktop Entry" MimeType)
[ "$mimeTypes" = "$cryType;" ] || fail "$app: MimeType is '$mimeTypes', expected '$cryType;'"
[ "$(value "$app" "Desktop Entry" Exec)" = "kelvane /open %F" ] || fail "$app: Exec does not open the files"
[ "$(value "$app" "Desktop Action encrypt" Name)" = "Encrypt with Kelvane" ] || fail "$app: no action 'Encrypt with Kelvane'"
check_actions "$app"

# Service menus are KDE's own type: desktop-file-validate knows them only as wrong application
# entries, so only the complaints of that kind are expected; anything else (a line that is no
# key=value, a bad group, a bad value) fails.
for menu in "$data/kelvane-encrypt.desktop" "$data/kelvane-decrypt.desktop"; do
    out=$(desktop-file-validate --no-hints "$menu" 2>&1)
    unexpected=$(printf '%s\n' "$out" | grep -v \
        -e 'but the type is "Service" while this key is only valid for type "Application"' \
        -e 'contains value "all/allfiles" which is an invalid MIME type' \
        -e 'file contains key "ExcludeServiceTypes" in group "Desktop Entry"' | grep -v '^$')
    [ -z "$unexpected" ] || fail "$menu: $unexpected"
    [ "$(value "$menu" "Desktop Entry" Type)" = Service ] || fail "$menu: Type is not Service"
    [ "$(value "$menu" "Desktop Entry" X-KDE-ServiceTypes)" = KonqPopupMenu/Plugin ] ||
        fail "$menu: not a context-menu service"
    check_actions "$menu"
done
[ "$(value "$data/kelvane-encrypt.desktop" "Desktop Entry" MimeType)" = "all/allfiles;" ] ||
    fail "the encrypt menu is not offered for all files"
[ "$(value "$data/kelvane-decrypt.desktop" "Desktop Entry" MimeType)" = "$cryType;" ] ||
    fail "the decrypt menu is not offered for .cry files"

[ $status -eq 0 ] && echo "desktop files: OK"
exit $status
