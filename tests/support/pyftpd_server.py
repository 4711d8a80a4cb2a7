#!/usr/bin/python3
"""The pyftpdlib server the tests and the demo talk to.

Run it with Debian's /usr/bin/python3 (the one that sees python3-pyftpdlib).
Besides a well-behaved server it can stage the misbehaviour that client code
must survive: refused commands, cut or stalled data connections and a control
connection that drops on a chosen command or part-way through a file.

With --tls-cert it speaks FTP over TLS (explicit: AUTH TLS, PBSZ, PROT);
--tls-required refuses logins and data connections without it, and
--tls-client-commands adds CPSV or SSCN or both, with which a server takes
the TLS client's part on a data connection (site-to-site copies over TLS).

--hash offers HASH (draft-bryan-ftpext-hash, with OPTS HASH) and --x-hash the
older one-algorithm commands (XSHA256, XSHA1, XMD5, XCRC); both answer with
real digests of the file, --hash-mismatch makes the first N answers wrong and
--hash-delay holds every answer back (a server reading a large file).

Readiness is announced through --ready-file (the bound port, written
atomically) so that callers never have to sleep; --log records every command
line received and a "LOGIN <user>" line per successful login.
"""

import argparse
import hashlib
import os
import signal
import socket
import struct
import sys
import threading
import time
import warnings
import zlib

from OpenSSL import SSL

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler, TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.ioloop import RetryError
from pyftpdlib.log import logger
from pyftpdlib.servers import FTPServer

FULL_PERMISSIONS = "elradfmwMT"


def parse_arguments(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--root", required=True)
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--user")
    p.add_argument("--password", default="")
    p.add_argument("--anonymous", action="store_true")
    p.add_argument("--ready-file")
    p.add_argument("--log")
    p.add_argument("--refuse-pasv", action="store_true")
    p.add_argument("--refuse-port", action="store_true")
    p.add_argument("--refuse-size", action="store_true")
    p.add_argument("--refuse-mlsd", action="store_true")
    p.add_argument("--refuse-all", action="store_true")
    p.add_argument("--drop-data-after", type=int, default=0, metavar="BYTES")
    p.add_argument("--drop-data-always", action="store_true")
    p.add_argument("--stall-data-after", type=int, default=0, metavar="BYTES")
    p.add_argument("--close-control-on", default="", metavar="CMD")
    p.add_argument("--drop-control-after", type=int, default=0, metavar="BYTES")
    p.add_argument("--reset-control", action="store_true",
                   help="drop the control connection with a reset, not a close")
    p.add_argument("--permit-foreign-addresses", action="store_true")
    p.add_argument("--rate", type=int, default=0, metavar="BYTES",
                   help="file data moves at most this many bytes per second (for watching progress)")
    p.add_argument("--tls-cert", metavar="PEM", help="certificate and key: speak FTP over TLS")
    p.add_argument("--tls-required", action="store_true")
    p.add_argument("--tls-client-commands", default="", metavar="CMDS",
                   help="comma-separated, of CPSV and SSCN: offer them")
    p.add_argument("--hash", default="", metavar="ALGOS",
                   help="comma-separated, of SHA-256, SHA-1, MD5 and CRC32: offer HASH, the first selected")
    p.add_argument("--x-hash", default="", metavar="CMDS",
                   help="comma-separated, of XSHA256, XSHA1, XMD5 and XCRC: offer them")
    p.add_argument("--hash-mismatch", type=int, default=0, metavar="N",
                   help="the first N hash answers carry a wrong digest")
    p.add_argument("--hash-delay", type=float, default=0, metavar="SECONDS",
                   help="wait this long before each hash answer")
    p.add_argument("--exit-with-parent", action="store_true",
                   help="stop when the launching process goes away")
    return p.parse_args(argv)


class CommandLog:
    """Appends one line per event; flushed at once so that a test reading the
    file right after getting a reply sees the command that caused it."""

    def __init__(self, path):
        self._file = open(path, "a", encoding="utf-8", errors="replace") if path else None
        self._lock = threading.Lock()

    def write(self, line):
        if self._file is None:
            return
        with self._lock:
            self._file.write(line + "\n")
            self._file.flush()


class Misbehaviour:
    """Server-wide switches, shared by every connection of one run."""

    drop_after = 0
    drop_always = False
    stall_after = 0
    control_drop_after = 0
    control_reset = False
    dropped = set()  # (kind, direction, path) already cut once during this run

    @classmethod
    def limit(cls, kind, direction, path):
        """The byte count at which this transfer is cut, or None."""
        after = cls.drop_after if kind == "data" else cls.control_drop_after
        if after <= 0:
            return None
        key = (kind, direction, path)
        if key in cls.dropped and not (kind == "data" and cls.drop_always):
            return None
        return after

    @classmethod
    def note_dropped(cls, kind, direction, path):
        cls.dropped.add((kind, direction, path))


class MisbehavingDTPHandler(DTPHandler):
    """Data channel that can cut or freeze a file transfer part-way, or
    drop the whole control connection in the middle of it.

    Listings (no file object) are never touched: only RETR/STOR/APPE data.
    """

    def __init__(self, sock, cmd_channel):
        self._stalled = False
        self._limit_decided = False
        self._drop_limit = None
        self._control_limit = None
        DTPHandler.__init__(self, sock, cmd_channel)

    def _direction(self):
        return "in" if self.receive else "out"

    def _decide_limit(self):
        # Decided once per data connection, when the first file byte moves.
        if self._limit_decided:
            return
        self._limit_decided = True
        name = getattr(self.file_obj, "name", None)
        if name is not None:
            self._drop_limit = Misbehaviour.limit("data", self._direction(), name)
            self._control_limit = Misbehaviour.limit("control", self._direction(), name)

    def _limits(self):
        return [x for x in (self._control_limit, self._drop_limit, Misbehaviour.stall_after or None) if x]

    def _budget(self, moved):
        """Bytes still allowed before a drop or stall; None when unlimited."""
        if self.file_obj is None:
            return None
        self._decide_limit()
        limits = self._limits()
        if not limits:
            return None
        return max(0, min(limits) - moved)

    def _cut_or_freeze(self):
        first = min(self._limits())
        if first == self._control_limit:
            Misbehaviour.note_dropped("control", self._direction(), self.file_obj.name)
            if Misbehaviour.control_reset:
                # A reset throws away whatever the client has not read yet,
                # the transfer's "150" among it: let it read that first.
                self._stalled = True
                self.modify_ioloop_events(0)
                self.ioloop.call_later(0.5, self._drop_control)
            else:
                self._drop_control()
        elif first == self._drop_limit:
            Misbehaviour.note_dropped("data", self._direction(), self.file_obj.name)
            self._resp = ("426 Connection closed; transfer aborted.", logger.info)
            self.close()
        else:
            self._stalled = True
            self.modify_ioloop_events(0)

    def _drop_control(self):
        # Closing the control channel closes this data channel with it, as a
        # server process that dies or a proxy that gives up would.
        control = self.cmd_channel
        if control._closed:
            return
        if Misbehaviour.control_reset:
            control.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        control.close()

    def send(self, data):
        budget = self._budget(self.tot_bytes_sent)
        if budget is None or len(data) <= budget:
            return DTPHandler.send(self, data)
        sent = DTPHandler.send(self, data[:budget]) if budget else 0
        if sent == budget:
            self._cut_or_freeze()
        return sent

    def initiate_send(self):
        if not self._stalled:
            DTPHandler.initiate_send(self)

    def handle_read(self):
        if self._stalled:
            return
        budget = self._budget(self.tot_bytes_received)
        if budget is None:
            return DTPHandler.handle_read(self)
        if budget == 0:
            return self._cut_or_freeze()
        try:
            chunk = self.recv(min(budget, self.ac_in_buffer_size))
        except RetryError:
            return
        except socket.error:
            return self.handle_error()
        self.tot_bytes_received += len(chunk)
        if not chunk:
            self.transfer_finished = True
            return
        if self._data_wrapper is not None:
            chunk = self._data_wrapper(chunk)
        self.file_obj.write(chunk)

    handle_read_event = handle_read

    def readable(self):
        return not self._stalled and DTPHandler.readable(self)

    def writable(self):
        return not self._stalled and DTPHandler.writable(self)


class Hashing:
    """The hash commands: server-wide offers, and the wrong answers still to give."""

    algorithms = ()  # offered with HASH, the first one selected on each connection
    x_commands = ()
    wrong_left = 0
    delay = 0
    X_ALGORITHMS = {"XSHA256": "SHA-256", "XSHA1": "SHA-1", "XMD5": "MD5", "XCRC": "CRC32"}
    FUNCTIONS = {"SHA-256": hashlib.sha256, "SHA-1": hashlib.sha1, "MD5": hashlib.md5}

    @classmethod
    def commands(cls):
        names = list(cls.x_commands) + (["HASH"] if cls.algorithms else [])
        return {name: dict(perm=None, auth=True, arg=True, help="Syntax: %s <SP> file-name." % name)
                for name in names}

    @classmethod
    def digest(cls, path, algorithm):
        state = cls.FUNCTIONS[algorithm]() if algorithm in cls.FUNCTIONS else None
        crc = 0
        time.sleep(cls.delay)
        with open(path, "rb") as f:
            for block in iter(lambda: f.read(65536), b""):
                if state:
                    state.update(block)
                else:
                    crc = zlib.crc32(block, crc)
        hex = state.hexdigest() if state else "%08x" % crc
        if cls.wrong_left > 0:
            cls.wrong_left -= 1
            hex = ("0" if hex[0] != "0" else "1") + hex[1:]
        return hex


class TestBehaviour:
    """What every handler of ours does: log, refuse and close on demand."""

    command_log = CommandLog(None)
    refuse_pasv = False
    refuse_port = False
    refuse_size = False
    refuse_mlsd = False
    refuse_all = False
    close_control_on = ""

    def pre_process_command(self, line, cmd, arg):
        self.command_log.write(line)
        if self._closes_on(line, cmd):
            self.close()
            return
        refusal = self._refusal(cmd)
        if refusal:
            self.respond(refusal)
            return
        FTPHandler.pre_process_command(self, line, cmd, arg)

    def _closes_on(self, line, cmd):
        wanted = self.close_control_on.upper()
        if not wanted:
            return False
        return cmd == wanted or (line.upper() + " ").startswith(wanted + " ")

    def _refusal(self, cmd):
        if self.refuse_all and self.authenticated:
            return "500 Command refused."
        if self.refuse_pasv and cmd in ("PASV", "EPSV"):
            return "500 Passive mode refused."
        if self.refuse_port and cmd in ("PORT", "EPRT"):
            return "500 Active mode refused."
        if self.refuse_size and cmd == "SIZE":
            return "550 SIZE not available."
        if self.refuse_mlsd and cmd == "MLSD":
            return "500 Command \"MLSD\" not understood."
        return None

    def on_login(self, username):
        self.command_log.write("LOGIN " + username)

    def ftp_FEAT(self, line):
        saved = self._extra_feats
        self._extra_feats = saved + list(Hashing.x_commands)
        if Hashing.algorithms:
            chosen = self._selected_hash()
            self._extra_feats.append("HASH " + ";".join(a + ("*" if a == chosen else "") for a in Hashing.algorithms))
        try:
            FTPHandler.ftp_FEAT(self, line)
        finally:
            self._extra_feats = saved

    def ftp_OPTS(self, line):
        words = line.split()
        if not words or words[0].upper() != "HASH" or not Hashing.algorithms:
            return FTPHandler.ftp_OPTS(self, line)
        if len(words) > 1:
            if words[1].upper() not in Hashing.algorithms:
                return self.respond("501 Unknown algorithm.")
            self.hash_selected = words[1].upper()
        self.respond("200 " + self._selected_hash())

    def _selected_hash(self):
        return getattr(self, "hash_selected", Hashing.algorithms[0])

    def _hashed_file(self, name):
        path = self.fs.ftp2fs(name)
        if not self.fs.validpath(path) or not os.path.isfile(path):
            self.respond("550 No such file.")
            return None
        return path

    def ftp_HASH(self, line):
        path = self._hashed_file(line)
        if path:
            algorithm = self._selected_hash()
            self.respond("213 %s 0-%d %s %s" % (algorithm, os.path.getsize(path), Hashing.digest(path, algorithm), line))

    def _x_hash(self, command, line):
        path = self._hashed_file(line)
        if path:
            self.respond("250 " + Hashing.digest(path, Hashing.X_ALGORITHMS[command]))

    def ftp_XSHA256(self, line):
        self._x_hash("XSHA256", line)

    def ftp_XSHA1(self, line):
        self._x_hash("XSHA1", line)

    def ftp_XMD5(self, line):
        self._x_hash("XMD5", line)

    def ftp_XCRC(self, line):
        self._x_hash("XCRC", line)


class TestFTPHandler(TestBehaviour, FTPHandler):
    dtp_handler = MisbehavingDTPHandler


class ClientCapableTLSDTPHandler(TLS_DTPHandler):
    """A TLS data channel that takes the client's part when CPSV or SSCN ON
    asked for it."""

    def secure_connection(self, ssl_context):
        TLS_DTPHandler.secure_connection(self, ssl_context)
        control = self.cmd_channel
        if isinstance(self.socket, SSL.Connection) and (control.sscn or control.cpsv):
            self.socket.set_connect_state()
            # A client speaks first: nothing would wake us to send the hello.
            self._do_ssl_handshake()
        control.cpsv = False


class TestTLSHandler(TestBehaviour, TLS_FTPHandler):
    dtp_handler = ClientCapableTLSDTPHandler
    client_commands = ()
    proto_cmds = TLS_FTPHandler.proto_cmds.copy()
    proto_cmds.update({
        "CPSV": dict(perm=None, auth=True, arg=False, help="Syntax: CPSV (PASV, we are the TLS client)."),
        "SSCN": dict(perm=None, auth=True, arg=None, help="Syntax: SSCN [ON|OFF] (TLS client part)."),
    })

    def __init__(self, conn, server, ioloop=None):
        self.sscn = False
        self.cpsv = False
        TLS_FTPHandler.__init__(self, conn, server, ioloop)

    def pre_process_command(self, line, cmd, arg):
        if cmd in ("CPSV", "SSCN") and cmd not in self.client_commands:
            self.command_log.write(line)
            self.respond('500 Command "%s" not understood.' % cmd)
            return
        TestBehaviour.pre_process_command(self, line, cmd, arg)

    def ftp_PASV(self, line):
        self.cpsv = False
        return TLS_FTPHandler.ftp_PASV(self, line)

    def ftp_PORT(self, line):
        self.cpsv = False
        return TLS_FTPHandler.ftp_PORT(self, line)

    def ftp_CPSV(self, line):
        TLS_FTPHandler.ftp_PASV(self, line)
        self.cpsv = True

    def ftp_SSCN(self, line):
        arg = (line or "").upper()
        if arg in ("ON", "OFF"):
            self.sscn = arg == "ON"
        elif arg:
            return self.respond("501 SSCN takes ON or OFF.")
        self.respond("200 SSCN:%s METHOD" % ("CLIENT" if self.sscn else "SERVER"))


def configure(args):
    authorizer = DummyAuthorizer()
    root = os.path.realpath(args.root)
    if args.user:
        authorizer.add_user(args.user, args.password, root, perm=FULL_PERMISSIONS)
    if args.anonymous:
        # Writing anonymous users are the point of a test server.
        warnings.filterwarnings("ignore", "write permissions assigned to anonymous user")
        authorizer.add_anonymous(root, perm=FULL_PERMISSIONS)

    handler = TestTLSHandler if args.tls_cert else TestFTPHandler
    if args.tls_cert:
        handler.certfile = args.tls_cert
        handler.tls_control_required = args.tls_required
        handler.tls_data_required = args.tls_required
        handler.client_commands = tuple(c for c in args.tls_client_commands.upper().split(",") if c)
    handler.authorizer = authorizer
    Hashing.algorithms = tuple(a for a in args.hash.upper().split(",") if a)
    Hashing.x_commands = tuple(c for c in args.x_hash.upper().split(",") if c)
    Hashing.wrong_left = args.hash_mismatch
    Hashing.delay = args.hash_delay
    handler.proto_cmds = dict(handler.proto_cmds, **Hashing.commands())
    handler.auth_failed_timeout = 0  # a refused login answers at once: tests stay quick
    handler.command_log = CommandLog(args.log)
    handler.refuse_pasv = args.refuse_pasv
    handler.refuse_port = args.refuse_port
    handler.refuse_size = args.refuse_size
    handler.refuse_mlsd = args.refuse_mlsd
    handler.refuse_all = args.refuse_all
    handler.close_control_on = args.close_control_on
    handler.permit_foreign_addresses = args.permit_foreign_addresses
    handler.permit_privileged_ports = args.permit_foreign_addresses
    Misbehaviour.drop_after = args.drop_data_after
    Misbehaviour.drop_always = args.drop_data_always
    Misbehaviour.stall_after = args.stall_data_after
    Misbehaviour.control_drop_after = args.drop_control_after
    Misbehaviour.control_reset = args.reset_control
    if args.drop_data_after or args.stall_data_after or args.drop_control_after:
        # sendfile() would move file bytes behind our counting back.
        handler.use_sendfile = False
    if args.rate and args.tls_cert:
        sys.exit("--rate throttles plain data connections only; it does not combine with --tls-cert")
    if args.rate:
        ThrottledDTPHandler.read_limit = args.rate
        ThrottledDTPHandler.write_limit = args.rate
        handler.dtp_handler = ThrottledDTPHandler
        handler.use_sendfile = False
    return handler


def announce(ready_file, port):
    if not ready_file:
        return
    partial = ready_file + ".partial"
    with open(partial, "w") as f:
        f.write("%d\n" % port)
    os.replace(partial, ready_file)


def watch_parent(server):
    parent = os.getppid()

    def check():
        if os.getppid() != parent:
            raise SystemExit(0)

    server.ioloop.call_every(1.0, check)


def main(argv):
    args = parse_arguments(argv)
    if not args.user and not args.anonymous:
        sys.exit("pyftpd_server: give --user or --anonymous")
    handler = configure(args)
    server = FTPServer((args.host, args.port), handler)

    def stop(signum, frame):
        raise SystemExit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.exit_with_parent:
        watch_parent(server)
    announce(args.ready_file, server.address[1])
    server.serve_forever(timeout=1.0)


if __name__ == "__main__":
    main(sys.argv[1:])
