"""A printer without paper, with its head raised or reporting a failure:
before a sale it is told at once, with the printer's reason and nothing sold,
and never as a printer that does not answer; while a fiscalised receipt
prints, the receipt is known sold at once, the paper named as why its
printout stands, and the printout is resumed once paper is back."""

from __future__ import annotations

import threading
import time

from kit import new_key, receipt, wait_for
from kit import folder, make_printer, make_service  # noqa: F401 - fixtures

RECEIPTS = "/v1/printers/till1/receipts"
# Words of the message of a printer that does not answer at all.
NOT_ANSWERING = "kabel"


def refused_at_once(service, code: int, error_id: str) -> dict:
    """A sale while the printer stands: answered within a few seconds, not
    fiscalised, with the printer's reason."""
    started = time.monotonic()
    answer = service.post(RECEIPTS, receipt("2.00"), new_key())
    took = time.monotonic() - started
    body = answer.json()
    assert took < 4, (took, body)
    assert body["fiscalised"] is False, body
    assert (body["error"]["code"], body["error"]["id"]) == (code, error_id), body
    assert NOT_ANSWERING not in body["error"]["message"], body
    assert answer.status_code == 422, body
    return body


def test_a_printer_standing_before_a_sale_is_told_at_once(make_printer, make_service):
    printer = make_printer(1)
    service = make_service({"till1": 1})
    assert service.post(RECEIPTS, receipt("1.00"), new_key()).status_code == 201
    faults = (("paper out", 109, "paper_out", "paper in"),
              ("head up", 109, "paper_out", "head down"),
              ("failure on", 103, "printer_failure", "failure off"))
    # One receipt before the faults, and one after each is mended.
    for sold, (fault, code, error_id, mended) in enumerate(faults, start=1):
        assert printer.control(fault) == "ok"
        start = printer.journal_length()
        # The second sale too: the printer answers, whatever the first left.
        for _ in range(2):
            refused_at_once(service, code, error_id)
        assert not any("receipt begin" in line for line in printer.journal()[start:]), fault
        assert printer.counter() == sold, fault
        status = service.get("/v1/printers/till1/status").json()
        assert (status["online"], status["receipt_possible"], status["code"]) == (True, False, code)
        assert service.get("/v1/printers").json()["printers"][0]["online"] is True
        assert printer.control(mended) == "ok"
        answer = service.post(RECEIPTS, receipt("1.00"), new_key())
        assert answer.status_code == 201, (fault, answer.text)
    assert printer.counter() == 4
    assert printer.fiscal_totals() == ["1,00"] * 4


def test_a_printer_without_paper_from_the_start_is_told_at_once(make_printer, make_service):
    printer = make_printer(1, "--no-paper")
    service = make_service({"till1": 1})
    assert service.get("/v1/printers").json()["printers"][0]["online"] is True
    for _ in range(2):
        refused_at_once(service, 109, "paper_out")
    status = service.get("/v1/printers/till1/status").json()
    assert status["online"] is True and status["flags"]["paper_out"] is True, status
    assert printer.control("paper in") == "ok"
    answer = service.post(RECEIPTS, receipt("1.00"), new_key())
    assert answer.status_code == 201, answer.text
    assert printer.counter() == 1


def test_paper_out_while_a_receipt_prints_is_resumed_once_paper_is_back(
        make_printer, make_service):
    # At the line's pace, so that the printout lasts some seconds.
    printer = make_printer(1, "--line-rate", "9600")
    service = make_service({"till1": 1})
    assert service.post(RECEIPTS, receipt("1.11"), new_key()).status_code == 201
    key = new_key()
    start = printer.journal_length()
    answers = []
    selling = threading.Thread(target=lambda: answers.append(
        service.post(RECEIPTS, receipt("0.57", items=6), key)))
    selling.start()
    printer.wait_line(r"^receipt end -> 06", start)
    assert printer.control("paper out") == "ok"
    selling.join(60)
    [answer] = answers
    body = answer.json()
    # The printer counted it: sold, with the paper as the warning.
    assert answer.status_code == 201, body
    assert (body["fiscalised"], body["receipt_number"]) == (True, 2), body
    assert body["warning"]["id"] == "paper_out", body
    assert printer.counter() == 2
    stored = service.get(f"{RECEIPTS}/{key}").json()
    assert (stored["state"], stored["fiscalised"]) == ("done", True), stored
    assert any("printout stopped" in line for line in printer.journal()[start:])

    # While the paper is out, the paper is the reason told.
    refused_at_once(service, 109, "paper_out")
    status = service.get("/v1/printers/till1/status").json()
    assert status["flags"]["paper_out"] is True and status["code"] == 109, status

    # Paper back: the service resumes the printout by itself.
    resumed = printer.journal_length()
    assert printer.control("paper in") == "ok"
    printer.wait_line(r"printout resumed", resumed, 20)
    printer.wait_line(r"printout finished", resumed, 60)
    wait_for(lambda: service.get("/v1/printers/till1/status").json()["receipt_possible"], 20,
             "the printer to take receipts again")
    answer = service.post(RECEIPTS, receipt("1.00"), new_key())
    assert answer.status_code == 201 and answer.json()["receipt_number"] == 3, answer.text
    assert printer.fiscal_totals() == ["1,11", "3,42", "1,00"]
