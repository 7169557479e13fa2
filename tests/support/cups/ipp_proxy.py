#!/usr/bin/python3
"""A stand-in for the private scheduler's socket that passes everything through until told
to break the next document, as a scheduler that hangs or a connection that fails would.

    ipp_proxy.py <listen-socket> <scheduler-socket>

It runs until killed. The file <listen-socket>.mode says what happens to the next document
(the first bytes after "%PDF-" that a client sends); once it has happened the proxy writes
"tripped-<mode>" into that file:
    pass    nothing (the start)
    freeze  the document's first KEEP bytes go through, then nothing more on any connection,
            new ones included: a scheduler that hangs
    stall   the same, but only the document's own connection stops: the scheduler still
            answers everyone else
    drop    the document's connection is closed after KEEP bytes, on both sides
    hang    at once, nothing more on any connection, with or without a document
Writing "pass" again closes every connection that was held and lets everything through.
"""
import os
import selectors
import socket
import sys

KEEP = 4096
MARK = b"%PDF-"

listen_path, upstream_path = sys.argv[1], sys.argv[2]
mode_path = listen_path + ".mode"


def mode():
    try:
        with open(mode_path) as f:
            return f.read().strip()
    except OSError:
        return "pass"


def set_mode(text):
    with open(mode_path + ".new", "w") as f:
        f.write(text + "\n")
    os.replace(mode_path + ".new", mode_path)


class Pair:
    def __init__(self, client, upstream):
        self.client, self.upstream = client, upstream
        self.tail = b""      # the last bytes seen, so the mark is found across reads
        self.document = -1   # bytes of the document passed on, -1 before the mark
        self.held = False


selector = selectors.DefaultSelector()
pairs = []
waiting = []  # connections taken while everything is frozen
frozen = False


def close(pair):
    for s in (pair.client, pair.upstream):
        try:
            selector.unregister(s)
        except (KeyError, ValueError):
            pass
        s.close()
    if pair in pairs:
        pairs.remove(pair)


def hold(pair):
    pair.held = True
    for s in (pair.client, pair.upstream):
        try:
            selector.unregister(s)
        except (KeyError, ValueError):
            pass


def connect(client):
    upstream = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        upstream.connect(upstream_path)
    except OSError:
        client.close()
        return
    pair = Pair(client, upstream)
    pairs.append(pair)
    selector.register(client, selectors.EVENT_READ, (pair, True))
    selector.register(upstream, selectors.EVENT_READ, (pair, False))


def from_client(pair, data):
    """Passes data on; True when the pair goes on."""
    global frozen
    armed = mode()
    if pair.document < 0:
        seen = pair.tail + data
        at = seen.find(MARK)
        pair.tail = seen[-len(MARK):]
        if at >= 0:
            pair.document = len(seen) - at  # counted from the mark on
        if pair.document < 0 or armed not in ("freeze", "stall", "drop") or pair.document <= KEEP:
            pair.upstream.sendall(data)
            return True
        data = data[:len(data) - (pair.document - KEEP)]
    elif armed not in ("freeze", "stall", "drop") or pair.document + len(data) <= KEEP:
        pair.document += len(data)
        pair.upstream.sendall(data)
        return True
    else:
        data = data[:KEEP - pair.document]
    pair.upstream.sendall(data)
    set_mode("tripped-" + armed)
    if armed == "drop":
        close(pair)
        return False
    hold(pair)
    if armed == "freeze":
        frozen = True
        for other in list(pairs):
            hold(other)
    return False


def release():
    global frozen
    frozen = False
    for pair in [p for p in pairs if p.held]:
        close(pair)
    for client in waiting:
        client.close()
    waiting.clear()


def main():
    try:
        os.unlink(listen_path)
    except FileNotFoundError:
        pass
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(listen_path)
    server.listen(64)
    selector.register(server, selectors.EVENT_READ, None)
    set_mode("pass")
    global frozen
    while True:
        now = mode()
        if now == "pass" and (frozen or any(p.held for p in pairs)):
            release()
        elif now == "hang":
            frozen = True
            for pair in list(pairs):
                hold(pair)
            set_mode("tripped-hang")
        for key, _ in selector.select(timeout=0.05):
            if key.data is None:
                client, _ = server.accept()
                if frozen:
                    waiting.append(client)
                else:
                    connect(client)
                continue
            pair, is_client = key.data
            if pair.held or pair not in pairs:
                continue
            try:
                data = key.fileobj.recv(65536)
            except OSError:
                data = b""
            if not data:
                close(pair)
            elif is_client:
                try:
                    from_client(pair, data)
                except OSError:
                    close(pair)
            else:
                try:
                    pair.client.sendall(data)
                except OSError:
                    close(pair)


if __name__ == "__main__":
    main()
