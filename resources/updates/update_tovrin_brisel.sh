#!/bin/bash
# Finishes a desktop update after the application has quit.
# Arguments: <downloaded image> <application name> <installed executable>
# Environment: TOVRIN_APP_PID, the application to wait for; TOVRIN_UPDATE_BUILD,
# the build the image must report when started with --print-build.
# The image replaces the installed executable, which is kept beside it as
# "<executable>.previous" and put back when the new build does not start; the
# image is removed either way.
# Then whichever build is installed is started again. Nothing else is touched.
set -u

image="${1:-}"
name="${2:-}"
target="${3:-}"
pid="${TOVRIN_APP_PID:-}"
build="${TOVRIN_UPDATE_BUILD:-}"

log() { logger -t "update_tovrin_brisel" -- "$*" 2>/dev/null; echo "[update_tovrin_brisel] $*"; }

if [[ -z "$image" || -z "$target" || ! -f "$image" || ! -s "$image" || ! -f "$target" \
      || ! "$pid" =~ ^[0-9]+$ || ! "$build" =~ ^-?[0-9]+$ ]]; then
    log "nothing to install (image=$image target=$target pid=$pid build=$build)"
    exit 1
fi

# The application quits 0.4 s after starting us: wait for its process to end (at most a minute).
if ! timeout 60 tail --pid="$pid" -s 0.1 -f /dev/null; then
    log "process $pid is still running; nothing replaced"
    exit 1
fi

# A name of our own, made afresh beside the target: a fixed one could already
# be there, put in place by someone else.
staged="$(mktemp -- "$target.XXXXXXXXXX")" || { log "cannot stage beside $target"; exit 1; }
cp -- "$image" "$staged" || { rm -f -- "$staged"; log "cannot stage $staged"; exit 1; }
chmod 0755 -- "$staged"
cp -f -p -- "$target" "$target.previous" || { rm -f -- "$staged"; log "cannot keep $target.previous"; exit 1; }
mv -f -- "$staged" "$target" || { rm -f -- "$staged"; log "cannot replace $target"; exit 1; }

reported="$(timeout 10 "$target" --print-build </dev/null 2>/dev/null)"
# Tried once, the image is of no further use, whichever way it went.
rm -f -- "$image"
status=1
if [[ "$reported" == "$build" ]]; then
    log "installed $name build $build"
    status=0
elif mv -f -- "$target.previous" "$target"; then
    log "build $build did not start (it reported \"${reported:0:64}\"); restored the previous build"
else
    log "build $build did not start (it reported \"${reported:0:64}\"); could not restore $target.previous"
fi

# Start the installed build in a session of its own, detached from us.
setsid "$target" </dev/null >/dev/null 2>&1 &
exit "$status"
