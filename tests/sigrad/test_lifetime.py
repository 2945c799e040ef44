"""sigrad's life beside others: a second service on the same address or the
same journal refuses to start, a hangup does not stop a receipt, and a
journal deleted or replaced under a running service stops its sales, while
a file that is no journal is never taken for one."""
import os
import shutil
import signal
import sqlite3
import subprocess
import threading
import time

from conftest import SIGRAD, Service

BREAD = {"name": "Chleb razowy 500g", "rate": "A", "quantity": 2, "unit": "szt", "price": "4.50"}


def refused_start(folder, *args):
    """Starts sigrad that must refuse to: its exit status and standard error."""
    process = subprocess.Popen([SIGRAD, *args], stderr=subprocess.PIPE, text=True,
                               env=dict(os.environ, SIGRA_DOSDEVICES=folder))
    try:
        _, err = process.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()
        _, err = process.communicate()
        raise AssertionError("a second sigrad kept running: " + err)
    return process.returncode, err


def test_a_second_service_on_the_same_address_or_journal_does_not_start(folder, printer):
    first = Service(folder, ["till1=COM1"])
    try:
        # COM2 has no printer: the second's process for it starts at once.
        code, err = refused_start(folder, "--printer", "till1=COM2", "--listen",
                                  f"127.0.0.1:{first.port}", "--journal",
                                  os.path.join(folder, "other.db"))
        assert code == 1 and f"cannot listen on 127.0.0.1:{first.port}" in err, err
        assert "in use" in err, err
        code, err = refused_start(folder, "--printer", "till1=COM2", "--listen", "127.0.0.1:0",
                                  "--journal", first.journal)
        assert code == 1 and "in use by another sigrad" in err, err
        assert "listening" not in err
        # The first serves on, alone.
        assert first.sell("after", {"items": [BREAD]})[0] == 201
    finally:
        first.stop()
    # Its journal is free once it stopped.
    again = Service(folder, ["till1=COM1"], journal=first.journal)
    again.stop()


def children(pid):
    with open(f"/proc/{pid}/task/{pid}/children") as f:
        return [int(child) for child in f.read().split()]


def test_a_hangup_does_not_stop_a_receipt(folder, printer):
    service = Service(folder, ["till1=COM1"])
    try:
        assert service.sell("before", {"items": [BREAD]})[0] == 201
        printer.process.send_signal(signal.SIGSTOP)
        answer = {}
        seller = threading.Thread(target=lambda: answer.update(
            sold=service.sell("hung-up", {"items": [BREAD]})))
        seller.start()
        time.sleep(0.5)
        # As a closing terminal sends it: to the service and its printers'.
        for pid in [service.process.pid, *children(service.process.pid)]:
            os.kill(pid, signal.SIGHUP)
        time.sleep(0.3)
        printer.process.send_signal(signal.SIGCONT)
        seller.join(120)
        assert answer["sold"][0] == 201 and answer["sold"][2]["fiscalised"] is True, answer
        assert service.process.poll() is None
        assert service.sell("after", {"items": [BREAD]})[0] == 201
    finally:
        printer.process.send_signal(signal.SIGCONT)
        service.stop()


def test_a_journal_deleted_or_replaced_under_the_service_stops_its_sales(folder, printer):
    for how in ("deleted", "replaced"):
        journal = os.path.join(folder, f"{how}.db")
        service = Service(folder, ["till1=COM1"], journal=journal)
        try:
            assert service.sell(f"{how}-1", {"items": [BREAD]})[0] == 201
            if how == "deleted":
                for suffix in ("", "-wal", "-shm"):
                    if os.path.exists(journal + suffix):
                        os.remove(journal + suffix)
            else:
                shutil.copy(journal, journal + ".copy")
                os.replace(journal + ".copy", journal)
            heard = len(printer.journal())
            status, _, answer = service.sell(f"{how}-2", {"items": [BREAD]})
            assert status == 503 and answer["fiscalised"] is False, answer
            assert "journal" in answer["error"]["message"], answer
            # What was sold is still told so, never "fiscalised": false.
            status, headers, answer = service.sell(f"{how}-1", {"items": [BREAD]})
            assert (status, headers["Idempotent-Replayed"]) == (201, "true"), answer
            status, _, _ = service.request("POST", "/v1/printers/till1/reports/daily", {},
                                           {"Idempotency-Key": f"{how}-day"})
            assert status == 503
            assert "receipt begin" not in printer.journal()[heard:]
            assert "daily report" not in printer.journal()[heard:]
            # Never a new, empty journal under the running service.
            assert os.path.exists(journal) == (how == "replaced")
            assert service.process.poll() is None
        finally:
            service.stop()
        assert "deleted or replaced" in service.log()


def test_a_file_that_is_no_journal_is_refused_at_start(folder, printer):
    empty = os.path.join(folder, "empty.db")
    open(empty, "w").close()
    garbage = os.path.join(folder, "garbage.db")
    with open(garbage, "wb") as f:
        f.write(b"not a journal at all\n" * 100)
    other = os.path.join(folder, "other.db")
    with sqlite3.connect(other) as db:
        db.execute("CREATE TABLE customers (name TEXT)")
    for path, words in ((empty, "empty"), (garbage, "not a journal"), (other, "not a journal")):
        before = open(path, "rb").read()
        code, err = refused_start(folder, "--printer", "till1=COM1", "--listen", "127.0.0.1:0",
                                  "--journal", path)
        assert code == 1 and words in err and "not starting" in err, (path, err)
        assert open(path, "rb").read() == before
    # Where no file is, a journal is made, whole: what a start killed while
    # making one left beside it does not matter.
    made = os.path.join(folder, "new", "journal.db")
    os.mkdir(os.path.dirname(made))
    with open(made + ".new", "wb") as f:
        f.write(b"half made")
    service = Service(folder, ["till1=COM1"], journal=made)
    service.stop()
    with sqlite3.connect(made) as db:
        assert db.execute("PRAGMA user_version").fetchone()[0] == 2
        assert db.execute("SELECT count(*) FROM entries").fetchone()[0] == 0
    assert not os.path.exists(made + ".new")


def test_under_systemd_the_journal_is_in_its_state_directory(folder, printer):
    state = os.path.join(folder, "state")
    os.mkdir(state)
    log = os.path.join(folder, "state.log")
    with open(log, "wb") as err:
        process = subprocess.Popen(
            [SIGRAD, "--printer", "till1=COM1", "--listen", "127.0.0.1:0"], stderr=err,
            env=dict(os.environ, SIGRA_DOSDEVICES=folder, STATE_DIRECTORY=state,
                     XDG_STATE_HOME=os.path.join(folder, "xdg")))
        try:
            deadline = time.monotonic() + 30
            while "listening" not in open(log).read() and time.monotonic() < deadline:
                assert process.poll() is None, open(log).read()
                time.sleep(0.05)
            assert "listening" in open(log).read()
        finally:
            process.terminate()
            process.wait(20)
    assert os.path.getsize(os.path.join(state, "journal.db")) > 0
    assert not os.path.exists(os.path.join(folder, "xdg"))
