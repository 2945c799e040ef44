"""Several printers and many tills on one service: a printer that is switched
off or whose process is stopped does not hold up another printer, three
printers with full queues leave an idle fourth selling, and many
tills selling at once on one printer get every receipt printed once, in the
order each till sent them, without a server error."""

from __future__ import annotations

import contextlib
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

import pytest
import requests

from kit import Printer, Service, Till, new_key, receipt, total_text
from kit import folder, make_printer, make_service  # noqa: F401 - fixtures


def sell_timed(till: Till, price: str) -> float:
    start = time.monotonic()
    till.sell(receipt(price, items=3), new_key())
    return time.monotonic() - start


@pytest.mark.parametrize("fault", ["power off", "SIGSTOP"])
def test_a_dead_printer_does_not_hold_up_the_other(make_printer, make_service, fault):
    dead = make_printer(1, "--line-rate", "28800")
    live = make_printer(2, "--line-rate", "28800")
    service = make_service({"dead": 1, "live": 2})
    live_till = Till(service, live, "live")
    alone = sell_timed(live_till, "1.01")

    if fault == "power off":
        assert dead.control("power off") == "ok"
    else:
        os.kill(dead.process.pid, signal.SIGSTOP)
    key = new_key()
    body = receipt("2.02")
    stop = threading.Event()
    dead_answers: list[tuple[float, float, int]] = []

    def keep_selling_on_the_dead_printer() -> None:
        # A till that sends its sale again as long as it is told the printer
        # cannot be reached, keeping the dead printer's queue busy.
        while not stop.is_set():
            sent = time.monotonic()
            answer = service.post("/v1/printers/dead/receipts", body, key)
            dead_answers.append((sent, time.monotonic(), answer.status_code))

    waiting = threading.Thread(target=keep_selling_on_the_dead_printer)
    waiting.start()
    time.sleep(0.3)
    try:
        started = time.monotonic()
        times = [sell_timed(live_till, f"3.0{n}") for n in range(1, 4)]
        ended = time.monotonic()
        for taken in times:
            assert taken < 2 * alone + 1.0, (times, alone)
        # The dead printer was being sold to all the while, and failing.
        busy = [answer for answer in dead_answers if answer[1] > started]
        assert (busy and busy[0][0] < started) or not dead_answers, dead_answers
        assert all(status == 503 for sent, _, status in dead_answers if sent < ended), dead_answers
        assert ended - started < 3 * (2 * alone + 1.0)
    finally:
        stop.set()
        if fault == "power off":
            dead.control("power on")
        else:
            os.kill(dead.process.pid, signal.SIGCONT)
    waiting.join(timeout=120)
    assert not waiting.is_alive()
    # Back on, the dead printer's till ends with its one receipt.
    answer = Till(service, dead, "dead").sell(body, key)
    assert answer["receipt_number"] == 1
    assert dead.counter() == 1
    assert dead.fiscal_totals() == ["2,02"]
    assert live.counter() == 4
    assert live.fiscal_totals() == [total_text(101, 3)] + [total_text(300 + n, 3)
                                                          for n in range(1, 4)]


CLIENTS = 20
RECEIPTS_EACH = 10


def test_twenty_tills_selling_at_once_get_each_receipt_printed_once_in_order(
        make_printer, make_service):
    printer = make_printer(1)
    service = make_service({"till1": 1})
    results: dict[int, list[tuple[int, int]]] = {client: [] for client in range(CLIENTS)}
    statuses: list[int] = []
    failures: list[BaseException] = []
    start = threading.Barrier(CLIENTS)

    def till(client: int) -> None:
        try:
            start.wait()
            for n in range(RECEIPTS_EACH):
                grosze = 100 + client * RECEIPTS_EACH + n
                body = receipt(f"{grosze // 100}.{grosze % 100:02d}")
                key = new_key()
                while True:
                    answer = service.post("/v1/printers/till1/receipts", body, key)
                    statuses.append(answer.status_code)
                    if answer.status_code == 503 and "Retry-After" in answer.headers:
                        time.sleep(float(answer.headers["Retry-After"]))
                        continue
                    break
                assert answer.status_code == 201, (answer.status_code, answer.text)
                assert answer.json()["fiscalised"] is True
                results[client].append((grosze, answer.json()["receipt_number"]))
        except BaseException as error:  # noqa: BLE001 - reported by the test
            failures.append(error)

    threads = [threading.Thread(target=till, args=(client,)) for client in range(CLIENTS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(timeout=300)
    assert not failures, failures[:3]
    assert not [status for status in statuses if status >= 500 and status != 503], statuses

    total = CLIENTS * RECEIPTS_EACH
    assert printer.counter() == total
    printed = printer.fiscal_totals()
    assert len(printed) == total
    by_number = {}
    for client, sales in results.items():
        numbers = [number for _, number in sales]
        # Each till's receipts were printed in the order it sent them.
        assert numbers == sorted(numbers), (client, numbers)
        for grosze, number in sales:
            by_number[number] = total_text(grosze)
    # Every number once, and the n-th receipt on paper is the one answered n.
    assert sorted(by_number) == list(range(1, total + 1))
    assert printed == [by_number[number] for number in range(1, total + 1)]


def stop_time(process: subprocess.Popen[bytes]) -> float:
    """Seconds from SIGTERM to the end of `process`, which must end well."""
    started = time.monotonic()
    process.terminate()
    assert process.wait(timeout=60) == 0
    return time.monotonic() - started


def test_an_unreachable_printer_neither_sells_nor_holds_up_a_stop(make_printer, make_service, folder):
    printer = make_printer(1)
    service = make_service({"till1": 1})
    assert printer.control("power off") == "ok"
    # Four status queries: one runs into the printer's timeouts (some 5 s),
    # three wait behind it; and a connection that sends nothing.
    answers: list[requests.Response] = []
    queries = [threading.Thread(target=lambda: answers.append(requests.get(
        service.url + "/v1/printers/till1/status", timeout=60))) for _ in range(4)]
    for query in queries:
        query.start()
    idle = socket.create_connection(("127.0.0.1", service.port))
    time.sleep(1)
    assert service.process is not None
    # The running query ends with its own timeouts, no later; the ones
    # waiting are answered at once (before: one printer timeout after another).
    assert stop_time(service.process) < 10
    for query in queries:
        query.join(timeout=10)
    assert sorted(answer.status_code for answer in answers) == [200, 503, 503, 503]
    # The printer did not answer: no receipt can be issued.
    [status] = [answer.json() for answer in answers if answer.status_code == 200]
    assert (status["online"], status["receipt_possible"]) == (False, False), status
    assert status["code"] != 0
    idle.close()

    # Stopped while it waits for the printer to answer at its start.
    with open(folder / "starting.log", "wb") as log:
        starting = subprocess.Popen(service.arguments(), stdout=log, stderr=log)
    time.sleep(0.5)
    assert stop_time(starting) < 3
    assert "listening" not in (folder / "starting.log").read_text()


class ServiceAs(Service):
    """sigrad run as another user, through setpriv."""

    def __init__(self, user: str, *arguments, **options) -> None:
        self.user = user
        super().__init__(*arguments, **options)

    def arguments(self) -> list[str]:
        return ["setpriv", f"--reuid={self.user}", "--regid=nogroup", "--clear-groups",
                *super().arguments()]


@contextlib.contextmanager
def dialout_port(monkeypatch, prefix: str, mode: int):
    """A folder of mode MODE outside pytest's own (root's alone), its COM1 an
    emulated printer whose device only the dialout group may open, and the
    port table of whoever runs there in it. Yields the folder, the printer
    and the device."""
    folder = Path(tempfile.mkdtemp(prefix=prefix))
    try:
        folder.chmod(mode)
        monkeypatch.setenv("SIGRA_DOSDEVICES", str(folder))
        monkeypatch.setenv("XDG_STATE_HOME", str(folder / "state"))
        printer = Printer(folder, 1)
        device = os.path.realpath(folder / "com1")
        subprocess.run(["chgrp", "dialout", device], check=True)
        os.chmod(device, 0o660)
        yield folder, printer, device
    finally:
        shutil.rmtree(folder, ignore_errors=True)


@pytest.mark.skipif(os.geteuid() != 0 or shutil.which("setpriv") is None,
                    reason="running sigrad as a user outside dialout needs root and setpriv")
def test_a_port_the_service_may_not_open_is_told_as_missing_rights(monkeypatch):
    with dialout_port(monkeypatch, "sigrad-rights-", 0o777) as (folder, printer, device):
        service = ServiceAs("nobody", folder, {"till1": 1})
        try:
            answer = requests.get(service.url + "/v1/printers/till1/counters", timeout=30)
            assert answer.status_code == 503
            error = answer.json()["error"]
            status = requests.get(service.url + "/v1/printers/till1/status", timeout=30).json()
            for code, message in ((error["code"], error["message"]),
                                  (status["code"], status["message"])):
                assert code == 5
                assert "prawdopodobnie" not in message, message
                assert f"COM1 is {device}: Permission denied" in message, message
                assert "(sudo adduser nobody dialout)" in message, message
        finally:
            service.stop()
            printer.stop_process()


@pytest.mark.skipif(os.geteuid() != 0 or shutil.which("setpriv") is None,
                    reason="opening the port as another user needs root and setpriv")
def test_a_stopped_service_leaves_its_ports_to_other_users(monkeypatch):
    # The port is opened for the service alone; stopped, the service must
    # end that, or no user but root opens the port after it.
    with dialout_port(monkeypatch, "sigrad-stop-", 0o755) as (folder, printer, device):
        opens = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--groups=dialout",
                 sys.executable, "-c",
                 f"import os; os.close(os.open({device!r}, os.O_RDWR | os.O_NOCTTY))"]
        service = Service(folder, {"till1": 1})
        try:
            counters = requests.get(service.url + "/v1/printers/till1/counters", timeout=30)
            assert counters.status_code == 200, counters.text
            held = subprocess.run(opens, capture_output=True, text=True)
            assert held.returncode != 0 and "Device or resource busy" in held.stderr
        finally:
            service.stop()
        left = subprocess.run(opens, capture_output=True, text=True)
        assert left.returncode == 0, left.stderr
        printer.stop_process()


def test_three_printers_with_full_queues_leave_the_fourth_selling(make_printer, make_service):
    busy = {f"busy{port}": make_printer(port) for port in (1, 2, 3)}
    idle = make_printer(4)
    service = make_service({**{name: printer.port for name, printer in busy.items()},
                            "idle": 4})
    # Switched off, each busy printer takes the driver's timeouts for every
    # request: its queue (32 by default) stays full for minutes.
    for printer in busy.values():
        assert printer.control("power off") == "ok"
    stop = threading.Event()
    full = {name: threading.Event() for name in busy}

    def keep_asking(name: str) -> None:
        while not stop.is_set():
            try:
                answer = requests.get(f"{service.url}/v1/printers/{name}/status", timeout=600)
            except requests.RequestException:
                continue
            if answer.status_code == 503 and answer.json()["error"]["id"] == "queue_full":
                full[name].set()
                time.sleep(0.1)

    askers = [threading.Thread(target=keep_asking, args=(name,), daemon=True)
              for name in busy for _ in range(34)]
    for asker in askers:
        asker.start()
    try:
        for name, event in full.items():
            assert event.wait(60), f"the queue of {name} did not fill"
        assert requests.get(service.url + "/healthz", timeout=20).status_code == 200
        answer = service.post("/v1/printers/idle/receipts", receipt("1.23"), new_key(),
                              timeout=20)
        assert (answer.status_code, answer.json()["fiscalised"]) == (201, True), answer.text
        assert idle.fiscal_totals() == ["1,23"]
    finally:
        stop.set()
        service.stop()
