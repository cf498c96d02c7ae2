#!/bin/bash
# Finishes a desktop update after the application has quit.
# Arguments: <downloaded image> <application name> <installed executable>
# The image is the new executable. It replaces the installed one only when
# both are regular files and the image is not empty; the previous executable
# is kept beside it as "<executable>.previous". Nothing else is touched.
set -u

image="${1:-}"
name="${2:-}"
target="${3:-}"

log() { logger -t "update_tovrin_brisel" -- "$*" 2>/dev/null; echo "[update_tovrin_brisel] $*"; }

if [[ -z "$image" || -z "$target" || ! -f "$image" || ! -s "$image" || ! -f "$target" ]]; then
    log "nothing to install (image=$image target=$target)"
    exit 1
fi

# The application quits 0.4 s after starting us; give it a moment to go.
sleep 2

staged="$target.new"
cp -f -- "$image" "$staged" || { log "cannot stage $staged"; exit 1; }
chmod 0755 -- "$staged"
cp -f -- "$target" "$target.previous" || { rm -f -- "$staged"; log "cannot keep $target.previous"; exit 1; }
mv -f -- "$staged" "$target" || { rm -f -- "$staged"; log "cannot replace $target"; exit 1; }
rm -f -- "$image"
log "installed $name"

# Start the new build, detached from us.
nohup "$target" >/dev/null 2>&1 &
exit 0
