"""What sigrad says of a key while its receipt waits or runs, keys holding
"/", and the bodies refused before anything is sent: members named twice,
payments that do not pay the total, voids beyond what was sold, rates the
printer has not defined, and periodic reports over dates that do not
exist."""
import json
import signal
import threading
import time
import urllib.parse

from conftest import Emulator, Service, journal_rows

BREAD = {"name": "Chleb razowy 500g", "rate": "A", "quantity": 2, "unit": "szt", "price": "4.50"}
RECEIPT = "/v1/printers/till1/receipts"


def outcome(service, key):
    status, _, body = service.request("GET", f"{RECEIPT}/{urllib.parse.quote(key, safe='')}")
    assert status == 200, (key, body)
    return body["state"], body["fiscalised"]


def test_a_receipt_waiting_or_running_is_never_told_done(folder, printer):
    service = Service(folder, ["till1=COM1"])
    try:
        assert service.sell("warm-up", {"items": [BREAD]})[0] == 201
        printer.process.send_signal(signal.SIGSTOP)
        answers = {}

        def sell(key):
            answers[key] = service.sell(key, {"items": [BREAD]})
        threads = []
        for key in ("first", "second", "third"):
            threads.append(threading.Thread(target=sell, args=(key,)))
            threads[-1].start()
            time.sleep(0.3)
        assert outcome(service, "first") == ("running", None)
        assert outcome(service, "second") == ("queued", None)
        assert outcome(service, "third") == ("queued", None)
        printer.process.send_signal(signal.SIGCONT)
        # While the earlier ones print, the last is never said to be done
        # without a sale: a till told so would sell it again.
        seen = set()
        while threads[-1].is_alive():
            seen.add(outcome(service, "third"))
            time.sleep(0.02)
        for thread in threads:
            thread.join(120)
        assert ("done", False) not in seen, seen
        assert seen <= {("queued", None), ("running", None), ("done", True)}, seen
        for key in ("first", "second", "third"):
            assert answers[key][0] == 201, answers[key]
            assert outcome(service, key) == ("done", True)
    finally:
        printer.process.send_signal(signal.SIGCONT)
        service.stop()


def test_every_key_sold_is_found_again_also_holding_slashes(service):
    for key in ("FV/2026/000017", "spaces and more", "/leading", "trailing/", "a//b",
                "per%2Fcent", "50%off"):
        status, _, answer = service.sell(key, {"items": [BREAD]})
        assert status == 201, (key, answer)
        status, _, found = service.request(
            "GET", f"{RECEIPT}/{urllib.parse.quote(key, safe='')}")
        assert status == 200, (key, found)
        # The key as the service holds it (an escape in a header is read as
        # what it stands for).
        assert (found["key"], found["state"], found["answer"]) == (answer["key"], "done", answer)
    assert service.request("GET", f"{RECEIPT}/FV%2F2026%2F000018")[0] == 404


def refused_unsent(service, printer, body, words, key="refused"):
    """Posts `body` as a receipt: 400 naming `words`, nothing sent, nothing
    journalled under the key."""
    heard = len(printer.journal())
    status, _, answer = service.request("POST", RECEIPT, raw=body.encode(),
                                        headers={"Idempotency-Key": key})
    assert status == 400, answer
    for word in words:
        assert word in answer["error"]["message"], answer
    assert "receipt begin" not in printer.journal()[heard:]
    assert key not in [row[0] for row in journal_rows(service.journal)]


def test_bodies_that_read_two_ways_or_do_not_add_up_are_refused(service, printer):
    # A member named twice: one reader takes 4.50, another 1.00.
    refused_unsent(service, printer,
                   '{"items":[{"name":"Chleb","rate":"A","quantity":1,"price":"4.50",'
                   '"price":"1.00"}]}', ['"price"', "twice"])
    refused_unsent(service, printer,
                   '{"items":[{"name":"Chleb","rate":"A","quantity":1,"price":"4.50"}],'
                   '"items":[]}', ['"items"', "twice"])
    # Also on the other routes' bodies.
    status, _, answer = service.request("POST", "/v1/printers/till1/drawer",
                                        raw=b'{"drawer":1,"drawer":2}')
    assert status == 400 and "twice" in answer["error"]["message"]

    # Paid less change must be the total, 9.00.
    for payments, words in (
            ('[{"name":"Gotówka","paid":"20.00","change":"1.00"}]', ["19.00", "9.00"]),
            ('[{"name":"Gotówka","paid":"5.00"}]', ["5.00", "9.00"]),
            ('[{"name":"Karta","paid":"5.00"},{"name":"Gotówka","paid":"5.00","change":"0.50"}]',
             ["9.50", "9.00"])):
        refused_unsent(service, printer, '{"items":[' + json_of(BREAD) + '],"payments":'
                       + payments + '}', ["payments", *words])
    # A void may take back only what the lines before it sold at its rate.
    void = dict(BREAD, void=True, quantity=3)
    refused_unsent(service, printer, '{"items":[' + json_of(BREAD) + "," + json_of(void) + "]}",
                   ["items[1]", "void"])
    refused_unsent(service, printer, '{"items":[' + json_of(dict(BREAD, void=True)) + ","
                   + json_of(BREAD) + "]}", ["items[0]", "void"])
    refused_unsent(service, printer, '{"items":[' + json_of(dict(BREAD, rate="B")) + ","
                   + json_of(dict(BREAD, void=True)) + "]}", ["items[1]", "rate A"])

    # What adds up sells: exact payments, with change, split, and a void
    # of what was sold before it.
    for key, payments in (("exact", [{"name": "Gotówka", "paid": "9.00"}]),
                          ("change", [{"name": "Gotówka", "paid": "10", "change": "1"}]),
                          ("split", [{"name": "Karta", "paid": "4.00"},
                                     {"name": "Gotówka", "paid": "6.00", "change": "1.00"}])):
        status, _, answer = service.sell(key, {"items": [BREAD], "payments": payments})
        assert (status, answer["total"]) == (201, "9.00"), answer
    status, _, answer = service.sell("voided", {"items": [BREAD, BREAD, dict(BREAD, void=True)]})
    assert (status, answer["total"]) == (201, "9.00"), answer


def json_of(value):
    return json.dumps(value, ensure_ascii=False)


def test_an_item_at_a_rate_the_printer_has_not_defined_is_refused(service, printer):
    status, _, rates = service.request("GET", "/v1/printers/till1/rates")
    assert rates["rates"][6] == {"rate": "G", "defined": False}
    heard = len(printer.journal())
    status, _, answer = service.sell("rate-g", {"items": [BREAD, dict(BREAD, rate="G")]})
    assert status == 400, answer
    assert "items[1]" in answer["error"]["message"] and "G" in answer["error"]["message"]
    assert answer["fiscalised"] is False
    assert "receipt begin" not in printer.journal()[heard:]
    assert outcome(service, "rate-g") == ("done", False)
    # Nothing was sold: the printer's counter stands, the next receipt sells.
    assert service.request("GET", "/v1/printers/till1/counters")[2]["receipts"] == 0
    assert service.sell("rate-a", {"items": [BREAD]})[0] == 201


def test_a_periodic_report_over_dates_that_do_not_exist_is_refused(service, printer):
    heard = len(printer.journal())
    for body in ({"from": "2024-02-31", "to": "2024-03-10"},
                 {"from": "2023-02-29", "to": "2023-03-10"},
                 {"from": "2024-04-31", "to": "2024-05-01"},
                 {"from": "2024-05-10", "to": "2024-05-01"},
                 {"from_number": 5, "to_number": 2}):
        status, _, answer = service.request("POST", "/v1/printers/till1/reports/periodic", body)
        assert status == 400, (body, answer)
        assert "printed" not in answer
    assert "report" not in "".join(printer.journal()[heard:])
    # A leap day is a day.
    status, _, answer = service.request("POST", "/v1/printers/till1/reports/periodic",
                                        {"from": "2024-02-29", "to": "2024-02-29"})
    assert status != 400, answer


def test_a_periodic_report_the_printer_refuses_is_never_said_printed(folder):
    # Its clock memory erased, the printer refuses reports without a word.
    printer = Emulator(folder, extra=["--clock-erased"])
    service = Service(folder, ["till1=COM1"])
    try:
        status, _, answer = service.request("POST", "/v1/printers/till1/reports/periodic",
                                            {"from": "2024-05-01", "to": "2024-05-10"})
        assert status != 200 and "printed" not in answer, answer
        assert answer["error"]["code"] == 107, answer
    finally:
        service.stop()
        printer.stop()
