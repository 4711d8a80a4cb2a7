#!/usr/bin/python3
"""Prints the raw answer to LIST -A in one folder of an FTP server.

The bytes go to standard output exactly as the server sent them over the
data connection (binary type, CR LF kept), so that listing-parser tests can
compare our reading of a real server's output with an independent client's
fetch. Run with Debian's /usr/bin/python3.
"""

import argparse
import ftplib
import sys


def main(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--port", type=int, required=True)
    p.add_argument("--user", default="anonymous")
    p.add_argument("--password", default="")
    p.add_argument("--path", default="")
    p.add_argument("--timeout", type=float, default=20.0)
    args = p.parse_args(argv)

    ftp = ftplib.FTP()
    ftp.connect(args.host, args.port, timeout=args.timeout)
    ftp.login(args.user, args.password)
    if args.path:
        ftp.cwd(args.path)
    chunks = []
    ftp.retrbinary("LIST -A", chunks.append)
    ftp.quit()
    sys.stdout.buffer.write(b"".join(chunks))


if __name__ == "__main__":
    try:
        main(sys.argv[1:])
    except (OSError, EOFError, ftplib.Error) as e:
        sys.exit("fetch_listing: %s" % e)
