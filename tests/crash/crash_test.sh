#!/usr/bin/env bash
# Ends rwvtool as it enters each write, flush, truncation, rename, link and delete that
# touches the bank's folder, then opens the bank again: it must then hold exactly the bytes
# it had before the command or exactly those an uninterrupted run leaves. After a killed
# compaction the records are listed once between the bank and its backup, and a merge at
# the next opening leaves the backup alone. Create Package, ended the same way in the wave
# folder, leaves the previous NewPack.rwv or the whole new one.
# crash_test.sh RWVTOOL MAKE_DEMO WINE-RUN WORK-FOLDER
set -uo pipefail
tool=$(realpath "$1") make_demo=$(realpath "$2") launcher=$(realpath "$3") work=$4
build=$(basename "$(dirname "$launcher")")
command -v strace >/dev/null || { echo "strace is missing (tools/install-deps.sh installs it)" >&2; exit 1; }

# Under Wine the program writes, truncates and flushes its files with its own system calls,
# while renames, links and deletes are made by the wineserver, which also truncates the files
# it creates. The server is this test's own, so killing it harms no one else; a killed server
# takes the program down with it before the call is made, as a crash would.
client_calls=write,pwrite64,fsync,fdatasync,ftruncate,ftruncate64
server_calls=rename,renameat,renameat2,link,linkat,unlink,unlinkat,ftruncate,ftruncate64
base=${WINEPREFIX:-$(dirname "$launcher")/wineprefix}
mkdir -p "$work"
work=$(cd "$work" && pwd -P)
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX"
  # The prefix's files but a server of our own; a prefix whose registry the server has not
  # saved yet cannot be shared.
  if [ -d "$base/drive_c/windows" ] && [ -f "$base/system.reg" ]; then
    cp -a "$base"/*.reg "$base/.update-timestamp" "$base/dosdevices" "$WINEPREFIX/"
    ln -s "$base/drive_c" "$WINEPREFIX/drive_c"
  else
    "$launcher" wineboot -i >/dev/null 2>&1 </dev/null
  fi
fi
# Wine's services wait forever for a server that was killed: they are ended with it.
end_orphans() {
  local p
  for p in $(grep -lsxzF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ | cut -d/ -f3); do
    [[ $(readlink "/proc/$p/exe") == /usr/lib/wine/* ]] && kill -9 "$p" 2>/dev/null
  done
}
start_server() {
  for _ in 1 2 3; do
    wineserver -k >/dev/null 2>&1
    end_orphans
    wineserver -f -p >/dev/null 2>&1 </dev/null &
    server=$!
    disown  # its death by injection is no news
    for _ in $(seq 100); do [ -S "/proc/$server/cwd/socket" ] && break; sleep 0.05; done
    # Wine's services start with the first program: after that every run makes the same calls.
    "$launcher" "$tool" --version >/dev/null 2>&1 </dev/null
    # A program that finds no server listening (a killed one's socket is still there for a
    # moment) starts a server of its own, which may win: then ours is gone.
    grep -qs '^State:.*[RSD]' "/proc/$server/status" && return
  done
}
trap 'wineserver -k >/dev/null 2>&1' EXIT
start_server

run=$work/run bank=$work/run/bank
tool_in_run() { (cd "$run" && "$launcher" "$tool" "$@" >out.txt 2>err.txt </dev/null); }
# traced_run LOG SIDES OPTION COMMAND...: COMMAND with the sides named in SIDES ("client",
# "server" or both) under strace with OPTION (or none when empty); LOG.SIDE are their logs.
traced_run() {
  local log=$1 sides=$2 option=$3 tracer= status
  shift 3
  rm -f "$log.client" "$log.server"
  if [[ $sides == *server* ]]; then
    strace -f -y -ttt -o "$log.server" -e trace=$server_calls $option -p "$server" 2>"$work/attach.txt" &
    tracer=$!
    for _ in $(seq 300); do grep -q attached "$work/attach.txt" && break; sleep 0.1; done
    grep -q attached "$work/attach.txt" ||
      { kill -9 "$tracer"; echo "strace cannot attach to the wineserver: $(head -1 "$work/attach.txt")" >"$run/err.txt"; return 1; }
  fi
  if [[ $sides == *client* ]]; then
    (cd "$run" && strace -f -y -ttt -o "$log.client" -e trace=$client_calls $option "$launcher" "$tool" "$@" \
      >out.txt 2>err.txt </dev/null) 2>/dev/null
  else
    tool_in_run "$@"
  fi
  status=$?
  if [ -n "$tracer" ]; then  # a server killed by the injection ends its strace too
    for _ in $(seq 20); do kill -0 "$tracer" 2>/dev/null || break; sleep 0.05; done
    kill "$tracer" 2>/dev/null
    wait "$tracer"
  fi
  return $status
}

# Scenario folders: bank/soundz.rwv and pack/ with the waves and their package.
rm -rf "$work/s" "$work/demo" && mkdir -p "$work/s"
(cd "$work" && "$launcher" "$make_demo" demo >/dev/null 2>&1 </dev/null) || { echo "make_demo failed" >&2; exit 1; }
make_scenario() {
  local name=$1; shift
  mkdir -p "$work/s/$name/bank" "$work/s/$name/pack"
  cp "$work/demo/soundz.rwv" "$work/s/$name/bank/"
  for wave; do cp "$work/demo/waves/$wave" "$work/s/$name/pack/"; done
  (cd "$work/s/$name" && "$launcher" "$tool" pack pack bank >/dev/null 2>&1 </dev/null)
}
make_scenario replace shot.wav horn.wav
make_scenario append engine.wav siren.wav
make_scenario mixed shot.wav horn.wav engine.wav siren.wav
cp -a "$work/s/mixed" "$work/s/undo"
cp -a "$work/s/mixed" "$work/s/compact"
(cd "$work/s/compact" && "$launcher" "$tool" insert pack bank >/dev/null 2>&1 </dev/null)
echo "the previous backup" >"$work/s/compact/bank/soundz.rwv.bak"
# A package whose merge changes the compacted bank's bytes: engine's sound as shot.wav.
mkdir -p "$work/s/compact/other"
cp "$work/demo/waves/engine.wav" "$work/s/compact/other/shot.wav"
(cd "$work/s/compact" && "$launcher" "$tool" pack other bank --any-format >/dev/null 2>&1 </dev/null)
cp "$work/s/compact/bank/soundz.rwv.bak" "$work/previous.bak"
make_scenario pack shot.wav horn.wav
cp "$work/demo/waves/engine.wav" "$work/demo/waves/siren.wav" "$work/s/pack/pack/"

failures=0
fail() { echo "FAIL $build $*"; failures=$((failures + 1)); }
# The merge that undo takes back is made in each fresh copy: its record names the bank's
# own file, and a copy is another file.
fresh() {
  rm -rf "$run" && cp -a "$work/s/$1" "$run" || return
  [ "$1" != undo ] || (cd "$run" && "$launcher" "$tool" insert pack bank >/dev/null 2>&1 </dev/null)
}

# points SIDE < STRACE-LOG: "TIME SIDE CALL N FILE" for each call that names a file of the
# bank's folder (by its descriptor or its path), N counted as strace counts for :when=N,
# per call and per process. The names of temporary files need not be the same in every run.
points() {
  awk -v side="$1" -v dir="$watched" '$3 ~ /^[a-z0-9_]+\(/ {
    call = substr($3, 1, index($3, "(") - 1)
    n[$1 " " call]++
    if (match($0, "[<\":]" dir "[^>\",)]*"))
      print $2, side, call, n[$1 " " call], substr($0, RSTART + 1 + length(dir), RLENGTH - 1 - length(dir))
  }'
}

# kill_at SIDE CALL N COMMAND...: COMMAND on a fresh copy, its process (or the server) killed
# as it enters call N; fails when that call did not touch the bank's folder.
kill_at() {
  local side=$1 call=$2 k=$3
  shift 3
  fresh "$name"
  traced_run "$work/kill" "$side" --inject="$call":signal=SIGKILL:when="$k" "$@"
  [ "$side" = server ] && start_server
  grep -sF "$call(" "$work/kill.$side" | grep -F "$watched" | grep -qE ' = \?$|unfinished'
}

# check_backup WHAT: after a killed compaction, history lists the one recorded merge once
# between the bank and its backup, and on a copy of the folder a merge at the next opening
# leaves the backup as the previous one or the bank before the compaction.
check_backup() {
  local what=$1 listed backup=$work/merge/bank/soundz.rwv.bak
  rm -rf "$work/merge" && cp -a "$run" "$work/merge"
  listed=$(for b in bank bank/soundz.rwv.bak; do tool_in_run history "$b"; cat "$run/out.txt"; done | grep -c NewPack.rwv)
  [ "$listed" = 1 ] || fail "$what: the bank and its backup list $listed recorded merges, not 1"
  (cd "$work/merge" && "$launcher" "$tool" insert other bank >/dev/null 2>&1 </dev/null) ||
    fail "$what: the merge at the next opening failed"
  cmp -s "$backup" "$work/previous.bak" || cmp -s "$backup" "$work/before.rwv" ||
    fail "$what: the merge at the next opening changed soundz.rwv.bak"
}

# check NAME COMMAND...: COMMAND ended at each of its kill points, each on a fresh copy of
# scenario NAME.
check() {
  name=$1 watched=$bank/
  shift
  local start=$SECONDS before=0 after=0 taken_back=0 n=0 total side call k file what
  fresh "$name"
  cp "$bank/soundz.rwv" "$work/before.rwv"
  # The uninterrupted run, traced to number the calls.
  traced_run "$work/ref" "client server" "" "$@" ||
    { fail "$name: the uninterrupted run failed: $(tr -d '\r' <"$run/err.txt")"; return; }
  cp "$bank/soundz.rwv" "$work/after.rwv"
  ls "$bank" >"$work/after-names.txt"
  cmp -s "$work/before.rwv" "$work/after.rwv" && { fail "$name: the uninterrupted run left the bank as it was"; return; }
  { points client <"$work/ref.client"; points server <"$work/ref.server"; } | sort -n >"$work/points.txt"
  total=$(wc -l <"$work/points.txt")
  while read -r -u 3 _ side call k file; do
    n=$((n + 1))
    what="$name point $n/$total ($call #$k on $file)"
    # A call the uninterrupted run did not make (Wine's own, now and then) gets a second try.
    kill_at "$side" "$call" "$k" "$@" || kill_at "$side" "$call" "$k" "$@" ||
      { fail "$what: the run was not ended there, it made other calls"; continue; }
    [ -f "$bank/soundz.rwv" ] || { fail "$what: no soundz.rwv after the kill"; continue; }
    [ "$name" = compact ] && check_backup "$what"
    tool_in_run verify bank
    grep -q interrupted "$run/err.txt" && taken_back=$((taken_back + 1)) && echo -n "(taken back) " >>"$work/outcomes.txt"
    if cmp -s "$bank/soundz.rwv" "$work/before.rwv"; then
      before=$((before + 1))
      echo "$what: before" >>"$work/outcomes.txt"
    elif cmp -s "$bank/soundz.rwv" "$work/after.rwv"; then
      after=$((after + 1))
      echo "$what: after" >>"$work/outcomes.txt"
    else
      fail "$what: the next opening found the bank neither as before nor as after; verify said: $(cat "$run/out.txt" "$run/err.txt" | tr -d '\r' | head -3 | tr '\n' ' ')"
    fi
    # The record of a change taken back is gone: a second opening finds nothing to do.
    cp "$bank/soundz.rwv" "$work/opened.rwv"
    tool_in_run list bank
    grep -q interrupted "$run/err.txt" && fail "$what: the second opening took a change back again"
    cmp -s "$bank/soundz.rwv" "$work/opened.rwv" || fail "$what: the second opening changed the bank"
    if [ "$name" = compact ]; then
      tool_in_run compact bank || fail "$what: the next compaction failed: $(tr -d '\r' <"$run/err.txt")"
      cmp -s "$bank/soundz.rwv" "$work/after.rwv" || fail "$what: the next compaction did not give the compacted bank"
      local left=$(ls "$bank" | grep -vxFf "$work/after-names.txt" | tr '\n' ' ')
      [ -z "$left" ] || fail "$what: the next compaction left $left"
    fi
  done 3<"$work/points.txt"
  printf '%s %-8s %3d kill points: %3d before, %3d after (%d taken back on opening), %ds\n' \
    "$build" "$name" "$total" $before $after $taken_back $((SECONDS - start)) | tee -a "$work/summary.txt"
}

# check_pack: Create Package ended at each of its calls in the wave folder; NewPack.rwv is
# then the previous package or the whole new one, and the next run leaves no partial file.
check_pack() {
  name=pack watched=$run/pack/
  local start=$SECONDS before=0 after=0 n=0 total side call k file what package=$run/pack/NewPack.rwv
  fresh pack
  cp "$package" "$work/before.rwv"
  traced_run "$work/ref" "client server" "" pack pack bank ||
    { fail "pack: the uninterrupted run failed: $(tr -d '\r' <"$run/err.txt")"; return; }
  cp "$package" "$work/after.rwv"
  cmp -s "$work/before.rwv" "$work/after.rwv" && { fail "pack: the uninterrupted run left the package as it was"; return; }
  { points client <"$work/ref.client"; points server <"$work/ref.server"; } | sort -n >"$work/points.txt"
  total=$(wc -l <"$work/points.txt")
  while read -r -u 3 _ side call k file; do
    n=$((n + 1))
    what="pack point $n/$total ($call #$k on $file)"
    kill_at "$side" "$call" "$k" pack pack bank || kill_at "$side" "$call" "$k" pack pack bank ||
      { fail "$what: the run was not ended there, it made other calls"; continue; }
    if cmp -s "$package" "$work/before.rwv"; then
      before=$((before + 1))
    elif cmp -s "$package" "$work/after.rwv"; then
      after=$((after + 1))
    else
      fail "$what: NewPack.rwv is neither the previous package nor the new one"
    fi
    tool_in_run pack pack bank || fail "$what: the next Create Package failed"
    cmp -s "$package" "$work/after.rwv" || fail "$what: the next Create Package did not write the new package"
    [ -z "$(ls "$run/pack" | grep -vi '\.wav$\|^NewPack\.rwv$\|^pack\.log$')" ] ||
      fail "$what: the next Create Package left $(ls "$run/pack" | tr '\n' ' ')"
  done 3<"$work/points.txt"
  printf '%s %-8s %3d kill points: %3d before, %3d after, %ds\n' \
    "$build" pack "$total" $before $after $((SECONDS - start)) | tee -a "$work/summary.txt"
}

rm -f "$work/summary.txt" "$work/outcomes.txt"
check replace insert pack bank
check append insert pack bank
check mixed insert pack bank
check undo undo bank
check compact compact bank
check_pack
echo "Each kill point's outcome: $work/outcomes.txt"
[ $failures = 0 ] || { echo "$build: $failures failure(s)"; exit 1; }
