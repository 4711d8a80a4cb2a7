#!/usr/bin/python3
"""The pyftpdlib server the tests and the demo talk to.

Run it with Debian's /usr/bin/python3 (the one that sees python3-pyftpdlib).
Besides a well-behaved server it can stage the misbehaviour that client code
must survive: refused commands, cut or stalled data connections and a control
connection that drops on a chosen command.

Readiness is announced through --ready-file (the bound port, written
atomically) so that callers never have to sleep; --log records every command
line received and a "LOGIN <user>" line per successful login.
"""

import argparse
import os
import signal
import socket
import sys
import threading
import warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
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
    p.add_argument("--refuse-all", action="store_true")
    p.add_argument("--drop-data-after", type=int, default=0, metavar="BYTES")
    p.add_argument("--drop-data-always", action="store_true")
    p.add_argument("--stall-data-after", type=int, default=0, metavar="BYTES")
    p.add_argument("--close-control-on", default="", metavar="CMD")
    p.add_argument("--permit-foreign-addresses", action="store_true")
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
    dropped = set()  # (direction, path) already cut once during this run

    @classmethod
    def should_drop(cls, direction, path):
        if cls.drop_after <= 0:
            return False
        key = (direction, path)
        if not cls.drop_always and key in cls.dropped:
            return False
        return True

    @classmethod
    def note_dropped(cls, direction, path):
        cls.dropped.add((direction, path))


class MisbehavingDTPHandler(DTPHandler):
    """Data channel that can cut or freeze a file transfer part-way.

    Listings (no file object) are never touched: only RETR/STOR/APPE data.
    """

    def __init__(self, sock, cmd_channel):
        self._stalled = False
        self._limit_decided = False
        self._drop_limit = None
        DTPHandler.__init__(self, sock, cmd_channel)

    def _direction(self):
        return "in" if self.receive else "out"

    def _decide_limit(self):
        # Decided once per data connection, when the first file byte moves.
        if self._limit_decided:
            return
        self._limit_decided = True
        name = getattr(self.file_obj, "name", None)
        if name is not None and Misbehaviour.should_drop(self._direction(), name):
            self._drop_limit = Misbehaviour.drop_after

    def _budget(self, moved):
        """Bytes still allowed before a drop or stall; None when unlimited."""
        if self.file_obj is None:
            return None
        self._decide_limit()
        limits = [x for x in (self._drop_limit, Misbehaviour.stall_after or None) if x]
        if not limits:
            return None
        return max(0, min(limits) - moved)

    def _cut_or_freeze(self):
        if self._drop_limit is not None and (
                not Misbehaviour.stall_after or self._drop_limit <= Misbehaviour.stall_after):
            Misbehaviour.note_dropped(self._direction(), self.file_obj.name)
            self._resp = ("426 Connection closed; transfer aborted.", logger.info)
            self.close()
        else:
            self._stalled = True
            self.modify_ioloop_events(0)

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


class TestFTPHandler(FTPHandler):
    dtp_handler = MisbehavingDTPHandler
    command_log = CommandLog(None)
    refuse_pasv = False
    refuse_port = False
    refuse_size = False
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
        return None

    def on_login(self, username):
        self.command_log.write("LOGIN " + username)


def configure(args):
    authorizer = DummyAuthorizer()
    root = os.path.realpath(args.root)
    if args.user:
        authorizer.add_user(args.user, args.password, root, perm=FULL_PERMISSIONS)
    if args.anonymous:
        # Writing anonymous users are the point of a test server.
        warnings.filterwarnings("ignore", "write permissions assigned to anonymous user")
        authorizer.add_anonymous(root, perm=FULL_PERMISSIONS)

    handler = TestFTPHandler
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0  # a refused login answers at once: tests stay quick
    handler.command_log = CommandLog(args.log)
    handler.refuse_pasv = args.refuse_pasv
    handler.refuse_port = args.refuse_port
    handler.refuse_size = args.refuse_size
    handler.refuse_all = args.refuse_all
    handler.close_control_on = args.close_control_on
    handler.permit_foreign_addresses = args.permit_foreign_addresses
    handler.permit_privileged_ports = args.permit_foreign_addresses
    Misbehaviour.drop_after = args.drop_data_after
    Misbehaviour.drop_always = args.drop_data_always
    Misbehaviour.stall_after = args.stall_data_after
    if args.drop_data_after or args.stall_data_after:
        # sendfile() would move file bytes behind our counting back.
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
