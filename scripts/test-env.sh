#!/usr/bin/env bash
# Sourced by the test scripts: a private X server and a private PulseAudio
# server with a null sink "nul" and a microphone "mic" remapped from its monitor,
# so that tests never meet the user's desktop or each other.
# TIRVELO_TEST_SCREEN sets the screen (default 1280x1024x24; the page-turn
# benchmark's figures come from 1920x1080x24).
tirvelo_start_test_env() {
  export TIRVELO_TEST_RUNTIME=$(mktemp -d /tmp/tirvelo-test.XXXXXX)
  export XDG_RUNTIME_DIR=$TIRVELO_TEST_RUNTIME/runtime
  export PULSE_RUNTIME_PATH=$XDG_RUNTIME_DIR/pulse
  mkdir -p "$PULSE_RUNTIME_PATH"; chmod 700 "$XDG_RUNTIME_DIR"
  export HOME=${TIRVELO_KEEP_HOME:-$TIRVELO_TEST_RUNTIME/home}; mkdir -p "$HOME"
  export XDG_CONFIG_HOME=$TIRVELO_TEST_RUNTIME/config XDG_DATA_HOME=$TIRVELO_TEST_RUNTIME/data
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"

  local display=:$((90 + RANDOM % 400))
  Xvfb "$display" -screen 0 "${TIRVELO_TEST_SCREEN:-1280x1024x24}" -nolisten tcp >"$TIRVELO_TEST_RUNTIME/xvfb.log" 2>&1 &
  TIRVELO_XVFB_PID=$!
  export DISPLAY=$display
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

  pulseaudio -D --exit-idle-time=-1 -n --system=false --disallow-exit \
    --load="module-null-sink sink_name=nul" \
    --load="module-null-sink sink_name=quiet" \
    --load=module-native-protocol-unix >"$TIRVELO_TEST_RUNTIME/pulse.log" 2>&1 || true
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  if pactl info >/dev/null 2>&1; then
    pactl load-module module-remap-source master=nul.monitor source_name=mic >/dev/null
    pactl set-default-source mic
    pactl set-default-sink nul
    export TIRVELO_PULSE=1
  else
    echo "warning: PulseAudio did not start; sound tests will report it" >&2
  fi
  trap tirvelo_stop_test_env EXIT
}
tirvelo_stop_test_env() {
  pulseaudio --kill >/dev/null 2>&1 || true
  [ -n "${TIRVELO_XVFB_PID:-}" ] && kill "$TIRVELO_XVFB_PID" 2>/dev/null || true
  sleep 0.2
  rm -rf "${TIRVELO_TEST_RUNTIME:?}" 2>/dev/null || true
}
