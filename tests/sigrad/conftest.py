"""An emulated printer and sigrad on it, over real TCP, for the service tests.

SIGRAD and SIGRA_EMU name the built programs. With SIGRAD_WINE set (to
wine64), SIGRAD is sigrad.exe, run under Wine: its COMn is the link
SIGRAD_WINE_PORTS/comn (Wine's Ports key), pointed at each test's emulator."""
import http.client
import json
import os
import re
import signal
import sqlite3
import subprocess
import tempfile
import time

import pytest

SIGRAD = os.environ.get("SIGRAD", "sigrad")
SIGRA_EMU = os.environ.get("SIGRA_EMU", "sigra-emu")
WINE = os.environ.get("SIGRAD_WINE")
WINE_PORTS = os.environ.get("SIGRAD_WINE_PORTS")


def windows_path(path):
    """A Linux path as a program under Wine names it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\") if WINE else path


def sigrad_command(*args):
    """The command line that runs sigrad with `args`, under Wine where it is sigrad.exe."""
    return ([WINE] if WINE else []) + [SIGRAD, *args]


class Emulator:
    """sigra-emu on a pseudo-terminal linked as COM<port> in `ports`."""

    def __init__(self, ports, port=1, device_type=7, extra=()):
        self.log_path = os.path.join(ports, f"emulator{port}.log")
        self.log = open(self.log_path, "wb")
        self.process = subprocess.Popen(
            [SIGRA_EMU, "--type", str(device_type), "--link", ports, "--port", str(port), *extra],
            stdout=self.log, stderr=subprocess.STDOUT)
        link = os.path.join(ports, f"com{port}")
        for _ in range(100):
            if os.path.exists(link):
                break
            time.sleep(0.05)
        if WINE_PORTS:
            wine_link = os.path.join(WINE_PORTS, f"com{port}")
            os.symlink(link, wine_link + ".new")
            os.replace(wine_link + ".new", wine_link)

    def journal(self):
        """Everything the printer heard and printed so far."""
        self.log.flush()
        with open(self.log_path, encoding="utf-8", errors="replace") as log:
            return log.read()

    def stop(self):
        self.process.send_signal(signal.SIGCONT)
        self.process.terminate()
        self.process.wait(10)
        self.log.close()


class Service:
    """sigrad on a free loopback port."""

    def __init__(self, folder, printers, args=(), journal=None, env=None):
        self.folder = folder
        self.journal = journal or os.path.join(folder, "journal.db")
        self.err_path = os.path.join(folder, f"sigrad-{time.monotonic_ns()}.log")
        self.err = open(self.err_path, "wb")
        command = sigrad_command("--listen", "127.0.0.1:0", "--journal", windows_path(self.journal))
        for printer in printers:
            command += ["--printer", printer]
        self.process = subprocess.Popen(command + list(args), stderr=self.err,
                                        env=dict(os.environ, SIGRA_DOSDEVICES=folder,
                                                 **(env or {})))
        self.port = None
        for _ in range(200):
            match = re.search(r"listening on https?://[^:]+:(\d+)", self.log())
            if match:
                self.port = int(match.group(1))
                break
            if self.process.poll() is not None:
                break
            time.sleep(0.05)
        assert self.port, self.log()

    def log(self):
        with open(self.err_path, encoding="utf-8", errors="replace") as err:
            return err.read()

    def request(self, method, path, body=None, headers=None, raw=None, timeout=60):
        """The status, the headers and the body (JSON when it is)."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        headers = dict(headers or {})
        data = raw
        if body is not None:
            data = json.dumps(body, ensure_ascii=False).encode()
        if data is not None:
            headers.setdefault("Content-Type", "application/json")
        connection.request(method, path, body=data, headers=headers)
        response = connection.getresponse()
        text = response.read().decode("utf-8")
        connection.close()
        try:
            content = json.loads(text)
        except ValueError:
            content = text
        return response.status, response.headers, content

    def sell(self, key, body, printer="till1", headers=None):
        return self.request("POST", f"/v1/printers/{printer}/receipts", body,
                            {"Idempotency-Key": key, **(headers or {})})

    def stop(self, sig=signal.SIGTERM):
        if WINE and sig == signal.SIGTERM:
            # Wine makes SIGINT the console's Ctrl+C; SIGTERM ends the
            # process at once.
            sig = signal.SIGINT
        if self.process.poll() is None:
            self.process.send_signal(sig)
            self.process.wait(20)
        self.err.close()


@pytest.fixture
def folder():
    with tempfile.TemporaryDirectory(prefix="sigrad-test-") as path:
        yield path


@pytest.fixture
def printer(folder):
    emulator = Emulator(folder)
    yield emulator
    emulator.stop()


@pytest.fixture
def service(folder, printer):
    started = Service(folder, ["till1=COM1"])
    yield started
    started.stop()


def journal_rows(path):
    with sqlite3.connect(path) as db:
        return db.execute("SELECT key, state, counter_before, fiscalised FROM entries").fetchall()
