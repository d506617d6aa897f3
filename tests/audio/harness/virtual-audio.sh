#!/usr/bin/env bash
# Starts or stops the private PulseAudio daemon behind the test devices.
#   virtual-audio.sh start|stop <folder>
# The daemon's socket is <folder>/native; its pid is in <folder>/run/pid.
set -euo pipefail
action=${1:-}
D=${2:-}
if [ -z "$action" ] || [ -z "$D" ]; then
  echo "usage: $0 start|stop <folder>" >&2
  exit 2
fi
mkdir -p "$D/home" "$D/run"
D=$(cd "$D" && pwd)
# pulseaudio refuses root's own home and runtime folders: give it private ones.
export HOME="$D/home" PULSE_RUNTIME_PATH="$D/run" XDG_RUNTIME_DIR="$D/run"
export PULSE_SERVER="unix:$D/native"
unset DBUS_SESSION_BUS_ADDRESS

answers() { timeout 5 pactl info >/dev/null 2>&1; }

daemon_pid() {
  local pid
  pid=$(cat "$D/run/pid" 2>/dev/null) || return 1
  # The pid may have been reused since: only a pulseaudio counts.
  [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = pulseaudio ] && echo "$pid"
}

stop_daemon() {
  local pid
  pid=$(daemon_pid) || { rm -f "$D/native"; return 0; }
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then kill -9 "$pid" 2>/dev/null || true; fi
  rm -f "$D/native" "$D/run/pid"
  return 0
}

case "$action" in
start)
  command -v pulseaudio >/dev/null || { echo "pulseaudio is not installed" >&2; exit 1; }
  if daemon_pid >/dev/null && answers; then
    echo "virtual audio already running in $D"
    exit 0
  fi
  # A daemon left behind by an earlier run that no longer answers goes first.
  stop_daemon
  pulseaudio --daemonize=yes -n --exit-idle-time=-1 --disallow-exit --disable-shm=yes \
    --log-target="file:$D/pulse.log" \
    -L "module-native-protocol-unix socket=$D/native auth-anonymous=1" \
    -L "module-null-sink sink_name=spk rate=48000 channels=2" \
    -L "module-null-source source_name=nullmic rate=48000 channels=2" \
    -L "module-loopback source=nullmic sink=spk latency_msec=20" || {
      echo "pulseaudio did not start; log:" >&2
      tail -n 30 "$D/pulse.log" >&2 || true
      exit 1
    }
  for _ in $(seq 100); do
    answers && break
    sleep 0.2
  done
  if ! answers; then
    echo "pulseaudio does not answer; log:" >&2
    tail -n 30 "$D/pulse.log" >&2 || true
    stop_daemon
    exit 1
  fi
  # The null sink needs a moment before the first stream keeps pace.
  sleep 2.5
  echo "virtual audio running in $D"
  ;;
stop)
  stop_daemon
  echo "virtual audio stopped"
  ;;
*)
  echo "usage: $0 start|stop <folder>" >&2
  exit 2
  ;;
esac
