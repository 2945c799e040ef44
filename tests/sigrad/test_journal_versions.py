"""The journal's schema version: a journal written before versions were kept
(fixtures/journal-v0.db, left by sigrad as it was then after four receipts,
one of them refused by the printer, and a daily report, each under its own
key) is brought to version 2 with every outcome intact and every key still
holding, and its entries name no printer's unique number; a journal newer
than the program is refused."""
import json
import os
import shutil
import sqlite3
import subprocess

from conftest import SIGRAD, Service

FIXTURE = os.path.join(os.path.dirname(__file__), "fixtures", "journal-v0.db")

# Each key of the fixture: its route, the body as it was sent (the key's
# digest is of this text's numbers as written), and the outcome it holds.
SOLD = {
    "fixture-bread": ("receipts", '{"items": [{"name": "Chleb razowy 500g", "rate": "A", '
                      '"quantity": 2, "unit": "szt", "price": "4.50"}]}', True),
    "fixture-numbers": ("receipts", '{"items": [{"name": "Ser gouda", "rate": "B", '
                        '"quantity": 0.250, "unit": "kg", "price": 32.90}, {"name": '
                        '"Mleko 2% 1l", "rate": "A", "quantity": 3, "price": 3.10}], '
                        '"payments": [{"name": "Karta", "paid": 17.53}], "lines": '
                        '[{"type": 1, "text": "Dziekujemy"}], "discount_percent": 5}', True),
    "fixture-refused": ("receipts", '{"items": [{"name": "Żółć", "rate": "A", "quantity": 1, '
                        '"price": "1.00"}]}', False),
    "fixture-voided": ("receipts", '{"items": [{"name": "Bułka kajzerka", "rate": "A", '
                       '"quantity": 4, "unit": "szt", "price": 0.89}, {"name": "Bułka '
                       'kajzerka", "rate": "A", "quantity": 1, "unit": "szt", "price": 0.89, '
                       '"void": true}]}', True),
    "fixture-daily": ("reports/daily", '{"zero": false}', None),
}


def user_version(path):
    with sqlite3.connect(path) as db:
        return db.execute("PRAGMA user_version").fetchone()[0]


def stored(path):
    """Each key's row as the fixture holds it."""
    with sqlite3.connect(path) as db:
        rows = db.execute("SELECT key, kind, state, fiscalised, http_status, answer"
                          " FROM entries").fetchall()
    return {row[0]: row[1:] for row in rows}


def counters(service):
    status, _, body = service.request("GET", "/v1/printers/till1/counters")
    assert status == 200, body
    return body["receipts"], body["daily_reports"]


def test_a_journal_from_before_versions_keeps_its_outcomes_and_its_keys(folder, printer):
    journal = os.path.join(folder, "journal.db")
    shutil.copy(FIXTURE, journal)
    assert user_version(journal) == 0
    before = stored(journal)
    assert sorted(before) == sorted(SOLD)
    # Its entries are older than the 30 days kept by default.
    service = Service(folder, ["till1=COM1"], ["--retention-days", "3650"], journal=journal)
    try:
        assert user_version(journal) == 2
        with sqlite3.connect(journal) as db:
            numbers = db.execute("SELECT DISTINCT unique_number FROM entries").fetchall()
        assert numbers == [(None,)]
        for key, (_, _, fiscalised) in SOLD.items():
            kind, state, stored_fiscalised, http_status, answer = before[key]
            status, _, outcome = service.request("GET", f"/v1/printers/till1/receipts/{key}")
            assert status == 200, outcome
            assert (outcome["kind"], outcome["state"]) == (kind, "done")
            assert outcome["http_status"] == http_status
            assert outcome["answer"] == json.loads(answer)
            if kind == "receipt":
                assert outcome["fiscalised"] is fiscalised is (stored_fiscalised == 1), outcome
        heard = len(printer.journal())
        # What was done is answered again, not done again: the same body under
        # its key gives the stored answer.
        for key, (route, body, fiscalised) in SOLD.items():
            if fiscalised is False:
                continue
            status, headers, answer = service.request(
                "POST", f"/v1/printers/till1/{route}", raw=body.encode(),
                headers={"Idempotency-Key": key})
            assert headers["Idempotent-Replayed"] == "true", answer
            assert (status, answer) == (before[key][3], json.loads(before[key][4]))
        # Another body under a key of the fixture is another request.
        status, _, answer = service.request(
            "POST", "/v1/printers/till1/receipts",
            raw=SOLD["fixture-bread"][1].replace('"quantity": 2', '"quantity": 3').encode(),
            headers={"Idempotency-Key": "fixture-bread"})
        assert (status, answer["error"]["code"]) == (422, 422), answer
        assert counters(service) == (0, 0)
        assert "receipt begin" not in "\n".join(printer.journal()[heard:])
        # The refused receipt may be tried again under its key: the printer
        # refuses it again, and nothing is fiscalised.
        status, headers, answer = service.request(
            "POST", "/v1/printers/till1/receipts", raw=SOLD["fixture-refused"][1].encode(),
            headers={"Idempotency-Key": "fixture-refused"})
        assert (status, answer["fiscalised"]) == (422, False), answer
        assert "Idempotent-Replayed" not in headers
        assert counters(service) == (0, 0)
    finally:
        service.stop()
    # Opened again at version 2, it is left as it is.
    again = Service(folder, ["till1=COM1"], ["--retention-days", "3650"], journal=journal)
    try:
        assert user_version(journal) == 2
        status, _, outcome = again.request("GET", "/v1/printers/till1/receipts/fixture-numbers")
        assert (status, outcome["fiscalised"]) == (200, True)
    finally:
        again.stop()


def test_a_journal_newer_than_the_program_is_refused(folder, printer):
    journal = os.path.join(folder, "journal.db")
    service = Service(folder, ["till1=COM1"], journal=journal)
    assert service.sell("sold", {"items": [{"name": "Chleb razowy 500g", "rate": "A",
                                            "quantity": 1, "price": "4.50"}]})[0] == 201
    service.stop()
    assert user_version(journal) == 2
    with sqlite3.connect(journal) as db:
        # The emulator's unique number, read when the sale was sent.
        assert db.execute("SELECT unique_number FROM entries").fetchall() == [("ABC12345678",)]
    with sqlite3.connect(journal) as db:
        db.execute("PRAGMA user_version = 7")
    run = subprocess.run([SIGRAD, "--printer", "till1=COM1", "--listen", "127.0.0.1:0",
                          "--journal", journal], capture_output=True, text=True, timeout=20,
                         env=dict(os.environ, SIGRA_DOSDEVICES=folder))
    assert run.returncode == 1, run.stderr
    assert journal in run.stderr and "version 7" in run.stderr and "version 2" in run.stderr
    assert "not starting" in run.stderr
    # Left as it was: not downgraded, its entry kept.
    assert user_version(journal) == 7
    with sqlite3.connect(journal) as db:
        assert db.execute("SELECT count(*) FROM entries").fetchone()[0] == 1
