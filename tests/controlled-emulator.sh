# Sourced by the test scripts that cut the printer's power or take its paper
# through the emulator's control lines. Uses the caller's $work folder and its
# fail function.
#
# start_controlled_emulator SIGRA_EMU TYPE: a printer of TYPE as COM1 in
# $work/ports (SIGRA_DOSDEVICES set to it), its control lines fed through a
# FIFO held open for writing on descriptor 3, its journal and answers in
# $work/emulator.log; its process in $emulator_pid.
start_controlled_emulator() {
  mkdir "$work/ports"
  mkfifo "$work/control"
  exec 3<> "$work/control"
  "$1" --type "$2" --link "$work/ports" --port 1 --control - \
    < "$work/control" > "$work/emulator.log" &
  emulator_pid=$!
  for _ in $(seq 50); do [ -e "$work/ports/com1" ] && break; sleep 0.1; done
  [ -e "$work/ports/com1" ] || fail "the emulator did not start: $(cat "$work/emulator.log")"
  export SIGRA_DOSDEVICES="$work/ports"
  replies=0
}

# control LINE: sends one control line and waits for the emulator to take it.
control() {
  echo "$1" >&3
  replies=$((replies + 1))
  for _ in $(seq 50); do
    [ "$(grep -c '^control: ' "$work/emulator.log")" -ge "$replies" ] && break
    sleep 0.1
  done
  [ "$(grep '^control: ' "$work/emulator.log" | tail -n 1)" = "control: ok" ] ||
    fail "the emulator refused \"$1\""
}
