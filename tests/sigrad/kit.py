"""Emulated printers and the sigrad service over real TCP, for the service's
black-box tests (each imports the fixtures it uses from here).

Each printer is a sigra-emu process on a pseudo-terminal linked as comN in the
test's own SIGRA_DOSDEVICES folder, with a state file (its receipt counter
read from there, as the printer keeps it) and a control socket. The service is
the sigrad program on a free loopback port, started, killed with SIGKILL and
started again on the same journal. CTest passes the programs' paths:
SIGRAD and SIGRA_EMU."""

from __future__ import annotations

import json
import os
import re
import signal
import socket
import subprocess
import threading
import time
import uuid
from pathlib import Path
from typing import Callable, Iterator

import pytest
import requests


def free_port() -> int:
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_for(condition: Callable[[], object], seconds: float, what: str) -> object:
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"waited {seconds} s for {what}")
        time.sleep(0.005)


class Printer:
    """One sigra-emu process, its journal read as it is written. `name` tells
    apart the state of printers put one after another on the same port."""

    def __init__(self, folder: Path, port: int, *options: str, device_type: int = 7,
                 name: str = "") -> None:
        self.folder = folder
        self.port = port
        self.state_path = folder / f"printer{port}{name}.state"
        self.control_path = str(folder / f"printer{port}{name}.control")
        self.options = [str(option) for option in options]
        self.device_type = device_type
        self._lines: list[str] = []
        self._lock = threading.Lock()
        self.process: subprocess.Popen[str] | None = None
        self.start()

    def start(self) -> None:
        if os.path.exists(self.control_path):
            os.unlink(self.control_path)
        self.process = subprocess.Popen(
            [os.environ["SIGRA_EMU"], "--type", str(self.device_type), "--link", str(self.folder),
             "--port", str(self.port), "--state", str(self.state_path), "--control",
             self.control_path, *self.options],
            stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True, encoding="utf-8",
            errors="replace")
        threading.Thread(target=self._read, args=(self.process,), daemon=True).start()
        wait_for(lambda: (self.folder / f"com{self.port}").exists()
                 and os.path.exists(self.control_path), 10, "the emulator's port")

    def _read(self, process: subprocess.Popen[str]) -> None:
        assert process.stdout is not None
        for line in process.stdout:
            with self._lock:
                self._lines.append(line.rstrip("\n"))

    def control(self, line: str) -> str:
        """Sends one control line and gives the printer's reply."""
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as connection:
            connection.connect(self.control_path)
            connection.sendall(line.encode() + b"\n")
            reply = b""
            while not reply.endswith(b"\n"):
                chunk = connection.recv(256)
                if not chunk:
                    break
                reply += chunk
        return reply.decode().strip()

    def journal(self) -> list[str]:
        with self._lock:
            return list(self._lines)

    def journal_length(self) -> int:
        with self._lock:
            return len(self._lines)

    def wait_line(self, pattern: str, start: int, seconds: float = 30) -> int:
        """Waits for a journal line from index `start` on that matches the
        regular expression; gives the index after it."""
        expression = re.compile(pattern)

        def found() -> int:
            with self._lock:
                for index in range(start, len(self._lines)):
                    if expression.search(self._lines[index]):
                        return index + 1
            return 0

        return int(wait_for(found, seconds, f"a journal line matching {pattern!r}"))

    def counter(self) -> int:
        """The receipt counter the printer keeps in its state file."""
        for line in self.state_path.read_text().splitlines():
            if line.startswith("receipt-counter "):
                return int(line.split()[1])
        raise AssertionError("no receipt counter in the state file")

    def printouts(self) -> list[list[str]]:
        """Each printout as the journal shows it: the runs of lines behind "| "."""
        runs: list[list[str]] = []
        inside = False
        for line in self.journal():
            if line.startswith("| "):
                if not inside:
                    runs.append([])
                runs[-1].append(line[2:])
                inside = True
            else:
                inside = False
        return runs

    def fiscal_totals(self) -> list[str]:
        """The "SUMA PLN" amounts of the fiscal receipts printed, cancelled ones
        left out, in the order printed."""
        totals = []
        for printout in self.printouts():
            if any("PARAGON ANULOWANY" in line for line in printout):
                continue
            for line in printout:
                if line.startswith("SUMA PLN"):
                    totals.append(line.split()[-1])
        return totals

    def stop_process(self) -> None:
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGCONT)
            self.process.terminate()
            self.process.wait(timeout=10)


class Service:
    """sigrad on a free loopback port, with a journal kept across restarts."""

    def __init__(self, folder: Path, printers: dict[str, int], *options: str,
                 speed: int = 9600) -> None:
        self.folder = folder
        self.printers = printers
        self.speed = speed
        self.options = [str(option) for option in options]
        self.port = free_port()
        self.url = f"http://127.0.0.1:{self.port}"
        self.journal_path = folder / "sigrad.sqlite"
        self.log_path = folder / "sigrad.log"
        self.process: subprocess.Popen[bytes] | None = None
        self.http = requests.Session()
        self.start()

    def arguments(self) -> list[str]:
        arguments = [os.environ["SIGRAD"]]
        for name, port in self.printers.items():
            arguments += ["--printer", f"{name}=COM{port}:{self.speed}"]
        return arguments + ["--listen", f"127.0.0.1:{self.port}", "--journal",
                            str(self.journal_path), *self.options]

    def start(self) -> None:
        with open(self.log_path, "ab") as log:
            self.process = subprocess.Popen(self.arguments(), stdout=log, stderr=log,
                                            stdin=subprocess.DEVNULL)
        wait_for(self._healthy, 30, "sigrad to answer /healthz")

    def _healthy(self) -> bool:
        assert self.process is not None
        if self.process.poll() is not None:
            raise AssertionError(f"sigrad ended with {self.process.returncode}:\n{self.log()}")
        try:
            return requests.get(self.url + "/healthz", timeout=1).status_code == 200
        except requests.RequestException:
            return False

    def kill(self) -> None:
        assert self.process is not None
        self.process.kill()
        self.process.wait(timeout=10)

    def restart(self) -> None:
        self.kill()
        self.start()

    def alive(self) -> bool:
        return self.process is not None and self.process.poll() is None

    def log(self) -> str:
        return self.log_path.read_text(encoding="utf-8", errors="replace")

    def stop(self) -> None:
        if self.alive():
            assert self.process is not None
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=10)

    def get(self, path: str, **kwargs: object) -> requests.Response:
        return self.http.get(self.url + path, timeout=kwargs.pop("timeout", 60), **kwargs)

    def post(self, path: str, body: object, key: str | None = None,
             **kwargs: object) -> requests.Response:
        headers = dict(kwargs.pop("headers", {}))  # type: ignore[arg-type]
        headers.setdefault("Content-Type", "application/json")
        if key is not None:
            headers["Idempotency-Key"] = key
        data = body if isinstance(body, (bytes, str)) else json.dumps(body)
        return self.http.post(self.url + path, data=data, headers=headers,
                              timeout=kwargs.pop("timeout", 120), **kwargs)


def receipt(price: str, name: str = "Chleb razowy 500g", items: int = 1) -> dict:
    """A receipt of `items` lines of one article at `price` zloty each."""
    return {"items": [{"name": name, "rate": "A", "quantity": 1, "unit": "szt", "price": price}
                      for _ in range(items)]}


def total_text(price_grosze: int, items: int = 1) -> str:
    """A total as the printout shows it: 12,34."""
    total = price_grosze * items
    return f"{total // 100},{total % 100:02d}"


def new_key() -> str:
    return str(uuid.uuid4())


@pytest.fixture
def folder(tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> Path:
    monkeypatch.setenv("SIGRA_DOSDEVICES", str(tmp_path))
    return tmp_path


@pytest.fixture
def make_printer(folder: Path) -> Iterator[Callable[..., Printer]]:
    made: list[Printer] = []

    def make(port: int = 1, *options: str, device_type: int = 7, name: str = "") -> Printer:
        printer = Printer(folder, port, *options, device_type=device_type, name=name)
        made.append(printer)
        return printer

    yield make
    for printer in made:
        printer.stop_process()


@pytest.fixture
def make_service(folder: Path) -> Iterator[Callable[..., Service]]:
    made: list[Service] = []

    def make(printers: dict[str, int], *options: str, speed: int = 9600) -> Service:
        service = Service(folder, printers, *options, speed=speed)
        made.append(service)
        return service

    yield make
    for service in made:
        service.stop()


class Till:
    """A point-of-sale client that never sells twice: it sends a receipt
    under one Idempotency-Key again until the service says the printer
    fiscalised it, through refused connections (the service restarting),
    409 (the first attempt still running), 503 (printer unreachable, queue
    full), "fiscalised": null (not yet known) and "fiscalised": false (not
    sold: it may be sold again, under the same key). Each answer that tells
    whether the receipt was fiscalised is checked against the printer's
    receipt counter at once."""

    def __init__(self, service: Service, printer: Printer, printer_id: str = "till1") -> None:
        self.service = service
        self.printer = printer
        self.printer_id = printer_id
        self.answers: list[tuple[int, dict]] = []

    def sell(self, body: dict, key: str, seconds: float = 90,
             before_each: Callable[[int], None] | None = None) -> dict:
        counter_before = self.printer.counter()
        deadline = time.monotonic() + seconds
        attempt = 0
        while time.monotonic() < deadline:
            if before_each:
                before_each(attempt)
            attempt += 1
            try:
                answer = self.service.post(f"/v1/printers/{self.printer_id}/receipts", body, key)
            except requests.RequestException:
                time.sleep(0.1)
                continue
            content = answer.json() if answer.content else {}
            self.answers.append((answer.status_code, content))
            fiscalised = content.get("fiscalised")
            if answer.status_code in (409, 503) or (fiscalised is None and answer.status_code >= 400):
                time.sleep(float(answer.headers.get("Retry-After", "0.2")))
                continue
            assert answer.status_code < 500 or fiscalised is not None, (answer.status_code, content)
            if fiscalised is True:
                number = content.get("receipt_number")
                # A replay tells of a sale an earlier attempt under the key
                # made: one of this call's (the next number) or one before it.
                if answer.headers.get("Idempotent-Replayed") == "true":
                    assert number <= counter_before + 1, (content, counter_before)
                    return content
                assert number == counter_before + 1, (content, counter_before)
                wait_for(lambda: self.printer.counter() == number, 5,
                         f"the printer's counter to show receipt {number}")
                return content
            assert fiscalised is False, (answer.status_code, content)
            assert self.printer.counter() == counter_before, (
                "the service said not fiscalised but the printer counted the receipt", content)
        raise AssertionError(f"no receipt under {key} within {seconds} s: {self.answers}")
