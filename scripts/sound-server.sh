#!/usr/bin/env bash
# The sound server of the tests: a PulseAudio daemon whose one sink plays into nothing in real time and
# whose default source hears that sink, so that a test can record what it plays.
#   eval "$(scripts/sound-server.sh start DIR)"   starts it and prints the exports its clients need
#   scripts/sound-server.sh stop DIR              stops it
set -euo pipefail
action=${1:?start or stop}
dir=${2:?folder for the server}
export XDG_RUNTIME_DIR=$dir
export PULSE_RUNTIME_PATH=$dir/pulse
export PULSE_SERVER=unix:$dir/pulse/native

case $action in
start)
  mkdir -p "$dir/pulse"
  chmod 700 "$dir"
  cat >"$dir/quillon.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/pulse/native
load-module module-null-sink sink_name=quillon_speaker rate=44100 channels=2
load-module module-remap-source source_name=quillon_microphone master=quillon_speaker.monitor
set-default-sink quillon_speaker
set-default-source quillon_microphone
PA
  # Anything the daemon finds on its own (real cards, other sessions) would change the device numbers.
  HOME=$dir pulseaudio -n -F "$dir/quillon.pa" --exit-idle-time=-1 --daemonize=yes --use-pid-file=yes \
    --log-target=file:"$dir/pulseaudio.log" >/dev/null 2>&1
  for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  pactl info >/dev/null 2>&1 || { echo "the sound server did not start, see $dir/pulseaudio.log" >&2; exit 1; }
  echo "export XDG_RUNTIME_DIR='$dir' PULSE_RUNTIME_PATH='$dir/pulse' PULSE_SERVER='unix:$dir/pulse/native'"
  ;;
stop)
  pid=$(cat "$dir/pulse/pid" 2>/dev/null || true)
  pulseaudio --kill >/dev/null 2>&1 || true
  # --kill only asks: the daemon still writes its log and removes its files while it ends, so wait for it
  # before anyone removes the folder.
  if [ -n "$pid" ]; then
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
