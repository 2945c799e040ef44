"""A sigra-emu printer for each test, linked as COM1 in a folder of its own.

SIGRA_EMU names the emulator program and SIGRA_LIBRARY the driver library
(tests/python-test.sh sets both from the build)."""

from __future__ import annotations

import os
import socket
import subprocess
import time
from pathlib import Path
from typing import Iterator

import pytest

import sigra


class Printer:
    def __init__(self, folder: Path, device_type: int) -> None:
        self.folder = folder
        self.control_path = str(folder / "control")
        self.log_path = folder / "emulator.log"
        self._log = open(self.log_path, "w")
        self.process = subprocess.Popen(
            [os.environ["SIGRA_EMU"], "--type", str(device_type), "--link", str(folder),
             "--port", "1", "--control", self.control_path],
            stdout=self._log, stdin=subprocess.DEVNULL)
        for _ in range(200):
            if (folder / "com1").exists() and os.path.exists(self.control_path):
                break
            time.sleep(0.01)

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

    def journal(self) -> str:
        self._log.flush()
        return self.log_path.read_text(encoding="utf-8")

    def stop(self) -> None:
        self.process.terminate()
        self.process.wait(timeout=10)
        self._log.close()


@pytest.fixture
def printer(tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> Iterator[Printer]:
    monkeypatch.setenv("SIGRA_DOSDEVICES", str(tmp_path))
    emulator = Printer(tmp_path, 7)
    yield emulator
    emulator.stop()


@pytest.fixture(scope="session")
def driver() -> sigra.Driver:
    return sigra.Driver()


@pytest.fixture
def connected(driver: sigra.Driver, printer: Printer) -> Iterator[sigra.Driver]:
    with driver.connection(1, 9600, 2):
        yield driver
