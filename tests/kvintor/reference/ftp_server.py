"""A small FTP server on the loopback address for the update check tests.

    python3 ftp_server.py ROOT [USER PASSWORD]

Serves ROOT read-only, anonymously or to USER with PASSWORD only, on a free
port; the first line printed is that port. Ends when its standard input
closes, so it never outlives the test that started it.
"""
import logging
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root = sys.argv[1]
    authorizer = DummyAuthorizer()
    if len(sys.argv) >= 4:
        authorizer.add_user(sys.argv[2], sys.argv[3], root, perm="elr")
    else:
        authorizer.add_anonymous(root, perm="elr")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0.05  # a wrong password is told at once
    logging.basicConfig(level=logging.ERROR)
    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)

    def watch_stdin():
        sys.stdin.read()
        server.close_all()

    threading.Thread(target=watch_stdin, daemon=True).start()
    try:
        server.serve_forever(timeout=0.2, blocking=True)
    except Exception:
        pass


if __name__ == "__main__":
    main()
