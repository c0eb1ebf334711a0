"""A Radicale CardDAV server for the tests: started on 127.0.0.1 on a free port with a
storage folder of its own and no authentication, stopped when the block ends. Cards are
stored one PUT each, as a CardDAV client stores them, and read back one GET each.

    with Radicale(folder) as server:
        problems = server.store_and_read_back("book", cards)
"""
import base64
import http.client
import importlib.util
import json
import os
import socket
import subprocess
import sys
import time

USER = "brenmoor"
MKCOL_ADDRESSBOOK = (b'<?xml version="1.0" encoding="utf-8"?>'
                     b'<D:mkcol xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav"><D:set><D:prop>'
                     b'<D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>'
                     b'</D:prop></D:set></D:mkcol>')


def installed():
    return importlib.util.find_spec("radicale") is not None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def split_cards(text):
    """The cards of a vCard file, each with its line breaks."""
    return [chunk + "END:VCARD\r\n" for chunk in text.split("END:VCARD\r\n")[:-1]]


def same_card(sent, stored):
    """Whether two cards say the same once read: vobject reads both and writes them in
    one form, as the server may store a card in its own."""
    import vobject
    return vobject.readOne(sent).serialize() == vobject.readOne(stored).serialize()


class Radicale:
    def __init__(self, folder):
        self.folder = folder
        self.port = free_port()
        self.process = None
        self.auth = "Basic " + base64.b64encode(f"{USER}:x".encode()).decode()

    def __enter__(self):
        # Radicale's defaults and these, nothing of the machine's configuration: any user
        # name is taken (auth none) and may write below its own collection; no wait for
        # the disk (an option only a program can set), as the storage is thrown away.
        settings = {"server": {"hosts": f"127.0.0.1:{self.port}"}, "auth": {"type": "none"},
                    "rights": {"type": "owner_only"}, "logging": {"level": "warning"},
                    "storage": {"filesystem_folder": os.path.join(self.folder, "collections"),
                                "_filesystem_fsync": "False"}}
        launch = ("import json, sys\nfrom radicale import config, log, server\n"
                  "configuration = config.load()\n"
                  "configuration.update(json.loads(sys.argv[1]), 'test', privileged=True)\n"
                  "log.setup()\nlog.set_level(configuration.get('logging', 'level'))\n"
                  "server.serve(configuration)\n")
        log = open(os.path.join(self.folder, "radicale.log"), "wb")
        self.process = subprocess.Popen([sys.executable, "-c", launch, json.dumps(settings)],
                                        stdout=log, stderr=subprocess.STDOUT)
        log.close()
        deadline = time.monotonic() + 30
        while True:
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=1):
                    return self
            except OSError:
                if self.process.poll() is not None or time.monotonic() > deadline:
                    self.__exit__(None, None, None)
                    raise RuntimeError(f"Radicale did not start: {self.log()}")
                time.sleep(0.1)

    def __exit__(self, *exc):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def log(self):
        with open(os.path.join(self.folder, "radicale.log"), encoding="utf-8", errors="replace") as f:
            return f.read()[-2000:]

    def request(self, connection, method, path, body=None, content_type=None):
        headers = {"Authorization": self.auth}
        if content_type:
            headers["Content-Type"] = content_type
        connection.request(method, path, body=body, headers=headers)
        response = connection.getresponse()
        return response.status, response.read()

    def store_and_read_back(self, collection, cards):
        """PUTs each card into a new address book, then GETs each back; returns what went
        wrong, card by card."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        connection.connect()
        # Headers and body go out as they are written (else each request waits for the
        # server's delayed acknowledgement).
        connection.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        path = f"/{USER}/{collection}/"
        status, body = self.request(connection, "MKCOL", path, MKCOL_ADDRESSBOOK, "application/xml")
        if status != 201:
            return [f"MKCOL {path}: {status} {body[:200]!r}"]
        problems = []
        for i, card in enumerate(cards, 1):
            href = f"{path}{i}.vcf"
            status, body = self.request(connection, "PUT", href, card.encode("utf-8"), "text/vcard; charset=utf-8")
            if status not in (201, 204):
                problems.append(f"card {i}: PUT answered {status} {body[:200]!r}")
                continue
            status, body = self.request(connection, "GET", href)
            if status != 200:
                problems.append(f"card {i}: GET answered {status}")
            elif not same_card(card, body.decode("utf-8")):
                problems.append(f"card {i}: read back differs: {body.decode('utf-8')[:300]!r}")
        connection.close()
        return problems
