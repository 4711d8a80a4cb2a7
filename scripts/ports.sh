# Sourced by the scripts that start a local FTP server.

# free_port [WANTED...]: the first WANTED port free on 127.0.0.1, or any free one.
free_port() {
  python3 - "$@" <<'PY'
import socket, sys
for wanted in [int(p) for p in sys.argv[1:]] + [0]:
    s = socket.socket()
    try:
        s.bind(("127.0.0.1", wanted))
        print(s.getsockname()[1])
        break
    except OSError:
        pass
    finally:
        s.close()
PY
}

# wait_for PORT [PID]: waits up to 10 s for a listener on PORT and carries on
# either way; fails at once if process PID has ended.
wait_for() {
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
    [[ -z "${2:-}" ]] || kill -0 "$2" 2>/dev/null || return 1
    sleep 0.1
  done
}
